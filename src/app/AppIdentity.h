#pragma once

namespace monctl {

// The reverse-DNS name the desktop knows monctl by: its desktop entry, icon, metadata and
// session-bus name.
inline constexpr char applicationId[] = "org.monctl.Monctl";
// The icon, compiled into the program so that it shows before (or without) installation.
inline constexpr char applicationIconResource[] = ":/icons/org.monctl.Monctl.svg";

} // namespace monctl
