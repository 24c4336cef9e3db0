#include "windows/MenuModel.h"

#include "shortcut/KeyCodes.h"
#include "windows/QtModifiers.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

namespace monctl {
namespace {

// What the shortcut's key types, as a menu key equivalent: lower-case letters, the function
// keys in their private-use range, a blank for Space.
std::string keyEquivalentOf(Qt::Key key) {
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + lastNamedFunctionKey)
        return QString(QChar(firstFunctionKeyEquivalent + (key - Qt::Key_F1))).toStdString();
    if (key == Qt::Key_Space)
        return " ";
    return QKeySequence(key).toString(QKeySequence::PortableText).toLower().toStdString();
}

// The title as shown, without its mnemonic: "&Quit" reads "Quit", "退出(&Q)" reads "退出".
QString shownTitle(QString title) {
    static const QRegularExpression bracketed(R"(\(&[^&]\))");
    static const QRegularExpression marked("&(.)");
    return title.remove(bracketed).replace(marked, "\\1");
}

Menu itemsOf(const QList<QAction*>& actions) {
    Menu menu;
    for (const QAction* action : actions) {
        MenuItem item;
        item.title = shownTitle(action->text()).toStdString();
        if (!action->shortcut().isEmpty()) {
            const QKeyCombination combination = action->shortcut()[0];
            item.keyEquivalent = keyEquivalentOf(combination.key());
            item.modifierMask = flagsFromQtModifiers(combination.keyboardModifiers());
        }
        if (action->menu())
            item.submenu = itemsOf(action->menu()->actions());
        menu.push_back(std::move(item));
    }
    return menu;
}

} // namespace

Menu menuFromMenuBar(const QMenuBar* menuBar) {
    return menuBar ? itemsOf(menuBar->actions()) : Menu{};
}

} // namespace monctl
