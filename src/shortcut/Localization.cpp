#include "shortcut/Localization.h"

#include <QTranslator>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string_view>

namespace monctl {
namespace {

// The two catalogs of context "Shortcut", built from shortcut_en.ts and shortcut_zh_CN.ts
// into this library's resources. Only read once loaded, so any thread may look up.
struct Catalogs {
    QTranslator english;
    QTranslator chinese;
};

const Catalogs& catalogs() {
    static const Catalogs* loaded = [] {
        auto* both = new Catalogs; // lives with the process: looked up until its end
        // A catalog that cannot be loaded holds nothing: every key then gives "XXX".
        (void)both->english.load("shortcut_en", ":/i18n");
        (void)both->chinese.load("shortcut_zh_CN", ":/i18n");
        return both;
    }();
    return *loaded;
}

bool localeIsChinese() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value)
            return std::string_view(value).starts_with("zh");
    }
    return false;
}

struct Choice {
    std::once_flag once;
    std::mutex mutex;
    std::optional<bool> chinese;
};

Choice& choice() {
    static Choice state;
    return state;
}

bool chinese() {
    auto& state = choice();
    std::call_once(state.once, [&] {
        std::lock_guard lock(state.mutex);
        if (!state.chinese)
            state.chinese = localeIsChinese();
    });
    std::lock_guard lock(state.mutex);
    return *state.chinese;
}

} // namespace

std::string localizedShortcutText(const std::string& key, const char*) {
    const auto& catalog = chinese() ? catalogs().chinese : catalogs().english;
    const QString text = catalog.translate("Shortcut", key.c_str());
    return text.isEmpty() ? "XXX" : text.toStdString();
}

void useChineseShortcutTexts(bool useChinese) {
    auto& state = choice();
    std::lock_guard lock(state.mutex);
    state.chinese = useChinese;
}

} // namespace monctl
