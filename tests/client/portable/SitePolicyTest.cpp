// The site policy's origin patterns: the grammar at each of its edges, the origins a browser
// gives, which origins a pattern covers, and a list that does not parse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/SitePolicy.h"

namespace {

// "SCHEMES HOST PORT" of a parsed pattern, or "!" and why it was refused.
std::string ParseOutcome(const std::string& text)
{
    OriginPattern pattern;
    std::string whyNot;
    if (!ParseOriginPattern(text, pattern, whyNot)) return "!" + whyNot;
    const char* schemes[] = {"http", "https", "http+https", "file"};
    std::string outcome = schemes[static_cast<int>(pattern.schemes)];
    if (pattern.schemes == OriginPattern::Schemes::file) return outcome;
    outcome += pattern.hosts == OriginPattern::Hosts::any              ? " *"
               : pattern.hosts == OriginPattern::Hosts::domainAndBelow ? " *." + pattern.host
                                                                        : " " + pattern.host;
    return outcome + (pattern.port ? " :" + std::to_string(pattern.port) : " any");
}

bool Matches(const std::string& patternText, const std::string& originText)
{
    OriginPattern pattern;
    SiteOrigin origin;
    std::string whyNot;
    EXPECT_TRUE(ParseOriginPattern(patternText, pattern, whyNot)) << patternText << ": " << whyNot;
    EXPECT_TRUE(ParseSiteOrigin(originText, origin)) << originText;
    return PatternMatches(pattern, origin);
}

const std::string kLabel63(63, 'a');

}  // namespace

TEST(OriginPattern, ParsesExactlyTheGrammar)
{
    // Expected: the parsed pattern, or "!" and a part of the reason it is refused.
    const std::vector<std::pair<std::string, std::string>> table = {
        {"https://portal.example", "https portal.example any"},
        {"HTTP://Portal.EXAMPLE", "http portal.example any"},
        {"*://*", "http+https * any"},
        {"https://*:8443", "https * :8443"},
        {"https://*.intranet.example", "https *.intranet.example any"},
        {"https://intranet", "https intranet any"},
        {"https://a_b-c.example", "https a_b-c.example any"},
        {"https://xn--bcher-kva.example", "https xn--bcher-kva.example any"},
        {"https://" + kLabel63 + ".example", "https " + kLabel63 + ".example any"},
        {"https://" + kLabel63 + "a.example", "!label longer than 63"},
        {"https://" + kLabel63 + "." + kLabel63 + "." + kLabel63 + "." + std::string(61, 'b'),
         "https " + kLabel63 + "." + kLabel63 + "." + kLabel63 + "." + std::string(61, 'b') + " any"},  // 253
        {"https://" + kLabel63 + "." + kLabel63 + "." + kLabel63 + "." + std::string(62, 'b'), "!longer than 253"},
        {"https://portal.example:1", "https portal.example :1"},
        {"https://portal.example:65535", "https portal.example :65535"},
        {"https://portal.example:0", "!port"},
        {"https://portal.example:65536", "!port"},
        {"https://portal.example:08443", "!port"},
        {"https://portal.example:", "!port"},
        {"https://portal.example:84a3", "!port"},
        {"http://10.1.2.3", "http 10.1.2.3 any"},
        {"http://0.0.0.0:8080", "http 0.0.0.0 :8080"},
        {"http://255.255.255.255", "http 255.255.255.255 any"},
        {"http://256.1.2.3", "!no plain IPv4"},
        {"http://010.1.2.3", "!no plain IPv4"},
        {"http://10.1.2", "!no plain IPv4"},
        {"http://10.1.2.3.4", "!no plain IPv4"},
        {"http://example.0x1f", "!no plain IPv4"},
        {"http://*.2.3.4", "!no plain IPv4"},
        {"http://[::1]", "http [0000:0000:0000:0000:0000:0000:0000:0001] any"},
        {"http://[2001:DB8::]:8080", "http [2001:0db8:0000:0000:0000:0000:0000:0000] :8080"},
        {"http://[1:2:3:4:5:6:7:8]", "http [0001:0002:0003:0004:0005:0006:0007:0008] any"},
        {"http://[1:2:3:4:5:6:7:8:9]", "!IPv6"},
        {"http://[1:2:3:4:5:6:7::8]", "!IPv6"},
        {"http://[1::2::3]", "!IPv6"},
        {"http://[12345::]", "!IPv6"},
        {"http://[::ffff:1.2.3.4]", "!IPv6"},
        {"http://[::1", "!not closed"},
        {"http://[::1]x", "!after its IPv6 address"},
        {"file://", "file"},
        {"file:///", "!adds something to file://"},
        {"", "!is empty"},
        {"portal.example", "!no scheme"},
        {"ftp://portal.example", "!scheme other than"},
        {"https://", "!no host"},
        {"https://*.", "!no host"},
        {" https://portal.example", "!blank"},
        {"https://b\xC3\xBC" "cher.example", "!outside printable ASCII"},
        {"https://portal.example/", "!path"},
        {"https://portal.example\\", "!path"},
        {"https://portal.example?a=1", "!query"},
        {"https://portal.example#top", "!fragment"},
        {"https://user@portal.example", "!user name"},
        {"https://portal.example.", "!ends its host with a dot"},
        {"https://.portal.example", "!empty label"},
        {"https://-portal.example", "!starts or ends with '-'"},
        {"https://portal-.example", "!starts or ends with '-'"},
        {"https://por!tal.example", "!character '!'"},
        {"https://*portal.example", "!a * in its host"},
        {"https://portal.*.example", "!a * in its host"},
        {"https://*.*.example", "!more than one *"},
    };
    for (const auto& row : table) {
        const std::string outcome = ParseOutcome(row.first);
        if (row.second[0] == '!') {
            EXPECT_NE(std::string::npos, outcome.find(row.second.substr(1))) << row.first << " -> " << outcome;
        } else {
            EXPECT_EQ(row.second, outcome) << row.first;
        }
    }
}

TEST(SiteOrigin, PlacesOnlySerializedHttpHttpsAndFileOrigins)
{
    const std::vector<std::pair<std::string, bool>> table = {
        {"HTTPS://PORTAL.example:65535", true}, {"http://[::1]:8080", true}, {"file://", true},
        {"", false}, {"null", false}, {"chrome-extension://abcdef", false}, {"file:///", false},
        {"https://", false}, {"https://.", false}, {"https://a..example", false}, {"https://a.example..", false},
        {"https://portal.example/", false}, {"https://user@portal.example", false}, {"https://*.example", false},
        {"https://portal.example:0", false}, {"https://portal.example:65536", false},
        {"https://portal.example:", false}, {"https://[::1", false}, {"https://portal.example\n", false},
    };
    for (const auto& row : table) {
        SiteOrigin origin;
        EXPECT_EQ(row.second, ParseSiteOrigin(row.first, origin)) << "[" << row.first << "]";
    }
}

TEST(OriginPattern, CoversTheOriginsOfItsSchemeHostAndPort)
{
    struct Row {
        const char* pattern;
        const char* origin;
        bool matches;
    };
    const Row table[] = {
        // "*." + domain: the domain itself and every name below it, at a label boundary.
        {"https://*.a.example", "https://a.example", true},
        {"https://*.a.example", "https://b.a.example", true},
        {"https://*.a.example", "https://xa.example", false},
        {"https://*.a.example", "https://a.example.evil", false},
        {"https://*.a.example", "https://example", false},
        {"https://a.example", "https://b.a.example", false},
        // Letter case and a final dot of the origin's host change nothing.
        {"HTTPS://A.Example", "https://a.example", true},
        {"https://a.example", "https://a.example.", true},
        {"https://*.a.example", "https://b.a.example.", true},
        // Ports: none in the pattern means every port; an origin without one has its default.
        {"https://a.example", "https://a.example:8443", true},
        {"https://a.example:8443", "https://a.example:8443", true},
        {"https://a.example:8443", "https://a.example:8444", false},
        {"https://a.example:8443", "https://a.example", false},
        {"https://a.example:443", "https://a.example", true},
        {"http://a.example:80", "http://a.example", true},
        {"*://a.example:443", "http://a.example", false},
        {"*://a.example:443", "http://a.example:443", true},
        // Schemes.
        {"http://a.example", "https://a.example", false},
        {"https://a.example", "http://a.example", false},
        {"*://a.example", "https://a.example", true},
        {"*://*", "file://", false},
        {"file://", "file://", true},
        {"file://", "https://a.example", false},
        // Addresses.
        {"http://10.1.2.3", "http://10.1.2.3", true},
        {"http://10.1.2.3", "http://10.1.2.30", false},
        {"http://[2001:db8::1]:8080", "http://[2001:DB8:0::1]:8080", true},
        {"http://[2001:db8::1]", "http://[2001:db8::2]", false},
    };
    for (const Row& row : table)
        EXPECT_EQ(row.matches, Matches(row.pattern, row.origin)) << row.pattern << " / " << row.origin;
}

TEST(SitePolicyList, AnEntryThatDoesNotParseMakesThePolicyMalformedAndTheFirstReasonStays)
{
    SitePolicy policy;
    SetSitePolicyList(policy, kBlockedSitesValue, {"https://a.example", "file://"}, "HKEY_CURRENT_USER");
    EXPECT_EQ(2u, policy.blockedSites.size());
    EXPECT_FALSE(policy.IsMalformed());

    SetSitePolicyList(policy, kAllowedSitesValue, {"https://a.example", "https://b.example/\x01"},
                      "HKEY_LOCAL_MACHINE");
    SetSitePolicyList(policy, kAllowFramedSitesValue, {"nonsense"}, "HKEY_LOCAL_MACHINE");
    EXPECT_EQ("AllowedSites", policy.malformedValue);
    EXPECT_EQ("AllowedSites (HKEY_LOCAL_MACHINE), entry 2 'https://b.example/\\x01', holds a blank or a character "
              "outside printable ASCII (write an internationalised host in its xn-- form)",
              policy.malformedReason);
    EXPECT_TRUE(policy.allowedSites.empty());
}
