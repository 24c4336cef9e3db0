#pragma once

#include "runtime/Signal.h"
#include "shortcut/DesktopShortcuts.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;

namespace monctl {

// One line in the settings window about where the shortcuts reach: what the desktop bound
// for them and where to assign those it left without a key, or why they work only while
// monctl is in front; beside it, where the desktop has one, a button that opens the desktop's
// own dialog for monctl's shortcuts, or, after the desktop or its user refused them, asks again.
// Hidden where the key monitor sees every program's keys. Follows the desktop's answers and the
// interface language.
class ShortcutReachNote final : public QWidget {
    Q_OBJECT

public:
    ShortcutReachNote(std::shared_ptr<DesktopShortcuts> desktop, bool keysSeenEverywhere,
                      QWidget* parent = nullptr);

    QString text() const;
    QPushButton* configureButton() const { return m_configure; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    QString refusedText() const;
    QString boundText() const;

    std::shared_ptr<DesktopShortcuts> m_desktop;
    bool m_keysSeenEverywhere;
    QLabel* m_line;
    QPushButton* m_configure;
    Connection m_changes;
};

} // namespace monctl
