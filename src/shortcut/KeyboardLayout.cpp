#include "shortcut/KeyboardLayout.h"

#include "runtime/MainQueue.h"

#include <utility>

namespace monctl {
namespace {

std::shared_ptr<const KeyboardLayout>& chosenLayout() {
    static auto* layout = new std::shared_ptr<const KeyboardLayout>; // used until the exit
    return *layout;
}

} // namespace

const KeyboardLayout& KeyboardLayout::current() {
    assertMainThread();
    auto& layout = chosenLayout();
    if (!layout)
        layout = std::make_shared<NullKeyboardLayout>("no keyboard layout chosen");
    return *layout;
}

std::shared_ptr<const KeyboardLayout>
KeyboardLayout::use(std::shared_ptr<const KeyboardLayout> layout) {
    assertMainThread();
    return std::exchange(chosenLayout(), std::move(layout));
}

} // namespace monctl
