#include "app/QtDescriptorWatch.h"

#include <QSocketNotifier>

namespace monctl {

QtDescriptorWatch::QtDescriptorWatch(int descriptor, Handler onReadable)
    : m_notifier(new QSocketNotifier(descriptor, QSocketNotifier::Read)) {
    // The handler travels with the notifier, so the watch may end inside it.
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier,
                     [handler = std::move(onReadable)] { handler(); });
}

QtDescriptorWatch::~QtDescriptorWatch() {
    m_notifier->setEnabled(false);
    m_notifier->deleteLater();
}

} // namespace monctl
