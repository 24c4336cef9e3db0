#include "windows/ControlPanel.h"

#include "input/InputSynthesis.h"
#include "input/LongPressWorker.h"
#include "input/NullInputSink.h"
#include "monitor/MonitorController.h"
#include "runtime/TraceLog.h"
#include "serial/SerialPort.h"
#include "shared/CurrentLanguage.h"
#include "shared/MonitorListModel.h"
#include "shared/SettingNames.h"
#include "shortcut/HotkeyState.h"
#include "windows/ComboBoxAccessible.h"
#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QConcatenateTablesProxyModel>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringListModel>
#include <algorithm>
#include <set>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

// The contrast list's entries; the modes' and speeds' are their names.
constexpr std::array<const char*, 9> contrastEntries{"1", "2", "3", "4", "5", "6", "7", "8", "9"};

} // namespace

ControlPanel::ControlPanel(MonitorListModel& monitors, Preferences preferences,
                           std::shared_ptr<InputSink> input, ShowMessage showMessage)
    : m_list(monitors), m_monitors(monitors.monitors()), m_preferences(std::move(preferences)),

      m_input(std::make_shared<InputSynthesis>(
          input ? std::move(input) : std::make_shared<NullInputSink>("no input backend given"),
          [this, show = std::move(showMessage)] {
              const auto text = tr("Currently there is no starter, and the stability is poor. "
                                   "Press Enter to close the pop-up window.")
                                    .toStdString();
              show ? show(text) : this->showMessage(text);
          })) {
    buildControls();
    LongPressWorker::sharedWorker().setSink(m_input->sink());
}

ControlPanel::~ControlPanel() = default;

void ControlPanel::buildControls() {
    const auto combo = [this](const char* name) {
        auto* box = namedWidget<QComboBox>(this, name);
        box->setMinimumWidth(160);
        return box;
    };
    const auto label = [this](const char* name) { return namedWidget<QLabel>(this, name); };
    const auto button = [this](const char* name, void (ControlPanel::*handler)()) {
        auto* push = namedWidget<QPushButton>(this, name);
        connect(push, &QPushButton::clicked, this, handler);
        return push;
    };
    m_displaySerialPort = combo("displaySerialPort");
    // The monitors' rows, or the no-device entry after them while there are none.
    auto* portEntries = new QConcatenateTablesProxyModel(this);
    m_noDevice = new QStringListModel(portEntries);
    portEntries->addSourceModel(&m_list);
    portEntries->addSourceModel(m_noDevice);
    m_displaySerialPort->setModel(portEntries);
    m_thresholdInfo = combo("thresholdInfo");
    m_modeInfo = combo("modeInfo");
    m_speedInfo = combo("speedInfo");
    m_portTitleInfo = label("portTitleInfo");
    m_thresholdTitleInfo = label("thresholdTitleInfo");
    m_modeTitleInfo = label("modeTitleInfo");
    m_speedTitleInfo = label("speedTitleInfo");
    m_timeSyncButton = button("timeSyncButton", &ControlPanel::realTimeClockAction);
    m_paramButton = button("paramButton", &ControlPanel::syncParametersAction);
    m_hardRefreshButton = button("hardRefreshButton", &ControlPanel::hardRefreshAction);
    m_clientSettingsButton = button("clientSettingsButton", &ControlPanel::settingsRequested);

    connect(m_thresholdInfo, &QComboBox::activated, this, &ControlPanel::thresholdCheckAction);
    connect(m_modeInfo, &QComboBox::activated, this, &ControlPanel::modeCheckAction);
    connect(m_speedInfo, &QComboBox::activated, this, &ControlPanel::speedCheckAction);
    connect(m_displaySerialPort, &QComboBox::activated, this, &ControlPanel::displaySerialPortInfo);

    auto* grid = new QGridLayout;
    const std::pair<QLabel*, QComboBox*> rows[] = {{m_portTitleInfo, m_displaySerialPort},
                                                   {m_thresholdTitleInfo, m_thresholdInfo},
                                                   {m_modeTitleInfo, m_modeInfo},
                                                   {m_speedTitleInfo, m_speedInfo}};
    int row = 0;
    ComboBoxAccessible::install();
    for (const auto& [caption, list] : rows) {
        caption->setBuddy(list); // a screen reader names the list by its caption
        grid->addWidget(caption, row, 0);
        grid->addWidget(list, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    for (auto* push :
         {m_timeSyncButton, m_paramButton, m_hardRefreshButton, m_clientSettingsButton})
        buttons->addWidget(push);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addStretch(1);
    layout->addLayout(buttons);
    setAutoFillBackground(true); // the window's white ground
    QPalette ground = palette();
    ground.setColor(QPalette::Window, Qt::white);
    setPalette(ground);
}

void ControlPanel::load() {
    traceLog().debug("viewDidLoad");
    const auto stored = m_preferences.load();
    changeCurrentLanguage(stored.language);
    auto& hotkeys = HotkeyState::shared();
    hotkeys.RefreshHotkeyKeyCode = stored.refreshKeyCode;
    hotkeys.RefreshHotkeyModifierFlags = stored.refreshFlags;
    hotkeys.ThresholdInfoHotkeyKeyCode = stored.thresholdKeyCode;
    hotkeys.ThresholdInfoHotkeyModifierFlags = stored.thresholdFlags;
    hotkeys.ThresholdDownInfoHotkeyKeyCode = stored.thresholdDownKeyCode;
    hotkeys.ThresholdDownInfoHotkeyModifierFlags = stored.thresholdDownFlags;
    traceLog().debug("viewDidLoad CurrentLanguage = {}", CurrentLanguage());
    initViewInfo();
    connect(&m_list, &QAbstractItemModel::modelReset, this, &ControlPanel::updateMainViewContent);
    m_connections.push_back(m_monitors.activeChanged.connect([this] { showActive(); }));
    m_connections.push_back(
        m_monitors.settingChanged.connect([this](const auto& monitor, const SettingChange& change) {
            showValue(monitor, change.setting, change.value);
        }));
    m_connections.push_back(m_monitors.buttonPressed.connect(
        [this](const auto&, const ButtonEvent& event) { press(event); }));
    m_connections.push_back(
        m_monitors.longMoveSourceGone.connect([this] { m_input->endLongMove(); }));
    m_connections.push_back(m_monitors.link().state().portErrors.connect(
        [this, told = std::set<std::string>()](const auto& port,
                                               const SerialPortError& error) mutable {
            if (told.insert(port->path() + error.description()).second)
                spdlog::warn("The serial port {} cannot be used: {}", port->path(),
                             error.description());
            if (error.code == std::errc::permission_denied)
                m_permissionNotice.deviceRefused(port->path());
        }));
    // The window shows each monitor's settings: they are read back as it joins and is chosen.
    m_monitors.setReadsBack(true);
    m_monitors.start();
    // The answers are handled as they come: nothing waits here. The pointer's bounds are the
    // input backend's, read at every step.
    traceLog().debug("updateMainViewContent ***************************************");
}

void ControlPanel::initViewInfo() {
    showNoDevice();
    showNoSettings();
    setViewDisplay();
}

// The settings as before any monitor answered: the first entries, disabled.
void ControlPanel::showNoSettings() {
    m_currentModeIndex = 0;
    m_thresholdInfo->clear();
    for (const char* entry : contrastEntries)
        m_thresholdInfo->addItem(entry);
    m_thresholdInfo->setCurrentIndex(0);
    m_thresholdInfo->setEnabled(false);
    fillModeList();
    m_modeInfo->setCurrentIndex(0);
    m_modeInfo->setEnabled(false);
    m_speedInfo->clear();
    for (int speed = 1; speed <= 5; ++speed)
        m_speedInfo->addItem(speedText(speed));
    m_speedInfo->setCurrentIndex(0);
    m_speedInfo->setEnabled(false);
}

void ControlPanel::fillModeList() {
    m_modeInfo->clear();
    for (int mode = 2; mode <= 4; ++mode)
        m_modeInfo->addItem(modeText(mode));
}

void ControlPanel::setViewDisplay() {
    traceLog().debug("setViewDisplay CurrentLanguage = {}", CurrentLanguage());
    m_portTitleInfo->setText(tr("Valid Port"));
    m_thresholdTitleInfo->setText(tr("Contrast"));
    m_modeTitleInfo->setText(tr("Mode"));
    m_speedTitleInfo->setText(tr("Speed"));
    m_timeSyncButton->setText(tr("Time Sync"));
    m_paramButton->setText(tr("Get Parameters"));
    m_hardRefreshButton->setText(tr("Fast Refresh"));
    m_clientSettingsButton->setText(tr("Settings"));
    m_list.retranslate();
    fillModeList();
    m_modeInfo->setCurrentIndex(m_currentModeIndex);
    if (m_list.rowCount() > 0)
        return;
    showNoDevice();
}

void ControlPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        setViewDisplay();
    QWidget::changeEvent(event);
}

// The no-device entry, always in the language of the moment.
void ControlPanel::showNoDevice() {
    m_noDevStr = tr("No Match");
    m_noDevice->setStringList({m_noDevStr});
    m_displaySerialPort->setCurrentIndex(0);
}

// The list as the monitors stand, the active one chosen; with none left, the window looks as
// before any answered.
void ControlPanel::updateMainViewContent() {
    traceLog().debug("updateMainViewContent mutableArr = {} ports", m_list.rowCount());
    if (m_list.rowCount() == 0) {
        traceLog().debug("updateMainViewContent no content to display");
        showNoDevice();
        showNoSettings();
        return;
    }
    if (m_noDevice->rowCount() > 0)
        m_noDevice->setStringList({});
    traceLog().debug("updateMainViewContent _displaySerialPort = {}",
                     m_displaySerialPort->itemText(0).toStdString());
    m_displaySerialPort->setCurrentIndex(std::max(m_list.activeRow(), 0));
}

// Another monitor is the active one: its long move (if any) belongs to it no more, and what its
// controller holds shows until its read-back answers.
void ControlPanel::showActive() {
    m_input->endLongMove();
    updateMainViewContent();
    const auto active = m_monitors.active();
    if (!active)
        return;
    for (const auto setting : allSettings)
        showHeld(active, setting);
}

void ControlPanel::showHeld(const std::shared_ptr<MonitorController>& monitor, Setting setting) {
    if (const auto value = monitor->setting(setting))
        showValue(monitor, setting, *value);
}

void ControlPanel::showValue(const std::shared_ptr<MonitorController>& monitor, Setting setting,
                             int value) {
    if (monitor != m_monitors.active())
        return;
    switch (setting) {
    case Setting::contrast:
        updateViewThresholdDisplay(value);
        break;
    case Setting::mode:
        updateViewModeDisplay(value);
        break;
    case Setting::speed:
        updateViewSpeedDisplay(value);
        break;
    }
}

void ControlPanel::press(const ButtonEvent& event) {
    if (const auto why = m_input->sink()->whyNull(); !why.empty())
        m_inputNotice.pressDropped(why);
    switch (event.kind) {
    case ButtonEvent::Kind::key:
        receiveKeyBoardClickWithCode(event.x);
        break;
    case ButtonEvent::Kind::starter:
        receiveKeyBoardClickWithCodeForStarter();
        break;
    case ButtonEvent::Kind::pointer:
        receiveMouseMovePointX(event.x, event.y);
        break;
    case ButtonEvent::Kind::click:
        receiveMouseClickEvent(event.x);
        break;
    case ButtonEvent::Kind::longMove:
        receiveMouseLongMovePointX(event.x, event.y);
        break;
    }
}

void ControlPanel::toActive(const std::function<void(MonitorController&)>& command) {
    if (const auto active = m_monitors.active(); active && active->answers()) {
        command(*active);
        return;
    }
    traceLog().debug("需要弹窗显示异常 currentPort = (null)");
}

void ControlPanel::updateViewAllInfoWithCurrentPort() {
    toActive([](MonitorController& monitor) { monitor.readBackAll(); });
}

void ControlPanel::updateViewThresholdDisplay(int value) {
    traceLog().debug("updateViewThresholdDisplay thresholdValue = {}", value);
    m_thresholdInfo->setCurrentIndex(value - 1);
    m_thresholdInfo->setEnabled(true);
}

void ControlPanel::updateViewModeDisplay(int value) {
    traceLog().debug("updateViewModeDisplay modeValue = {}", value);
    const int index = value < 2 ? 0 : value - 2;
    m_currentModeIndex = index;
    m_modeInfo->setCurrentIndex(index);
    m_modeInfo->setEnabled(true);
}

void ControlPanel::updateViewSpeedDisplay(int value) {
    traceLog().debug("updateViewSpeedDisplay speedValue = {}", value);
    m_speedInfo->setCurrentIndex(value - 1);
    m_speedInfo->setEnabled(true);
}

void ControlPanel::requestUpdateViewInfo(int parameter) {
    toActive([parameter](MonitorController& monitor) {
        monitor.readBack(static_cast<Setting>(parameter));
    });
}

void ControlPanel::updateViewThresholdInfo(int value) {
    toActive([value](MonitorController& monitor) { monitor.set(Setting::contrast, value); });
}

void ControlPanel::updateViewModeInfo(int value) {
    toActive([value](MonitorController& monitor) { monitor.set(Setting::mode, value); });
}

void ControlPanel::updateViewRefreshInfo(int /*value*/) {
    toActive([](MonitorController& monitor) { monitor.fastRefresh(); });
}

void ControlPanel::updateViewSpeedInfo(int value) {
    toActive([value](MonitorController& monitor) { monitor.set(Setting::speed, value); });
}

void ControlPanel::updateRealTimeClockInfo() {
    toActive([](MonitorController& monitor) { monitor.syncTime(); });
}

void ControlPanel::currentDisplayPort(int index) {
    if (const auto monitor = m_list.monitorAt(index))
        m_monitors.choose(monitor->path());
}

int ControlPanel::currentThresholdValue() const {
    const auto active = m_monitors.active();
    return active ? active->contrastStep() : 0;
}

bool ControlPanel::isReadingBack() const {
    const auto active = m_monitors.active();
    return active && active->isBusy();
}

void ControlPanel::setFromRefreshShortCutInfo() {
    updateViewRefreshInfo(1);
}

void ControlPanel::setFromThresholdShortCutValue() {
    traceLog().debug("setFromThresholdShortCutValue currentThresholdValue = {}",
                     currentThresholdValue());
    toActive([](MonitorController& monitor) { monitor.stepContrast(1); });
}

void ControlPanel::setFromThresholdDownShortCutValue() {
    traceLog().debug("setFromThresholdDownShortCutValue currentThresholdValue = {}",
                     currentThresholdValue());
    toActive([](MonitorController& monitor) { monitor.stepContrast(-1); });
}

void ControlPanel::thresholdCheckAction() {
    setChosen(Setting::contrast, m_thresholdInfo->currentIndex() + 1);
}

void ControlPanel::modeCheckAction() {
    setChosen(Setting::mode, m_modeInfo->currentIndex() + 2);
}

void ControlPanel::speedCheckAction() {
    setChosen(Setting::speed, m_speedInfo->currentIndex() + 1);
}

// A choice whose write fails leaves the list showing what the monitor holds.
void ControlPanel::setChosen(Setting setting, int value) {
    const auto notice =
        window()->isActiveWindow() ? ChangeNotice::seenWhereMade : ChangeNotice::tell;
    toActive([=, panel = QPointer(this)](MonitorController& monitor) {
        monitor.set(
            setting, value,
            [panel, setting, chosen = monitor.weak_from_this()](std::error_code error) {
                if (const auto held = chosen.lock(); error && panel && held)
                    panel->showHeld(held, setting);
            },
            notice);
    });
}

void ControlPanel::realTimeClockAction() {
    updateRealTimeClockInfo();
}

void ControlPanel::syncParametersAction() {
    updateViewAllInfoWithCurrentPort();
}

void ControlPanel::hardRefreshAction() {
    updateViewRefreshInfo(1);
    receiveKeyBoardClickWithCodeForStarter();
}

void ControlPanel::receiveKeyBoardClickWithCode(int keyCode) {
    m_input->receiveKeyBoardClickWithCode(keyCode);
}

void ControlPanel::receiveKeyBoardClickWithCodeForStarter() {
    m_input->receiveKeyBoardClickWithCodeForStarter();
}

void ControlPanel::receiveMouseMovePointX(int dx, int dy) {
    m_input->receiveMouseMovePointX(dx, dy);
}

void ControlPanel::receiveMouseClickEvent(int button) {
    m_input->receiveMouseClickEvent(button);
}

void ControlPanel::mouseClick(int button) {
    m_input->mouseClick(button);
}

void ControlPanel::receiveMouseLongMovePointX(int dx, int dy) {
    m_input->receiveMouseLongMovePointX(dx, dy);
}

void ControlPanel::runTestForOneSecond(int dx, int dy) {
    m_input->runTestForOneSecond(dx, dy);
}

bool ControlPanel::isLongMoveRunning() const {
    return m_input->isLongMoveRunning();
}

// The starter message: modal, one default "OK" button that Return closes. Its event loop
// keeps the main queue's work running while it is open.
void ControlPanel::showMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, "monctl", QString::fromStdString(text), QMessageBox::Ok,
                    this);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

// The monitor chosen becomes the active one, and its settings are read back.
void ControlPanel::displaySerialPortInfo() {
    traceLog().debug("displaySerialPortInfo");
    const int index = m_displaySerialPort->currentIndex();
    traceLog().debug("displayPortInfoComboxCheck {}", index);
    currentDisplayPort(index);
    emit monitorChosen();
}

} // namespace monctl
