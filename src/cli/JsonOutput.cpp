#include "cli/JsonOutput.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>

namespace monctl {

void printJson(const QJsonValue& value) {
    const auto document =
        value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    std::fputs(document.toJson(QJsonDocument::Indented).constData(), stdout);
    std::fflush(stdout);
}

void addSetting(QJsonObject& object, Setting setting, int value) {
    const auto name = QString::fromUtf8(settingName(setting).data());
    if (setting == Setting::mode)
        object.insert(name, QString::fromStdString(modeName(value)));
    else
        object.insert(name, value);
}

} // namespace monctl
