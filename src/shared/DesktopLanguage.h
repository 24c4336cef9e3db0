#pragma once

#include <cstdint>
#include <string_view>

namespace monctl {

// The interface language (0 Chinese, 1 English) for a locale name: Chinese for zh, zh_CN,
// zh_TW.UTF-8 and the like, English for every other.
std::int32_t languageOfLocale(std::string_view locale);

// The interface language the desktop asks for, for a start with none stored. The variables are
// read as gettext reads them: LANGUAGE (its first entry), LC_ALL, LC_MESSAGES, LANG, the first
// that is set; Qt's reading of the system when none is.
std::int32_t desktopLanguage();

} // namespace monctl
