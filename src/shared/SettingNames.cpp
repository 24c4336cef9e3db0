#include "shared/SettingNames.h"

#include "monitor/MonitorController.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>

namespace monctl {
namespace {

constexpr std::array<const char*, 3> modeNames{
    QT_TRANSLATE_NOOP("monctl::SettingNames", "Text Mode"),
    QT_TRANSLATE_NOOP("monctl::SettingNames", "Graphic Mode"),
    QT_TRANSLATE_NOOP("monctl::SettingNames", "Video Mode")};
constexpr std::array<const char*, 5> speedNames{"Fast", "Fast+", "Fast++", "Fast+++", "Fast++++"};

} // namespace

// A value out of range reads as the nearest one the monitor takes.
QString modeText(int mode) {
    const auto index = static_cast<std::size_t>(std::clamp(mode - 2, 0, 2));
    return QCoreApplication::translate("monctl::SettingNames", modeNames[index]);
}

QString speedText(int speed) {
    return QString::fromLatin1(speedNames[static_cast<std::size_t>(std::clamp(speed - 1, 0, 4))]);
}

QString monitorText(const MonitorController& monitor) {
    const auto name = QString::fromStdString(monitor.name());
    return monitor.responding()
               ? name
               : QCoreApplication::translate("monctl::SettingNames", "%1 (not responding)")
                     .arg(name);
}

} // namespace monctl
