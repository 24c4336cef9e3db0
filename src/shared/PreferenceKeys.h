#pragma once

#include <array>

namespace monctl {

// A key of the preferences file's [General] group and what its value means to the user.
struct PreferenceKey {
    const char* name;
    const char* meaning;
};

// Every key Preferences writes, in its order; the man page lists them from here.
extern const std::array<PreferenceKey, 12> preferenceKeys;

} // namespace monctl
