// The man pages the build writes cover what the programs offer.
#include "shared/PreferenceKeys.h"
#include "shared/Preferences.h"
#include "support/ChildProcess.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <regex>
#include <set>

using namespace monctl;
using namespace monctl::test;

namespace {

std::string helpOf(const char* program) {
    ChildProcess help({program, "--help"});
    EXPECT_EQ(help.wait(), 0);
    return help.output();
}

std::string fileText(const char* path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "";
}

// As roff writes a word: its hyphens as minus signs.
std::string roff(std::string word) {
    for (auto at = word.find('-'); at != std::string::npos; at = word.find('-', at + 2))
        word.replace(at, 1, "\\-");
    return word;
}

std::set<std::string> matches(const std::string& text, const std::regex& pattern) {
    std::set<std::string> found;
    for (std::sregex_iterator at(text.begin(), text.end(), pattern), end; at != end; ++at)
        found.insert((*at)[1]);
    return found;
}

void expectOptionsIn(const char* program, const std::string& manual) {
    const auto options = matches(helpOf(program), std::regex(R"((?:^|[\s,(])(--?[a-z][a-z-]*))"));
    EXPECT_GE(options.size(), 8u);
    for (const auto& option : options)
        EXPECT_NE(manual.find(roff(option)), std::string::npos) << program << " " << option;
}

} // namespace

TEST(ManualPage, NamesEveryOptionCommandAndPreferenceKey) {
    const auto monctl = fileText(MONCTL_MAN_PAGES "/monctl.1");
    expectOptionsIn(MONCTL_PATH, monctl);
    expectOptionsIn(MONCTL_SIM_PATH, fileText(MONCTL_MAN_PAGES "/monctl-sim.1"));

    const auto help = helpOf(MONCTL_PATH);
    const auto commands =
        matches(help.substr(help.find("Subcommands:")), std::regex(R"(\n  ([a-z-]+) )"));
    EXPECT_EQ(commands.size(), 10u) << help;
    // The entries of the section: the tag lines of its .TP, by their first word.
    const auto section = monctl.substr(monctl.find(".SH COMMANDS"));
    const auto described = matches(section.substr(0, section.find("\n.SH ")),
                                   std::regex("\n\\.TP\n\\.B[IR]? \"?([^ \"\n]+)"));
    for (const auto& command : commands)
        EXPECT_TRUE(described.contains(roff(command))) << command;

    // Every key the preferences write is in the table, and the table in the page.
    QTemporaryDir folder;
    const auto path = folder.filePath("monctl.conf");
    ASSERT_TRUE(Preferences(path).save(StoredSettings{}));
    std::set<std::string> written;
    for (const auto& key : QSettings(path, QSettings::IniFormat).allKeys())
        written.insert(key.toStdString());
    std::set<std::string> listed;
    for (const auto& key : preferenceKeys) {
        listed.insert(key.name);
        EXPECT_NE(monctl.find(".B " + roff(key.name) + "\n"), std::string::npos) << key.name;
    }
    EXPECT_EQ(written, listed);

    const auto xml = fileText(MONCTL_BUS_INTERFACE);
    for (const auto& member : matches(xml, std::regex(R"(<(?:method|signal) name="(\w+)\")")))
        EXPECT_NE(monctl.find(member), std::string::npos) << member;
}
