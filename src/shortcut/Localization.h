#pragma once

#include <string>

namespace monctl {

// The shortcut family's user-visible texts, from its own Qt translation catalogs (context
// "Shortcut", in English and Chinese, built into the library); the language follows the
// user's locale (LC_ALL, LC_MESSAGES, LANG: "zh…" is Chinese), not the application's. A key
// the catalog does not hold gives "XXX". The comment documents the key only. Any thread.
std::string localizedShortcutText(const std::string& key, const char* comment = nullptr);

// For tests and the settings: the table's language, true for Chinese.
void useChineseShortcutTexts(bool chinese);

} // namespace monctl
