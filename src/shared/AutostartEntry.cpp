#include "shared/AutostartEntry.h"

#include "shared/AppIdentity.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace monctl {
namespace {

// Characters a desktop entry's Exec line reads as more than themselves outside quotes.
const QString reservedCharacters = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

bool isControl(QChar character) {
    return character.unicode() < 0x20 || character.unicode() == 0x7f;
}

// One argument as an Exec line reads it: quoted where needed, with `"`, `` ` ``, `$` and `\`
// escaped inside the quotes; then the backslashes escaped again, as in every string value
// of a desktop entry; `%` doubled, as it would otherwise start a field code.
QString execArgument(const QString& argument) {
    const bool quoted = std::any_of(argument.begin(), argument.end(), [](QChar character) {
        return reservedCharacters.contains(character);
    });
    QString written;
    for (const QChar character : argument) {
        if (quoted && QStringLiteral("\"`$\\").contains(character))
            written += '\\';
        written += character;
    }
    if (quoted)
        written = '"' + written + '"';
    return written.replace('\\', QStringLiteral("\\\\")).replace('%', QStringLiteral("%%"));
}

} // namespace

QString AutostartEntry::path() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/autostart/" +
           applicationId + ".desktop";
}

QString AutostartEntry::apply(bool startAtLogin) {
    const auto file = path();
    if (startAtLogin)
        return write(startedProgram());
    if (QFile::exists(file) && !QFile::remove(file))
        return QStringLiteral("%1 cannot be removed").arg(file);
    return {};
}

QString AutostartEntry::write(const QString& program) {
    // A line end would end the Exec line and start one of the path's own choosing.
    if (std::any_of(program.begin(), program.end(), isControl))
        return QStringLiteral("the program's path holds a line end or another control "
                              "character, which an autostart entry cannot carry");
    const auto file = path();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile entry(file);
    if (!entry.open(QIODevice::WriteOnly | QIODevice::Text))
        return QStringLiteral("%1 cannot be written: %2").arg(file, entry.errorString());
    entry.write(QStringLiteral("[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=monctl\n"
                               "Comment=Controls a monitor attached by a USB-to-serial link\n"
                               "Exec=%1 --hidden\n"
                               "Icon=%2\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n")
                    .arg(execArgument(program), QString::fromLatin1(applicationId))
                    .toUtf8());
    if (!entry.commit())
        return QStringLiteral("%1 cannot be written: %2").arg(file, entry.errorString());
    return {};
}

QString AutostartEntry::startedProgram() {
    auto running = QCoreApplication::applicationFilePath();
    const auto arguments = QCoreApplication::arguments();
    const auto command = arguments.isEmpty() ? QString() : arguments.first();
    if (command.isEmpty() || command.contains('/'))
        return running;
    const auto found = QStandardPaths::findExecutable(command);
    const bool same = !found.isEmpty() && QFileInfo(found).canonicalFilePath() ==
                                              QFileInfo(running).canonicalFilePath();
    return same ? command : running;
}

} // namespace monctl
