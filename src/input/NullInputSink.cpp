#include "input/NullInputSink.h"

#include <spdlog/spdlog.h>

namespace monctl {

void NullInputSink::drop() {
    if (m_said.exchange(true))
        return;
    spdlog::warn("The monitor's buttons cannot drive this desktop: {}", whyNull());
}

} // namespace monctl
