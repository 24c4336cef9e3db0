#include "windows/ApplicationsView.h"

#include "shared/ApplicationRules.h"
#include "shared/FrontApplicationPresets.h"
#include "shared/PresetStore.h"
#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace monctl {

ApplicationsView::ApplicationsView(QString path, FrontApplicationPresets& presets, QWidget* parent)
    : QGroupBox(parent), m_path(std::move(path)), m_presets(presets),
      m_ruleList(namedWidget<QTreeWidget>(this, "ruleList")),
      m_application(namedWidget<QComboBox>(this, "ruleApplication")),
      m_preset(namedWidget<QComboBox>(this, "rulePreset")),
      m_addRule(namedWidget<QPushButton>(this, "addRule")),
      m_deleteRule(namedWidget<QPushButton>(this, "deleteRule")),
      m_note(namedWidget<QLabel>(this, "rulesNote")) {
    buildControls();
    retranslate();
    showRules();
    const bool served = m_presets.watch().whyNull().empty();
    setEnabled(served);
    m_note->setVisible(!served);
    if (served) {
        connect(&m_presets, &FrontApplicationPresets::seenChanged, this,
                &ApplicationsView::showSeen);
        m_watchHold = m_presets.holdWatch();
    }
    showSeen();
}

void ApplicationsView::buildControls() {
    m_ruleList->setColumnCount(2);
    m_ruleList->setRootIsDecorated(false);
    m_application->setEditable(true);
    m_application->setInsertPolicy(QComboBox::NoInsert);
    m_addRule->setAutoDefault(false);
    m_deleteRule->setAutoDefault(false);
    m_note->setWordWrap(true);
    connect(m_ruleList, &QTreeWidget::currentItemChanged, this, &ApplicationsView::enableButtons);
    connect(m_application, &QComboBox::editTextChanged, this, &ApplicationsView::enableButtons);
    connect(m_addRule, &QPushButton::clicked, this, &ApplicationsView::addChosen);
    connect(m_deleteRule, &QPushButton::clicked, this, &ApplicationsView::deleteChosen);
    auto* entry = new QHBoxLayout;
    entry->addWidget(m_application, 1);
    entry->addWidget(m_preset, 1);
    entry->addWidget(m_addRule);
    entry->addWidget(m_deleteRule);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_ruleList);
    layout->addLayout(entry);
    layout->addWidget(m_note);
}

void ApplicationsView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QGroupBox::changeEvent(event);
}

void ApplicationsView::retranslate() {
    setTitle(tr("Applications"));
    m_ruleList->setHeaderLabels({tr("Application in front"), tr("Preset")});
    m_application->lineEdit()->setPlaceholderText(tr("application id, or * for every other"));
    m_addRule->setText(tr("Add"));
    m_deleteRule->setText(tr("Delete"));
    m_ruleList->setAccessibleName(tr("Presets of the applications"));
    m_application->setAccessibleName(tr("Application"));
    m_application->lineEdit()->setAccessibleName(tr("Application's id"));
    m_preset->setAccessibleName(tr("Preset for the application"));
    m_addRule->setAccessibleName(tr("Add the application's preset"));
    m_deleteRule->setAccessibleName(tr("Delete the application's preset"));
    m_note->setText(tr("This desktop does not tell which application is in front: %1")
                        .arg(QCoreApplication::translate("monctl::AboutBox",
                                                         m_presets.watch().whyNull().c_str())));
}

void ApplicationsView::showRules() {
    const auto chosenPreset = m_preset->currentText();
    m_preset->clear();
    for (const auto& preset : PresetStore(m_path).list())
        m_preset->addItem(QString::fromStdString(preset.name));
    m_preset->setCurrentText(chosenPreset);
    m_ruleList->clear();
    for (const auto& rule : ApplicationRules(m_path).list())
        new QTreeWidgetItem(m_ruleList, {QString::fromStdString(rule.application),
                                         QString::fromStdString(rule.preset)});
    enableButtons();
}

void ApplicationsView::showSeen() {
    const auto typed = m_application->currentText();
    m_application->clear();
    m_application->addItems(m_presets.seen());
    m_application->setEditText(typed);
}

void ApplicationsView::enableButtons() {
    const auto application = m_application->currentText().trimmed().toStdString();
    m_addRule->setEnabled(m_preset->count() > 0 && applicationNameProblem(application).empty());
    m_deleteRule->setEnabled(m_ruleList->currentItem() != nullptr);
}

void ApplicationsView::addChosen() {
    const ApplicationRule rule{m_application->currentText().trimmed().toStdString(),
                               m_preset->currentText().toStdString()};
    if (!ApplicationRules(m_path).set(rule))
        spdlog::warn("The rule for {} could not be saved to {}", rule.application,
                     m_path.toStdString());
    showRules();
}

void ApplicationsView::deleteChosen() {
    const auto* item = m_ruleList->currentItem();
    if (item && !ApplicationRules(m_path).remove(item->text(0).toStdString()))
        spdlog::warn("The rule for {} could not be removed from {}", item->text(0).toStdString(),
                     m_path.toStdString());
    showRules();
}

} // namespace monctl
