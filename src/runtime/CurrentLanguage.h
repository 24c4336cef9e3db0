#pragma once

#include <cstdint>

namespace monctl {

// The interface language: 0 Chinese, any other value English. One for the process, touched
// on the main thread only; every text is chosen by it when it is set.
std::int32_t& CurrentLanguage();

} // namespace monctl
