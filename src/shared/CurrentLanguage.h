#pragma once

#include <cstdint>

namespace monctl {

// The interface language: 0 Chinese (before any is loaded), 1 English. Main thread only.
std::int32_t CurrentLanguage();

// Makes `language` the interface language and switches the application's translations to
// it. Every window relabels itself on the QEvent::LanguageChange that is delivered before
// this returns.
void changeCurrentLanguage(std::int32_t language);

} // namespace monctl
