#pragma once

#include <QTranslator>
#include <cstdint>

namespace monctl {

// The application's translations for an interface language: its own catalogs and, in
// Chinese, Qt's for its standard buttons and dialogs. 0 is Chinese, 1 English. Any other
// value (only a hand-edited preferences file holds one) keeps how the windows have always
// read it: English, except the shortcut recorder and its refusal texts, which are English
// for 1 only. Main thread only.
class LanguageTranslator final : public QTranslator {
public:
    LanguageTranslator();

    void setLanguage(std::int32_t language) { m_language = language; }

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    bool isChinese(const char* context) const;

    std::int32_t m_language = 0;
    QTranslator m_chinese;
    QTranslator m_english;
    QTranslator m_qtChinese;
};

} // namespace monctl
