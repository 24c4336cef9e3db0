#pragma once

#include "runtime/DescriptorWatch.h"

#include <QSocketNotifier>

namespace monctl {

// A descriptor watched in one direction (Read or Write) by the Qt event loop of the
// application.
class QtDescriptorWatch final : public DescriptorWatch {
public:
    QtDescriptorWatch(int descriptor, QSocketNotifier::Type direction, Handler onReady);
    ~QtDescriptorWatch() override;
    QtDescriptorWatch(const QtDescriptorWatch&) = delete;
    QtDescriptorWatch& operator=(const QtDescriptorWatch&) = delete;

private:
    QSocketNotifier* m_notifier;
};

} // namespace monctl
