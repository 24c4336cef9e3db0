#include "windows/QtModifiers.h"

#include "shortcut/ModifierFlags.h"

namespace monctl {
namespace {

struct QtModifier {
    std::uint32_t flag;
    unsigned modifier;
};

constexpr QtModifier qtModifiers[] = {{ModifierFlag::shift, Qt::ShiftModifier},
                                      {ModifierFlag::control, Qt::ControlModifier},
                                      {ModifierFlag::option, Qt::AltModifier},
                                      {ModifierFlag::command, Qt::MetaModifier}};

} // namespace

std::uint64_t flagsFromQtModifiers(Qt::KeyboardModifiers modifiers) {
    return convertModifiers(qtModifiers, modifiers.toInt(), &QtModifier::modifier,
                            &QtModifier::flag);
}

} // namespace monctl
