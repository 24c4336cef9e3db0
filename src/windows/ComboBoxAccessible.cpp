#include "windows/ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QKeySequence>
#include <QLineEdit>

namespace monctl {
namespace {

QAccessibleInterface* comboBoxFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("QComboBox"))
        return new ComboBoxAccessible(static_cast<QComboBox*>(object));
    return nullptr;
}

} // namespace

ComboBoxAccessible::ComboBoxAccessible(QComboBox* box)
    : QAccessibleWidget(box, QAccessible::ComboBox) {
    // Another entry shown is another description: a screen reader tells the new one.
    QObject::connect(box, &QComboBox::currentIndexChanged, box, [box] {
        QAccessibleEvent changed(box, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    });
}

void ComboBoxAccessible::install() {
    // Installing twice leaves one factory: the list keeps each once.
    QAccessible::installFactory(comboBoxFactory);
}

QComboBox* ComboBoxAccessible::comboBox() const {
    return static_cast<QComboBox*>(widget());
}

// The entry shown is also the description where none is given: the accessibility bus of
// Qt 6.4 carries no value text, so a screen reader hears the entry from there.
QString ComboBoxAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value)
        return comboBox()->currentText();
    QString text = QAccessibleWidget::text(kind);
    // A combo box nothing names is still heard by its entry rather than as nothing.
    if ((kind == QAccessible::Name || kind == QAccessible::Description) && text.isEmpty())
        return comboBox()->currentText();
    return text;
}

QAccessible::State ComboBoxAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.expandable = true;
    state.expanded = comboBox()->view()->isVisible();
    state.editable = comboBox()->isEditable();
    return state;
}

// The popup's list, and the line edit of an editable box, as Qt's own interface has them.
int ComboBoxAccessible::childCount() const {
    return comboBox()->isEditable() ? 2 : 1;
}

QAccessibleInterface* ComboBoxAccessible::child(int index) const {
    if (index == 0)
        return QAccessible::queryAccessibleInterface(comboBox()->view());
    if (index == 1 && comboBox()->isEditable())
        return QAccessible::queryAccessibleInterface(comboBox()->lineEdit());
    return nullptr;
}

int ComboBoxAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (child == nullptr)
        return -1;
    if (child->object() == comboBox()->view())
        return 0;
    if (comboBox()->isEditable() && child->object() == comboBox()->lineEdit())
        return 1;
    return -1;
}

QStringList ComboBoxAccessible::actionNames() const {
    return {showMenuAction(), pressAction()};
}

void ComboBoxAccessible::doAction(const QString& action) {
    if (action != showMenuAction() && action != pressAction())
        return;
    if (comboBox()->view()->isVisible())
        comboBox()->hidePopup();
    else
        comboBox()->showPopup();
}

QStringList ComboBoxAccessible::keyBindingsForAction(const QString& action) const {
    if (action == showMenuAction() || action == pressAction())
        return {QKeySequence(Qt::Key_Down).toString(QKeySequence::NativeText)};
    return {};
}

} // namespace monctl
