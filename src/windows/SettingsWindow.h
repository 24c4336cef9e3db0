#pragma once

#include "shared/Preferences.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace monctl {

class DesktopSettingsView;
class MonitorSet;
class PresetsView;
class ScheduleView;
class ShortcutView;

// The settings: the interface language (in force at once: every window relabels itself), the
// three shortcuts and monctl's life on the desktop, applied and saved with the language by OK; Exit
// leaves without saving. Beside them the presets of the monitors and their schedule, lists kept
// as they are edited. A modal window whose closing never ends the application. Main thread only.
class SettingsWindow final : public QDialog {
    Q_OBJECT

public:
    SettingsWindow(Preferences preferences, MonitorSet& monitors, QWidget* parent = nullptr);

    void viewDidLoad();
    void setSettingsRes();
    void setCurrentLanguage();
    void finishViewAction();
    void onlyExitView();
    void setHotKey();
    void saveSettingsValue();
    // A line of its own above the buttons; the window takes it.
    void addNote(QWidget* note);

    QComboBox* currentLanguageInfo() const { return m_currentLanguageInfo; }
    ShortcutView* refreshHotCutView() const { return m_refreshHotCutView; }
    ShortcutView* thresholdInfocutView() const { return m_thresholdInfocutView; }
    ShortcutView* thresholdDownInfocutView() const { return m_thresholdDownInfocutView; }
    DesktopSettingsView* desktopSettings() const { return m_desktopSettings; }
    PresetsView* presets() const { return m_presets; }
    ScheduleView* schedule() const { return m_schedule; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls(MonitorSet& monitors);

    Preferences m_preferences;
    QComboBox* m_currentLanguageInfo;
    ShortcutView* m_refreshHotCutView;
    ShortcutView* m_thresholdInfocutView;
    ShortcutView* m_thresholdDownInfocutView;
    DesktopSettingsView* m_desktopSettings;
    PresetsView* m_presets = nullptr;
    ScheduleView* m_schedule = nullptr;
    QLabel* m_refreshHotKey;
    QLabel* m_thresholdHotKey;
    QLabel* m_thresholdUp;
    QLabel* m_thresholdDown;
    QLabel* m_languageSettings;
    QPushButton* m_buttonExit;
    QPushButton* m_buttonOK;
};

} // namespace monctl
