#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace monctl {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

} // namespace monctl
