#pragma once

namespace monctl {

// The reverse-DNS name the desktop knows monctl by: its desktop entry, icon, metadata,
// session-bus name, and the application id its portal files the shortcuts under.
inline constexpr char applicationId[] = "org.monctl.Monctl";

} // namespace monctl
