#include "windows/ScheduleView.h"

#include "shared/PresetSchedule.h"
#include "shared/PresetStore.h"
#include "windows/NamedWidget.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace monctl {

ScheduleView::ScheduleView(QString path, QWidget* parent)
    : QGroupBox(parent), m_path(std::move(path)),
      m_scheduleList(namedWidget<QTreeWidget>(this, "scheduleList")),
      m_scheduleTime(namedWidget<QTimeEdit>(this, "scheduleTime")),
      m_schedulePreset(namedWidget<QComboBox>(this, "schedulePreset")),
      m_addEntry(namedWidget<QPushButton>(this, "addEntry")),
      m_deleteEntry(namedWidget<QPushButton>(this, "deleteEntry")) {
    buildControls();
    retranslate();
    showSchedule();
}

void ScheduleView::buildControls() {
    m_scheduleList->setColumnCount(2);
    m_scheduleList->setRootIsDecorated(false);
    m_scheduleTime->setDisplayFormat("HH:mm");
    m_addEntry->setAutoDefault(false);
    m_deleteEntry->setAutoDefault(false);
    connect(m_scheduleList, &QTreeWidget::currentItemChanged, this, &ScheduleView::enableButtons);
    connect(m_addEntry, &QPushButton::clicked, this, &ScheduleView::addChosen);
    connect(m_deleteEntry, &QPushButton::clicked, this, &ScheduleView::deleteChosen);
    auto* entry = new QHBoxLayout;
    entry->addWidget(m_scheduleTime);
    entry->addWidget(m_schedulePreset, 1);
    entry->addWidget(m_addEntry);
    entry->addWidget(m_deleteEntry);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_scheduleList);
    layout->addLayout(entry);
}

void ScheduleView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QGroupBox::changeEvent(event);
}

void ScheduleView::retranslate() {
    setTitle(tr("Schedule"));
    m_scheduleList->setHeaderLabels({tr("Time"), tr("Preset")});
    m_addEntry->setText(tr("Add"));
    m_deleteEntry->setText(tr("Delete"));
    // Heard apart from the presets' buttons beside them.
    m_scheduleList->setAccessibleName(tr("Schedule"));
    m_scheduleTime->setAccessibleName(tr("Time"));
    m_schedulePreset->setAccessibleName(tr("Preset to schedule"));
    m_addEntry->setAccessibleName(tr("Add to the schedule"));
    m_deleteEntry->setAccessibleName(tr("Delete from the schedule"));
}

void ScheduleView::showSchedule() {
    const auto chosenPreset = m_schedulePreset->currentText();
    m_schedulePreset->clear();
    for (const auto& preset : PresetStore(m_path).list())
        m_schedulePreset->addItem(QString::fromStdString(preset.name));
    m_schedulePreset->setCurrentText(chosenPreset);
    m_scheduleList->clear();
    const auto schedule = PresetSchedule::load(m_path);
    for (const auto& event : schedule.events()) {
        auto* item = new QTreeWidgetItem(m_scheduleList,
                                         {QString::fromStdString(timeOfDayText(event.minuteOfDay)),
                                          QString::fromStdString(event.preset)});
        item->setData(0, Qt::UserRole, event.minuteOfDay);
    }
    enableButtons();
}

void ScheduleView::enableButtons() {
    m_addEntry->setEnabled(m_schedulePreset->count() > 0);
    m_deleteEntry->setEnabled(m_scheduleList->currentItem() != nullptr);
}

void ScheduleView::addChosen() {
    const auto time = m_scheduleTime->time();
    stored(PresetSchedule::store(
        m_path, {time.hour() * 60 + time.minute(), m_schedulePreset->currentText().toStdString()}));
}

void ScheduleView::deleteChosen() {
    if (const auto* item = m_scheduleList->currentItem())
        stored(PresetSchedule::erase(m_path, item->data(0, Qt::UserRole).toInt()));
}

void ScheduleView::stored(bool written) {
    if (!written)
        spdlog::warn("The schedule could not be saved to {}", m_path.toStdString());
    showSchedule();
}

} // namespace monctl
