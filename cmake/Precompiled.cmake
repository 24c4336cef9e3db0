# Precompiled headers for the targets whose sources all include Qt, spdlog and the standard
# library: parsing those headers is about a third of each of their compilations. Off by
# default, since a compiler cache cannot reuse a precompiled header's objects; the CI presets
# turn it on.
option(MONCTL_PCH "Precompile the headers the largest targets share" OFF)

set(monctl_core_headers <algorithm> <functional> <map> <memory> <optional> <string> <vector>
    <QCoreApplication> <QObject> <QString> <fmt/format.h> <spdlog/spdlog.h>)
set(monctl_widget_headers ${monctl_core_headers} <QDBusConnection> <QDBusMessage> <QHBoxLayout>
    <QLabel> <QMainWindow> <QMessageBox> <QPushButton> <QSettings> <QTimer> <QWidget>)

# monctl_precompile(target CORE|WIDGETS [more headers...])
function(monctl_precompile target kind)
    if(MONCTL_PCH)
        string(TOLOWER ${kind} kind)
        target_precompile_headers(${target} PRIVATE ${monctl_${kind}_headers} ${ARGN})
    endif()
endfunction()
