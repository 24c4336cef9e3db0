#pragma once

namespace monctl {

// The one window of the session. Claims the bus name for this process; when another window
// holds it, asks that one to come to the front (unless `hidden`) and gives false. Without a
// session bus there is nothing to claim: true. Needs the application object.
bool claimWindowInstance(bool hidden);

// True when the session bus can be reached without starting one (as libdbus would for a
// session that has none, e.g. over SSH).
bool sessionBusConfigured();

} // namespace monctl
