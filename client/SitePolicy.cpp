#include "client/SitePolicy.h"

#include <cstdio>

#include "win/AsciiText.h"

const char* const kAllowedSitesValue = "AllowedSites";
const char* const kBlockedSitesValue = "BlockedSites";
const char* const kAllowFramedSitesValue = "AllowFramedSites";

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) { return IsDigit(c) || (ascii::ToLower(c) >= 'a' && ascii::ToLower(c) <= 'f'); }
bool IsNameCharacter(char c)
{
    const char lower = ascii::ToLower(c);
    return (lower >= 'a' && lower <= 'z') || IsDigit(c) || c == '-' || c == '_';
}

std::string Lower(std::string text)
{
    for (char& c : text) c = ascii::ToLower(c);
    return text;
}

bool AllDigits(const std::string& text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

// A decimal number from 1 to `largest`, without leading zeros.
bool ParseNumber(const std::string& text, unsigned largest, unsigned& number)
{
    if (!AllDigits(text) || text.size() > 5 || text[0] == '0') return false;
    number = static_cast<unsigned>(std::stoul(text));
    return number <= largest;
}

// The last label ends the host in a number (decimal, or 0x and hex digits): browsers then read the
// host as an IPv4 address, never as a name.
bool EndsInANumber(const std::string& host)
{
    const std::size_t dot = host.rfind('.');
    const std::string last = dot == std::string::npos ? host : host.substr(dot + 1);
    if (AllDigits(last)) return true;
    if (last.size() < 2 || last[0] != '0' || ascii::ToLower(last[1]) != 'x') return false;
    for (std::size_t at = 2; at < last.size(); ++at)
        if (!IsHexDigit(last[at])) return false;
    return true;
}

// Four decimal parts of 0 to 255, no leading zeros (a browser reads 010 as octal).
bool IsPlainIpv4(const std::string& host)
{
    std::size_t start = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part == 3 ? host.size() : host.find('.', start);
        if (end == std::string::npos) return false;
        const std::string digits = host.substr(start, end - start);
        unsigned number = 0;
        if (digits != "0" && !ParseNumber(digits, 255, number)) return false;
        start = end + 1;
    }
    return true;
}

// The address inside the brackets as eight groups of four hex digits, so that every way of
// writing it (zeros compressed or not, letter case) compares equal.
bool CanonicalIpv6(const std::string& inside, std::string& canonical)
{
    std::vector<std::string> head, tail;
    std::vector<std::string>* groups = &head;
    bool compressed = false;
    std::size_t at = 0;
    if (inside.compare(0, 2, "::") == 0) {
        compressed = true;
        groups = &tail;
        at = 2;
    }
    while (at < inside.size()) {
        std::size_t end = inside.find(':', at);
        if (end == std::string::npos) end = inside.size();
        const std::string group = inside.substr(at, end - at);
        if (group.empty() || group.size() > 4) return false;
        for (char c : group)
            if (!IsHexDigit(c)) return false;
        groups->push_back(std::string(4 - group.size(), '0') + Lower(group));
        if (end == inside.size()) break;
        if (end + 1 == inside.size()) return false;  // a single ':' at the end
        if (inside[end + 1] == ':') {
            if (compressed) return false;
            compressed = true;
            groups = &tail;
            at = end + 2;
        } else {
            at = end + 1;
        }
    }
    const std::size_t written = head.size() + tail.size();
    if (compressed ? written > 7 : written != 8) return false;
    head.resize(8 - tail.size(), "0000");
    head.insert(head.end(), tail.begin(), tail.end());
    canonical = "[";
    for (std::size_t index = 0; index < head.size(); ++index) canonical += (index ? ":" : "") + head[index];
    canonical += "]";
    return true;
}

// A host name of the grammar, lower-cased; whyNot says what is wrong with it.
bool ParseHostName(const std::string& name, std::string& canonical, std::string& whyNot)
{
    if (name.empty()) {
        whyNot = "has no host";
        return false;
    }
    if (name.back() == '.') {
        whyNot = "ends its host with a dot";
        return false;
    }
    if (name.size() > 253) {
        whyNot = "has a host longer than 253 characters";
        return false;
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('.', start);
        if (end == std::string::npos) end = name.size();
        const std::string label = name.substr(start, end - start);
        if (label.empty()) {
            whyNot = "has an empty label in its host";
            return false;
        }
        if (label.size() > 63) {
            whyNot = "has a label longer than 63 characters";
            return false;
        }
        for (char c : label) {
            if (!IsNameCharacter(c)) {
                whyNot = std::string("has the character '") + c + "' in its host";
                return false;
            }
        }
        if (label.front() == '-' || label.back() == '-') {
            whyNot = "has a label that starts or ends with '-'";
            return false;
        }
        start = end + 1;
    }
    if (EndsInANumber(name)) {
        whyNot = "has a host that ends in a number but is no plain IPv4 address";
        return false;
    }
    canonical = Lower(name);
    return true;
}

// Splits "host[:port]" (the host possibly in brackets); null, or what is wrong.
const char* SplitHostAndPort(const std::string& authority, std::string& host, bool& hasPort, std::string& portText)
{
    std::size_t hostEnd = 0;
    if (!authority.empty() && authority[0] == '[') {
        hostEnd = authority.find(']');
        if (hostEnd == std::string::npos) return "has an IPv6 address not closed by ]";
        ++hostEnd;
    } else {
        hostEnd = authority.find(':');
        if (hostEnd == std::string::npos) hostEnd = authority.size();
    }
    host = authority.substr(0, hostEnd);
    hasPort = hostEnd < authority.size();
    if (hasPort && authority[hostEnd] != ':') return "has something other than a port after its IPv6 address";
    portText = hasPort ? authority.substr(hostEnd + 1) : std::string();
    return nullptr;
}

unsigned DefaultPort(SiteScheme scheme) { return scheme == SiteScheme::http ? 80 : 443; }

bool Fail(std::string& whyNot, const char* reason)
{
    whyNot = reason;
    return false;
}

}  // namespace

bool ParseOriginPattern(const std::string& text, OriginPattern& pattern, std::string& whyNot)
{
    if (text.empty()) return Fail(whyNot, "is empty");
    for (char c : text) {
        if (c <= ' ' || c > '~')
            return Fail(whyNot, "holds a blank or a character outside printable ASCII (write an "
                                "internationalised host in its xn-- form)");
    }
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string::npos) return Fail(whyNot, "has no scheme (https://, http://, *:// or file://)");
    const std::string scheme = Lower(text.substr(0, schemeEnd));
    const std::string rest = text.substr(schemeEnd + 3);

    OriginPattern parsed;
    parsed.text = text;
    if (scheme == "file") {
        if (!rest.empty())
            return Fail(whyNot, "adds something to file:// (which stands for every page on this computer)");
        parsed.schemes = OriginPattern::Schemes::file;
        pattern = parsed;
        return true;
    }
    if (scheme == "http")
        parsed.schemes = OriginPattern::Schemes::http;
    else if (scheme == "https")
        parsed.schemes = OriginPattern::Schemes::https;
    else if (scheme == "*")
        parsed.schemes = OriginPattern::Schemes::httpAndHttps;
    else
        return Fail(whyNot, "has a scheme other than https, http, * or file");

    const std::size_t extra = rest.find_first_of("/\\?#@");
    if (extra != std::string::npos) {
        switch (rest[extra]) {
        case '?': return Fail(whyNot, "has a query (write the site only)");
        case '#': return Fail(whyNot, "has a fragment (write the site only)");
        case '@': return Fail(whyNot, "has a user name (write the site only)");
        default: return Fail(whyNot, "has a path (write the site only, without even a final /)");
        }
    }

    std::string host, portText;
    bool hasPort = false;
    if (const char* wrong = SplitHostAndPort(rest, host, hasPort, portText)) return Fail(whyNot, wrong);
    if (hasPort && !ParseNumber(portText, 65535, parsed.port))
        return Fail(whyNot, "has a port that is not a number from 1 to 65535 without leading zeros");

    if (host == "*") {
        parsed.hosts = OriginPattern::Hosts::any;
    } else if (!host.empty() && host[0] == '[') {
        if (!CanonicalIpv6(host.substr(1, host.size() - 2), parsed.host))
            return Fail(whyNot, "has no valid IPv6 address in its brackets");
        parsed.hosts = OriginPattern::Hosts::exact;
    } else if (host.compare(0, 2, "*.") == 0) {
        const std::string domain = host.substr(2);
        if (domain.find('*') != std::string::npos) return Fail(whyNot, "has more than one * in its host");
        if (!ParseHostName(domain, parsed.host, whyNot)) return false;
        parsed.hosts = OriginPattern::Hosts::domainAndBelow;
    } else if (host.find('*') != std::string::npos) {
        return Fail(whyNot, "has a * in its host other than a whole first label followed by a dot");
    } else if (EndsInANumber(host)) {
        if (!IsPlainIpv4(host))
            return Fail(whyNot, "has a host that is no plain IPv4 address (four numbers 0 to 255, no leading zeros)");
        parsed.host = host;
        parsed.hosts = OriginPattern::Hosts::exact;
    } else {
        if (!ParseHostName(host, parsed.host, whyNot)) return false;
        parsed.hosts = OriginPattern::Hosts::exact;
    }
    pattern = parsed;
    return true;
}

bool ParseSiteOrigin(const std::string& serialized, SiteOrigin& origin)
{
    const std::size_t schemeEnd = serialized.find("://");
    if (schemeEnd == std::string::npos) return false;
    const std::string scheme = Lower(serialized.substr(0, schemeEnd));
    const std::string rest = serialized.substr(schemeEnd + 3);
    SiteOrigin parsed;
    if (scheme == "file") {
        if (!rest.empty()) return false;
        parsed.scheme = SiteScheme::file;
        origin = parsed;
        return true;
    }
    if (scheme == "http")
        parsed.scheme = SiteScheme::http;
    else if (scheme == "https")
        parsed.scheme = SiteScheme::https;
    else
        return false;

    for (char c : rest)
        if (c <= ' ' || c > '~' || c == '/' || c == '\\' || c == '?' || c == '#' || c == '@' || c == '*') return false;
    std::string host, portText;
    bool hasPort = false;
    if (SplitHostAndPort(rest, host, hasPort, portText)) return false;
    parsed.port = DefaultPort(parsed.scheme);
    // Browsers write no leading zeros; a "0" port is no port a page can have.
    if (hasPort && !ParseNumber(portText, 65535, parsed.port)) return false;
    if (!host.empty() && host[0] == '[') {
        if (!CanonicalIpv6(host.substr(1, host.size() - 2), parsed.host)) return false;
    } else {
        // "host." names the same server as "host": a final dot must not take a page past a pattern.
        if (!host.empty() && host.back() == '.') host.pop_back();
        if (host.empty() || host.front() == '.' || host.back() == '.' || host.find("..") != std::string::npos ||
            host.find_first_of("[]") != std::string::npos)
            return false;
        parsed.host = Lower(host);
    }
    origin = parsed;
    return true;
}

bool PatternMatches(const OriginPattern& pattern, const SiteOrigin& origin)
{
    switch (pattern.schemes) {
    case OriginPattern::Schemes::file: return origin.scheme == SiteScheme::file;
    case OriginPattern::Schemes::http:
        if (origin.scheme != SiteScheme::http) return false;
        break;
    case OriginPattern::Schemes::https:
        if (origin.scheme != SiteScheme::https) return false;
        break;
    case OriginPattern::Schemes::httpAndHttps:
        if (origin.scheme == SiteScheme::file) return false;
        break;
    }
    if (pattern.port != 0 && pattern.port != origin.port) return false;
    switch (pattern.hosts) {
    case OriginPattern::Hosts::any: return true;
    case OriginPattern::Hosts::exact: return origin.host == pattern.host;
    case OriginPattern::Hosts::domainAndBelow:
        if (origin.host == pattern.host) return true;
        return origin.host.size() > pattern.host.size() &&
               origin.host.compare(origin.host.size() - pattern.host.size() - 1, std::string::npos,
                                   "." + pattern.host) == 0;
    }
    return false;
}

void MarkSitePolicyMalformed(SitePolicy& policy, const std::string& valueName, const std::string& reason)
{
    if (policy.IsMalformed()) return;
    policy.malformedValue = valueName;
    policy.malformedReason = reason;
}

void SetSitePolicyList(SitePolicy& policy, const std::string& valueName, const std::vector<std::string>& entries,
                       const std::string& where)
{
    std::vector<OriginPattern>* list = valueName == kAllowedSitesValue   ? &policy.allowedSites
                                       : valueName == kBlockedSitesValue ? &policy.blockedSites
                                       : valueName == kAllowFramedSitesValue ? &policy.allowFramedSites
                                                                              : nullptr;
    if (!list) return;
    std::vector<OriginPattern> parsed;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        OriginPattern pattern;
        std::string whyNot;
        if (!ParseOriginPattern(entries[index], pattern, whyNot)) {
            MarkSitePolicyMalformed(policy, valueName,
                                    valueName + " (" + where + "), entry " + std::to_string(index + 1) + " '" +
                                        TraceSafe(entries[index]) + "', " + whyNot);
            return;
        }
        parsed.push_back(pattern);
    }
    *list = parsed;
}

std::string TraceSafe(const std::string& text)
{
    std::string safe;
    for (char c : text) {
        if (c >= ' ' && c <= '~') {
            safe += c;
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
        safe += escaped;
    }
    return safe;
}
