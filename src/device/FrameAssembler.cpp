#include "device/FrameAssembler.h"

#include "device/Protocol.h"

#include <algorithm>
#include <cctype>

namespace monctl {
namespace {

using Protocol::findMarker;
using Protocol::marker;
using Protocol::markerCharactersAt;
constexpr std::size_t markerTail = marker.size() - 1;

bool isShortType(std::uint32_t type) {
    return type == 0x01 || type == 0x02 || type == 0x04 || type == 0x06;
}

// Whether the text ends in the beginning of a marker that starts after its first character
// and before `position`.
bool endsInMarkerStartBefore(const std::string& text, std::size_t position) {
    const auto first =
        std::max<std::size_t>(1, text.size() > markerTail ? text.size() - markerTail : 0);
    for (auto at = first; at < std::min(position, text.size()); ++at) {
        if (markerCharactersAt(text, at) == text.size() - at)
            return true;
    }
    return false;
}

std::uint32_t hexValue(char digit) {
    const int c = std::toupper(static_cast<unsigned char>(digit));
    return static_cast<std::uint32_t>(c <= '9' ? c - '0' : c - 'A' + 10);
}

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::vector<DeviceFrame> FrameAssembler::feed(const Bytes& chunk) {
    m_pending.append(chunk.begin(), chunk.end());
    std::vector<DeviceFrame> frames;
    for (;;) {
        const auto start = findMarker(m_pending, 0);
        if (start == std::string::npos) {
            // Keep what may be the beginning of a marker.
            m_pending.erase(0, m_pending.size() > markerTail ? m_pending.size() - markerTail : 0);
            break;
        }
        m_pending.erase(0, start);
        DeviceFrame frame;
        std::size_t end = 0;
        const auto scan = scanFrame(frame, end);
        if (scan == Scan::incomplete)
            break;
        if (scan == Scan::complete)
            frames.push_back(frame);
        m_pending.erase(0, end);
    }
    return frames;
}

// The frame at the start of the pending text, which begins with a marker. Its text ends
// where the next marker begins, even one that overlaps its own (a truncated marker), and
// after at most `capacity` characters. Nothing is decided that text still to come could
// change, so the frames found do not depend on how the stream was cut into chunks.
FrameAssembler::Scan FrameAssembler::scanFrame(DeviceFrame& frame, std::size_t& end) const {
    const auto next = findMarker(m_pending, 1);
    const bool cut = next != std::string::npos;
    const auto limit = std::min(cut ? next : m_pending.size(), capacity);
    std::uint32_t fields[4] = {};
    std::size_t needed = 2;
    std::size_t count = 0;
    std::size_t at = marker.size();
    while (count < needed) {
        while (at < limit && std::isspace(static_cast<unsigned char>(m_pending[at])))
            ++at;
        if (at + 2 > limit) {
            if (!cut && m_pending.size() < capacity)
                return Scan::incomplete;
            // No marker begins before the next one (or the last few characters).
            end = cut ? next : m_pending.size() - markerTail;
            return Scan::broken;
        }
        if (!isHex(m_pending[at]) || !isHex(m_pending[at + 1])) {
            end = at;
            return Scan::broken;
        }
        fields[count++] = hexValue(m_pending[at]) * 16 + hexValue(m_pending[at + 1]);
        at += 2;
        if (count == 1)
            needed = isShortType(fields[0]) ? 2 : 4;
    }
    // A marker whose beginning ends the text would, once whole, cut the frame short.
    if (!cut && endsInMarkerStartBefore(m_pending, at))
        return Scan::incomplete;
    frame.header = Protocol::markerValue;
    frame.command = fields[0];
    frame.commandRe = fields[1];
    frame.commandRq = fields[2];
    frame.commandReValue = fields[3];
    frame.fieldCount = static_cast<int>(1 + count);
    end = at;
    return Scan::complete;
}

} // namespace monctl
