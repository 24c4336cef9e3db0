// Using monctl's libraries in a program of your own: a system-wide hot key, a preference bound
// to an action, and a request to a serial device. Needs a Qt event loop (the X11 hot-key
// service reads its events there).
//
//   hotkey-example [--port /dev/ttyUSB0] [--seconds 10]
#include "runtime/AsioMainQueue.h"
#include "serial/SerialPacketDescriptor.h"
#include "serial/SerialPort.h"
#include "serial/SerialRequest.h"
#include "shared/QtMainQueue.h"
#include "shortcut/HotKey.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/ShortcutBinder.h"

#include <CLI/CLI.hpp>
#include <QCoreApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>

using namespace monctl;

namespace {

// Prints the answer to a request; the port calls it on the main thread.
class PrintingDelegate final : public SerialPortDelegateOf<PrintingDelegate> {
public:
    void wasRemovedFromSystem(SerialPort&) override { std::puts("device removed"); }
    void didReceiveResponse(SerialPort&, const Bytes& response, const SerialRequest&) override {
        std::printf("response: %.*s\n", static_cast<int>(response.size()),
                    reinterpret_cast<const char*>(response.data()));
    }
    void requestDidTimeout(SerialPort&, const SerialRequest&) override { std::puts("no answer"); }
};

} // namespace

int main(int argc, char** argv) {
    CLI::App options{"monctl's libraries in a program of your own"};
    std::string path;
    double seconds = 10;
    options.add_option("--port", path, "a serial device to send a probe request to");
    options.add_option("--seconds", seconds, "how long to run");
    CLI11_PARSE(options, argc, argv);

    QCoreApplication application(argc, argv);
    MainQueue::install(std::make_shared<QtMainQueue>(&application));

    // A hot key: Ctrl+Alt+K runs its action on the main thread, whatever window is in front.
    HotKeyMonitor* monitor = HotKeyMonitor::sharedMonitor();
    if (!monitor)
        std::puts("no system-wide hot keys on this desktop");
    else if (!monitor->registerShortcut(Shortcut(40, ModifierFlag::control | ModifierFlag::option),
                                        [] { std::puts("Ctrl+Alt+K pressed"); }))
        std::puts("Ctrl+Alt+K is held by another program");

    // A preference bound to an action: the shortcut stored under "example_hotkey" (its
    // archive text, e.g. "KeyCode=37;ModifierFlags=786432") stays registered and follows
    // every change; Ctrl+Alt+L until the user stores one.
    SettingsFilePreferences preferences(QDir::tempPath() + "/monctl-example.conf");
    ShortcutBinder binder(preferences, monitor);
    binder.registerDefaultShortcuts(
        {{"example_hotkey", Shortcut(37, ModifierFlag::control | ModifierFlag::option)}});
    binder.bindShortcutWithDefaultsKey("example_hotkey",
                                       [] { std::puts("bound hot key pressed"); });

    // A request: the probe frame, answered by a frame between "5FF5" and "A0FA".
    std::shared_ptr<SerialPort> port;
    auto delegate = std::make_shared<PrintingDelegate>();
    if (!path.empty() && (port = SerialPort::serialPortWithPath(path))) {
        port->setDelegate(delegate);
        port->open();
        port->sendRequest(SerialRequest::requestWithDataToSend(
            bytesOf("5FF50A10000000000000A0FA"), {}, 1.0,
            SerialPacketDescriptor::withPrefixString("5FF5", "A0FA", 24)));
    }

    QTimer::singleShot(static_cast<int>(seconds * 1000), &application, &QCoreApplication::quit);
    const int status = application.exec();
    MainQueue::install(std::make_shared<AsioMainQueue>());
    return status;
}
