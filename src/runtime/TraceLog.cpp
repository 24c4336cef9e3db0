#include "runtime/TraceLog.h"

#include <spdlog/sinks/stdout_color_sinks.h>

namespace monctl {

spdlog::logger& traceLog() {
    static const auto logger = [] {
        auto made = std::make_shared<spdlog::logger>(
            "trace", std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
        made->set_level(spdlog::level::off);
        return made;
    }();
    return *logger;
}

} // namespace monctl
