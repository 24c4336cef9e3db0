#pragma once

#include <spdlog/logger.h>

namespace monctl {

// The protocol trace: frame-level lines in their long-standing wording, so that a trace can
// be laid beside an older one line by line. Off until asked for (--trace, -vv); the verbose
// log tells what matters to a user in sentences of its own.
spdlog::logger& traceLog();

} // namespace monctl
