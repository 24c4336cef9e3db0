#pragma once

#include <QGroupBox>
#include <QString>

class QComboBox;
class QPushButton;
class QTimeEdit;
class QTreeWidget;

namespace monctl {

class PresetSchedule;

// The day's schedule of presets (time, preset), a list edited in place like the presets: Add
// puts the chosen preset at the time set (in place of one there before), Delete removes the
// chosen entry, each written to the preferences file's [schedule] at once. Main thread only.
class ScheduleView final : public QGroupBox {
    Q_OBJECT

public:
    explicit ScheduleView(QString path, QWidget* parent = nullptr);

    // Reads the presets and the schedule from the file again.
    void showSchedule();

    QTreeWidget* scheduleList() const { return m_scheduleList; }
    QTimeEdit* scheduleTime() const { return m_scheduleTime; }
    QComboBox* schedulePreset() const { return m_schedulePreset; }
    QPushButton* addEntry() const { return m_addEntry; }
    QPushButton* deleteEntry() const { return m_deleteEntry; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void retranslate();
    void enableButtons();
    void addChosen();
    void deleteChosen();
    // Shows the schedule as the file now holds it, after an edit written or not.
    void stored(bool written);

    QString m_path;
    QTreeWidget* m_scheduleList;
    QTimeEdit* m_scheduleTime;
    QComboBox* m_schedulePreset;
    QPushButton* m_addEntry;
    QPushButton* m_deleteEntry;
};

} // namespace monctl
