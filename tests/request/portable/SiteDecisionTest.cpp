// Which site may ask under each kind of site policy: none, allowed, blocked, both, framed, malformed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "request/SiteDecision.h"
#include "support/SitePolicyTable.h"

namespace {

using Patterns = std::vector<std::string>;

SitePolicy PolicyOf(const Patterns& allowed, const Patterns& blocked, const Patterns& framed)
{
    SitePolicy policy;
    SetSitePolicyList(policy, kAllowedSitesValue, allowed, "test");
    SetSitePolicyList(policy, kBlockedSitesValue, blocked, "test");
    SetSitePolicyList(policy, kAllowFramedSitesValue, framed, "test");
    return policy;
}

// "allowed", or "refused" and the value that refused ("refused" alone: the default for frames).
std::string Outcome(const SiteDecision& decision)
{
    if (decision.allowed) return "allowed";
    return decision.refusingValue.empty() ? "refused" : "refused " + decision.refusingValue;
}

}  // namespace

// The rows are shared with the extension's rules test (support/site-policy-table.txt).
TEST(DecideSite, FollowsThePolicyInItsOrder)
{
    for (const SitePolicyTableRow& row : SitePolicyTableRows("decide")) {
        const SitePolicy policy = PolicyOf(SitePolicyTableList(row.fields.at(0)), SitePolicyTableList(row.fields.at(1)),
                                           SitePolicyTableList(row.fields.at(2)));
        const SiteDecision decision = DecideSite(policy, row.fields.at(3), row.fields.at(4), row.fields.at(5) == "yes");
        const std::string where = "line " + std::to_string(row.line);
        EXPECT_EQ(row.fields.at(6), Outcome(decision)) << where << ": " << decision.traceReason;
        EXPECT_EQ(decision.allowed, decision.statusText.empty()) << where;
        if (!decision.refusingValue.empty()) {
            EXPECT_NE(std::string::npos, decision.statusText.find("(" + decision.refusingValue + ")")) << where;
        }
    }
}

TEST(DecideSite, SaysWhoWasRefusedByWhichEntry)
{
    const SitePolicy blocked = PolicyOf({}, {"https://*.evil.example"}, {});
    SiteDecision decision = DecideSite(blocked, "https://www.evil.example", "", false);
    EXPECT_EQ("Tolvane delivery is not allowed from this site by your administrator (BlockedSites).",
              decision.statusText);
    EXPECT_EQ("site policy: 'https://www.evil.example' matches BlockedSites entry 'https://*.evil.example'",
              decision.traceReason);

    decision = DecideSite(PolicyOf({"https://a.example", "ftp://b.example"}, {}, {}), "https://a.example", "", false);
    EXPECT_EQ("Tolvane delivery is turned off: your administrator's site policy (AllowedSites) is not valid.",
              decision.statusText);
    EXPECT_EQ("site policy: every site refused: AllowedSites (test), entry 2 'ftp://b.example', has a scheme other "
              "than https, http, * or file",
              decision.traceReason);

    decision = DecideSite(SitePolicy(), "https://ad.example\r\nforged", "", true);
    EXPECT_EQ("Tolvane delivery is not allowed in a frame of another site.", decision.statusText);
    EXPECT_EQ("site policy: 'https://ad.example\\x0D\\x0Aforged' is in a frame of another site, and no "
              "AllowFramedSites is set",
              decision.traceReason);
}
