#pragma once

#include <QString>

namespace monctl {

class MonitorController;

// A mode's name in the current language ("Text Mode"); a speed's name ("Fast+"), the same in
// every language; a monitor's name ("ttyUSB0"), marked while it does not answer. As the window,
// the tray and the notifications show them.
QString modeText(int mode);
QString speedText(int speed);
QString monitorText(const MonitorController& monitor);

} // namespace monctl
