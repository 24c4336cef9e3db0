#include "shared/DesktopLanguage.h"

#include <QLocale>
#include <cstdlib>

namespace monctl {

std::int32_t languageOfLocale(std::string_view locale) {
    return locale.starts_with("zh") ? 0 : 1;
}

std::int32_t desktopLanguage() {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return languageOfLocale(value);
    }
    return languageOfLocale(QLocale::system().name().toStdString());
}

} // namespace monctl
