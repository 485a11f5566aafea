#include "request/SiteDecision.h"

#include <utility>
#include <vector>

namespace {

const OriginPattern* FirstMatch(const std::vector<OriginPattern>& patterns, const SiteOrigin& origin)
{
    for (const OriginPattern& pattern : patterns)
        if (PatternMatches(pattern, origin)) return &pattern;
    return nullptr;
}

SiteDecision Refused(std::string refusingValue, std::string statusText, std::string traceReason)
{
    SiteDecision decision;
    decision.allowed = false;
    decision.refusingValue = std::move(refusingValue);
    decision.statusText = std::move(statusText);
    decision.traceReason = "site policy: " + std::move(traceReason);
    return decision;
}

SiteDecision Allowed(std::string traceReason)
{
    SiteDecision decision;
    decision.traceReason = "site policy: " + std::move(traceReason);
    return decision;
}

std::string NotFromThisSite(const std::string& value)
{
    return "Tolvane delivery is not allowed from this site by your administrator (" + value + ").";
}

std::string Quoted(const std::string& text) { return "'" + TraceSafe(text) + "'"; }

}  // namespace

SiteDecision DecideSite(const SitePolicy& policy, const std::string& origin, const std::string& topOrigin,
                        bool crossSiteFrame)
{
    if (policy.IsMalformed())
        return Refused(policy.malformedValue,
                       "Tolvane delivery is turned off: your administrator's site policy (" + policy.malformedValue +
                           ") is not valid.",
                       "every site refused: " + policy.malformedReason);

    SiteOrigin asking;
    const bool placed = ParseSiteOrigin(origin, asking);
    const std::string who = origin.empty() ? "an origin the browser did not tell" : Quoted(origin);
    if (!placed && (!policy.allowedSites.empty() || !policy.blockedSites.empty())) {
        const char* value = policy.allowedSites.empty() ? kBlockedSitesValue : kAllowedSitesValue;
        return Refused(value,
                       std::string("Tolvane delivery is not allowed by your administrator where the browser does not "
                                   "tell the site (") +
                           value + ").",
                       who + " cannot be checked against " + value);
    }

    if (placed) {
        if (const OriginPattern* blocked = FirstMatch(policy.blockedSites, asking))
            return Refused(kBlockedSitesValue, NotFromThisSite(kBlockedSitesValue),
                           who + " matches BlockedSites entry " + Quoted(blocked->text));
    }
    SiteOrigin top;
    if (!topOrigin.empty() && ParseSiteOrigin(topOrigin, top)) {
        if (const OriginPattern* blocked = FirstMatch(policy.blockedSites, top))
            return Refused(kBlockedSitesValue, NotFromThisSite(kBlockedSitesValue),
                           who + " is in a page of " + Quoted(topOrigin) + ", which matches BlockedSites entry " +
                               Quoted(blocked->text));
    }

    const OriginPattern* allowedBy = nullptr;
    if (!policy.allowedSites.empty()) {
        allowedBy = FirstMatch(policy.allowedSites, asking);
        if (!allowedBy)
            return Refused(kAllowedSitesValue, NotFromThisSite(kAllowedSitesValue),
                           who + " matches no entry of AllowedSites");
    }

    if (crossSiteFrame) {
        const OriginPattern* framedBy = placed ? FirstMatch(policy.allowFramedSites, asking) : nullptr;
        if (framedBy)
            return Allowed(who + ", in a frame of another site, matches AllowFramedSites entry " +
                           Quoted(framedBy->text));
        if (policy.allowFramedSites.empty())
            return Refused("", "Tolvane delivery is not allowed in a frame of another site.",
                           who + " is in a frame of another site, and no AllowFramedSites is set");
        return Refused(kAllowFramedSitesValue,
                       "Tolvane delivery is not allowed from this site in a frame of another site by your "
                       "administrator (AllowFramedSites).",
                       who + " is in a frame of another site and matches no entry of AllowFramedSites");
    }

    if (allowedBy) return Allowed(who + " matches AllowedSites entry " + Quoted(allowedBy->text));
    return Allowed(who + " may ask: no list of the policy restricts it");
}
