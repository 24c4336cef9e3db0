#include "windows/ShortcutReachNote.h"

#include "windows/DesktopShortcutIds.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace monctl {
namespace {

bool onKde() {
    return qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(':').contains("KDE");
}

} // namespace

ShortcutReachNote::ShortcutReachNote(std::shared_ptr<DesktopShortcuts> desktop,
                                     bool keysSeenEverywhere, QWidget* parent)
    : QWidget(parent), m_desktop(std::move(desktop)), m_keysSeenEverywhere(keysSeenEverywhere),
      m_line(new QLabel(this)), m_configure(new QPushButton(this)),
      m_changes(m_desktop->changed.connect([this] { refresh(); })) {
    setObjectName("shortcutReachNote");
    m_line->setWordWrap(true);
    m_configure->setObjectName("configureDesktopShortcuts");
    m_configure->setAutoDefault(false);
    connect(m_configure, &QPushButton::clicked, this, [this] { m_desktop->configure(); });
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_line, 1);
    row->addWidget(m_configure);
    refresh();
}

QString ShortcutReachNote::text() const {
    return m_line->text();
}

void ShortcutReachNote::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange)
        refresh();
    QWidget::changeEvent(event);
}

void ShortcutReachNote::refresh() {
    using State = DesktopShortcuts::State;
    QString text;
    const auto state = m_desktop->state();
    if (!m_keysSeenEverywhere) {
        switch (state) {
        case State::unbound:
            break;
        case State::binding:
            text = tr("Waiting for the desktop to bind the shortcuts…");
            break;
        case State::bound:
            text = boundText();
            break;
        case State::refused:
            text = refusedText();
            break;
        case State::gone:
            text = tr("Shortcuts work only while monctl is in front.");
            break;
        }
    }
    m_line->setText(text);
    m_configure->setText(tr("Configure…"));
    // After a refusal the button asks the desktop again: the only way to, since confirming
    // the same shortcuts asks nothing. An application id the desktop refused stays refused.
    const bool askAgain =
        state == State::refused && m_desktop->refusal() != DesktopShortcuts::Refusal::identity;
    m_configure->setVisible(
        !text.isEmpty() &&
        ((state == State::bound && m_desktop->offersConfiguration()) || askAgain));
    setVisible(!text.isEmpty());
}

QString ShortcutReachNote::refusedText() const {
    switch (m_desktop->refusal()) {
    case DesktopShortcuts::Refusal::identity:
        return tr("The desktop did not accept monctl's application id and binds no shortcuts "
                  "for it: they work only while monctl is in front.");
    case DesktopShortcuts::Refusal::session:
        return tr("The desktop opened no shortcut session for monctl: shortcuts work only while "
                  "monctl is in front.");
    default:
        return tr("The desktop did not bind the shortcuts: they work only while monctl is in "
                  "front.");
    }
}

QString ShortcutReachNote::boundText() const {
    bool unassigned = false;
    const auto triggerOf = [&](const char* id) {
        for (const auto& binding : m_desktop->bindings()) {
            if (binding.id == id && !binding.trigger.empty())
                return QString::fromStdString(binding.trigger);
        }
        unassigned = true;
        return tr("none");
    };
    QString text =
        tr("Bound by the desktop: fast refresh %1, contrast up %2, contrast down %3.")
            .arg(triggerOf(desktopShortcutIds[0].id), triggerOf(desktopShortcutIds[1].id),
                 triggerOf(desktopShortcutIds[2].id));
    if (!unassigned)
        return text;
    return text + " " +
           (onKde() ? tr("Assign the missing ones in System Settings → Shortcuts → monctl.")
                    : tr("Assign the missing ones in the desktop's keyboard shortcut settings."));
}

} // namespace monctl
