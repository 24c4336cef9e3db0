#include "shortcut/Localization.h"

#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

namespace monctl {
namespace {

struct Translation {
    const char* english;
    const char* chinese;
};

const std::map<std::string_view, Translation>& table() {
    static const std::map<std::string_view, Translation> texts{
        {"Space", {"Space", "空格"}},
        {"Shortcut set", {"Shortcut set", "快捷键已设置"}},
        {"Shortcut cleared", {"Shortcut cleared", "快捷键已清除"}},
        {"keyboard shortcut", {"keyboard shortcut", "键盘快捷键"}},
        {"To record a new shortcut, click this button, and then type the new shortcut, or press "
         "delete to clear an existing shortcut.",
         {"To record a new shortcut, click this button, and then type the new shortcut, or press "
          "delete to clear an existing shortcut.",
          "要录制新的快捷键，请点按此按钮，然后键入新的快捷键，或按删除键清除现有的快捷键。"}},
        {"This combination cannot be used because it is already used by a system-wide keyboard "
         "shortcut.\nIf you really want to use this key combination, most shortcuts can be "
         "changed in the Keyboard & Mouse panel in System Preferences.",
         {"This combination cannot be used because it is already used by a system-wide keyboard "
          "shortcut.\nIf you really want to use this key combination, most shortcuts can be "
          "changed in the Keyboard & Mouse panel in System Preferences.",
          "此组合键已被系统范围的键盘快捷键使用，因此无法使用。\n如果确实要使用此组合键，"
          "大多数快捷键都可以在系统设置的键盘面板中更改。"}},
    };
    return texts;
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
    const auto found = table().find(key);
    if (found == table().end())
        return "XXX";
    return chinese() ? found->second.chinese : found->second.english;
}

void useChineseShortcutTexts(bool useChinese) {
    auto& state = choice();
    std::lock_guard lock(state.mutex);
    state.chinese = useChinese;
}

} // namespace monctl
