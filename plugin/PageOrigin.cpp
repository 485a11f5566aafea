// An address or origin text, as a browser gives it, reduced to its origin.
#include "plugin/PageOrigin.h"

#include <cstdint>
#include <vector>

namespace {

constexpr std::size_t kLongestScheme = 32;
constexpr std::size_t kLongestAuthority = 1024;
constexpr std::size_t kLongestHost = 253;  // the longest DNS name in its text form
constexpr std::size_t kLongestPort = 5;
constexpr unsigned long kHighestPort = 65535;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsHostCharacter(char c) { return IsAsciiLetter(c) || IsDigit(c) || c == '-' || c == '_'; }

// Where the ':' that ends the address's scheme is, or npos when it starts with no scheme.
std::string_view::size_type SchemeEnd(std::string_view address)
{
    if (address.empty() || !IsAsciiLetter(address[0])) return std::string_view::npos;
    for (std::size_t i = 1; i < address.size() && i <= kLongestScheme; ++i) {
        const char c = address[i];
        if (c == ':') return i;
        if (!IsAsciiLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') break;
    }
    return std::string_view::npos;
}

// The code points of strict UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool DecodeUtf8(std::string_view text, std::vector<uint32_t>& points)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) return false;
        points.push_back(point);
        i += length;
    }
    return true;
}

// Punycode (RFC 3492) of one label's code points, appended to `out`; false on overflow.
bool AppendPunycode(const std::vector<uint32_t>& points, std::string& out)
{
    constexpr uint32_t kBase = 36, kTMin = 1, kTMax = 26, kSkew = 38, kDamp = 700;
    auto digit = [](uint32_t d) { return static_cast<char>(d < 26 ? 'a' + d : '0' + (d - 26)); };
    auto adapt = [&](uint32_t delta, uint32_t count, bool first) {
        delta = first ? delta / kDamp : delta / 2;
        delta += delta / count;
        uint32_t k = 0;
        for (; delta > ((kBase - kTMin) * kTMax) / 2; k += kBase) delta /= kBase - kTMin;
        return k + (kBase - kTMin + 1) * delta / (delta + kSkew);
    };
    uint32_t basic = 0;
    for (uint32_t point : points)
        if (point < 0x80) {
            out += static_cast<char>(point);
            ++basic;
        }
    if (basic > 0) out += '-';
    uint32_t n = 0x80, delta = 0, bias = 72, handled = basic;
    while (handled < points.size()) {
        uint32_t next = UINT32_MAX;
        for (uint32_t point : points)
            if (point >= n && point < next) next = point;
        if (next - n > (UINT32_MAX - delta) / (handled + 1)) return false;
        delta += (next - n) * (handled + 1);
        n = next;
        for (uint32_t point : points) {
            if (point < n && ++delta == 0) return false;
            if (point != n) continue;
            uint32_t q = delta;
            for (uint32_t k = kBase;; k += kBase) {
                const uint32_t t = k <= bias ? kTMin : k >= bias + kTMax ? kTMax : k - bias;
                if (q < t) break;
                out += digit(t + (q - t) % (kBase - t));
                q = (q - t) / (kBase - t);
            }
            out += digit(q);
            bias = adapt(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return true;
}

// One label of a name in lower-case ASCII: as it is, or "xn--" and its Punycode.
bool AppendLabel(std::string_view label, std::string& out)
{
    bool ascii = true;
    for (char c : label) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    std::vector<uint32_t> points;
    if (!ascii && !DecodeUtf8(label, points)) return false;
    for (char c : label)
        if (static_cast<unsigned char>(c) < 0x80 && !IsHostCharacter(c)) return false;
    if (ascii) {
        for (char c : label) out += Lower(c);
        return true;
    }
    for (uint32_t& point : points)
        if (point < 0x80) point = static_cast<unsigned char>(Lower(static_cast<char>(point)));
    out += "xn--";
    return AppendPunycode(points, out);
}

// The host as an origin shows it: a name, or an address literal in brackets; empty when it is none.
std::string AsciiHost(std::string_view host)
{
    std::string out;
    if (!host.empty() && host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return {};
        for (char c : host.substr(1, host.size() - 2)) {
            if (!IsHexDigit(c) && c != ':' && c != '.') return {};
            out += Lower(c);
        }
        return "[" + out + "]";
    }
    bool named = false;
    for (std::size_t start = 0; start <= host.size();) {
        std::size_t dot = host.find('.', start);
        if (dot == std::string_view::npos) dot = host.size();
        named = named || dot > start;
        if (!AppendLabel(host.substr(start, dot - start), out)) return {};
        if (dot < host.size()) out += '.';
        start = dot + 1;
    }
    return named && out.size() <= kLongestHost ? out : std::string();
}

}  // namespace

std::string OriginOfAddress(std::string_view address)
{
    const std::size_t colon = SchemeEnd(address);
    if (colon == std::string_view::npos) return {};
    std::string scheme;
    for (char c : address.substr(0, colon)) scheme += Lower(c);
    if (scheme == "file") return "file://";
    if (scheme != "http" && scheme != "https") return {};
    if (address.substr(colon + 1, 2) != "//") return {};

    const std::string_view rest = address.substr(colon + 3);
    std::size_t end = 0;
    // A backslash ends the authority too, as browsers parse http and https addresses.
    while (end < rest.size() && rest[end] != '/' && rest[end] != '\\' && rest[end] != '?' && rest[end] != '#') {
        if (++end > kLongestAuthority) return {};
    }
    std::string_view authority = rest.substr(0, end);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority.remove_prefix(at + 1);

    // The port follows the last ':' that is not inside an address literal's brackets.
    std::size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos && authority.find(']', portColon) != std::string_view::npos)
        portColon = std::string_view::npos;
    const std::string host = AsciiHost(authority.substr(0, portColon));
    if (host.empty()) return {};

    std::string origin = scheme + "://" + host;
    if (portColon == std::string_view::npos) return origin;
    const std::string_view digits = authority.substr(portColon + 1);
    if (digits.size() > kLongestPort) return {};
    unsigned long port = 0;
    for (char c : digits) {
        if (!IsDigit(c)) return {};
        port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    const unsigned long defaultPort = scheme == "https" ? 443 : 80;
    if (port > kHighestPort) return {};
    if (!digits.empty() && port != defaultPort) origin += ":" + std::to_string(port);
    return origin;
}
