#pragma once

#include <string>

namespace monctl {

// The shortcut family's user-visible texts, from the translation table shipped in English
// and Chinese; the language follows the user's locale (LC_ALL, LC_MESSAGES, LANG: "zh…" is
// Chinese). A key the table does not hold gives "XXX". The comment documents the key only.
std::string localizedShortcutText(const std::string& key, const char* comment = nullptr);

// For tests and the settings: the table's language, true for Chinese.
void useChineseShortcutTexts(bool chinese);

} // namespace monctl
