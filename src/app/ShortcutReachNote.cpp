#include "app/ShortcutReachNote.h"

#include "app/DesktopShortcutIds.h"

#include <QEvent>

namespace monctl {

ShortcutReachNote::ShortcutReachNote(std::shared_ptr<DesktopShortcuts> desktop,
                                     bool keysSeenEverywhere, QWidget* parent)
    : QLabel(parent), m_desktop(std::move(desktop)), m_keysSeenEverywhere(keysSeenEverywhere),
      m_changes(m_desktop->changed.connect([this] { refresh(); })) {
    setObjectName("shortcutReachNote");
    setWordWrap(true);
    refresh();
}

void ShortcutReachNote::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        refresh();
    QLabel::changeEvent(event);
}

void ShortcutReachNote::refresh() {
    using State = DesktopShortcuts::State;
    QString text;
    if (!m_keysSeenEverywhere) {
        switch (m_desktop->state()) {
        case State::unbound:
            break;
        case State::binding:
            text = tr("Waiting for the desktop to bind the shortcuts…");
            break;
        case State::bound:
            text = boundText();
            break;
        case State::refused:
            text = tr("The desktop did not bind the shortcuts: they work only while monctl is "
                      "in front.");
            break;
        case State::gone:
            text = tr("Shortcuts work only while monctl is in front.");
            break;
        }
    }
    setText(text);
    setVisible(!text.isEmpty());
}

QString ShortcutReachNote::boundText() const {
    const auto triggerOf = [this](const char* id) {
        for (const auto& binding : m_desktop->bindings()) {
            if (binding.id == id && !binding.trigger.empty())
                return QString::fromStdString(binding.trigger);
        }
        return tr("none");
    };
    return tr("Bound by the desktop: fast refresh %1, contrast up %2, contrast down %3")
        .arg(triggerOf(desktopShortcutIds[0].id), triggerOf(desktopShortcutIds[1].id),
             triggerOf(desktopShortcutIds[2].id));
}

} // namespace monctl
