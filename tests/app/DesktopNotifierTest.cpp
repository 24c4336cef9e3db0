// Desktop notifications on a session bus of the test's own, against a double of the
// notification server that writes down each call. (A monitor's next notice replacing its last is
// the notices' test.)
#include "tray/DesktopNotifier.h"

#include "support/BusSession.h"
#include "support/NotificationServerDouble.h"

#include <gtest/gtest.h>
#include <map>

using namespace monctl;
using namespace monctl::test;

TEST(DesktopNotifier, KeepsOneBubblePerMonitorUpdatedInPlaceAndGoesOnWithoutAServer) {
    BusSession session;
    DesktopNotifier notifier(session.connect("notifier"));
    notifier.show("/dev/A", {"monctl", "Contrast 5", 55}); // no server: nothing to see

    NotificationServerDouble server;
    notifier.show("/dev/A", {"monctl", "Contrast 6", 66});
    ASSERT_TRUE(processEventsUntil([&] { return server.received().size() == 1; }));
    const auto first = server.received()[0];
    EXPECT_EQ(first.body, "Contrast 6");
    EXPECT_EQ(first.hints.value("x-canonical-private-synchronous").toString(), "monctl /dev/A");

    // Before the server answers the first, the second waits; only the newest follows it.
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
