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

// Presses run their action on the main queue, in order; a press of no registered key, or of
// another component's, runs nothing.
TEST_F(HotKeyRegistryTest, IdsCountFromOneAndPressesRunTheirActionOnTheMainQueue) {
    service->refuse(40, 0x1800);
    auto monitor = HotKeyMonitor::create();
    ASSERT_NE(monitor, nullptr);
    EXPECT_FALSE(monitor->registerShortcut(controlAltK, [] {}));
    EXPECT_FALSE(monitor->isShortcutRegistered(controlAltK));
    int ran = 0;
    EXPECT_TRUE(monitor->registerShortcut(commandJ, [] {}));
    monitor->unregisterShortcut(commandJ);
    EXPECT_TRUE(monitor->registerShortcut(commandJ, [&] { ++ran; }));
    monitor->unregisterShortcut(std::nullopt);
    EXPECT_EQ(service->log, (Log{"refuse 40/1800 #1", "register 38/100 #2", "unregister 38/100 #2",
                                 "register 38/100 #3"}));
    monitor->registerShortcut(Shortcut(0, Flag::control), nullptr); // its presses do nothing
    const auto j = *service->identityOf(38, 0x100);
    EXPECT_EQ(j.signature, 0x53484B54u);
    for (const auto& press : {j, *service->identityOf(0, 0x1000), HotKeyIdentity{0x41424344, j.id},
                              HotKeyIdentity{HotKey::signature, 999}, j})
        service->press(press);
    EXPECT_EQ(ran, 0) << "queued, not run inside the handler";
    ASSERT_TRUE(runMainUntil([&] { return ran == 2; }));
    mainQueue().runPending();
    EXPECT_EQ(ran, 2);
    monitor->unregisterAllShortcuts();
    EXPECT_FALSE(monitor->isShortcutRegistered(commandJ));
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
    EXPECT_EQ(binder.valueForUndefinedKey("refresh"), Held(commandJ));
    EXPECT_TRUE(monitor->isShortcutRegistered(commandJ)) << "the default, while nothing is stored";

    service->log.clear();
    preferences.setValue("refresh", controlAltK.archiveText()); // the user's own value
    for (auto& entry : service->log)
        entry.erase(entry.find(" #")); // the ids depend on the tests run before
    EXPECT_EQ(service->log, (Log{"unregister 38/100", "register 40/1800"}))
        << "the old shortcut goes before the new one comes";
    service->press(*service->identityOf(40, 0x1800));
    ASSERT_TRUE(runMainUntil([&] { return pressed == 1; }));

    preferences.setValue("refresh", std::nullopt); // back to the default
    EXPECT_TRUE(monitor->isShortcutRegistered(commandJ));
    preferences.setValue("refresh", "not a shortcut");
    EXPECT_TRUE(binder.shortcuts().empty()) << "an undecodable value removes the shortcut";
    EXPECT_EQ(binder.valueForUndefinedKey("refresh"), Held(std::optional<Shortcut>()));

    binder.breakBindingWithDefaultsKey("refresh");
    EXPECT_FALSE(binder.isRegisteredAction("refresh"));
    preferences.setValue("refresh", controlAltK.archiveText());
    EXPECT_TRUE(monitor->hotKeys().empty()) << "no longer followed";
}
