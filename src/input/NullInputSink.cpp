#include "input/NullInputSink.h"

#include <spdlog/spdlog.h>

namespace monctl {

void NullInputSink::drop() {
    if (std::exchange(m_said, true))
        return;
    spdlog::warn("The monitor's buttons cannot drive this desktop: {}", m_reason);
}

} // namespace monctl
