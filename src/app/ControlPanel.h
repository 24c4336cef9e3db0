#pragma once

#include "app/PermissionNotice.h"
#include "app/Preferences.h"
#include "device/CommandPacer.h"
#include "device/DeviceLink.h"

#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

namespace monctl {

class InputSink;
class InputSynthesis;
class ReportController;

// The main window's content: the monitors that answered, their contrast, mode and speed as
// reported, and the commands behind the lists and buttons. It is the device link's report
// target. One per process; main thread only.
class ControlPanel final : public QWidget {
    Q_OBJECT

public:
    using ShowMessage = std::function<void(const std::string&)>;

    // Input for the monitor's buttons goes to `input`; without one it is dropped. Messages
    // the buttons ask for are shown by `showMessage`, by default in a modal box.
    explicit ControlPanel(Preferences preferences, std::shared_ptr<InputSink> input = nullptr,
                          ShowMessage showMessage = nullptr);
    ~ControlPanel() override;

    // The one control panel, once loaded (for the shortcut monitors).
    static ControlPanel* mainControlPanel();

    void load();
    void initViewInfo();
    void setViewDisplay();
    void updateMainViewContent();
    void updateViewAllInfoWithCurrentPort();

    void updateViewThresholdDisplay(int contrast);
    void updateViewModeDisplay(int mode);
    void updateViewSpeedDisplay(int speed);

    void requestUpdateViewInfo(int parameter);
    void updateViewThresholdInfo(int contrast);
    void updateViewModeInfo(int mode);
    void updateViewRefreshInfo(int value);
    void updateViewSpeedInfo(int speed);
    void updateRealTimeClockInfo();
    void currentDisplayPort(int index);

    // The monitor's buttons.
    void receiveKeyBoardClickWithCode(int keyCode);
    void receiveKeyBoardClickWithCodeForStarter();
    void receiveMouseMovePointX(int dx, int dy);
    void receiveMouseClickEvent(int button);
    void mouseClick(int button);
    void receiveMouseLongMovePointX(int dx, int dy);
    void runTestForOneSecond(int dx, int dy);

    void setFromRefreshShortCutInfo();
    void setFromThresholdShortCutValue();
    void setFromThresholdDownShortCutValue();

    // Handlers of the controls.
    void thresholdCheckAction();
    void modeCheckAction();
    void speedCheckAction();
    void realTimeClockAction();
    void syncParametersAction();
    void hardRefreshAction();
    void displaySerialPortInfo();

    QComboBox* displaySerialPort() const { return m_displaySerialPort; }
    QComboBox* thresholdInfo() const { return m_thresholdInfo; }
    QComboBox* modeInfo() const { return m_modeInfo; }
    QComboBox* speedInfo() const { return m_speedInfo; }
    int currentThresholdValue() const { return m_currentThresholdValue; }
    int currentModeIndex() const { return m_currentModeIndex; }
    bool isReadingBack() const { return !m_pacer.isIdle(); }
    bool isLongMoveRunning() const;

    // The monitors that answered, in order (empty before load), and the active one.
    const PortList& monitors() const;
    std::shared_ptr<SerialPort> activeMonitor() const { return m_activePort.lock(); }
    // Makes the listed monitor at this device path the active one; false when none is there.
    bool chooseMonitor(const std::string& path);

signals:
    void settingsRequested();
    // What the monitors tell, for those outside the window (the session bus, the tray):
    // a reported setting (parameter 1 contrast, 2 mode, 4 speed), a button event in the
    // words of ButtonEventText.h, a change of the list, and each command as it went out.
    void settingReported(int parameter, int value);
    void buttonEvent(const QString& text);
    void monitorsChanged();
    void commandSent(int command, int value, bool written);

protected:
    void changeEvent(QEvent* event) override;

private:
    class Reports;
    void buildControls();
    void fillModeList();
    void showNoDevice();
    void showNoSettings();
    void changeActivePort(const std::shared_ptr<SerialPort>& port);
    void showMessage(const std::string& text);

    Preferences m_preferences;
    QComboBox* m_displaySerialPort;
    QComboBox* m_thresholdInfo;
    QComboBox* m_modeInfo;
    QComboBox* m_speedInfo;
    QLabel* m_portTitleInfo;
    QLabel* m_thresholdTitleInfo;
    QLabel* m_modeTitleInfo;
    QLabel* m_speedTitleInfo;
    QPushButton* m_timeSyncButton;
    QPushButton* m_paramButton;
    QPushButton* m_hardRefreshButton;
    QPushButton* m_clientSettingsButton;

    DeviceLink m_deviceLink;
    PermissionNotice m_permissionNotice{this};
    Connection m_portErrors; // each port's failures, told once each in the log
    std::shared_ptr<PortList> m_validPortList;
    std::weak_ptr<SerialPort> m_activePort; // none while no monitor is listed
    std::shared_ptr<InputSynthesis> m_input;
    std::shared_ptr<ReportController> m_reports;
    CommandPacer m_pacer;
    QString m_noDevStr;
    int m_currentThresholdValue = 0;
    int m_currentModeIndex = 0;
};

} // namespace monctl
