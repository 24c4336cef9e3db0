#include "app/ControlPanel.h"

#include "app/ButtonEventText.h"
#include "app/CurrentLanguage.h"
#include "app/NamedWidget.h"
#include "device/ReportController.h"
#include "input/InputSynthesis.h"
#include "input/LongPressWorker.h"
#include "input/NullInputSink.h"
#include "serial/SerialPort.h"
#include "shortcut/HotkeyState.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <set>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

ControlPanel* loadedPanel = nullptr;

// The single-precision 0.33 s pause of the monitor's protocol.
constexpr std::chrono::milliseconds framePause{330};

enum Command {
    setContrast = 1,
    setMode = 2,
    fastRefresh = 3,
    setSpeed = 4,
    syncTime = 5,
    request = 10
};
enum Parameter { contrast = 1, mode = 2, speed = 4 };

// The entries of the lists; only the modes differ between the languages.
constexpr std::array<const char*, 9> contrastEntries{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
constexpr std::array<const char*, 3> modeEntries{
    QT_TRANSLATE_NOOP("monctl::ControlPanel", "Text Mode"),
    QT_TRANSLATE_NOOP("monctl::ControlPanel", "Graphic Mode"),
    QT_TRANSLATE_NOOP("monctl::ControlPanel", "Video Mode")};
constexpr std::array<const char*, 5> speedEntries{"Fast", "Fast+", "Fast++", "Fast+++", "Fast++++"};

} // namespace

// What the device link reports, passed to the panel.
class ControlPanel::Reports final : public ReportController {
public:
    explicit Reports(ControlPanel& panel) : m_panel(panel) {}

    void updateViewThresholdDisplay(int value) override {
        m_panel.updateViewThresholdDisplay(value);
        emit m_panel.settingReported(contrast, value);
    }
    void updateViewModeDisplay(int value) override {
        m_panel.updateViewModeDisplay(value);
        emit m_panel.settingReported(mode, value);
    }
    void updateViewSpeedDisplay(int value) override {
        m_panel.updateViewSpeedDisplay(value);
        emit m_panel.settingReported(speed, value);
    }
    void updateMainViewContent() override { m_panel.updateMainViewContent(); }
    void receiveKeyBoardClickWithCode(int keyCode) override {
        m_panel.receiveKeyBoardClickWithCode(keyCode);
        tell(keyEventText(keyCode));
    }
    void receiveKeyBoardClickWithCodeForStarter() override {
        m_panel.receiveKeyBoardClickWithCodeForStarter();
        tell(starterEventText());
    }
    void receiveMouseMovePointX(int dx, int dy) override {
        m_panel.receiveMouseMovePointX(dx, dy);
        tell(pointerEventText(dx, dy));
    }
    void receiveMouseClickEvent(int button) override {
        m_panel.receiveMouseClickEvent(button);
        tell(clickEventText(button));
    }
    void receiveMouseLongMovePointX(int dx, int dy) override {
        m_panel.receiveMouseLongMovePointX(dx, dy);
        tell(longMoveEventText(dx, dy));
    }
    void longMoveSourceRemoved() override { m_panel.m_input->endLongMove(); }

private:
    void tell(const std::string& text) { emit m_panel.buttonEvent(QString::fromStdString(text)); }

    ControlPanel& m_panel;
};

ControlPanel::ControlPanel(Preferences preferences, std::shared_ptr<InputSink> input,
                           ShowMessage showMessage)
    : m_preferences(std::move(preferences)),
      m_input(std::make_shared<InputSynthesis>(
          input ? std::move(input) : std::make_shared<NullInputSink>("no input backend given"),
          [this, show = std::move(showMessage)] {
              const auto text = tr("Currently there is no starter, and the stability is poor. "
                                   "Press Enter to close the pop-up window.")
                                    .toStdString();
              show ? show(text) : this->showMessage(text);
          })),
      m_reports(std::make_shared<Reports>(*this)),
      m_pacer(
          [this](int command, int value) {
              emit commandSent(command, value, m_deviceLink.sendCommand(command, value));
          },
          [this](std::chrono::milliseconds delay, std::function<void()> then) {
              QTimer::singleShot(delay, this, std::move(then));
          }) {
    buildControls();
    LongPressWorker::sharedWorker().setSink(m_input->sink());
}

ControlPanel::~ControlPanel() {
    if (loadedPanel == this)
        loadedPanel = nullptr;
}

ControlPanel* ControlPanel::mainControlPanel() {
    return loadedPanel;
}

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
    for (const auto& [caption, list] : rows) {
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
    spdlog::debug("viewDidLoad");
    m_deviceLink.initSerialPorts();
    const auto stored = m_preferences.load();
    changeCurrentLanguage(stored.language);
    auto& hotkeys = HotkeyState::shared();
    hotkeys.RefreshHotkeyKeyCode = stored.refreshKeyCode;
    hotkeys.RefreshHotkeyModifierFlags = stored.refreshFlags;
    hotkeys.ThresholdInfoHotkeyKeyCode = stored.thresholdKeyCode;
    hotkeys.ThresholdInfoHotkeyModifierFlags = stored.thresholdFlags;
    hotkeys.ThresholdDownInfoHotkeyKeyCode = stored.thresholdDownKeyCode;
    hotkeys.ThresholdDownInfoHotkeyModifierFlags = stored.thresholdDownFlags;
    spdlog::debug("viewDidLoad CurrentLanguage = {}", CurrentLanguage());
    initViewInfo();
    loadedPanel = this;
    m_validPortList = std::make_shared<PortList>();
    m_deviceLink.adoptValidPorts(m_validPortList, m_reports);
    m_portErrors = m_deviceLink.state().portErrors.connect(
        [this, told = std::set<std::string>()](const auto& port,
                                               const SerialPortError& error) mutable {
            if (told.insert(port->path() + error.description()).second)
                spdlog::warn("The serial port {} cannot be used: {}", port->path(),
                             error.description());
            if (error.code == std::errc::permission_denied)
                m_permissionNotice.deviceRefused(port->path());
        });
    m_deviceLink.startProbe();
    // The answers are handled as they come: nothing waits here. The pointer's bounds are the
    // input backend's, read at every step.
    spdlog::debug("updateMainViewContent ***************************************");
}

void ControlPanel::initViewInfo() {
    showNoDevice();
    showNoSettings();
    setViewDisplay();
}

// The settings as before any monitor answered: the first entries, disabled.
void ControlPanel::showNoSettings() {
    m_currentThresholdValue = 0;
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
    for (const char* entry : speedEntries)
        m_speedInfo->addItem(entry);
    m_speedInfo->setCurrentIndex(0);
    m_speedInfo->setEnabled(false);
}

void ControlPanel::fillModeList() {
    m_modeInfo->clear();
    for (const char* entry : modeEntries)
        m_modeInfo->addItem(tr(entry));
}

void ControlPanel::setViewDisplay() {
    spdlog::debug("setViewDisplay CurrentLanguage = {}", CurrentLanguage());
    m_portTitleInfo->setText(tr("Valid Port"));
    m_thresholdTitleInfo->setText(tr("Contrast"));
    m_modeTitleInfo->setText(tr("Mode"));
    m_speedTitleInfo->setText(tr("Speed"));
    m_timeSyncButton->setText(tr("Time Sync"));
    m_paramButton->setText(tr("Get Parameters"));
    m_hardRefreshButton->setText(tr("Fast Refresh"));
    m_clientSettingsButton->setText(tr("Settings"));
    fillModeList();
    m_modeInfo->setCurrentIndex(m_currentModeIndex);
    if (m_validPortList && !m_validPortList->empty())
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
    m_displaySerialPort->clear();
    m_displaySerialPort->addItem(m_noDevStr);
    m_displaySerialPort->setCurrentIndex(0);
}

// The active monitor stays the active one while it is listed; else the first one is.
void ControlPanel::updateMainViewContent() {
    spdlog::debug("updateMainViewContent mutableArr = {} ports", m_validPortList->size());
    if (m_validPortList->empty()) {
        spdlog::debug("updateMainViewContent no content to display");
        changeActivePort(nullptr);
        showNoDevice();
        showNoSettings();
        emit monitorsChanged();
        return;
    }
    spdlog::debug("updateMainViewContent _displaySerialPort = {}",
                  m_displaySerialPort->itemText(0).toStdString());
    const auto active =
        std::find(m_validPortList->begin(), m_validPortList->end(), m_activePort.lock());
    const int index =
        active == m_validPortList->end() ? 0 : static_cast<int>(active - m_validPortList->begin());
    m_displaySerialPort->clear();
    for (const auto& port : *m_validPortList)
        m_displaySerialPort->addItem(QString::fromStdString(port->name()));
    m_displaySerialPort->setCurrentIndex(index);
    currentDisplayPort(index);
    updateViewAllInfoWithCurrentPort();
    emit monitorsChanged();
}

void ControlPanel::updateViewAllInfoWithCurrentPort() {
    for (int parameter : {contrast, mode, speed})
        m_pacer.queue(request, parameter, framePause);
}

void ControlPanel::updateViewThresholdDisplay(int value) {
    spdlog::debug("updateViewThresholdDisplay thresholdValue = {}", value);
    m_currentThresholdValue = value - 1;
    m_thresholdInfo->setCurrentIndex(value - 1);
    m_thresholdInfo->setEnabled(true);
}

void ControlPanel::updateViewModeDisplay(int value) {
    spdlog::debug("updateViewModeDisplay modeValue = {}", value);
    const int index = value < 2 ? 0 : value - 2;
    m_currentModeIndex = index;
    m_modeInfo->setCurrentIndex(index);
    m_modeInfo->setEnabled(true);
}

void ControlPanel::updateViewSpeedDisplay(int value) {
    spdlog::debug("updateViewSpeedDisplay speedValue = {}", value);
    m_speedInfo->setCurrentIndex(value - 1);
    m_speedInfo->setEnabled(true);
}

void ControlPanel::requestUpdateViewInfo(int parameter) {
    m_pacer.queue(request, parameter);
}

void ControlPanel::updateViewThresholdInfo(int value) {
    m_pacer.queue(setContrast, value);
}

void ControlPanel::updateViewModeInfo(int value) {
    m_pacer.queue(setMode, value);
}

void ControlPanel::updateViewRefreshInfo(int value) {
    m_pacer.queue(fastRefresh, value);
}

void ControlPanel::updateViewSpeedInfo(int value) {
    m_pacer.queue(setSpeed, value);
}

void ControlPanel::updateRealTimeClockInfo() {
    m_pacer.queue(syncTime, 0);
}

void ControlPanel::currentDisplayPort(int index) {
    m_deviceLink.currentDisplayPort(index);
    const bool listed =
        index >= 0 && m_validPortList && static_cast<std::size_t>(index) < m_validPortList->size();
    if (listed)
        changeActivePort((*m_validPortList)[static_cast<std::size_t>(index)]);
}

// A long move belongs to the monitor that was active when it started.
void ControlPanel::changeActivePort(const std::shared_ptr<SerialPort>& port) {
    if (port == m_activePort.lock())
        return;
    m_input->endLongMove();
    m_activePort = port;
}

void ControlPanel::setFromRefreshShortCutInfo() {
    updateViewRefreshInfo(1);
}

void ControlPanel::setFromThresholdShortCutValue() {
    spdlog::debug("setFromThresholdShortCutValue currentThresholdValue = {}",
                  m_currentThresholdValue);
    m_currentThresholdValue = m_currentThresholdValue <= 7 ? m_currentThresholdValue + 1 : 0;
    m_pacer.queue(setContrast, m_currentThresholdValue + 1, framePause);
    m_pacer.queue(request, contrast);
}

void ControlPanel::setFromThresholdDownShortCutValue() {
    spdlog::debug("setFromThresholdDownShortCutValue currentThresholdValue = {}",
                  m_currentThresholdValue);
    m_currentThresholdValue = m_currentThresholdValue >= 1 ? m_currentThresholdValue - 1 : 8;
    m_pacer.queue(setContrast, m_currentThresholdValue + 1, framePause);
    m_pacer.queue(request, contrast);
}

void ControlPanel::thresholdCheckAction() {
    updateViewThresholdInfo(m_thresholdInfo->currentIndex() + 1);
}

void ControlPanel::modeCheckAction() {
    updateViewModeInfo(m_modeInfo->currentIndex() + 2);
}

void ControlPanel::speedCheckAction() {
    updateViewSpeedInfo(m_speedInfo->currentIndex() + 1);
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

const PortList& ControlPanel::monitors() const {
    static const PortList none;
    return m_validPortList ? *m_validPortList : none;
}

bool ControlPanel::chooseMonitor(const std::string& path) {
    const auto& listed = monitors();
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [&](const auto& port) { return port->path() == path; });
    if (found == listed.end())
        return false;
    m_displaySerialPort->setCurrentIndex(static_cast<int>(found - listed.begin()));
    displaySerialPortInfo();
    return true;
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
    spdlog::debug("displaySerialPortInfo");
    const int index = m_displaySerialPort->currentIndex();
    spdlog::debug("displayPortInfoComboxCheck {}", index);
    if (!m_validPortList || m_validPortList->empty())
        return;
    const auto before = m_activePort.lock();
    currentDisplayPort(index);
    if (m_activePort.lock() != before)
        updateViewAllInfoWithCurrentPort();
}

} // namespace monctl
