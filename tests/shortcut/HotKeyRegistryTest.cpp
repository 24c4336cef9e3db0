#include "shortcut/HotKey.h"
#include "shortcut/HotkeyState.h"
#include "shortcut/ShortcutBinder.h"
#include "support/FakeHotKeyService.h"
#include "support/TestMain.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;
namespace Flag = ModifierFlag;
using Log = std::vector<std::string>;
using Held = std::optional<std::optional<Shortcut>>; // outer none: an unbound key

namespace {

// Hot-key ids count from 1 per process: only the first test here relies on the numbers.
class HotKeyRegistryTest : public testing::Test {
protected:
    void SetUp() override { HotKeyService::use(service); }

    std::shared_ptr<FakeHotKeyService> service = std::make_shared<FakeHotKeyService>();
    const Shortcut controlAltK{40, Flag::control | Flag::option}; // Carbon 40/1800
    const Shortcut commandJ{38, Flag::command};                   // Carbon 38/100
};

} // namespace

TEST_F(HotKeyRegistryTest, IdsCountFromOneAndARefusalUsesOneUp) {
    service->refuse(40, 0x1800);
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(monitor->registerShortcut(controlAltK, [] {}));
    EXPECT_FALSE(monitor->isShortcutRegistered(controlAltK));
    EXPECT_TRUE(monitor->registerShortcut(commandJ, [] {}));
    monitor->unregisterShortcut(commandJ);
    EXPECT_TRUE(monitor->registerShortcut(commandJ, [] {}));
    monitor->unregisterShortcut(std::nullopt);
    EXPECT_EQ(service->log, (Log{"refuse 40/1800 #1", "register 38/100 #2", "unregister 38/100 #2",
                                 "register 38/100 #3"}));
    monitor->unregisterAllShortcuts();
    EXPECT_FALSE(monitor->isShortcutRegistered(commandJ));
}

TEST_F(HotKeyRegistryTest, PressesRunTheirActionOnTheMainQueueInOrder) {
    auto monitor = HotKeyMonitor::create();
    std::vector<std::string> ran;
    monitor->registerShortcut(controlAltK, [&] { ran.push_back("K"); });
    monitor->registerShortcut(commandJ, nullptr); // no action: its presses do nothing
    const auto k = *service->identityOf(40, 0x1800);
    const auto j = *service->identityOf(38, 0x100);
    EXPECT_EQ(k.signature, 0x53484B54u);
    service->press(k);
    service->press(j);
    service->press({0x41424344, k.id}); // another component's signature
    service->press({HotKey::signature, 999});
    service->press(k);
    EXPECT_TRUE(ran.empty()) << "queued, not run inside the handler";
    ASSERT_TRUE(runMainUntil([&] { return ran.size() == 2; }));
    mainQueue().runPending();
    EXPECT_EQ(ran, (std::vector<std::string>{"K", "K"}));
}

TEST_F(HotKeyRegistryTest, ABoundKeyFollowsItsStoredValue) {
    QTemporaryDir home;
    SettingsFilePreferences preferences(home.filePath("hotkeys.conf"));
    auto monitor = HotKeyMonitor::create();
    ShortcutBinder binder(preferences, monitor.get());
    int pressed = 0;

    EXPECT_FALSE(binder.setValueForUndefinedKey(controlAltK, "refresh")) << "not bound";
    EXPECT_EQ(binder.valueForUndefinedKey("refresh"), std::nullopt);

    binder.registerDefaultShortcuts({{"refresh", commandJ}});
    EXPECT_EQ(preferences.value("refresh"), commandJ.archiveText());
    binder.bindShortcutWithDefaultsKey("refresh", [&] { ++pressed; });
    EXPECT_TRUE(binder.isRegisteredAction("refresh"));
    EXPECT_EQ(binder.valueForUndefinedKey("refresh"), Held(commandJ));
    EXPECT_TRUE(monitor->isShortcutRegistered(commandJ)) << "the default, while nothing is stored";

    service->log.clear();
    preferences.setValue("refresh", controlAltK.archiveText()); // the user's own value
    ASSERT_EQ(service->log.size(), 2u);
    EXPECT_EQ(service->log[0].rfind("unregister 38/100 #", 0), 0u) << service->log[0];
    EXPECT_EQ(service->log[1].rfind("register 40/1800 #", 0), 0u)
        << "the old shortcut goes before the new one comes";
    EXPECT_FALSE(service->identityOf(38, 0x100));
    service->press(*service->identityOf(40, 0x1800));
    ASSERT_TRUE(runMainUntil([&] { return pressed == 1; }));

    preferences.setValue("refresh", std::nullopt); // back to the default
    EXPECT_TRUE(monitor->isShortcutRegistered(commandJ));
    preferences.setValue("refresh", "not a shortcut");
    EXPECT_TRUE(binder.shortcuts().empty()) << "an undecodable value removes the shortcut";
    EXPECT_EQ(binder.valueForUndefinedKey("refresh"), Held(std::optional<Shortcut>()));
    EXPECT_TRUE(monitor->hotKeys().empty());

    binder.breakBindingWithDefaultsKey("refresh");
    EXPECT_FALSE(binder.isRegisteredAction("refresh"));
    preferences.setValue("refresh", controlAltK.archiveText());
    EXPECT_TRUE(monitor->hotKeys().empty()) << "no longer followed";
}
