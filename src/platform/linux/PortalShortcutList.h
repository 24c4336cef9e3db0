#pragma once

#include <QDBusArgument>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

namespace monctl {

// One element of the GlobalShortcuts portal's a(sa{sv}): a shortcut id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);
// Lets Qt D-Bus marshal both types; called before the first use.
void registerPortalShortcutTypes();

} // namespace monctl

Q_DECLARE_METATYPE(monctl::PortalShortcut)
