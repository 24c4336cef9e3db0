#include "cli/Interrupts.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace monctl {
namespace {

volatile std::sig_atomic_t interrupted = 0;
int interruptPipe[2] = {-1, -1};

// Only what a signal handler may do: the byte is never read, so the end stays readable.
void onInterrupt(int) {
    interrupted = 1;
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

} // namespace

void catchInterrupts() {
    if (interruptPipe[0] >= 0 || ::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool interruptRequested() {
    return interrupted != 0;
}

int interruptDescriptor() {
    return interruptPipe[0];
}

} // namespace monctl
