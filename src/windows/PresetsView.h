#pragma once

#include "runtime/Signal.h"

#include <QGroupBox>
#include <QString>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace monctl {

class MonitorSet;

// The named presets, a list the user edits in place: Add keeps the active monitor's current
// settings under the name typed, Rename gives the chosen preset that name, Delete removes it and
// Apply sends it to the active monitor. Each change is written to the preferences file at once,
// as a list is expected to keep what was done to it: Exit does not take it back. A name the
// store refuses is explained beneath the list. Main thread only.
class PresetsView final : public QGroupBox {
    Q_OBJECT

public:
    PresetsView(QString path, MonitorSet& monitors, QWidget* parent = nullptr);

    QListWidget* presetList() const { return m_presetList; }
    QLineEdit* presetName() const { return m_presetName; }
    QLabel* presetProblem() const { return m_presetProblem; }
    QPushButton* addPreset() const { return m_addPreset; }
    QPushButton* renamePreset() const { return m_renamePreset; }
    QPushButton* deletePreset() const { return m_deletePreset; }
    QPushButton* applyPreset() const { return m_applyPreset; }

signals:
    // A preset was added, renamed or deleted.
    void presetsChanged();

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void retranslate();
    void showPresets(const std::string& chosen = {});
    void enableButtons();
    void addFromMonitor();
    void renameChosen();
    void deleteChosen();
    void applyChosen();
    // After a change to the file: the list shows it with `chosen` chosen, or the change failed.
    void finishChange(bool written, const std::string& chosen = {});
    std::string chosen() const;
    std::string typedName() const;
    // Shows why the last change was refused (a source text of this context); "" clears it.
    void explain(std::string problem);

    QString m_path;
    MonitorSet& m_monitors;
    QListWidget* m_presetList;
    QLineEdit* m_presetName;
    QLabel* m_presetProblem;
    QPushButton* m_addPreset;
    QPushButton* m_renamePreset;
    QPushButton* m_deletePreset;
    QPushButton* m_applyPreset;
    std::string m_problem;
    Connection m_activeChanged;
    Connection m_settingChanged;
};

} // namespace monctl
