#include "windows/DesktopSettingsView.h"

#include "windows/NamedWidget.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QSystemTrayIcon>
#include <QVBoxLayout>

namespace monctl {

DesktopSettingsView::DesktopSettingsView(QWidget* parent)
    : QWidget(parent), m_keepInTray(namedWidget<QCheckBox>(this, "keepInTray")),
      m_noTray(namedWidget<QLabel>(this, "noTray")),
      m_startAtLogin(namedWidget<QCheckBox>(this, "startAtLogin")),
      m_timedRefresh(namedWidget<QCheckBox>(this, "timedRefresh")),
      m_refreshMinutes(namedWidget<QSpinBox>(this, "refreshMinutes")),
      m_notify(namedWidget<QCheckBox>(this, "notify")),
      m_restoreOnPlug(namedWidget<QCheckBox>(this, "restoreOnPlug")) {
    const bool tray = QSystemTrayIcon::isSystemTrayAvailable();
    m_keepInTray->setEnabled(tray);
    m_noTray->setVisible(!tray);
    m_refreshMinutes->setRange(1, 24 * 60);
    m_refreshMinutes->setValue(30);
    m_refreshMinutes->setEnabled(false);
    connect(m_timedRefresh, &QCheckBox::toggled, m_refreshMinutes, &QWidget::setEnabled);
    auto* refresh = new QHBoxLayout;
    refresh->addWidget(m_timedRefresh);
    refresh->addWidget(m_refreshMinutes);
    refresh->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_keepInTray);
    layout->addWidget(m_noTray);
    layout->addWidget(m_startAtLogin);
    layout->addLayout(refresh);
    layout->addWidget(m_notify);
    layout->addWidget(m_restoreOnPlug);
    retranslate();
}

void DesktopSettingsView::showSettings(const StoredSettings& settings) {
    m_keepInTray->setChecked(settings.keepInTray != 0);
    m_startAtLogin->setChecked(settings.startAtLogin != 0);
    m_shownSeconds = std::max(settings.fastRefreshSeconds, 0);
    m_timedRefresh->setChecked(m_shownSeconds > 0);
    if (m_shownSeconds > 0)
        m_refreshMinutes->setValue(std::max(1, (m_shownSeconds + 30) / 60));
    m_notify->setChecked(settings.notify != 0);
    m_restoreOnPlug->setChecked(settings.restoreOnPlug != 0);
}

void DesktopSettingsView::store(StoredSettings& settings) const {
    settings.keepInTray = m_keepInTray->isChecked() ? 1 : 0;
    settings.startAtLogin = m_startAtLogin->isChecked() ? 1 : 0;
    const int minutes = m_refreshMinutes->value();
    const bool unchanged = m_shownSeconds > 0 && minutes == std::max(1, (m_shownSeconds + 30) / 60);
    settings.fastRefreshSeconds = !m_timedRefresh->isChecked() ? 0
                                  : unchanged                  ? m_shownSeconds
                                                               : minutes * 60;
    settings.notify = m_notify->isChecked() ? 1 : 0;
    settings.restoreOnPlug = m_restoreOnPlug->isChecked() ? 1 : 0;
}

void DesktopSettingsView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void DesktopSettingsView::retranslate() {
    m_keepInTray->setText(tr("Keep running in the tray when the window is closed"));
    m_noTray->setText(tr("This desktop has no tray: closing the window ends monctl."));
    m_startAtLogin->setText(tr("Start at login"));
    m_timedRefresh->setText(tr("Fast refresh every"));
    m_refreshMinutes->setSuffix(tr(" minutes"));
    m_refreshMinutes->setAccessibleName(tr("Minutes between fast refreshes"));
    // The note explains why the box is greyed out; a screen reader hears it with the box.
    m_keepInTray->setAccessibleDescription(m_noTray->isHidden() ? QString() : m_noTray->text());
    m_notify->setText(tr("Show notifications"));
    m_restoreOnPlug->setText(tr("Give a monitor its last settings when it is plugged in"));
}

} // namespace monctl
