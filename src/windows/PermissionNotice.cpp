#include "windows/PermissionNotice.h"

#include "serial/PlatformTerminal.h"
#include "shared/PermissionAdvice.h"

#include <QMessageBox>

namespace monctl {
namespace {

QString adviceFor(const QString& device, const QString& group) {
    if (!group.isEmpty())
        return PermissionNotice::tr(
                   "monctl may not open %1. The device belongs to the group %2: add yourself to "
                   "it with \"sudo usermod -aG %2 $USER\", then log out and in again.")
            .arg(device, group);
    return PermissionNotice::tr(
               "monctl may not open %1: only its owner and root may. A udev rule in "
               "/etc/udev/rules.d can give the adapter to the serial adapters' group (%2 on "
               "Debian), for example KERNEL==\"ttyUSB[0-9]*\", GROUP=\"%2\", MODE=\"0660\"; then "
               "join that group with \"sudo usermod -aG %2 $USER\" and log out and in again. "
               "\"monctl doctor\" shows who owns the device and who holds it.")
        .arg(device, serialAdapterGroup);
}

} // namespace

void PermissionNotice::deviceRefused(const std::string& devicePath) {
    if (m_shown)
        return;
    const auto group = platform::groupThatMayOpen(devicePath);
    if (!group)
        return;
    m_shown = true;
    auto* box = new QMessageBox(
        QMessageBox::Warning, "monctl",
        adviceFor(QString::fromStdString(devicePath), QString::fromStdString(*group)),
        QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
}

} // namespace monctl
