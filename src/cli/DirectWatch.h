#pragma once

#include "cli/CommandLine.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace monctl {

// A watch of devices the running window lacks, by a monctl of its own that opens them itself
// and prints beside the window's watch on the same standard output. Ended (and waited for)
// at destruction.
class DirectWatch {
public:
    DirectWatch(const CliRequest& request, const std::vector<std::string>& ports);
    ~DirectWatch();
    DirectWatch(const DirectWatch&) = delete;
    DirectWatch& operator=(const DirectWatch&) = delete;

private:
    pid_t m_pid = -1;
};

} // namespace monctl
