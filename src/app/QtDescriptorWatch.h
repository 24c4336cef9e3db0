#pragma once

#include "runtime/DescriptorWatch.h"

class QSocketNotifier;

namespace monctl {

// A descriptor watched by the Qt event loop of the application.
class QtDescriptorWatch final : public DescriptorWatch {
public:
    QtDescriptorWatch(int descriptor, Handler onReadable);
    ~QtDescriptorWatch() override;
    QtDescriptorWatch(const QtDescriptorWatch&) = delete;
    QtDescriptorWatch& operator=(const QtDescriptorWatch&) = delete;

private:
    QSocketNotifier* m_notifier;
};

} // namespace monctl
