#pragma once

#include "shared/Preferences.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QSpinBox;

namespace monctl {

// The settings of monctl on the desktop: staying in the tray when the window closes,
// starting at login, a timed fast refresh (in minutes), desktop notifications, and a monitor's
// last settings given back when it is plugged in. On a desktop without a tray, staying in it
// is not offered, and a note says why. Main thread only.
class DesktopSettingsView final : public QWidget {
    Q_OBJECT

public:
    explicit DesktopSettingsView(QWidget* parent = nullptr);

    void showSettings(const StoredSettings& settings);
    // Puts what the controls show into the settings; the rest is left as it is.
    void store(StoredSettings& settings) const;

    QCheckBox* keepInTray() const { return m_keepInTray; }
    QCheckBox* startAtLogin() const { return m_startAtLogin; }
    QCheckBox* timedRefresh() const { return m_timedRefresh; }
    QSpinBox* refreshMinutes() const { return m_refreshMinutes; }
    QCheckBox* notify() const { return m_notify; }
    QCheckBox* restoreOnPlug() const { return m_restoreOnPlug; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void retranslate();

    QCheckBox* m_keepInTray;
    QLabel* m_noTray;
    QCheckBox* m_startAtLogin;
    QCheckBox* m_timedRefresh;
    QSpinBox* m_refreshMinutes;
    QCheckBox* m_notify;
    QCheckBox* m_restoreOnPlug;
    int m_shownSeconds = 0; // kept when the minutes shown are left as they were
};

} // namespace monctl
