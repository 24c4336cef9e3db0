#include "app/AutostartEntry.h"

#include "app/AppIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace monctl {

QString AutostartEntry::path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" +
           applicationId + ".desktop";
}

bool AutostartEntry::apply(bool startAtLogin) {
    const auto file = path();
    if (!startAtLogin)
        return !QFile::exists(file) || QFile::remove(file);
    QDir().mkpath(QFileInfo(file).absolutePath());
    // Quoted as desktop entries require, for a program path with spaces.
    auto program = QCoreApplication::applicationFilePath();
    program.replace('\\', "\\\\").replace('"', "\\\"");
    QSaveFile entry(file);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    entry.write(QStringLiteral("[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=monctl\n"
                               "Comment=Controls a monitor attached by a USB-to-serial link\n"
                               "Exec=\"%1\" --hidden\n"
                               "Icon=%2\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n")
                    .arg(program, QString::fromLatin1(applicationId))
                    .toUtf8());
    return entry.commit();
}

} // namespace monctl
