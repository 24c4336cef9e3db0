// A language switch on a real X server: the menu, the About box and both windows relabel
// themselves, Qt's own buttons follow, and the settings still fit their texts.
#include "serial/FixedPathRegistry.h"
#include "serial/SerialPortManager.h"
#include "shared/CurrentLanguage.h"
#include "support/GuiTestMain.h"
#include "support/OtherXClient.h"
#include "windows/AppShell.h"
#include "windows/ControlPanel.h"
#include "windows/SettingsWindow.h"
#include "windows/ShortcutView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace monctl;
using namespace monctl::test;

namespace {

QStringList menuTexts(const QMenuBar* menuBar) {
    QStringList texts;
    for (const QAction* menu : menuBar->actions()) {
        texts << menu->text();
        for (const QAction* item : menu->menu()->actions())
            texts << item->text();
    }
    return texts;
}

// Every text of the window is shown whole: no control is narrower than it asks to be.
bool fitsItsTexts(const QWidget* window) {
    for (const QWidget* control : window->findChildren<QWidget*>()) {
        const bool showsText =
            qobject_cast<const QLabel*>(control) || qobject_cast<const QAbstractButton*>(control) ||
            qobject_cast<const QComboBox*>(control) || qobject_cast<const ShortcutView*>(control);
        if (showsText && control->width() < control->sizeHint().width())
            return false;
    }
    return true;
}

QString caption(const QWidget* window, const char* name) {
    return window->findChild<QLabel*>(name)->text();
}

void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    Q_EMIT list->activated(index);
}

class LanguageSwitch : public testing::Test {
protected:
    void SetUp() override {
        SerialPortManager::reset();
        SerialPortManager::useRegistry(
            std::make_unique<FixedPathRegistry>(std::vector<std::string>{}));
        shell = std::make_unique<AppShell>(*qApp, Preferences(home.filePath("monctl.conf")),
                                           loadDesktopBackends());
        shell->mainWindow()->show();
    }

    QMenuBar* menuBar() const { return shell->mainWindow()->menuBar(); }

    QTemporaryDir home;
    std::unique_ptr<AppShell> shell;
};

const QStringList chineseMenu{"文件(&F)", "设置(&S)…", "退出(&Q)", "帮助(&H)", "关于 monctl(&A)"};
const QStringList englishMenu{"&File", "&Settings…", "&Quit", "&Help", "&About monctl"};

} // namespace

TEST_F(LanguageSwitch, RelabelsTheMenuTheAboutBoxAndTheMainWindow) {
    EXPECT_EQ(menuTexts(menuBar()), chineseMenu);
    QStringList chinese;
    QStringList english;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        EXPECT_FALSE(about->iconPixmap().isNull()) << "the icon, drawn from its SVG";
        EXPECT_TRUE(about->detailedText().startsWith("MIT License")) << "the licence's text";
        chinese << about->text() << about->button(QMessageBox::Ok)->text();
        changeCurrentLanguage(1); // while the box is open
        english << about->text() << about->button(QMessageBox::Ok)->text();
        about->accept();
    });
    shell->presentAbout();
    const QString backends = "\ninput: XTest\nbackground shortcuts: XInput 2 raw key events\n";
    ASSERT_EQ(chinese.size(), 2);
    EXPECT_TRUE(chinese[0].startsWith("monctl 通过 USB 转串口连接控制显示器。\n\n版本 0.1.0\n"
                                      "以 MIT 许可证发布。\n\n正在使用的后端：\n"))
        << chinese[0].toStdString();
    EXPECT_TRUE(chinese[0].contains("\n输入：XTest\n后台快捷键：XInput 2 原始按键事件\n"))
        << "the backends in use are named, in the window's language";
    EXPECT_TRUE(chinese[0].endsWith("\n桌面快捷键：无（桌面的快捷键门户只在 Wayland 上使用）\n"
                                    "前台应用：窗口管理器的 _NET_ACTIVE_WINDOW"))
        << chinese[0].toStdString();
    EXPECT_EQ(chinese[1], "确定");
    ASSERT_EQ(english.size(), 2);
    EXPECT_TRUE(english[0].startsWith(
        "monctl controls a monitor attached by a USB-to-serial link.\n\nVersion 0.1.0\n"
        "Published under the MIT licence.\n\nBackends in use:\n"));
    EXPECT_TRUE(english[0].contains(backends));
    EXPECT_EQ(english[1], "OK");
    EXPECT_EQ(menuTexts(menuBar()), englishMenu);
    EXPECT_EQ(caption(shell->controlPanel(), "portTitleInfo"), "Valid Port");
    EXPECT_TRUE(processEventsUntil([&] { return fitsItsTexts(shell->mainWindow()); }));

    changeCurrentLanguage(2); // only a hand-edited preferences file holds it
    EXPECT_EQ(caption(shell->controlPanel(), "portTitleInfo"), "Valid Port");
    EXPECT_EQ(ShortcutView().title(), "输入快捷键") << "the recorder is English for 1 only";
    changeCurrentLanguage(0);
    EXPECT_EQ(menuTexts(menuBar()), chineseMenu);
    EXPECT_EQ(shell->controlPanel()->modeInfo()->currentText(), "文本模式");

    // Alt+F opens the File menu, whatever the language.
    OtherXClient other;
    other.focus(shell->mainWindow()->winId());
    ASSERT_TRUE(
        processEventsUntil([&] { return QApplication::activeWindow() == shell->mainWindow(); }));
    other.press("Alt_L", true);
    other.press("f", true);
    other.press("f", false);
    other.press("Alt_L", false);
    EXPECT_TRUE(
        processEventsUntil([&] { return menuBar()->actions().first()->menu()->isVisible(); }));
}

TEST_F(LanguageSwitch, TheSettingsRelabelBothWindowsAndRefitTheirWidth) {
    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* settings = qobject_cast<SettingsWindow*>(QApplication::activeModalWidget());
        ASSERT_NE(settings, nullptr);
        auto* recorder = settings->thresholdInfocutView();
        recorder->setShortcutValue(Shortcut(32, ModifierFlag::control));
        recorder->setRecording(true);
        EXPECT_TRUE(processEventsUntil([&] { return fitsItsTexts(settings); }));
        seen << recorder->title() << caption(settings, "refreshHotKey");

        choose(settings->currentLanguageInfo(), 1);
        EXPECT_TRUE(processEventsUntil([&] { return fitsItsTexts(settings); }))
            << "wider in English";
        EXPECT_GE(recorder->width(), recorder->fontMetrics().horizontalAdvance(recorder->title()) +
                                         recorder->hintWidth());
        seen << recorder->title() << caption(settings, "refreshHotKey")
             << caption(shell->controlPanel(), "thresholdTitleInfo")
             << menuBar()->actions().first()->text();

        choose(settings->currentLanguageInfo(), 0);
        EXPECT_TRUE(processEventsUntil([&] { return fitsItsTexts(settings); }));
        seen << caption(settings, "languageSettings") << settings->windowTitle();
        settings->onlyExitView();
    });
    shell->presentSettings();
    EXPECT_EQ(seen, (QStringList{"键入新快捷键", "快速刷新热键", "Type New Shortcut",
                                 "Fast Refresh Hotkey", "Contrast", "&File", "语言设置", "设置"}));
}
