#include "shared/LanguageTranslator.h"

#include <QLibraryInfo>
#include <cstring>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

void loadCatalog(QTranslator& translator, const QString& name, const QString& directory) {
    if (!translator.load(name, directory))
        spdlog::warn("The translations {} could not be loaded from {}", name.toStdString(),
                     directory.toStdString());
}

// The recorder control and the validator's refusal read the language the other way round.
bool followsRecorderRule(const char* context) {
    return std::strcmp(context, "monctl::ShortcutView") == 0 ||
           std::strcmp(context, "ShortcutValidator") == 0;
}

} // namespace

LanguageTranslator::LanguageTranslator() {
    loadCatalog(m_chinese, "monctl_zh_CN", ":/i18n");
    loadCatalog(m_english, "monctl_en", ":/i18n");
    loadCatalog(m_qtChinese, "qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool LanguageTranslator::isChinese(const char* context) const {
    if (context && followsRecorderRule(context))
        return m_language != 1;
    return m_language == 0;
}

QString LanguageTranslator::translate(const char* context, const char* sourceText,
                                      const char* disambiguation, int n) const {
    if (!isChinese(context))
        return m_english.translate(context, sourceText, disambiguation, n);
    const QString text = m_chinese.translate(context, sourceText, disambiguation, n);
    return text.isNull() ? m_qtChinese.translate(context, sourceText, disambiguation, n) : text;
}

} // namespace monctl
