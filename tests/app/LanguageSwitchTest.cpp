// A language switch on a real X server: the menu, the About box and both windows relabel
// themselves and Qt's own buttons follow.
#include "shared/CurrentLanguage.h"
#include "support/WindowFixture.h"
#include "windows/ControlPanel.h"
#include "windows/ShortcutView.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

using namespace monctl;
using namespace monctl::test;

namespace {

QString caption(const QWidget* window, const char* name) {
    return window->findChild<QLabel*>(name)->text();
}

class LanguageSwitch : public WindowFixture {
protected:
    void SetUp() override { openShell({}); }

    QMenuBar* menuBar() const { return shell->mainWindow()->menuBar(); }
    QStringList menuTexts() const {
        QStringList texts;
        for (const QAction* menu : menuBar()->actions()) {
            texts << menu->text();
            for (const QAction* item : menu->menu()->actions())
                texts << item->text();
        }
        return texts;
    }
};

} // namespace

TEST_F(LanguageSwitch, RelabelsTheMenuTheAboutBoxAndTheMainWindow) {
    const auto chineseMenu = menuTexts();
    QStringList chinese;
    QStringList english;
    onceOpen<QMessageBox>([&](QMessageBox& about) {
        EXPECT_FALSE(about.iconPixmap().isNull()) << "the icon, drawn from its SVG";
        EXPECT_TRUE(about.detailedText().startsWith("MIT License")) << "the licence's text";
        chinese << about.text() << about.button(QMessageBox::Ok)->text();
        changeCurrentLanguage(1); // while the box is open
        english << about.text() << about.button(QMessageBox::Ok)->text();
        about.accept();
    });
    shell->presentAbout();
    ASSERT_EQ(chinese.size(), 2);
    ASSERT_EQ(english.size(), 2);
    // The backends in use are named in the window's language; the application in front last.
    EXPECT_TRUE(chinese[0].contains("\n输入：XTest\n后台快捷键：XInput 2 原始按键事件\n") &&
                chinese[0].endsWith("\n前台应用：窗口管理器的 _NET_ACTIVE_WINDOW"))
        << chinese[0].toStdString();
    EXPECT_TRUE(english[0].contains("\ninput: XTest\nbackground shortcuts: XInput 2 raw key "
                                    "events\n"))
        << english[0].toStdString();
    EXPECT_EQ(chinese[1], "确定");
    EXPECT_EQ(english[1], "OK");
    EXPECT_EQ(menuTexts(), QStringList({"&File", "&Settings…", "&Quit", "&Help", "&About monctl"}));
    EXPECT_EQ(caption(shell->controlPanel(), "portTitleInfo"), "Valid Port");
    EXPECT_EQ(panel().displaySerialPort()->currentText(), "No Match");

    changeCurrentLanguage(2); // only a hand-edited preferences file holds it
    EXPECT_EQ(caption(shell->controlPanel(), "portTitleInfo"), "Valid Port");
    EXPECT_EQ(ShortcutView().title(), "输入快捷键") << "the recorder is English for 1 only";
    changeCurrentLanguage(0);
    EXPECT_EQ(menuTexts(), chineseMenu);
    EXPECT_EQ(shell->controlPanel()->modeInfo()->currentText(), "文本模式");

    // Alt+F opens the File menu, whatever the language.
    ASSERT_TRUE(focusMainWindow());
    other.type({"Alt_L", "f"});
    EXPECT_TRUE(
        processEventsUntil([&] { return menuBar()->actions().first()->menu()->isVisible(); }));
}
