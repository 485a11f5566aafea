// The site policy's origin patterns: the grammar at each of its edges, the origins a browser
// gives, which origins a pattern covers, and a list that does not parse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/SitePolicy.h"
#include "support/SitePolicyTable.h"

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

}  // namespace

// The rows are shared with the extension's rules test (support/site-policy-table.txt).
TEST(OriginPattern, ParsesExactlyTheGrammar)
{
    for (const SitePolicyTableRow& row : SitePolicyTableRows("pattern")) {
        const std::string& expected = row.fields.at(1);
        const std::string outcome = ParseOutcome(row.fields.at(0));
        if (expected[0] == '!') {
            EXPECT_NE(std::string::npos, outcome.find(expected.substr(1))) << "line " << row.line << ": " << outcome;
        } else {
            EXPECT_EQ(expected, outcome) << "line " << row.line;
        }
    }
}

TEST(SiteOrigin, PlacesOnlySerializedHttpHttpsAndFileOrigins)
{
    for (const SitePolicyTableRow& row : SitePolicyTableRows("origin")) {
        SiteOrigin origin;
        EXPECT_EQ(row.fields.at(1) == "placed", ParseSiteOrigin(row.fields.at(0), origin)) << "line " << row.line;
    }
}

TEST(OriginPattern, CoversTheOriginsOfItsSchemeHostAndPort)
{
    for (const SitePolicyTableRow& row : SitePolicyTableRows("match"))
        EXPECT_EQ(row.fields.at(2) == "yes", Matches(row.fields.at(0), row.fields.at(1))) << "line " << row.line;
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
