#include "shared/Preferences.h"

#include <QStandardPaths>

namespace monctl {

// Apart from the rest of the preferences: the command line, which has no window, keeps its
// presets and schedule in the same file.
QString Preferences::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/monctl/monctl.conf";
}

} // namespace monctl
