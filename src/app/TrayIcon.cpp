#include "app/TrayIcon.h"

#include "app/AppIdentity.h"
#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"

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

TrayIcon::TrayIcon(MonitorSet& monitors, const Window& window, QObject* parent)
    : QObject(parent), m_monitors(monitors), m_menu(std::make_unique<QMenu>()),
      m_icon(new QSystemTrayIcon(QIcon(applicationIconResource), this)) {
    // Contrast steps are the shortcuts' own, and so is their pacing.
    addCommand(m_menu.get(), [](MonitorController& monitor) { monitor.fastRefresh(); });
    addCommand(m_menu.get(), [](MonitorController& monitor) { monitor.stepContrast(1); });
    addCommand(m_menu.get(), [](MonitorController& monitor) { monitor.stepContrast(-1); });
    m_modeMenu = m_menu->addMenu(QString());
    for (int mode = 2; mode <= 4; ++mode)
        addCommand(m_modeMenu,
                   [mode](MonitorController& monitor) { monitor.set(Setting::mode, mode); });
    m_speedMenu = m_menu->addMenu(QString());
    for (int speed = 1; speed <= 5; ++speed)
        addCommand(m_speedMenu,
                   [speed](MonitorController& monitor) { monitor.set(Setting::speed, speed); });
    m_allMonitors = addAction(m_menu.get(), [] {});
    m_allMonitors->setCheckable(true);
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
    m_connections.push_back(
        monitors.settingReported.connect([this](const auto&, Setting, int) { updateToolTip(); }));
    m_connections.push_back(monitors.activeChanged.connect([this] { updateToolTip(); }));
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

QAction* TrayIcon::addCommand(QMenu* menu, std::function<void(MonitorController&)> command) {
    return addAction(menu, [this, command = std::move(command)] {
        const auto targets =
            m_allMonitors->isChecked() ? m_monitors.monitors() : std::vector{m_monitors.active()};
        for (const auto& monitor : targets) {
            if (monitor && monitor->answers())
                command(*monitor);
        }
    });
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
    texts << tr("All Monitors") << tr("Show Window") << tr("Settings…") << tr("Quit");
    for (std::size_t at = 0; at < m_actions.size(); ++at)
        m_actions[at]->setText(texts[static_cast<int>(at)]);
    m_modeMenu->setTitle(tr("Mode"));
    m_speedMenu->setTitle(tr("Speed"));
    updateToolTip();
}

void TrayIcon::updateToolTip() {
    const auto active = m_monitors.active();
    if (!active) {
        m_icon->setToolTip(tr("monctl: no monitor"));
        return;
    }
    const int mode = std::clamp(active->setting(Setting::mode).value_or(2) - 2, 0, 2);
    m_icon->setToolTip(tr("monctl: %1, contrast %2, %3")
                           .arg(QString::fromStdString(active->name()))
                           .arg(active->contrastStep() + 1)
                           .arg(tr(modeNames[static_cast<std::size_t>(mode)])));
}

} // namespace monctl
