#include "app/AboutBox.h"

#include "app/AppIdentity.h"

#include <QEvent>
#include <QFile>
#include <QIcon>

namespace monctl {

AboutBox::AboutBox(QStringList backends, QWidget* parent)
    : QMessageBox(QMessageBox::NoIcon, "monctl", QString(), QMessageBox::Ok, parent),
      m_backends(std::move(backends)) {
    setIconPixmap(QIcon(applicationIconResource).pixmap(64, 64));
    QFile licence(":/licence/LICENSE");
    if (licence.open(QIODevice::ReadOnly))
        setDetailedText(QString::fromUtf8(licence.readAll()));
    setText(aboutText());
}

QString AboutBox::aboutText() const {
    return tr("monctl controls a monitor attached by a USB-to-serial link.") + "\n\n" +
           tr("Version %1").arg(MONCTL_VERSION) + "\n" + tr("Published under the MIT licence.") +
           "\n\n" + tr("Backends in use:") + "\n" + m_backends.join('\n');
}

void AboutBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        setText(aboutText());
    QMessageBox::changeEvent(event);
}

} // namespace monctl
