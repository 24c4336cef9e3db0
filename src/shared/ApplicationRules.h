#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace monctl {

struct ApplicationRule {
    std::string application; // as the desktop names it, or "*" for every other application
    std::string preset;
    bool operator==(const ApplicationRule&) const = default;
};

// The key that stands for every application without a rule of its own.
inline constexpr std::string_view everyOtherApplication = "*";

// Why an application may not be named this in a rule (in a sentence), or "" when it may: 1 to
// 255 characters, none of them a control character, / or \.
std::string applicationNameProblem(std::string_view application);

// The presets that follow the application in front, in the preferences file's group
// [applications]: "org.kde.konsole=reading", "*=video". Names are compared without regard to
// case. Each change reads the file again and writes that one key, so that what another
// program wrote meanwhile is kept.
class ApplicationRules {
public:
    explicit ApplicationRules(QString path) : m_path(std::move(path)) {}

    // By name, without regard to case; keys that do not read as a rule are left out.
    std::vector<ApplicationRule> list() const;
    // Replaces a rule for the same application, however its name is cased. False when the name
    // is not allowed or the file cannot be written.
    bool set(const ApplicationRule& rule) const;
    // False when there is no such rule, or the file cannot be written.
    bool remove(const std::string& application) const;

    // The preset for a window known by these names (the first with a rule wins), else the rule
    // for every other application; none without either.
    static std::optional<std::string> presetFor(const std::vector<ApplicationRule>& rules,
                                                const std::vector<std::string>& names);

private:
    QString m_path;
};

} // namespace monctl
