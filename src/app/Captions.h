#pragma once

#include "runtime/CurrentLanguage.h"

#include <array>
#include <cstdint>

namespace monctl {

struct Captions {
    const char* portTitle;
    const char* thresholdTitle;
    const char* modeTitle;
    const char* speedTitle;
    const char* timeSync;
    const char* getParameters;
    const char* fastRefresh;
    const char* settings;
    std::array<const char*, 3> modes;
    const char* noDevice;
    // The menu.
    const char* settingsMenuItem;
    const char* quitMenuItem;
    const char* aboutMenuItem;
    const char* fileMenu;
    const char* helpMenu;
};

const Captions& captionsFor(std::int32_t language);

constexpr std::array<const char*, 9> contrastEntries{"1", "2", "3", "4", "5", "6", "7", "8", "9"};
constexpr std::array<const char*, 5> speedEntries{"Fast", "Fast+", "Fast++", "Fast+++", "Fast++++"};

} // namespace monctl
