#include "shared/ApplicationRules.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <algorithm>

namespace monctl {
namespace {

constexpr int longestApplicationName = 255;
constexpr const char* rulesGroup = "applications";

QString utf8Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

class RuleGroup {
public:
    explicit RuleGroup(const QString& path) : m_file(path, QSettings::IniFormat) {
        m_file.beginGroup(rulesGroup);
    }
    QStringList keysNamed(const QString& application) const {
        QStringList found;
        for (const auto& key : m_file.childKeys()) {
            if (sameName(key, application))
                found.append(key);
        }
        return found;
    }
    QStringList keys() const { return m_file.childKeys(); }
    QString value(const QString& key) const { return m_file.value(key).toString(); }
    void write(const QString& key, const QString& preset) { m_file.setValue(key, preset); }
    void remove(const QString& key) { m_file.remove(key); }
    bool flushed() {
        m_file.sync();
        return m_file.status() == QSettings::NoError;
    }

private:
    QSettings m_file;
};

} // namespace

// The sentences are marked for the Settings window, which shows them translated.
std::string applicationNameProblem(std::string_view application) {
    const auto text = utf8Text(application);
    if (text.trimmed().isEmpty())
        return QT_TRANSLATE_NOOP("monctl::ApplicationsView", "an application needs a name");
    if (text.toUcs4().size() > longestApplicationName)
        return QT_TRANSLATE_NOOP("monctl::ApplicationsView",
                                 "an application's name has at most 255 characters");
    const bool forbidden = std::any_of(text.begin(), text.end(), [](QChar character) {
        return character.category() == QChar::Other_Control || character == '/' ||
               character == '\\';
    });
    if (forbidden ||
        text.toUtf8() != QByteArray(application.data(), static_cast<qsizetype>(application.size())))
        return QT_TRANSLATE_NOOP("monctl::ApplicationsView",
                                 "an application's name may not hold control characters, / or \\");
    return {};
}

std::vector<ApplicationRule> ApplicationRules::list() const {
    const RuleGroup group(m_path);
    std::vector<ApplicationRule> rules;
    for (const auto& key : group.keys()) {
        const auto preset = group.value(key);
        if (!preset.isEmpty() && applicationNameProblem(key.toStdString()).empty())
            rules.push_back({key.toStdString(), preset.toStdString()});
    }
    std::sort(rules.begin(), rules.end(), [](const auto& a, const auto& b) {
        return utf8Text(a.application).compare(utf8Text(b.application), Qt::CaseInsensitive) < 0;
    });
    return rules;
}

bool ApplicationRules::set(const ApplicationRule& rule) const {
    if (!applicationNameProblem(rule.application).empty() || rule.preset.empty())
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    RuleGroup group(m_path);
    const auto application = utf8Text(rule.application);
    for (const auto& key : group.keysNamed(application)) {
        if (key != application)
            group.remove(key);
    }
    group.write(application, utf8Text(rule.preset));
    return group.flushed();
}

bool ApplicationRules::remove(const std::string& application) const {
    RuleGroup group(m_path);
    const auto keys = group.keysNamed(utf8Text(application));
    for (const auto& key : keys)
        group.remove(key);
    return !keys.isEmpty() && group.flushed();
}

std::optional<std::string> ApplicationRules::presetFor(const std::vector<ApplicationRule>& rules,
                                                       const std::vector<std::string>& names) {
    const auto ruleNamed = [&](std::string_view name) -> std::optional<std::string> {
        for (const auto& rule : rules) {
            if (!name.empty() && sameName(utf8Text(rule.application), utf8Text(name)))
                return rule.preset;
        }
        return std::nullopt;
    };
    for (const auto& name : names) {
        if (name == everyOtherApplication)
            continue;
        if (auto preset = ruleNamed(name))
            return preset;
    }
    return ruleNamed(everyOtherApplication);
}

} // namespace monctl
