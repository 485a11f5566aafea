// An administrator's site policy: which sites may ask for a delivery. Plain data and the rules of
// its origin patterns, portable; the registry reader (client/SitePolicyStore.h) fills it and the
// click's decision (request/SiteDecision.h) reads it. docs/admin.md ("Which sites may ask") is the
// administrator's side of the same grammar.
//
// A pattern is  scheme "://" host [":" port]  or exactly  "file://" :
//   scheme  http, https, or * (http and https), in any letter case;
//   host    a name (letters, digits, "-", "_"; labels of 1 to 63, none starting or ending with
//           "-"; at most 253 in all; no dot at the end), "*." and such a name (the name itself and
//           every name below it), "*" (every host), a dotted IPv4 address in its plain form, or an
//           IPv6 address in brackets; ASCII only (internationalised names in their xn-- form);
//   port    1 to 65535 without leading zeros; without one, every port matches.
// Nothing else: no path (not even "/"), query, fragment, user name, blank or other character.
#pragma once

#include <string>
#include <vector>

// The policy's values, as the administrator names them.
extern const char* const kAllowedSitesValue;      // "AllowedSites"
extern const char* const kBlockedSitesValue;      // "BlockedSites"
extern const char* const kAllowFramedSitesValue;  // "AllowFramedSites"

enum class SiteScheme { http, https, file };

// Who asks, read from a browser's serialized origin ("https://host[:port]", "file://").
struct SiteOrigin {
    SiteScheme scheme = SiteScheme::https;
    // Lower case, without a final dot; an IPv6 address as eight groups of four hex digits in
    // brackets, so that every spelling of it compares equal. Empty for file://.
    std::string host;
    unsigned port = 0;  // the scheme's default when the origin names none; 0 for file://
};

struct OriginPattern {
    enum class Schemes { http, https, httpAndHttps, file };
    enum class Hosts { any, exact, domainAndBelow };

    std::string text;  // as the administrator wrote it, for the trace log
    Schemes schemes = Schemes::httpAndHttps;
    Hosts hosts = Hosts::any;
    std::string host;  // canonical, as in SiteOrigin; the domain for domainAndBelow
    unsigned port = 0; // 0: every port
};

// False for anything outside the grammar above, with why in words for the trace log.
bool ParseOriginPattern(const std::string& text, OriginPattern& pattern, std::string& whyNot);
// False for an origin that cannot be placed: empty, "null" (an opaque origin), another scheme, or
// not of the serialized form. Letter case, a final dot of the host and a default port written
// out do not change the origin.
bool ParseSiteOrigin(const std::string& serialized, SiteOrigin& origin);
bool PatternMatches(const OriginPattern& pattern, const SiteOrigin& origin);

struct SitePolicy {
    // Each list as read; an empty list is the same as an absent value.
    std::vector<OriginPattern> allowedSites;
    std::vector<OriginPattern> blockedSites;
    std::vector<OriginPattern> allowFramedSites;
    // Set when a value could not be read as a list of patterns: the policy then refuses every
    // site. The value's name (or the key's, when the key itself could not be read) and why.
    std::string malformedValue;
    std::string malformedReason;

    bool IsMalformed() const { return !malformedValue.empty(); }
};

// The value's entries parsed into its list (valueName is one of the three above; `where` says
// which registry root or store it came from, for the trace log). The first entry that does not
// parse makes the policy malformed; a policy already malformed stays as it is.
void SetSitePolicyList(SitePolicy& policy, const std::string& valueName, const std::vector<std::string>& entries,
                       const std::string& where);
// Only the first reason is kept: it is the one the administrator fixes first.
void MarkSitePolicyMalformed(SitePolicy& policy, const std::string& valueName, const std::string& reason);

// Text as it can go into one trace log line: bytes outside printable ASCII as \xNN.
std::string TraceSafe(const std::string& text);
