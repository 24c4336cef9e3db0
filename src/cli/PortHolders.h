#pragma once

#include <string>

namespace monctl {

// The processes that hold a device, as a user reads them ("minicom (812)", "monctl (930),
// monctl's own window", joined by "; "); "" when this user sees none.
std::string describeHolders(const std::string& devicePath);

// Why a device this user may open could not be opened because it is busy: who holds it, or
// that it was left in exclusive mode; "" when neither can be seen.
std::string whyBusy(const std::string& devicePath);

} // namespace monctl
