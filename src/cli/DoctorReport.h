#pragma once

#include "cli/CommandLine.h"

namespace monctl {

class AsioMainQueue;

// `monctl doctor`: prints what monctl finds on this machine (the session and its backends,
// udev, every serial device and who may open or holds it, whether it answers as a monitor,
// programs known to take serial devices, the preferences file) as plain text a user can
// paste into a bug report. Always status 0. Runs on the main queue's thread.
int runDoctor(const CliRequest& request, AsioMainQueue& main);

} // namespace monctl
