#pragma once

#include "monitor/Setting.h"

#include <QJsonObject>
#include <QJsonValue>

namespace monctl {

// Prints the value as one indented JSON document on standard output.
void printJson(const QJsonValue& value);

// A setting as --json gives it: {"contrast": 7}, {"mode": "text"}.
void addSetting(QJsonObject& object, Setting setting, int value);

} // namespace monctl
