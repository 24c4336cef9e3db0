#include "cli/ManualText.h"

#include "shared/PreferenceKeys.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <fmt/format.h>
#include <fmt/ranges.h>

namespace monctl {
namespace {

// Text as roff shows it: hyphens as minus signs (so that options can be searched and pasted),
// backslashes escaped.
std::string roff(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\e";
        else if (c == '-')
            escaped += "\\-";
        else
            escaped += c;
    }
    return escaped;
}

// A parser's help phrase as a sentence of the page.
std::string sentence(std::string phrase) {
    if (!phrase.empty())
        phrase[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(phrase[0])));
    if (!phrase.ends_with('.'))
        phrase += '.';
    return roff(phrase);
}

// "TEXT:PATH ..." as the help shows it is PATH in the page.
std::string argumentName(const CLI::Option& option) {
    auto name = option.get_type_name();
    if (const auto colon = name.rfind(':'); colon != std::string::npos)
        name.erase(0, colon + 1);
    return name;
}

std::string tagOf(const CLI::Option& option) {
    std::vector<std::string> names;
    for (const auto& name : option.get_snames())
        names.push_back("\\fB\\-" + roff(name) + "\\fR");
    for (const auto& name : option.get_lnames())
        names.push_back("\\fB\\-\\-" + roff(name) + "\\fR");
    auto tag = fmt::format("{}", fmt::join(names, ", "));
    if (const auto argument = argumentName(option); !argument.empty())
        tag += " \\fI" + roff(argument) + "\\fR";
    return tag;
}

} // namespace

std::string manualOptions(const CLI::App& app) {
    std::string page;
    for (const auto* option : app.get_options()) {
        if (option->get_group().empty() || !option->nonpositional())
            continue;
        page += fmt::format(".TP\n{}\n{}\n", tagOf(*option), sentence(option->get_description()));
    }
    return page;
}

std::string manualPreferenceKeys() {
    std::string page;
    for (const auto& key : preferenceKeys)
        page += fmt::format(".TP\n.B {}\n{}\n", roff(key.name), sentence(key.meaning));
    return page;
}

} // namespace monctl
