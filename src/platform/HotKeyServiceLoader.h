#pragma once

#include "shortcut/HotKeyService.h"

#include <memory>

namespace monctl {

// The system-wide hot-key service of this session (X11 key grabs), else a null one with its
// reason. Main thread only; on X11 its events are read on the Qt main loop.
std::shared_ptr<HotKeyService> loadHotKeyService();

} // namespace monctl
