// Desktop notifications on a session bus of the test's own, against a double of the
// notification server that writes down each call and against a real one (dunst).
#include "tray/DesktopNotifier.h"

#include "support/BusSession.h"
#include "support/NotificationServerDouble.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <gtest/gtest.h>
#include <map>

using namespace monctl;
using namespace monctl::test;

TEST(DesktopNotifier, KeepsOneBubblePerMonitorUpdatedInPlaceAndGoesOnWithoutAServer) {
    BusSession session;
    DesktopNotifier notifier(session.connect("notifier"));
    notifier.show("/dev/A", {"monctl", "Contrast 5", 55}); // no server: nothing to see

    NotificationServerDouble server;
    int answered = 0;
    QObject::connect(&notifier, &DesktopNotifier::shown, [&] { ++answered; });
    notifier.show("/dev/A", {"monctl", "Contrast 6", 66});
    ASSERT_TRUE(processEventsUntil([&] { return answered == 1; }));
    const auto first = server.received()[0];
    EXPECT_EQ(first.body, "Contrast 6");
    EXPECT_EQ(first.hints.value("x-canonical-private-synchronous").toString(), "monctl /dev/A");

    // The next goes at once; before the server answers it, the next waits, and only the newest
    // of those waiting follows.
    for (int contrast : {7, 8, 9})
        notifier.show("/dev/A", {"monctl", QString("Contrast %1").arg(contrast), contrast * 11});
    notifier.show("/dev/B", {"monctl", "Monitor gone", std::nullopt});
    ASSERT_TRUE(processEventsUntil([&] { return server.received().size() == 4; }));
    std::map<QString, NotificationServerDouble::Notification> byBody;
    for (const auto& notification : server.received())
        byBody.emplace(notification.body, notification);
    EXPECT_EQ(byBody.count("Contrast 8"), 0u);
    EXPECT_EQ(byBody.at("Contrast 7").replacesId, first.id);
    EXPECT_EQ(byBody.at("Contrast 9").replacesId, first.id);
    EXPECT_EQ(byBody.at("Monitor gone").replacesId, 0u);
    EXPECT_NE(byBody.at("Monitor gone").id, first.id);
    EXPECT_FALSE(byBody.at("Monitor gone").hints.contains("value"));
}

// A real server gives the next notice of a monitor the bubble of its last: its id comes back.
TEST(DesktopNotifier, ARealNotificationServerKeepsOneBubblePerMonitor) {
    BusSession session{{{"org.freedesktop.Notifications", "/usr/bin/dunst -config /dev/null"}}};
    const auto connection = session.connect("dunst");
    DesktopNotifier notifier(connection);
    std::map<QString, std::vector<quint32>> ids;
    QObject::connect(&notifier, &DesktopNotifier::shown,
                     [&](const QString& subject, quint32 id) { ids[subject].push_back(id); });
    notifier.show("/dev/A", {"monctl", "Contrast 5", 50});
    ASSERT_TRUE(processEventsUntil([&] { return ids.size() == 1; }, std::chrono::seconds(20)))
        << "the server was started for the first notice";
    notifier.show("/dev/A", {"monctl", "Contrast 6", 62});
    notifier.show("/dev/B", {"monctl", "Monitor gone", std::nullopt});
    ASSERT_TRUE(processEventsUntil([&] { return ids["/dev/A"].size() == 2 && ids.size() == 2; }));
    EXPECT_EQ(ids["/dev/A"].at(1), ids["/dev/A"].at(0)) << "replaced in place";
    EXPECT_NE(ids["/dev/B"].at(0), ids["/dev/A"].at(0));

    // Plain calls: reading properties through QDBusInterface leaves memory LeakSanitizer reports.
    const auto queued = [&](const char* property) {
        auto get = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                  "/org/freedesktop/Notifications",
                                                  "org.freedesktop.DBus.Properties", "Get");
        get << QString("org.dunstproject.cmd0") << QString(property);
        return QDBusReply<QDBusVariant>(connection.call(get)).value().variant().toUInt();
    };
    EXPECT_EQ(queued("displayedLength") + queued("waitingLength"), 2u);
}
