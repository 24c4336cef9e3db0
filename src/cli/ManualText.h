#pragma once

#include <CLI/App.hpp>
#include <string>

namespace monctl {

// The sections of the man page made from what also drives the program, in roff, so that the page
// cannot fall behind the parser or the preferences.
std::string manualOptions(const CLI::App& app);
std::string manualPreferenceKeys();

} // namespace monctl
