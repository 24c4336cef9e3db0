#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace monctl {

// Length of the UTF-8 sequence at `at`, or 0 when it is malformed (overlong forms,
// surrogates and code points above U+10FFFF included) or cut short.
std::size_t utf8SequenceLength(std::span<const std::uint8_t> bytes, std::size_t at);
bool isValidUtf8(std::span<const std::uint8_t> bytes);

} // namespace monctl
