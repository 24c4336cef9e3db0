#pragma once

#include "input/InputSink.h"

#include <functional>
#include <memory>

namespace monctl {

// The input sink of this desktop (XTest on X11), or one that drops input and says why.
// `showMessage` shows the modal message of the window toolkit.
std::shared_ptr<InputSink> makeDesktopInput(std::function<void(const std::string&)> showMessage);

} // namespace monctl
