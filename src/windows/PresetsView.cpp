#include "windows/PresetsView.h"

#include "monitor/MonitorController.h"
#include "monitor/MonitorSet.h"
#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"
#include "windows/NamedWidget.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <spdlog/spdlog.h>

namespace monctl {

PresetsView::PresetsView(QString path, MonitorSet& monitors, QWidget* parent)
    : QGroupBox(parent), m_path(std::move(path)), m_monitors(monitors),
      m_presetList(namedWidget<QListWidget>(this, "presetList")),
      m_presetName(namedWidget<QLineEdit>(this, "presetName")),
      m_presetProblem(namedWidget<QLabel>(this, "presetProblem")),
      m_addPreset(namedWidget<QPushButton>(this, "addPreset")),
      m_renamePreset(namedWidget<QPushButton>(this, "renamePreset")),
      m_deletePreset(namedWidget<QPushButton>(this, "deletePreset")),
      m_applyPreset(namedWidget<QPushButton>(this, "applyPreset")) {
    buildControls();
    retranslate();
    showPresets();
    m_activeChanged = monitors.activeChanged.connect([this] { enableButtons(); });
    m_settingChanged = monitors.settingChanged.connect([this](auto&&...) { enableButtons(); });
}

void PresetsView::buildControls() {
    m_presetProblem->setWordWrap(true);
    for (auto* button : {m_addPreset, m_renamePreset, m_deletePreset, m_applyPreset})
        button->setAutoDefault(false);
    connect(m_presetList, &QListWidget::currentRowChanged, this, &PresetsView::enableButtons);
    connect(m_addPreset, &QPushButton::clicked, this, &PresetsView::addFromMonitor);
    connect(m_renamePreset, &QPushButton::clicked, this, &PresetsView::renameChosen);
    connect(m_deletePreset, &QPushButton::clicked, this, &PresetsView::deleteChosen);
    connect(m_applyPreset, &QPushButton::clicked, this, &PresetsView::applyChosen);
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_presetList, 0, 0, 5, 1);
    layout->addWidget(m_presetName, 0, 1);
    layout->addWidget(m_addPreset, 1, 1);
    layout->addWidget(m_renamePreset, 2, 1);
    layout->addWidget(m_deletePreset, 3, 1);
    layout->addWidget(m_applyPreset, 4, 1);
    layout->addWidget(m_presetProblem, 5, 0, 1, 2);
}

void PresetsView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QGroupBox::changeEvent(event);
}

void PresetsView::retranslate() {
    setTitle(tr("Presets"));
    m_presetName->setPlaceholderText(tr("Name of the preset"));
    m_addPreset->setText(tr("Add"));
    m_renamePreset->setText(tr("Rename"));
    m_deletePreset->setText(tr("Delete"));
    m_applyPreset->setText(tr("Apply"));
    // Heard apart from the schedule's buttons beside them.
    m_presetList->setAccessibleName(tr("Presets"));
    m_presetName->setAccessibleName(tr("Name of the preset"));
    m_addPreset->setAccessibleName(tr("Add preset"));
    m_renamePreset->setAccessibleName(tr("Rename preset"));
    m_deletePreset->setAccessibleName(tr("Delete preset"));
    m_applyPreset->setAccessibleName(tr("Apply preset"));
    m_presetProblem->setText(m_problem.empty() ? QString() : tr(m_problem.c_str()));
}

void PresetsView::showPresets(const std::string& chosen) {
    m_presetList->clear();
    for (const auto& preset : PresetStore(m_path).list()) {
        m_presetList->addItem(QString::fromStdString(preset.name));
        if (preset.name == chosen)
            m_presetList->setCurrentRow(m_presetList->count() - 1);
    }
    enableButtons();
}

void PresetsView::enableButtons() {
    const auto active = m_monitors.active();
    const bool chosen = m_presetList->currentRow() >= 0;
    m_addPreset->setEnabled(active && active->settings());
    m_renamePreset->setEnabled(chosen);
    m_deletePreset->setEnabled(chosen);
    m_applyPreset->setEnabled(chosen && active && active->answers());
}

std::string PresetsView::chosen() const {
    const auto* item = m_presetList->currentItem();
    return item ? item->text().toStdString() : std::string();
}

std::string PresetsView::typedName() const {
    return m_presetName->text().trimmed().toStdString();
}

void PresetsView::explain(std::string problem) {
    m_problem = std::move(problem);
    retranslate();
}

void PresetsView::addFromMonitor() {
    const auto active = m_monitors.active();
    const auto settings = active ? active->settings() : std::nullopt;
    const auto name = typedName();
    if (!settings)
        return;
    if (auto problem = presetNameProblem(name); !problem.empty())
        return explain(std::move(problem));
    finishChange(PresetStore(m_path).save({name, *settings}), name);
}

// The schedule follows the new name, so that a renamed preset still comes at its times.
void PresetsView::renameChosen() {
    const auto from = chosen();
    const auto to = typedName();
    if (auto problem = presetNameProblem(to); !problem.empty())
        return explain(std::move(problem));
    if (PresetStore(m_path).find(to))
        return explain(QT_TR_NOOP("A preset of this name exists already"));
    finishChange(PresetStore(m_path).rename(from, to) &&
                     PresetSchedule::renamePresetIn(m_path, from, to),
                 to);
}

void PresetsView::deleteChosen() {
    finishChange(PresetStore(m_path).remove(chosen()));
}

void PresetsView::finishChange(bool written, const std::string& chosen) {
    if (!written)
        return explain(QT_TR_NOOP("The preferences file cannot be written"));
    explain({});
    showPresets(chosen);
    emit presetsChanged();
}

void PresetsView::applyChosen() {
    const auto active = m_monitors.active();
    const auto settings = PresetStore(m_path).find(chosen());
    if (!active || !settings)
        return;
    spdlog::info("Preset \"{}\" for {}", chosen(), active->path());
    active->apply(*settings);
}

} // namespace monctl
