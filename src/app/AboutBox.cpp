#include "app/AboutBox.h"

#include <QEvent>

namespace monctl {

AboutBox::AboutBox(QStringList backends, QWidget* parent)
    : QMessageBox(QMessageBox::NoIcon, "monctl", QString(), QMessageBox::Ok, parent),
      m_backends(std::move(backends)) {
    setText(aboutText());
}

QString AboutBox::aboutText() const {
    return tr("monctl controls a monitor attached by a USB-to-serial link.") + "\n\n" +
           tr("Backends in use:") + "\n" + m_backends.join('\n');
}

void AboutBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        setText(aboutText());
    QMessageBox::changeEvent(event);
}

} // namespace monctl
