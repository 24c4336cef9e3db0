#include "shared/QtMainQueue.h"

#include "shared/QtDescriptorWatch.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace monctl {

void QtMainQueue::post(Task task) {
    QMetaObject::invokeMethod(m_application, std::move(task), Qt::QueuedConnection);
}

bool QtMainQueue::isCurrentThread() const {
    return QThread::currentThread() == m_application->thread();
}

std::unique_ptr<DescriptorWatch> QtMainQueue::watchReadable(int descriptor,
                                                            DescriptorWatch::Handler onReadable) {
    return std::make_unique<QtDescriptorWatch>(descriptor, QSocketNotifier::Read,
                                               std::move(onReadable));
}

std::unique_ptr<DescriptorWatch> QtMainQueue::watchWritable(int descriptor,
                                                            DescriptorWatch::Handler onWritable) {
    return std::make_unique<QtDescriptorWatch>(descriptor, QSocketNotifier::Write,
                                               std::move(onWritable));
}

} // namespace monctl
