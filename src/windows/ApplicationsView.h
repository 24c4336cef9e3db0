#pragma once

#include <QGroupBox>
#include <QString>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace monctl {

class FrontApplicationPresets;

// The rules that give an application in front its preset, a list edited in place like the
// presets: Add sets the preset chosen for the application typed or picked among those seen in
// front during this run, Delete removes the chosen rule, each written to the preferences
// file's [applications] at once. Where the desktop tells no program which application is in
// front, the list is greyed out and a note says why. While it is open, the desktop is watched
// so that the applications brought to the front meanwhile are offered. Main thread only.
class ApplicationsView final : public QGroupBox {
    Q_OBJECT

public:
    ApplicationsView(QString path, FrontApplicationPresets& presets, QWidget* parent = nullptr);

    // Reads the presets and the rules from the file again.
    void showRules();

    QTreeWidget* ruleList() const { return m_ruleList; }
    QComboBox* application() const { return m_application; }
    QComboBox* preset() const { return m_preset; }
    QPushButton* addRule() const { return m_addRule; }
    QPushButton* deleteRule() const { return m_deleteRule; }
    QLabel* note() const { return m_note; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void retranslate();
    void showSeen();
    void enableButtons();
    void addChosen();
    void deleteChosen();

    QString m_path;
    FrontApplicationPresets& m_presets;
    std::shared_ptr<void> m_watchHold;
    QTreeWidget* m_ruleList;
    QComboBox* m_application;
    QComboBox* m_preset;
    QPushButton* m_addRule;
    QPushButton* m_deleteRule;
    QLabel* m_note;
};

} // namespace monctl
