#include "shared/MonitorListModel.h"

#include "monitor/MonitorController.h"
#include "serial/SerialPort.h"
#include "shared/SettingNames.h"

#include <algorithm>

namespace monctl {
namespace {

int roleOf(Setting setting) {
    switch (setting) {
    case Setting::contrast:
        return MonitorListModel::contrastRole;
    case Setting::mode:
        return MonitorListModel::modeRole;
    case Setting::speed:
        break;
    }
    return MonitorListModel::speedRole;
}

QVariant settingValue(const MonitorController& monitor, Setting setting) {
    const auto value = monitor.setting(setting);
    return value ? QVariant(*value) : QVariant();
}

QString adapterText(const MonitorController& monitor) {
    const auto& adapter = monitor.port()->ioKitDevice().adapter;
    if (!adapter)
        return {};
    return QString::fromStdString(adapter->vendor + ' ' + adapter->product + ' ' + adapter->serial)
        .simplified();
}

} // namespace

MonitorListModel::MonitorListModel(MonitorSet& monitors, QObject* parent)
    : QAbstractListModel(parent), m_monitors(monitors), m_rows(monitors.monitors()) {
    m_connections.push_back(monitors.listChanged.connect([this] { follow(); }));
    m_connections.push_back(monitors.activeChanged.connect([this] {
        if (!m_rows.empty())
            emit dataChanged(index(0), index(rowCount() - 1), {activeRole});
    }));
    m_connections.push_back(
        monitors.settingChanged.connect([this](const auto& monitor, const SettingChange& change) {
            rowChanged(monitor, {roleOf(change.setting)});
        }));
    m_connections.push_back(monitors.respondingChanged.connect([this](const auto& monitor, bool) {
        rowChanged(monitor, {Qt::DisplayRole, respondingRole});
    }));
}

int MonitorListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

QVariant MonitorListModel::data(const QModelIndex& index, int role) const {
    const auto monitor = monitorAt(index.row());
    if (!monitor || index.parent().isValid())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return monitorText(*monitor);
    case pathRole:
        return QString::fromStdString(monitor->path());
    case nameRole:
        return QString::fromStdString(monitor->name());
    case adapterRole:
        return adapterText(*monitor);
    case respondingRole:
        return monitor->responding();
    case activeRole:
        return monitor == m_monitors.active();
    case contrastRole:
        return settingValue(*monitor, Setting::contrast);
    case modeRole:
        return settingValue(*monitor, Setting::mode);
    case speedRole:
        return settingValue(*monitor, Setting::speed);
    default:
        return {};
    }
}

QHash<int, QByteArray> MonitorListModel::roleNames() const {
    auto names = QAbstractListModel::roleNames();
    names.insert({{pathRole, "path"},
                  {nameRole, "name"},
                  {adapterRole, "adapter"},
                  {respondingRole, "responding"},
                  {activeRole, "active"},
                  {contrastRole, "contrast"},
                  {modeRole, "mode"},
                  {speedRole, "speed"}});
    return names;
}

int MonitorListModel::activeRow() const {
    const auto active = std::find(m_rows.begin(), m_rows.end(), m_monitors.active());
    return active == m_rows.end() || !*active ? -1 : static_cast<int>(active - m_rows.begin());
}

MonitorSet::Monitor MonitorListModel::monitorAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size())
        return nullptr;
    return m_rows[static_cast<std::size_t>(row)];
}

void MonitorListModel::retranslate() {
    if (!m_rows.empty())
        emit dataChanged(index(0), index(rowCount() - 1), {Qt::DisplayRole});
}

void MonitorListModel::rowChanged(const MonitorSet::Monitor& monitor, const QList<int>& roles) {
    const auto row = std::find(m_rows.begin(), m_rows.end(), monitor);
    if (row == m_rows.end())
        return;
    const auto changed = index(static_cast<int>(row - m_rows.begin()));
    emit dataChanged(changed, changed, roles);
}

// A monitor joined or went: the rows are the set's again.
void MonitorListModel::follow() {
    beginResetModel();
    m_rows = m_monitors.monitors();
    endResetModel();
}

} // namespace monctl
