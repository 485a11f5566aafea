#include "request/RequestingSite.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "win/AsciiText.h"

namespace {

const char kLocalFile[] = "a file on this computer";

// Longer than any host name (253) with a scheme and a port: more is no origin a browser makes.
constexpr std::size_t kLongestOrigin = 2048;
constexpr std::size_t kLongestLabel = 63;
constexpr std::size_t kLongestHost = 253;

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f'); }

bool IsScheme(const std::string& scheme)
{
    if (scheme.empty() || !IsAsciiLetter(scheme[0])) return false;
    for (char c : scheme)
        if (!IsAsciiLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
    return true;
}

// A port of 0 to 65535, leading zeros allowed.
std::optional<unsigned> PortNumber(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 65535) return std::nullopt;
    }
    return value;
}

// The code points of strict UTF-8: no overlong form, no surrogate, nothing above U+10FFFF.
std::optional<std::u32string> DecodeUtf8(const std::string& text)
{
    std::u32string decoded;
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[at]);
        // The sequence's length, the lead byte's bits and the least code point it may encode.
        std::size_t length = 1;
        char32_t codePoint = lead;
        char32_t least = 0;
        if (lead >= 0xF0 && lead < 0xF8) {
            length = 4, codePoint = lead & 0x07, least = 0x10000;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3, codePoint = lead & 0x0F, least = 0x800;
        } else if (lead >= 0xC0 && lead < 0xE0) {
            length = 2, codePoint = lead & 0x1F, least = 0x80;
        } else if (lead >= 0x80) {
            return std::nullopt;
        }
        if (length > text.size() - at) return std::nullopt;
        for (std::size_t next = 1; next < length; ++next) {
            const unsigned char byte = static_cast<unsigned char>(text[at + next]);
            if ((byte & 0xC0) != 0x80) return std::nullopt;
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        if (codePoint < least || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return std::nullopt;
        decoded += codePoint;
        at += length;
    }
    return decoded;
}

// The characters a label shows as itself: those of host names as browsers resolve them. Any other
// ASCII character (a blank, "@", "/", "%"...) could make the host read as something it is not.
bool IsLabelCharacter(char32_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// One label in its ASCII form; nothing when it cannot be one.
std::optional<std::string> AsciiLabel(std::u32string label)
{
    if (label.empty()) return std::nullopt;
    bool ascii = true;
    for (char32_t& c : label) {
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        if (c < 0x80) {
            if (!IsLabelCharacter(c)) return std::nullopt;
        } else {
            // The C1 controls have no place in a name; the rest is shown encoded, so a look-alike
            // shows as the "xn--" label it is.
            if (c < 0xA0) return std::nullopt;
            ascii = false;
        }
    }
    std::string text;
    if (ascii) {
        for (char32_t c : label) text += static_cast<char>(c);
    } else {
        const std::optional<std::string> encoded = Punycode(label);
        if (!encoded) return std::nullopt;
        text = "xn--" + *encoded;
    }
    if (text.size() > kLongestLabel) return std::nullopt;
    return text;
}

// A host name in its ASCII form, lower case; one trailing dot (the root) is kept.
std::optional<std::string> AsciiHost(const std::string& host)
{
    const std::optional<std::u32string> codePoints = DecodeUtf8(host);
    if (!codePoints || codePoints->empty()) return std::nullopt;
    std::u32string name = *codePoints;
    const bool rooted = name.back() == U'.';
    if (rooted) name.pop_back();
    std::string ascii;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find(U'.', start);
        const std::optional<std::string> label = AsciiLabel(name.substr(start, dot == std::u32string::npos ? dot : dot - start));
        if (!label) return std::nullopt;
        ascii += *label;
        if (dot == std::u32string::npos) break;
        ascii += '.';
        start = dot + 1;
    }
    if (ascii.size() > kLongestHost) return std::nullopt;
    return rooted ? ascii + "." : ascii;
}

// A dotted IPv4 address as the tail of an IPv6 literal.
bool IsIpv4Text(const std::string& text)
{
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
        const std::optional<unsigned> value = part.size() <= 3 ? PortNumber(part) : std::nullopt;
        if (!value || *value > 255) return false;
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}

// The 16-bit groups of one side of an IPv6 literal ("" for none); -1 when it is none.
int Ipv6Groups(const std::string& side, bool mayEndInIpv4)
{
    if (side.empty()) return 0;
    int groups = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = side.find(':', start);
        const std::string group = side.substr(start, colon == std::string::npos ? colon : colon - start);
        if (colon == std::string::npos && mayEndInIpv4 && group.find('.') != std::string::npos) {
            if (!IsIpv4Text(group)) return -1;
            return groups + 2;
        }
        if (group.empty() || group.size() > 4) return -1;
        for (char c : group)
            if (!IsHexDigit(c)) return -1;
        ++groups;
        if (colon == std::string::npos) return groups;
        start = colon + 1;
    }
}

// An IPv6 address (lower case, no zone): eight groups, or fewer with one "::".
bool IsIpv6Text(const std::string& text)
{
    const std::size_t gap = text.find("::");
    if (gap == std::string::npos) return Ipv6Groups(text, true) == 8;
    if (text.find("::", gap + 1) != std::string::npos) return false;
    const int before = Ipv6Groups(text.substr(0, gap), false);
    const int after = Ipv6Groups(text.substr(gap + 2), true);
    return before >= 0 && after >= 0 && before + after <= 7;
}

// RFC 3492, 6.1.
std::size_t AdaptBias(std::uint64_t delta, std::uint64_t points, bool first)
{
    constexpr std::uint64_t base = 36, tMin = 1, tMax = 26, skew = 38, damp = 700;
    delta = first ? delta / damp : delta / 2;
    delta += delta / points;
    std::uint64_t k = 0;
    while (delta > ((base - tMin) * tMax) / 2) {
        delta /= base - tMin;
        k += base;
    }
    return static_cast<std::size_t>(k + (base - tMin + 1) * delta / (delta + skew));
}

char PunycodeDigit(std::uint64_t digit)
{
    return static_cast<char>(digit < 26 ? 'a' + digit : '0' + (digit - 26));
}

// A caption is cut where the dialog ends, and Wine's Save-As and Open dialogs, the narrowest the
// plug-in meets, show about 470 pixels of it: a site of 40 characters and the " asks" after it fit
// there even when every letter is the widest one ("m"). Two sites of 26 characters and the words
// between them fit with letters of common widths; only the bridge names a frame's top page, and
// its confirmation has shown both sites whole before.
constexpr std::size_t kLongestSiteInTitle = 40;
constexpr std::size_t kLongestFramedSiteInTitle = 26;

bool IsAllDigits(const std::string& text)
{
    for (char c : text)
        if (!IsDigit(c)) return false;
    return !text.empty();
}

// A shown origin in at most `longest` characters. A host name too long loses whole labels from its
// left, marked "...", so that its end, which says whose site it is, stays; when not even its last
// label fits, none is shown ("https://..."): a label cut inside could end in any name. The scheme
// and the port always stay; an address and "a file on this computer" are shown whole.
std::string ElidedOrigin(const std::string& shown, std::size_t longest)
{
    if (shown.size() <= longest) return shown;
    const std::size_t separator = shown.find("://");
    if (separator == std::string::npos) return shown;
    const std::size_t hostStart = separator + 3;
    const std::size_t portStart = std::min(shown.find(':', hostStart), shown.size());
    const std::string host = shown.substr(hostStart, portStart - hostStart);
    if (host.empty() || host[0] == '[') return shown;
    // A name whose last label is a number is an IPv4 address.
    const std::size_t lastDot = host.rfind('.');
    if (IsAllDigits(host.substr(lastDot == std::string::npos ? 0 : lastDot + 1))) return shown;

    // The longest end of whole labels that fits; the root's dot, when the name has one, stays.
    const std::string head = shown.substr(0, hostStart) + "...";
    const std::string port = shown.substr(portStart);
    for (std::size_t dot = host.find('.'); dot != std::string::npos; dot = host.find('.', dot + 1))
        if (head.size() + host.size() - dot - 1 + port.size() <= longest) return head + host.substr(dot + 1) + port;
    return head + port;
}

}  // namespace

std::optional<std::string> Punycode(const std::u32string& codePoints)
{
    constexpr std::uint64_t base = 36, tMin = 1, tMax = 26;
    // Far beyond any label; keeps every sum below far from overflowing.
    constexpr std::uint64_t kLargestDelta = std::uint64_t(1) << 40;
    std::string output;
    for (char32_t c : codePoints)
        if (c < 0x80) output += static_cast<char>(c);
    const std::uint64_t basic = output.size();
    if (basic > 0) output += '-';

    std::uint64_t n = 0x80, delta = 0, handled = basic;
    std::size_t bias = 72;
    while (handled < codePoints.size()) {
        std::uint64_t next = UINT64_MAX;
        for (char32_t c : codePoints)
            if (c >= n && c < next) next = c;
        delta += (next - n) * (handled + 1);
        if (delta > kLargestDelta) return std::nullopt;
        n = next;
        for (char32_t c : codePoints) {
            if (c < n && ++delta > kLargestDelta) return std::nullopt;
            if (c != n) continue;
            std::uint64_t q = delta;
            for (std::uint64_t k = base;; k += base) {
                const std::uint64_t t = k <= bias ? tMin : (k >= bias + tMax ? tMax : k - bias);
                if (q < t) break;
                output += PunycodeDigit(t + (q - t) % (base - t));
                q = (q - t) / (base - t);
            }
            output += PunycodeDigit(q);
            bias = AdaptBias(delta, handled + 1, handled == basic);
            delta = 0;
            ++handled;
        }
        ++delta;
        ++n;
    }
    return output;
}

std::optional<std::string> ShownOrigin(const std::string& origin)
{
    if (origin.size() > kLongestOrigin) return std::nullopt;
    const std::size_t separator = origin.find("://");
    if (separator == std::string::npos) return std::nullopt;
    std::string scheme = origin.substr(0, separator);
    if (!IsScheme(scheme)) return std::nullopt;
    for (char& c : scheme) c = ascii::ToLower(c);
    const std::string rest = origin.substr(separator + 3);
    // A page on another computer's share is no file on this one: not named at all.
    if (scheme == "file") return rest.empty() ? std::optional<std::string>(kLocalFile) : std::nullopt;

    std::string host;
    std::string portText;
    bool hasPort = false;
    if (!rest.empty() && rest[0] == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos) return std::nullopt;
        std::string address = rest.substr(1, close - 1);
        for (char& c : address) c = ascii::ToLower(c);
        if (!IsIpv6Text(address)) return std::nullopt;
        host = "[" + address + "]";
        const std::string after = rest.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') return std::nullopt;
            hasPort = true;
            portText = after.substr(1);
        }
    } else {
        const std::size_t colon = rest.find(':');
        const std::optional<std::string> name = AsciiHost(rest.substr(0, colon));
        if (!name) return std::nullopt;
        host = *name;
        if (colon != std::string::npos) {
            hasPort = true;
            portText = rest.substr(colon + 1);
        }
    }

    std::string shown = scheme + "://" + host;
    if (hasPort) {
        const std::optional<unsigned> port = PortNumber(portText);
        if (!port) return std::nullopt;
        const bool isDefault = (scheme == "http" && *port == 80) || (scheme == "https" && *port == 443);
        if (!isDefault) shown += ":" + std::to_string(*port);
    }
    return shown;
}

RequestingSite DescribeRequestingSite(const std::string& origin, const std::string& topOrigin)
{
    RequestingSite unknown;
    if (origin.empty()) {
        // A top page without the frame's own origin names nobody who could be checked.
        unknown.malformedOrigin = !topOrigin.empty();
        return unknown;
    }
    unknown.malformedOrigin = true;
    const std::optional<std::string> frame = ShownOrigin(origin);
    if (!frame) return unknown;
    RequestingSite site;
    site.frame = *frame;
    if (topOrigin.empty()) return site;
    const std::optional<std::string> top = ShownOrigin(topOrigin);
    if (!top) return unknown;
    if (*top != *frame) site.top = *top;
    return site;
}

std::string PhraseOf(const RequestingSite& site)
{
    if (!site.Known()) return std::string();
    return site.top.empty() ? site.frame : site.frame + ", in a frame of " + site.top;
}

std::string SubjectOf(const RequestingSite& site)
{
    if (!site.Known()) return "This page";
    std::string subject = PhraseOf(site);
    if (subject.compare(0, sizeof kLocalFile - 1, kLocalFile) == 0) subject[0] = 'A';
    if (!site.top.empty()) subject += ",";
    return subject;
}

std::string TitleAskedBy(const char* title, const RequestingSite& site)
{
    if (!site.Known()) return title;
    RequestingSite shown = site;
    const std::size_t longest = site.top.empty() ? kLongestSiteInTitle : kLongestFramedSiteInTitle;
    shown.frame = ElidedOrigin(site.frame, longest);
    if (!site.top.empty()) shown.top = ElidedOrigin(site.top, longest);
    return SubjectOf(shown) + " asks: " + title;
}
