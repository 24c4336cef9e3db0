# Precompiled headers for the window tests, whose sources all include Qt's widgets, D-Bus and
# googletest: parsing those headers is about a third of each of their compilations. (The
# program's own sources are compiled as unity builds in the CI presets instead; test sources
# cannot be, since each declares its helpers and fixtures for itself.) Off by default, since
# a compiler cache cannot reuse a precompiled header's objects; the asan preset turns it on.
option(MONCTL_PCH "Precompile the headers the window tests share" OFF)

set(monctl_window_test_headers <algorithm> <functional> <map> <memory> <optional> <string>
    <vector> <QApplication> <QComboBox> <QDBusConnection> <QDBusMessage> <QHBoxLayout> <QLabel>
    <QMainWindow> <QMessageBox> <QPushButton> <QSettings> <QTemporaryDir> <QTimer> <QWidget>
    <fmt/format.h> <gtest/gtest.h> <spdlog/spdlog.h>)

function(monctl_precompile_window_tests target)
    if(MONCTL_PCH)
        target_precompile_headers(${target} PRIVATE ${monctl_window_test_headers})
    endif()
endfunction()
