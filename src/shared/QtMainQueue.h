#pragma once

#include "runtime/MainQueue.h"

class QObject;

namespace monctl {

// The main queue of the window: tasks run on the Qt event loop of the given object's
// thread (the application). Uninstall it before the application object goes.
class QtMainQueue final : public MainQueue {
public:
    explicit QtMainQueue(QObject* application) : m_application(application) {}

    void post(Task task) override;
    bool isCurrentThread() const override;
    std::unique_ptr<DescriptorWatch> watchReadable(int descriptor,
                                                   DescriptorWatch::Handler onReadable) override;
    std::unique_ptr<DescriptorWatch> watchWritable(int descriptor,
                                                   DescriptorWatch::Handler onWritable) override;

private:
    QObject* m_application;
};

} // namespace monctl
