// The tray icon as a StatusNotifierItem, seen by a StatusNotifierWatcher double on a private
// session bus: it registers, answers Activate, and its D-Bus menu acts.
#include "support/ChildProcess.h"
#include "support/PrivateSessionBus.h"
#include "support/WindowFixture.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <csignal>

using namespace monctl;
using namespace monctl::test;
using namespace std::chrono_literals;

namespace {

// The tray's side of the protocol, as a desktop's panel offers it.
class StatusNotifierWatcher final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }

    QStringList registered;
    QString sender; // the item's connection

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
        registered << service;
        sender = message.service();
    }
    void RegisterStatusNotifierHost(const QString&) {}
};

// The label and id of every entry of a com.canonical.dbusmenu layout, depth first.
void collect(const QDBusArgument& argument, std::map<QString, int>& ids) {
    int id = 0;
    QVariantMap properties;
    argument.beginStructure();
    argument >> id >> properties;
    ids[properties.value("label").toString().remove('&')] = id;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusVariant child;
        argument >> child;
        collect(child.variant().value<QDBusArgument>(), ids);
    }
    argument.endArray();
    argument.endStructure();
}

using TrayIconTest = WindowFixture;

} // namespace

TEST_F(TrayIconTest, RegistersActivatesAndItsMenuActsOnTheActiveOrAllMonitors) {
    PrivateSessionBus bus;
    auto connection = QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "tray");
    StatusNotifierWatcher watcher;
    ASSERT_TRUE(connection.registerObject("/StatusNotifierWatcher", &watcher,
                                          QDBusConnection::ExportAllContents));
    ASSERT_TRUE(connection.registerService("org.kde.StatusNotifierWatcher"));
    MonitorSimulator monitor;
    MonitorSimulator second;
    ChildProcess window(
        {MONCTL_PATH, "--port", monitor.devicePath(), "--port", second.devicePath(), "--hidden"});
    ASSERT_TRUE(processEventsUntil([&] { return !watcher.registered.isEmpty(); }, 10s))
        << window.errors();
    ASSERT_TRUE(monitor.waitForFrames(4, 10s) && second.waitForFrames(4, 10s))
        << "probed and read back";

    const auto item = [&](const char* interface, const char* method, QVariantList arguments,
                          const QString& path = "/StatusNotifierItem") {
        auto call = QDBusMessage::createMethodCall(watcher.sender, path, interface, method);
        call.setArguments(arguments);
        return connection.call(call);
    };
    const auto menuPath =
        item("org.freedesktop.DBus.Properties", "Get", {"org.kde.StatusNotifierItem", "Menu"})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant()
            .value<QDBusObjectPath>()
            .path();
    ASSERT_FALSE(menuPath.isEmpty());
    const auto layout =
        item("com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()}, menuPath);
    ASSERT_EQ(layout.type(), QDBusMessage::ReplyMessage) << layout.errorMessage().toStdString();
    std::map<QString, int> ids;
    collect(layout.arguments().value(1).value<QDBusArgument>(), ids);
    ASSERT_TRUE(ids.count("快速刷新")) << "the current language: Chinese at first";
    const auto click = [&](const char* label) {
        item("com.canonical.dbusmenu", "Event",
             {ids[label], "clicked", QVariant::fromValue(QDBusVariant(0)), 0u}, menuPath);
    };
    // The active monitor alone, then each while "All Monitors" is ticked.
    click("视频模式");
    ASSERT_TRUE(
        processEventsUntil([&] { return monitor.settings().mode + second.settings().mode == 6; }));
    click("所有显示器");
    click("快速刷新");
    ASSERT_TRUE(processEventsUntil(
        [&] { return monitor.fastRefreshCount() == 1 && second.fastRefreshCount() == 1; }));

    EXPECT_EQ(item("org.kde.StatusNotifierItem", "Activate", {0, 0}).type(),
              QDBusMessage::ReplyMessage);
    window.signal(SIGTERM);
    window.wait();
}

#include "TrayIconTest.moc"
