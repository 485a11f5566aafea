// Which site may ask under each kind of site policy: none, allowed, blocked, both, framed, malformed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "request/SiteDecision.h"

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

TEST(DecideSite, FollowsThePolicyInItsOrder)
{
    const SitePolicy none;
    const SitePolicy allowed = PolicyOf({"https://*.intranet.example"}, {}, {});
    const SitePolicy blocked = PolicyOf({}, {"https://bad.intranet.example"}, {});
    const SitePolicy both = PolicyOf({"https://*.intranet.example"}, {"https://bad.intranet.example"}, {});
    const SitePolicy framed = PolicyOf({}, {}, {"https://widget.example"});
    const SitePolicy everyFramedSite = PolicyOf({}, {}, {"*://*"});
    const SitePolicy allowedAndFramed = PolicyOf({"https://*.intranet.example"}, {}, {"https://widget.example"});
    const SitePolicy blockedAndFramed = PolicyOf({}, {"https://widget.example"}, {"https://widget.example"});
    const SitePolicy malformed = PolicyOf({"https://files.intranet.example/"}, {}, {});
    struct Row {
        const SitePolicy& policy;
        const char* origin;
        const char* topOrigin;
        bool crossSiteFrame;
        const char* expected;
    };
    const Row table[] = {
        {none, "https://any.example", "", false, "allowed"},
        {none, "", "", false, "allowed"},
        {none, "null", "", false, "allowed"},
        {none, "https://ad.example", "https://news.example", true, "refused"},
        {allowed, "https://intranet.example", "", false, "allowed"},
        {allowed, "https://files.intranet.example:8443", "", false, "allowed"},
        {allowed, "https://xintranet.example", "", false, "refused AllowedSites"},
        {allowed, "http://files.intranet.example", "", false, "refused AllowedSites"},
        {allowed, "", "", false, "refused AllowedSites"},
        {allowed, "https://files.intranet.example", "https://elsewhere.example", false, "allowed"},
        {blocked, "https://bad.intranet.example", "", false, "refused BlockedSites"},
        {blocked, "https://good.intranet.example", "", false, "allowed"},
        {blocked, "https://good.intranet.example", "https://bad.intranet.example", false, "refused BlockedSites"},
        {blocked, "https://good.intranet.example", "null", false, "allowed"},
        {blocked, "", "", false, "refused BlockedSites"},
        {both, "https://bad.intranet.example", "", false, "refused BlockedSites"},
        {framed, "https://widget.example", "https://news.example", true, "allowed"},
        {framed, "https://other.example", "https://news.example", true, "refused AllowFramedSites"},
        {everyFramedSite, "null", "https://news.example", true, "refused AllowFramedSites"},
        {framed, "", "", false, "allowed"},
        {allowedAndFramed, "https://widget.example", "https://files.intranet.example", true, "refused AllowedSites"},
        {blockedAndFramed, "https://widget.example", "https://news.example", true, "refused BlockedSites"},
        {malformed, "https://files.intranet.example", "", false, "refused AllowedSites"},
    };
    for (const Row& row : table) {
        const SiteDecision decision = DecideSite(row.policy, row.origin, row.topOrigin, row.crossSiteFrame);
        const std::string where = std::string(row.origin) + " in " + row.topOrigin +
                                  (row.crossSiteFrame ? " (cross-site frame)" : "");
        EXPECT_EQ(row.expected, Outcome(decision)) << where << ": " << decision.traceReason;
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
