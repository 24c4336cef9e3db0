#include "app/AboutBox.h"

#include <QEvent>

namespace monctl {

AboutBox::AboutBox(QWidget* parent)
    : QMessageBox(QMessageBox::NoIcon, "monctl", aboutText(), QMessageBox::Ok, parent) {}

QString AboutBox::aboutText() {
    return tr("monctl controls a monitor attached by a USB-to-serial link.");
}

void AboutBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        setText(aboutText());
    QMessageBox::changeEvent(event);
}

} // namespace monctl
