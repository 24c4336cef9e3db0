#pragma once

namespace monctl {

// Ctrl+C and SIGTERM for a command that runs until interrupted (a watch), caught from its
// first moment and kept for whichever loop runs at the time: the window's or the ports'.
// Call catchInterrupts() once, first thing; the others from any thread.
void catchInterrupts();
bool interruptRequested();
// Readable once an interrupt came (and then for good); -1 before catchInterrupts().
int interruptDescriptor();

} // namespace monctl
