#include "tray/TrayIcon.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "shared/AppIdentity.h"
#include "shared/MonitorListModel.h"
#include "shared/SettingNames.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

namespace monctl {

TrayIcon::TrayIcon(MonitorListModel& monitors, const Window& window, PresetStore presets,
                   QObject* parent)
    : QObject(parent), m_list(monitors), m_monitors(monitors.monitors()),
      m_presets(std::move(presets)), m_menu(std::make_unique<QMenu>()),
      m_icon(new QSystemTrayIcon(QIcon(applicationIconResource), this)) {
    // Contrast steps are the shortcuts' own, and so is their pacing.
    addCommand(m_menu.get(), [](MonitorController& monitor) { monitor.fastRefresh(); });
    addCommand(m_menu.get(), [](MonitorController& monitor) { monitor.stepContrast(1); });
    addCommand(m_menu.get(), [](MonitorController& monitor) { monitor.stepContrast(-1); });
    m_modeMenu = addChoices(Setting::mode, 2, 4);
    m_speedMenu = addChoices(Setting::speed, 1, 5);
    m_presetMenu = m_menu->addMenu(QString());
    connect(m_presetMenu, &QMenu::aboutToShow, this, &TrayIcon::fillPresets);
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
    const auto follow = [this] {
        updateToolTip();
        markCurrent();
    };
    connect(&m_list, &QAbstractItemModel::dataChanged, this, follow);
    connect(&m_list, &QAbstractItemModel::modelReset, this, follow);
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
    return addAction(menu, [this, command = std::move(command)] { runOnTargets(command); });
}

void TrayIcon::runOnTargets(const std::function<void(MonitorController&)>& command) {
    const auto targets =
        m_allMonitors->isChecked() ? m_monitors.monitors() : std::vector{m_monitors.active()};
    for (const auto& monitor : targets) {
        if (monitor && monitor->answers())
            command(*monitor);
    }
}

QMenu* TrayIcon::addChoices(Setting setting, int lowest, int highest) {
    auto* menu = m_menu->addMenu(QString());
    auto* group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int value = lowest; value <= highest; ++value) {
        // The tick stays on what the monitor holds until the write lands.
        auto* choice = addAction(menu, [this, setting, value] {
            runOnTargets([=](MonitorController& monitor) { monitor.set(setting, value); });
            markCurrent();
        });
        choice->setCheckable(true);
        choice->setData(value);
        group->addAction(choice);
    }
    m_choices.emplace_back(setting, group);
    return menu;
}

// Nothing ticked for a value the active monitor's controller does not hold.
void TrayIcon::markCurrent() {
    const auto active = m_list.index(m_list.activeRow());
    for (const auto& [setting, group] : m_choices) {
        const auto value = active.data(setting == Setting::mode ? MonitorListModel::modeRole
                                                                : MonitorListModel::speedRole);
        for (auto* choice : group->actions())
            choice->setChecked(value.isValid() && value == choice->data());
    }
}

// Read again when the menu opens: the presets may have changed in another monctl since.
void TrayIcon::fillPresets() {
    m_presetMenu->clear();
    const auto presets = m_presets.list();
    if (presets.empty())
        m_presetMenu->addAction(tr("No Presets"))->setEnabled(false);
    for (const auto& preset : presets) {
        connect(m_presetMenu->addAction(QString::fromStdString(preset.name)), &QAction::triggered,
                this, [this, settings = preset.settings] {
                    runOnTargets([&](MonitorController& monitor) { monitor.apply(settings); });
                });
    }
}

bool TrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_menu.get() && event->type() == QEvent::LanguageChange)
        retranslate();
    return false;
}

void TrayIcon::retranslate() {
    QStringList texts{tr("Fast Refresh"), tr("Contrast Up"), tr("Contrast Down")};
    for (int mode = 2; mode <= 4; ++mode)
        texts << modeText(mode);
    for (int speed = 1; speed <= 5; ++speed)
        texts << speedText(speed);
    texts << tr("All Monitors") << tr("Show Window") << tr("Settings…") << tr("Quit");
    for (std::size_t at = 0; at < m_actions.size(); ++at)
        m_actions[at]->setText(texts[static_cast<int>(at)]);
    m_modeMenu->setTitle(tr("Mode"));
    m_speedMenu->setTitle(tr("Speed"));
    m_presetMenu->setTitle(tr("Presets"));
    fillPresets();
    updateToolTip();
}

void TrayIcon::updateToolTip() {
    const auto active = m_list.index(m_list.activeRow());
    if (!active.isValid()) {
        m_icon->setToolTip(tr("monctl: no monitor"));
        return;
    }
    const auto contrast = active.data(MonitorListModel::contrastRole);
    m_icon->setToolTip(tr("monctl: %1, contrast %2, %3")
                           .arg(active.data().toString(),
                                contrast.isValid() ? contrast.toString() : QStringLiteral("?"),
                                modeText(active.data(MonitorListModel::modeRole).toInt())));
}

} // namespace monctl
