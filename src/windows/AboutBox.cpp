#include "windows/AboutBox.h"

#include "shared/AppIdentity.h"

#include <QEvent>
#include <QFile>
#include <QIcon>

namespace monctl {
namespace {

// A backend's name or reason as its code gives it, in the interface language where the
// translation has it (the names and reasons are marked where they are written); one that
// holds a path or an error of the system stays as it is.
QString translated(const std::string& text) {
    return AboutBox::tr(text.c_str());
}

QString backendLine(const QString& role, const Backend& backend) {
    const auto why = backend.whyNull();
    if (why.empty())
        return AboutBox::tr("%1: %2").arg(role, translated(backend.backendName()));
    return AboutBox::tr("%1: none (%2)").arg(role, translated(why));
}

} // namespace

AboutBox::AboutBox(DesktopBackends backends, QWidget* parent)
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
           "\n\n" + tr("Backends in use:") + "\n" + backendLines().join('\n');
}

QStringList AboutBox::backendLines() const {
    return {backendLine(tr("input"), *m_backends.input),
            backendLine(tr("background shortcuts"), *m_backends.globalKeys),
            backendLine(tr("taken combinations"), *m_backends.takenCombinations),
            backendLine(tr("keyboard layout"), *m_backends.keyboardLayout),
            backendLine(tr("desktop shortcuts"), *m_backends.desktopShortcuts),
            backendLine(tr("application in front"), *m_backends.frontApplication)};
}

void AboutBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        setText(aboutText());
    QMessageBox::changeEvent(event);
}

} // namespace monctl
