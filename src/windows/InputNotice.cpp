#include "windows/InputNotice.h"

#include <QMessageBox>

namespace monctl {

void InputNotice::pressDropped(const std::string& whyNoInput) {
    if (m_shown)
        return;
    m_shown = true;
    auto* box = new QMessageBox(QMessageBox::Information, "monctl",
                                tr("The monitor's buttons cannot drive this desktop: %1.")
                                    .arg(QString::fromStdString(whyNoInput)),
                                QMessageBox::Ok, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    box->show();
}

} // namespace monctl
