#pragma once

#include <QCoreApplication>
#include <string>

class QWidget;

namespace monctl {

// Tells the user, once per run, how to reach a device this user may not open: the group that
// may open it and how to join it, or, where no group may, the udev rule that gives it one. A
// user refused one adapter is refused them all; once is enough.
// Main thread only.
class PermissionNotice final {
    Q_DECLARE_TR_FUNCTIONS(PermissionNotice)

public:
    explicit PermissionNotice(QWidget* parent) : m_parent(parent) {}

    // Shows the advice beside the parent, without blocking it or waiting for it to be read;
    // nothing once it was shown, or when the node cannot be read.
    void deviceRefused(const std::string& devicePath);

private:
    QWidget* m_parent;
    bool m_shown = false;
};

} // namespace monctl
