#include "windows/SettingsWindow.h"

#include "runtime/TraceLog.h"
#include "shared/AutostartEntry.h"
#include "shared/CurrentLanguage.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/ShortcutValidator.h"
#include "windows/ComboBoxAccessible.h"
#include "windows/DesktopSettingsView.h"
#include "windows/NamedWidget.h"
#include "windows/PresetsView.h"
#include "windows/ScheduleView.h"
#include "windows/ShortcutView.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

// The recorded pair when the recorder could have accepted it, else the default: an empty
// recorder, or a stored pair no key press would match.
void apply(const std::optional<Shortcut>& value, std::uint32_t& keyCode, std::uint32_t& flags,
           std::uint32_t defaultKeyCode) {
    if (value && ShortcutValidator::sharedValidator().isShortcutValid(*value)) {
        keyCode = static_cast<std::uint32_t>(value->keyCode());
        flags = static_cast<std::uint32_t>(value->modifierFlags());
    } else {
        keyCode = defaultKeyCode;
        flags = ModifierFlag::control;
    }
}

// Key code 0 without modifiers is what the store holds before anything was set: no shortcut.
std::optional<Shortcut> storedShortcut(std::uint32_t keyCode, std::uint32_t flags) {
    if (keyCode == 0 && flags == 0)
        return std::nullopt;
    return Shortcut::shortcutWithKeyCode(keyCode, flags);
}

} // namespace

SettingsWindow::SettingsWindow(Preferences preferences, MonitorSet& monitors, QWidget* parent)
    : QDialog(parent), m_preferences(std::move(preferences)) {
    buildControls(monitors);
    viewDidLoad();
}

void SettingsWindow::buildControls(MonitorSet& monitors) {
    setModal(true);
    const auto label = [this](const char* name) { return namedWidget<QLabel>(this, name); };
    const auto recorder = [this](const char* name) {
        return namedWidget<ShortcutView>(this, name);
    };
    m_currentLanguageInfo = namedWidget<QComboBox>(this, "currentLanguageInfo");
    m_refreshHotCutView = recorder("refreshHotCutView");
    m_thresholdInfocutView = recorder("thresholdInfocutView");
    m_thresholdDownInfocutView = recorder("thresholdDownInfocutView");
    m_desktopSettings = namedWidget<DesktopSettingsView>(this, "desktopSettings");
    m_presets = new PresetsView(m_preferences.path(), monitors, this);
    m_schedule = new ScheduleView(m_preferences.path(), this);
    connect(m_presets, &PresetsView::presetsChanged, m_schedule, &ScheduleView::showSchedule);
    m_refreshHotKey = label("refreshHotKey");
    m_thresholdHotKey = label("thresholdHotKey");
    m_thresholdUp = label("thresholdUp");
    m_thresholdDown = label("thresholdDown");
    m_languageSettings = label("languageSettings");
    m_buttonExit = namedWidget<QPushButton>(this, "buttonExit");
    m_buttonOK = namedWidget<QPushButton>(this, "buttonOK");
    m_buttonOK->setAutoDefault(false);
    m_buttonExit->setAutoDefault(false);
    connect(m_currentLanguageInfo, &QComboBox::activated, this,
            &SettingsWindow::setCurrentLanguage);
    connect(m_buttonOK, &QPushButton::clicked, this, &SettingsWindow::finishViewAction);
    connect(m_buttonExit, &QPushButton::clicked, this, &SettingsWindow::onlyExitView);

    // A screen reader names each control by its caption.
    ComboBoxAccessible::install();
    m_languageSettings->setBuddy(m_currentLanguageInfo);
    m_refreshHotKey->setBuddy(m_refreshHotCutView);
    m_thresholdUp->setBuddy(m_thresholdInfocutView);
    m_thresholdDown->setBuddy(m_thresholdDownInfocutView);

    auto* grid = new QGridLayout;
    grid->addWidget(m_languageSettings, 0, 0);
    grid->addWidget(m_currentLanguageInfo, 0, 1, 1, 2);
    grid->addWidget(m_refreshHotKey, 1, 0);
    grid->addWidget(m_refreshHotCutView, 1, 1, 1, 2);
    grid->addWidget(m_thresholdHotKey, 2, 0);
    grid->addWidget(m_thresholdUp, 2, 1);
    grid->addWidget(m_thresholdInfocutView, 2, 2);
    grid->addWidget(m_thresholdDown, 3, 1);
    grid->addWidget(m_thresholdDownInfocutView, 3, 2);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_buttonExit);
    buttons->addWidget(m_buttonOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_desktopSettings);
    auto* lists = new QHBoxLayout;
    lists->addWidget(m_presets);
    lists->addWidget(m_schedule);
    layout->addLayout(lists);
    layout->addLayout(buttons);
}

void SettingsWindow::addNote(QWidget* note) {
    auto* column = static_cast<QVBoxLayout*>(layout());
    column->insertWidget(column->count() - 1, note);
}

void SettingsWindow::viewDidLoad() {
    m_currentLanguageInfo->clear();
    m_currentLanguageInfo->addItems({QString::fromUtf8("汉语"), "English"});
    m_currentLanguageInfo->setCurrentIndex(CurrentLanguage());
    setSettingsRes();
    m_desktopSettings->showSettings(m_preferences.load());
    const auto& hotkeys = HotkeyState::shared();
    m_refreshHotCutView->setShortcutValue(
        storedShortcut(hotkeys.RefreshHotkeyKeyCode, hotkeys.RefreshHotkeyModifierFlags));
    m_thresholdInfocutView->setShortcutValue(storedShortcut(
        hotkeys.ThresholdInfoHotkeyKeyCode, hotkeys.ThresholdInfoHotkeyModifierFlags));
    m_thresholdDownInfocutView->setShortcutValue(storedShortcut(
        hotkeys.ThresholdDownInfoHotkeyKeyCode, hotkeys.ThresholdDownInfoHotkeyModifierFlags));
}

void SettingsWindow::setSettingsRes() {
    m_refreshHotKey->setText(tr("Fast Refresh Hotkey"));
    m_thresholdHotKey->setText(tr("Contrast Hotkey"));
    m_thresholdUp->setText(tr("Up:"));
    m_thresholdDown->setText(tr("Down:"));
    // "Up:" and "Down:" say what they record only beside "Contrast Hotkey".
    m_thresholdInfocutView->setAccessibleName(tr("Contrast Up Hotkey"));
    m_thresholdDownInfocutView->setAccessibleName(tr("Contrast Down Hotkey"));
    m_languageSettings->setText(tr("Language Settings"));
    m_buttonExit->setText(tr("Exit"));
    m_buttonOK->setText(tr("OK"));
    setWindowTitle(tr("Settings"));
}

void SettingsWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) {
        setSettingsRes();
        // The texts of the other language may be wider or narrower.
        adjustSize();
    }
    QDialog::changeEvent(event);
}

void SettingsWindow::setCurrentLanguage() {
    const int index = m_currentLanguageInfo->currentIndex();
    traceLog().debug("finishViewAction  _currentLanguageInfo.indexOfSelectedItem = {}", index);
    changeCurrentLanguage(index == 0 ? 0 : 1);
}

void SettingsWindow::finishViewAction() {
    traceLog().debug("finishViewAction");
    setHotKey();
    saveSettingsValue();
    accept();
}

void SettingsWindow::onlyExitView() {
    traceLog().debug("acb");
    reject();
}

void SettingsWindow::setHotKey() {
    auto& hotkeys = HotkeyState::shared();
    apply(m_refreshHotCutView->shortcutValue(), hotkeys.RefreshHotkeyKeyCode,
          hotkeys.RefreshHotkeyModifierFlags, VirtualKey::d);
    apply(m_thresholdInfocutView->shortcutValue(), hotkeys.ThresholdInfoHotkeyKeyCode,
          hotkeys.ThresholdInfoHotkeyModifierFlags, VirtualKey::u);
    apply(m_thresholdDownInfocutView->shortcutValue(), hotkeys.ThresholdDownInfoHotkeyKeyCode,
          hotkeys.ThresholdDownInfoHotkeyModifierFlags, VirtualKey::p);
    traceLog().debug("setHotKey RefreshHotkeyKeyCode = {}", hotkeys.RefreshHotkeyKeyCode);
    traceLog().debug("setHotKey RefreshHotkeyModifierFlags = {}",
                     hotkeys.RefreshHotkeyModifierFlags);
    traceLog().debug("setHotKey ThresholdInfoHotkeyKeyCode = {}",
                     hotkeys.ThresholdInfoHotkeyKeyCode);
    traceLog().debug("setHotKey ThresholdInfoHotkeyModifierFlags = {}",
                     hotkeys.ThresholdInfoHotkeyModifierFlags);
    traceLog().debug("setHotKey ThresholdDownInfoHotkeyKeyCode = {}",
                     hotkeys.ThresholdDownInfoHotkeyKeyCode);
    traceLog().debug("setHotKey ThresholdDownInfoHotkeyModifierFlags = {}",
                     hotkeys.ThresholdDownInfoHotkeyModifierFlags);
}

void SettingsWindow::saveSettingsValue() {
    const auto& hotkeys = HotkeyState::shared();
    StoredSettings settings;
    settings.language = CurrentLanguage();
    settings.refreshKeyCode = hotkeys.RefreshHotkeyKeyCode;
    settings.refreshFlags = hotkeys.RefreshHotkeyModifierFlags;
    settings.thresholdKeyCode = hotkeys.ThresholdInfoHotkeyKeyCode;
    settings.thresholdFlags = hotkeys.ThresholdInfoHotkeyModifierFlags;
    settings.thresholdDownKeyCode = hotkeys.ThresholdDownInfoHotkeyKeyCode;
    settings.thresholdDownFlags = hotkeys.ThresholdDownInfoHotkeyModifierFlags;
    m_desktopSettings->store(settings);
    if (!m_preferences.save(settings))
        spdlog::warn("The settings could not be saved to {}", "the preferences file");
    if (const auto failure = AutostartEntry::apply(settings.startAtLogin != 0); !failure.isEmpty())
        spdlog::warn("The autostart entry {} was not changed: {}",
                     AutostartEntry::path().toStdString(), failure.toStdString());
}

} // namespace monctl
