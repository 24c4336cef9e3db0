#include "shared/QtDescriptorWatch.h"

#include <QCoreApplication>

namespace monctl {

QtDescriptorWatch::QtDescriptorWatch(int descriptor, QSocketNotifier::Type direction,
                                     Handler onReady)
    : m_notifier(new QSocketNotifier(descriptor, direction)) {
    // The handler travels with the notifier, so the watch may end inside it.
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier,
                     [handler = std::move(onReady)] { handler(); });
}

// The notifier may be in the middle of delivering its signal, so it goes once the loop is
// back; after the application has gone (ports closed at exit) there is no loop to wait for.
QtDescriptorWatch::~QtDescriptorWatch() {
    if (!QCoreApplication::instance()) {
        delete m_notifier;
        return;
    }
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
}

} // namespace monctl
