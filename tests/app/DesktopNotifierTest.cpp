// Desktop notifications on a session bus of the test's own, against a double of the
// notification server that writes down each call and against a real one (dunst).
#include "tray/DesktopNotifier.h"

#include "support/BusSession.h"
#include "support/NotificationServerDouble.h"

#include <QDBusInterface>
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

    QDBusInterface dunst("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                         "org.dunstproject.cmd0", connection);
    EXPECT_EQ(dunst.property("displayedLength").toUInt() + dunst.property("waitingLength").toUInt(),
              2u);
}
