#include "app/QtMainQueue.h"

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

} // namespace monctl
