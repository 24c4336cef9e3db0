#pragma once

#include "runtime/Bytes.h"

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace monctl {

class RegularExpression;

// What a packet in the received stream looks like: exact bytes, a prefix and suffix, a
// regular expression (anchored at the packet's start, over its UTF-8 text), or any test; and
// how long it may be. Immutable, shared freely between threads; its identity is a random
// UUID made at creation, so two descriptors made alike are different descriptors.
class SerialPacketDescriptor {
public:
    using Evaluator = std::function<bool(const Bytes&)>;

    // The designated form: without an evaluator, every non-empty byte string is a packet.
    SerialPacketDescriptor(std::uint64_t maximumPacketLength, std::any userInfo,
                           Evaluator responseEvaluator);
    static std::shared_ptr<const SerialPacketDescriptor> withPacketData(Bytes packetData,
                                                                        std::any userInfo = {});
    static std::shared_ptr<const SerialPacketDescriptor>
    withPrefix(std::optional<Bytes> prefix, std::optional<Bytes> suffix,
               std::uint64_t maximumPacketLength, std::any userInfo = {});
    static std::shared_ptr<const SerialPacketDescriptor>
    withPrefixString(const std::optional<std::string>& prefix,
                     const std::optional<std::string>& suffix, std::uint64_t maximumPacketLength,
                     std::any userInfo = {});
    // None when the pattern does not compile.
    static std::shared_ptr<const SerialPacketDescriptor>
    withRegularExpression(const std::string& pattern, std::uint64_t maximumPacketLength,
                          std::any userInfo = {});

    const std::optional<Bytes>& packetData() const { return m_packetData; }
    const std::optional<Bytes>& prefix() const { return m_prefix; }
    const std::optional<Bytes>& suffix() const { return m_suffix; }
    const std::shared_ptr<const RegularExpression>& regularExpression() const { return m_regex; }
    std::uint64_t maximumPacketLength() const { return m_maximumPacketLength; }
    const std::any& userInfo() const { return m_userInfo; }
    const std::string& uuid() const { return m_uuid; }
    const Evaluator& responseEvaluator() const { return m_responseEvaluator; }

    bool dataIsValidPacket(const Bytes& candidate) const;
    // The shortest packet that ends at the buffer's last byte. Prefix/suffix and regular-
    // expression descriptors look only at the candidates that can pass; the answers are those
    // of trying every length from 1 up.
    std::optional<Bytes> packetMatchingAtEndOfBuffer(const Bytes& buffer) const;
    // The plain search: every length from 1 up, each tested from scratch.
    std::optional<Bytes> packetMatchingAtEndOfBufferTryingEveryLength(const Bytes& buffer) const;

    bool operator==(const SerialPacketDescriptor& other) const { return m_uuid == other.m_uuid; }

private:
    std::optional<Bytes> prefixSuffixSearch(const Bytes& buffer) const;
    std::optional<Bytes> regularExpressionSearch(const Bytes& buffer) const;

    std::optional<Bytes> m_packetData;
    std::optional<Bytes> m_prefix;
    std::optional<Bytes> m_suffix;
    std::shared_ptr<const RegularExpression> m_regex;
    std::uint64_t m_maximumPacketLength;
    std::any m_userInfo;
    std::string m_uuid;
    Evaluator m_responseEvaluator;
};

// A PCRE2 pattern, matched anchored at the subject's start, UTF-8.
class RegularExpression {
public:
    static std::shared_ptr<const RegularExpression> compile(const std::string& pattern);
    ~RegularExpression();
    RegularExpression(const RegularExpression&) = delete;
    RegularExpression& operator=(const RegularExpression&) = delete;

    const std::string& pattern() const { return m_pattern; }
    // Whether the pattern matches at the start of the text; the text must be valid UTF-8.
    bool matchesAtStart(const std::uint8_t* text, std::size_t length) const;

private:
    RegularExpression(std::string pattern, void* code)
        : m_pattern(std::move(pattern)), m_code(code) {}
    std::string m_pattern;
    void* m_code; // pcre2_code
};

} // namespace monctl
