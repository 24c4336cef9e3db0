#include "app/TrayIcon.h"

#include "app/AppIdentity.h"
#include "app/ControlPanel.h"
#include "serial/SerialPort.h"

#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <array>

namespace monctl {
namespace {

constexpr std::array<const char*, 3> modeNames{
    QT_TRANSLATE_NOOP("monctl::TrayIcon", "Text Mode"),
    QT_TRANSLATE_NOOP("monctl::TrayIcon", "Graphic Mode"),
    QT_TRANSLATE_NOOP("monctl::TrayIcon", "Video Mode")};
constexpr std::array<const char*, 5> speedNames{"Fast", "Fast+", "Fast++", "Fast+++", "Fast++++"};

} // namespace

TrayIcon::TrayIcon(ControlPanel& panel, const Window& window, QObject* parent)
    : QObject(parent), m_panel(panel), m_menu(std::make_unique<QMenu>()),
      m_icon(new QSystemTrayIcon(QIcon(applicationIconResource), this)) {
    // Contrast steps go through the shortcuts' own path, and so their pacing.
    addAction(m_menu.get(), [&panel] { panel.setFromRefreshShortCutInfo(); });
    addAction(m_menu.get(), [&panel] { panel.setFromThresholdShortCutValue(); });
    addAction(m_menu.get(), [&panel] { panel.setFromThresholdDownShortCutValue(); });
    m_modeMenu = m_menu->addMenu(QString());
    for (int mode = 2; mode <= 4; ++mode)
        addAction(m_modeMenu, [&panel, mode] { panel.updateViewModeInfo(mode); });
    m_speedMenu = m_menu->addMenu(QString());
    for (int speed = 1; speed <= 5; ++speed)
        addAction(m_speedMenu, [&panel, speed] { panel.updateViewSpeedInfo(speed); });
    m_menu->addSeparator();
    addAction(m_menu.get(), window.show);
    addAction(m_menu.get(), window.settings);
    addAction(m_menu.get(), [] { QCoreApplication::quit(); });
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon, &QSystemTrayIcon::activated,
            [toggle = window.toggle](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    toggle();
            });
    connect(&panel, &ControlPanel::settingReported, this, &TrayIcon::updateToolTip);
    connect(&panel, &ControlPanel::monitorsChanged, this, &TrayIcon::updateToolTip);
    m_menu->installEventFilter(this);
    retranslate();
    m_icon->show();
}

TrayIcon::~TrayIcon() = default;

QAction* TrayIcon::addAction(QMenu* menu, std::function<void()> action) {
    auto* added = menu->addAction(QString());
    connect(added, &QAction::triggered, this, std::move(action));
    m_actions.push_back(added);
    return added;
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_menu.get() && event->type() == QEvent::LanguageChange)
        retranslate();
    return false;
}

void TrayIcon::retranslate() {
    QStringList texts{tr("Fast Refresh"), tr("Contrast Up"), tr("Contrast Down")};
    for (const char* mode : modeNames)
        texts << tr(mode);
    for (const char* speed : speedNames)
        texts << QString::fromLatin1(speed);
    texts << tr("Show Window") << tr("Settings…") << tr("Quit");
    for (std::size_t at = 0; at < m_actions.size(); ++at)
        m_actions[at]->setText(texts[static_cast<int>(at)]);
    m_modeMenu->setTitle(tr("Mode"));
    m_speedMenu->setTitle(tr("Speed"));
    updateToolTip();
}

void TrayIcon::updateToolTip() {
    const auto active = m_panel.activeMonitor();
    if (!active) {
        m_icon->setToolTip(tr("monctl: no monitor"));
        return;
    }
    const int mode = std::clamp(m_panel.currentModeIndex(), 0, 2);
    m_icon->setToolTip(tr("monctl: %1, contrast %2, %3")
                           .arg(QString::fromStdString(active->name()))
                           .arg(m_panel.currentThresholdValue() + 1)
                           .arg(tr(modeNames[static_cast<std::size_t>(mode)])));
}

} // namespace monctl
