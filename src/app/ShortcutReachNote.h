#pragma once

#include "runtime/Signal.h"
#include "shortcut/DesktopShortcuts.h"

#include <QLabel>
#include <memory>

namespace monctl {

// One line in the settings window about where the shortcuts reach: what the desktop bound
// for them, or that they work only while monctl is in front. Hidden where the key monitor
// sees every program's keys. Follows the desktop's answers and the interface language.
class ShortcutReachNote final : public QLabel {
    Q_OBJECT

public:
    ShortcutReachNote(std::shared_ptr<DesktopShortcuts> desktop, bool keysSeenEverywhere,
                      QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    QString boundText() const;

    std::shared_ptr<DesktopShortcuts> m_desktop;
    bool m_keysSeenEverywhere;
    Connection m_changes;
};

} // namespace monctl
