#pragma once

#include "monitor/MonitorSet.h"
#include "shared/Preferences.h"
#include "windows/InputNotice.h"
#include "windows/PermissionNotice.h"

#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QStringListModel;

namespace monctl {

class InputSink;
class InputSynthesis;
class MonitorController;
class MonitorListModel;

// The main window's content, a view of the monitors: those that answered, the active one's
// contrast, mode and speed as its controller holds them (last written or reported), and the
// commands behind the lists and buttons, which go to the active monitor. The buttons of every
// monitor drive the desktop. Main thread only.
class ControlPanel final : public QWidget {
    Q_OBJECT

public:
    using ShowMessage = std::function<void(const std::string&)>;

    // Input for the monitor's buttons goes to `input`; without one it is dropped. Messages
    // the buttons ask for are shown by `showMessage`, by default in a modal box.
    ControlPanel(MonitorListModel& monitors, Preferences preferences,
                 std::shared_ptr<InputSink> input = nullptr, ShowMessage showMessage = nullptr);
    ~ControlPanel() override;

    // Loads the preferences and starts looking for monitors.
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
    // What a contrast step counts from, less one: the active monitor's.
    int currentThresholdValue() const;
    int currentModeIndex() const { return m_currentModeIndex; }
    // The active monitor's commands are still going out (a read-back among them).
    bool isReadingBack() const;
    bool isLongMoveRunning() const;

signals:
    void settingsRequested();
    // The person chose another monitor.
    void monitorChosen();

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void fillModeList();
    void showNoDevice();
    void showNoSettings();
    void showActive();
    // The value in the list, for the active monitor only.
    void showValue(const std::shared_ptr<MonitorController>& monitor, Setting setting, int value);
    void showHeld(const std::shared_ptr<MonitorController>& monitor, Setting setting);
    void press(const ButtonEvent& event);
    // Runs the command on the active monitor; without one it is logged and dropped.
    void toActive(const std::function<void(MonitorController&)>& command);
    // A value chosen in a list: not told again while it shows here in front.
    void setChosen(Setting setting, int value);
    void showMessage(const std::string& text);

    MonitorListModel& m_list;
    MonitorSet& m_monitors;
    Preferences m_preferences;
    QStringListModel* m_noDevice = nullptr; // the no-device entry while no monitor is listed
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

    PermissionNotice m_permissionNotice{this};
    InputNotice m_inputNotice{this};
    std::shared_ptr<InputSynthesis> m_input;
    std::vector<Connection> m_connections; // to the monitors' events
    QString m_noDevStr;
    int m_currentModeIndex = 0;
};

} // namespace monctl
