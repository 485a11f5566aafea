#include "bridge/BridgeSender.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::string_view kFileOrigin = "file://";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Browsers write hexadecimal digits of an address in lower case.
int HexValue(char c)
{
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A decimal number as browsers write one: digits, no leading zero, at most `largest`.
bool IsPlainDecimal(std::string_view text, unsigned largest, unsigned& value)
{
    if (text.empty() || (text.size() > 1 && text[0] == '0')) return false;
    value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) return false;
        value = value * 10 + unsigned(c - '0');
        if (value > largest) return false;
    }
    return true;
}

bool IsDottedDecimalIpv4(std::string_view host)
{
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? host.find('.') : host.size();
        unsigned value = 0;
        if (dot == std::string_view::npos || !IsPlainDecimal(host.substr(0, dot), 255, value)) return false;
        host.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return true;
}

// URL parsers take a host whose last label (a trailing dot aside) is a number, decimal or "0x"
// hexadecimal, for an IPv4 address: such a host is serialized as one or refused.
bool EndsInNumber(std::string_view host)
{
    if (!host.empty() && host.back() == '.') host.remove_suffix(1);
    const std::size_t dot = host.rfind('.');
    const std::string_view last = dot == std::string_view::npos ? host : host.substr(dot + 1);
    if (last.empty()) return false;
    std::string_view digits = last;
    bool hex = false;
    if (last.size() >= 2 && last[0] == '0' && last[1] == 'x') {
        digits.remove_prefix(2);
        hex = true;
    }
    for (const char c : digits)
        if (hex ? HexValue(c) < 0 : !IsDigit(c)) return false;
    return true;
}

bool IsDomainCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || IsDigit(c) || c == '-' || c == '_';
}

bool IsDomain(std::string_view host)
{
    if (host.empty() || EndsInNumber(host)) return false;
    std::size_t labelLength = 0;
    for (std::size_t at = 0; at < host.size(); ++at) {
        if (host[at] == '.') {
            if (labelLength == 0) return false;
            labelLength = 0;
        } else if (IsDomainCharacter(host[at])) {
            ++labelLength;
        } else {
            return false;
        }
    }
    return true;
}

using Ipv6Pieces = std::array<std::uint16_t, 8>;

// The eight pieces of an address written as hexadecimal groups with at most one "::".
bool ParseIpv6(std::string_view text, Ipv6Pieces& pieces)
{
    pieces = {};
    std::size_t index = 0;
    std::size_t compress = pieces.size();  // none
    std::size_t at = 0;
    if (text.substr(0, 2) == "::") {
        at = 2;
        compress = 0;
    }
    while (at < text.size()) {
        if (index == pieces.size()) return false;
        if (text[at] == ':') {
            if (compress != pieces.size()) return false;
            compress = index;
            ++at;
            continue;
        }
        unsigned value = 0;
        std::size_t length = 0;
        for (; length < 4 && at < text.size() && HexValue(text[at]) >= 0; ++length, ++at)
            value = value * 16 + unsigned(HexValue(text[at]));
        if (length == 0) return false;
        pieces[index++] = std::uint16_t(value);
        if (at == text.size()) break;
        if (text[at] != ':' || ++at == text.size()) return false;
    }
    if (compress == pieces.size()) return index == pieces.size();
    // The pieces after the "::" move to the end; zeros fill the gap.
    for (std::size_t moved = 0; moved < index - compress; ++moved) {
        const std::size_t from = index - 1 - moved;
        const std::size_t to = pieces.size() - 1 - moved;
        if (from != to) {
            pieces[to] = pieces[from];
            pieces[from] = 0;
        }
    }
    return true;
}

// As browsers serialize an address: lower-case groups without leading zeros, the first longest run
// of two or more zero pieces written as "::", no IPv4 tail.
std::string SerializeIpv6(const Ipv6Pieces& pieces)
{
    std::size_t runStart = pieces.size();
    std::size_t runLength = 1;
    for (std::size_t at = 0; at < pieces.size();) {
        std::size_t end = at;
        while (end < pieces.size() && pieces[end] == 0) ++end;
        if (end - at > runLength) {
            runStart = at;
            runLength = end - at;
        }
        at = end == at ? at + 1 : end;
    }
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t at = 0; at < pieces.size(); ++at) {
        if (at == runStart) {
            text += at == 0 ? "::" : ":";
            at += runLength - 1;
            continue;
        }
        bool started = false;
        for (int shift = 12; shift >= 0; shift -= 4) {
            const int digit = pieces[at] >> shift & 0xF;
            if (digit == 0 && !started && shift > 0) continue;
            started = true;
            text += kDigits[digit];
        }
        if (at + 1 < pieces.size()) text += ':';
    }
    return text;
}

bool IsBracketedIpv6(std::string_view host)
{
    if (host.size() < 2 || host.front() != '[' || host.back() != ']') return false;
    const std::string_view address = host.substr(1, host.size() - 2);
    Ipv6Pieces pieces;
    return ParseIpv6(address, pieces) && SerializeIpv6(pieces) == address;
}

bool IsIpAddress(std::string_view host)
{
    return IsBracketedIpv6(host) || IsDottedDecimalIpv4(host);
}

struct OriginParts {
    std::string_view scheme;
    std::string_view host;
    std::string_view port;  // without its colon; empty when none was written
};

// The parts of "scheme://host[:port]" for http and https; false for any other shape.
bool SplitWebOrigin(std::string_view text, OriginParts& parts)
{
    const std::size_t separator = text.find("://");
    if (separator == std::string_view::npos) return false;
    parts.scheme = text.substr(0, separator);
    if (parts.scheme != "http" && parts.scheme != "https") return false;
    std::string_view rest = text.substr(separator + 3);
    // An IPv6 host holds colons of its own; the port's colon follows its bracket.
    const std::size_t hostEnd = !rest.empty() && rest[0] == '[' ? rest.find(']') : rest.find(':');
    if (hostEnd == std::string_view::npos) {
        parts.host = rest;
        parts.port = {};
        return true;
    }
    const std::size_t portColon = rest[0] == '[' ? hostEnd + 1 : hostEnd;
    parts.host = rest.substr(0, portColon);
    if (portColon == rest.size()) {
        parts.port = {};
        return true;
    }
    if (rest[portColon] != ':') return false;
    parts.port = rest.substr(portColon + 1);
    return !parts.port.empty();
}

}  // namespace

bool IsSerializedOrigin(const std::string& text)
{
    if (text.size() > kLongestOrigin) return false;
    if (text == kFileOrigin) return true;
    OriginParts parts;
    if (!SplitWebOrigin(text, parts)) return false;
    if (!parts.port.empty()) {
        unsigned port = 0;
        const unsigned defaultPort = parts.scheme == "http" ? 80 : 443;
        if (!IsPlainDecimal(parts.port, 65535, port) || port == 0 || port == defaultPort) return false;
    }
    return IsIpAddress(parts.host) || IsDomain(parts.host);
}

bool SenderFrameNamed(const std::string& word, SenderFrame& frame)
{
    static const struct {
        const char* word;
        SenderFrame frame;
    } kFrames[] = {{"top", SenderFrame::top}, {"sameSite", SenderFrame::sameSite}, {"crossSite", SenderFrame::crossSite}};
    for (const auto& known : kFrames) {
        if (word == known.word) {
            frame = known.frame;
            return true;
        }
    }
    return false;
}

bool MayBeSameSite(const std::string& origin, const std::string& otherOrigin)
{
    if (origin == otherOrigin) return true;
    OriginParts one;
    OriginParts other;
    if (!SplitWebOrigin(origin, one) || !SplitWebOrigin(otherOrigin, other)) return false;
    if (one.scheme != other.scheme) return false;
    // An address is a site of its own: no other host shares it.
    return !(IsIpAddress(one.host) || IsIpAddress(other.host)) || one.host == other.host;
}
