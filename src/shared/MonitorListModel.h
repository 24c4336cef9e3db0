#pragma once

#include "monitor/MonitorSet.h"

#include <QAbstractListModel>
#include <vector>

namespace monctl {

// The monitors of a MonitorSet as one list model, a row each in the order they answered: what
// the window's monitor list and the tray show. Each row's settings are its controller's (last
// written or reported); a change of any of them, or of whether the monitor responds, is told
// as a change of that row. Main thread only.
class MonitorListModel final : public QAbstractListModel {
    Q_OBJECT

public:
    enum Role {
        pathRole = Qt::UserRole + 1,
        nameRole,
        adapterRole, // "vendor product serial", empty for a device on no USB adapter
        respondingRole,
        activeRole,
        contrastRole, // an invalid QVariant while not known
        modeRole,
        speedRole,
    };

    explicit MonitorListModel(MonitorSet& monitors, QObject* parent = nullptr);

    MonitorSet& monitors() const { return m_monitors; }

    int rowCount(const QModelIndex& parent = {}) const override;
    // Qt::DisplayRole: the name, marked while the monitor does not respond, in the language of
    // the moment.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The active monitor's row; -1 with none.
    int activeRow() const;
    MonitorSet::Monitor monitorAt(int row) const;
    // The texts of every row are to be read again: the language changed.
    void retranslate();

private:
    void rowChanged(const MonitorSet::Monitor& monitor, const QList<int>& roles);
    void follow();

    MonitorSet& m_monitors;
    std::vector<MonitorSet::Monitor> m_rows;
    std::vector<Connection> m_connections;
};

} // namespace monctl
