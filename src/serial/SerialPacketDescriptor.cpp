#include "serial/SerialPacketDescriptor.h"

#include "runtime/Utf8.h"
#include "serial/Uuid.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <pcre2.h>
#include <vector>

namespace monctl {
namespace {

bool startsWith(const std::uint8_t* data, std::size_t length, const Bytes& part) {
    return part.size() <= length && std::equal(part.begin(), part.end(), data);
}

bool endsWith(const Bytes& data, const Bytes& part) {
    return part.size() <= data.size() && std::equal(part.rbegin(), part.rend(), data.rbegin());
}

bool isContinuationByte(std::uint8_t byte) {
    return (byte & 0xC0) == 0x80;
}

bool prefixSuffixTest(const std::optional<Bytes>& prefix, const std::optional<Bytes>& suffix,
                      const Bytes& candidate) {
    if (!prefix && !suffix)
        return false;
    if ((prefix && prefix->size() > candidate.size()) ||
        (suffix && suffix->size() > candidate.size()))
        return false;
    if (prefix && !startsWith(candidate.data(), candidate.size(), *prefix))
        return false;
    return !suffix || suffix->empty() || endsWith(candidate, *suffix);
}

} // namespace

std::shared_ptr<const RegularExpression> RegularExpression::compile(const std::string& pattern) {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                                     PCRE2_UTF | PCRE2_ANCHORED, &error, &offset, nullptr);
    if (!code)
        return nullptr;
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE); // faster where the platform has a JIT
    return std::shared_ptr<const RegularExpression>(new RegularExpression(pattern, code));
}

RegularExpression::~RegularExpression() {
    pcre2_code_free(static_cast<pcre2_code*>(m_code));
}

bool RegularExpression::matchesAtStart(const std::uint8_t* text, std::size_t length) const {
    thread_local std::unique_ptr<pcre2_match_data, void (*)(pcre2_match_data*)> matchData(
        pcre2_match_data_create(1, nullptr), pcre2_match_data_free);
    return pcre2_match(static_cast<const pcre2_code*>(m_code), text, length, 0,
                       PCRE2_ANCHORED | PCRE2_NO_UTF_CHECK, matchData.get(), nullptr) >= 0;
}

SerialPacketDescriptor::SerialPacketDescriptor(std::uint64_t maximumPacketLength, std::any userInfo,
                                               Evaluator responseEvaluator)
    : m_maximumPacketLength(maximumPacketLength), m_userInfo(std::move(userInfo)),
      m_uuid(makeUuidString()),
      m_responseEvaluator(responseEvaluator
                              ? std::move(responseEvaluator)
                              : Evaluator([](const Bytes& data) { return !data.empty(); })) {}

std::shared_ptr<const SerialPacketDescriptor>
SerialPacketDescriptor::withPacketData(Bytes packetData, std::any userInfo) {
    auto test = [packetData](const Bytes& candidate) { return candidate == packetData; };
    auto descriptor =
        std::make_shared<SerialPacketDescriptor>(packetData.size(), std::move(userInfo), test);
    descriptor->m_packetData = std::move(packetData);
    return descriptor;
}

std::shared_ptr<const SerialPacketDescriptor>
SerialPacketDescriptor::withPrefix(std::optional<Bytes> prefix, std::optional<Bytes> suffix,
                                   std::uint64_t maximumPacketLength, std::any userInfo) {
    auto test = [prefix, suffix](const Bytes& candidate) {
        return prefixSuffixTest(prefix, suffix, candidate);
    };
    auto descriptor =
        std::make_shared<SerialPacketDescriptor>(maximumPacketLength, std::move(userInfo), test);
    descriptor->m_prefix = std::move(prefix);
    descriptor->m_suffix = std::move(suffix);
    return descriptor;
}

std::shared_ptr<const SerialPacketDescriptor>
SerialPacketDescriptor::withPrefixString(const std::optional<std::string>& prefix,
                                         const std::optional<std::string>& suffix,
                                         std::uint64_t maximumPacketLength, std::any userInfo) {
    const auto bytes = [](const std::optional<std::string>& text) {
        return text ? std::optional<Bytes>(bytesOf(*text)) : std::nullopt;
    };
    return withPrefix(bytes(prefix), bytes(suffix), maximumPacketLength, std::move(userInfo));
}

std::shared_ptr<const SerialPacketDescriptor> SerialPacketDescriptor::withRegularExpression(
    const std::string& pattern, std::uint64_t maximumPacketLength, std::any userInfo) {
    auto regex = RegularExpression::compile(pattern);
    if (!regex)
        return nullptr;
    auto test = [regex](const Bytes& candidate) {
        return isValidUtf8(candidate) && regex->matchesAtStart(candidate.data(), candidate.size());
    };
    auto descriptor =
        std::make_shared<SerialPacketDescriptor>(maximumPacketLength, std::move(userInfo), test);
    descriptor->m_regex = std::move(regex);
    return descriptor;
}

bool SerialPacketDescriptor::dataIsValidPacket(const Bytes& candidate) const {
    return !m_responseEvaluator || m_responseEvaluator(candidate);
}

std::optional<Bytes>
SerialPacketDescriptor::packetMatchingAtEndOfBufferTryingEveryLength(const Bytes& buffer) const {
    for (std::size_t length = 1; length <= buffer.size(); ++length) {
        Bytes candidate(buffer.end() - static_cast<long>(length), buffer.end());
        if (dataIsValidPacket(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<Bytes>
SerialPacketDescriptor::packetMatchingAtEndOfBuffer(const Bytes& buffer) const {
    if (buffer.empty())
        return std::nullopt;
    if (m_prefix || m_suffix)
        return prefixSuffixSearch(buffer);
    if (m_regex)
        return regularExpressionSearch(buffer);
    return packetMatchingAtEndOfBufferTryingEveryLength(buffer);
}

// Every candidate ends where the buffer ends, so the suffix is tested once; then only the
// starts where the prefix stands are tried, latest first (the shortest candidate wins).
std::optional<Bytes> SerialPacketDescriptor::prefixSuffixSearch(const Bytes& buffer) const {
    const std::size_t prefixLength = m_prefix ? m_prefix->size() : 0;
    const std::size_t suffixLength = m_suffix ? m_suffix->size() : 0;
    if (m_suffix && !endsWith(buffer, *m_suffix))
        return std::nullopt;
    const std::size_t shortest = std::max({prefixLength, suffixLength, std::size_t{1}});
    if (shortest > buffer.size())
        return std::nullopt;
    for (std::size_t start = buffer.size() - shortest + 1; start-- > 0;) {
        if (!m_prefix || startsWith(buffer.data() + start, buffer.size() - start, *m_prefix))
            return Bytes(buffer.begin() + static_cast<long>(start), buffer.end());
    }
    return std::nullopt;
}

// Candidates are tried latest start first (the shortest wins). A candidate is text only when
// it starts a UTF-8 sequence and everything from there on is valid; going backwards, the
// first invalid sequence ends the search, since every longer candidate holds it too.
std::optional<Bytes> SerialPacketDescriptor::regularExpressionSearch(const Bytes& buffer) const {
    thread_local std::vector<std::uint8_t> validFrom; // kept between calls: no allocation per byte
    validFrom.assign(buffer.size() + 1, 0);
    validFrom[buffer.size()] = 1;
    for (std::size_t start = buffer.size(); start-- > 0;) {
        if (isContinuationByte(buffer[start]))
            continue;
        const auto length = utf8SequenceLength(buffer, start);
        if (length == 0)
            return std::nullopt;
        if (!validFrom[start + length])
            continue;
        validFrom[start] = 1;
        if (m_regex->matchesAtStart(buffer.data() + start, buffer.size() - start))
            return Bytes(buffer.begin() + static_cast<long>(start), buffer.end());
    }
    return std::nullopt;
}

} // namespace monctl
