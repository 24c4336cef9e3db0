#include "shared/CurrentLanguage.h"

#include "shared/LanguageTranslator.h"

#include <QCoreApplication>
#include <QEvent>

namespace monctl {
namespace {

struct Language {
    std::int32_t value = 0;
    LanguageTranslator translator;
    bool installed = false;
};

Language& language() {
    static Language current;
    return current;
}

} // namespace

std::int32_t CurrentLanguage() {
    return language().value;
}

void changeCurrentLanguage(std::int32_t value) {
    auto& current = language();
    if (current.installed && current.value == value)
        return;
    current.value = value;
    current.translator.setLanguage(value);
    if (!QCoreApplication::instance())
        return;
    if (current.installed) {
        QEvent change(QEvent::LanguageChange);
        QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    } else {
        current.installed = QCoreApplication::installTranslator(&current.translator);
    }
    // The application posts the event to each window: delivered now, so that a choice in the
    // settings shows at once.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
}

} // namespace monctl
