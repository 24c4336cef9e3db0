#pragma once

#include <QAccessibleWidget>

class QComboBox;

namespace monctl {

// A combo box as a screen reader hears it: named by its accessible name, else by the label
// whose buddy it is; its value (and, unless one is set, its description) is the entry shown.
// Qt's own interface names a combo box by that entry on Linux, so every list would be heard
// as "5" or "Graphic Mode". Main thread only.
class ComboBoxAccessible final : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox* box);

    // Every combo box of the application answers so from now on. Once the application exists
    // (the widgets' own interfaces are installed with it and would come first otherwise).
    static void install();

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QStringList actionNames() const override;
    void doAction(const QString& action) override;
    QStringList keyBindingsForAction(const QString& action) const override;

private:
    QComboBox* comboBox() const;
};

} // namespace monctl
