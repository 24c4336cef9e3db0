#include "tray/DesktopNotifier.h"

#include "shared/AppIdentity.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <spdlog/spdlog.h>

namespace monctl {
namespace {

constexpr int expireAsTheServerChooses = -1;

} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)) {}

// A notice that comes while the server has not yet said the id of the one before waits
// for it: else both would open bubbles of their own. Only the newest waits.
void DesktopNotifier::show(const std::string& subject, Notice notice) {
    auto& state = m_subjects[subject];
    if (state.answerPending) {
        state.waiting = std::move(notice);
        return;
    }
    send(subject, notice);
}

void DesktopNotifier::send(const std::string& subject, const Notice& notice) {
    auto& state = m_subjects[subject];
    QVariantMap hints{
        {"x-canonical-private-synchronous", QString::fromStdString("monctl " + subject)},
        {"desktop-entry", QString(applicationId)}};
    if (notice.level)
        hints.insert("value", *notice.level);
    auto call = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                               "/org/freedesktop/Notifications",
                                               "org.freedesktop.Notifications", "Notify");
    call << QString("monctl") << state.lastId << QString(applicationId) << notice.summary
         << notice.body << QStringList() << hints << expireAsTheServerChooses;
    state.answerPending = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, subject](QDBusPendingCallWatcher* finished) {
                const QDBusPendingReply<quint32> reply = *finished;
                finished->deleteLater();
                if (reply.isError())
                    spdlog::debug("No notification shown: {}",
                                  reply.error().message().toStdString());
                answered(subject,
                         reply.isError() ? std::nullopt : std::optional<quint32>(reply.value()));
            });
}

void DesktopNotifier::answered(const std::string& subject, std::optional<quint32> id) {
    auto& state = m_subjects[subject];
    state.answerPending = false;
    if (id) {
        state.lastId = *id;
        emit shown(QString::fromStdString(subject), *id);
    }
    if (auto waiting = std::exchange(state.waiting, std::nullopt))
        send(subject, *waiting);
}

} // namespace monctl
