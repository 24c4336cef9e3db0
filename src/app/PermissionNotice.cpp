#include "app/PermissionNotice.h"

#include "serial/PlatformTerminal.h"

#include <QMessageBox>

namespace monctl {

void PermissionNotice::deviceRefused(const std::string& devicePath) {
    if (m_shown)
        return;
    const auto group = QString::fromStdString(platform::owningGroupOf(devicePath));
    if (group.isEmpty())
        return;
    m_shown = true;
    auto* box = new QMessageBox(
        QMessageBox::Warning, "monctl",
        tr("monctl may not open %1. The device belongs to the group %2: add yourself to it with "
           "\"sudo usermod -aG %2 $USER\", then log out and in again.")
            .arg(QString::fromStdString(devicePath), group),
        QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
}

} // namespace monctl
