// Whether the site that asks may start a delivery, under the administrator's site policy. Portable:
// the plug-in applies it to its document's origin, the native messaging host to the origin the
// browser attests for the click.
//
// In this order:
//   1. a malformed policy refuses every site (the value that could not be read is named);
//   2. an origin that cannot be placed (none told, "null", another scheme) is refused when
//      AllowedSites or BlockedSites lists anything: neither list can be applied to it;
//   3. BlockedSites refuses a matching origin, and every frame whose top-level page matches
//      (a top-level origin that is unknown is not held against the frame);
//   4. with AllowedSites, only a matching origin may ask (the top-level page is not checked: a
//      frame of another site needs AllowFramedSites anyway, one of the same site is the site's);
//   5. a frame of another site than its top-level page is refused unless AllowFramedSites lists
//      the frame's origin;
//   6. everything else may ask, as without any policy.
#pragma once

#include <string>

#include "client/SitePolicy.h"

struct SiteDecision {
    bool allowed = true;
    // The policy value that refused, as the status text names it: "BlockedSites", "AllowedSites",
    // "AllowFramedSites", or the malformed value. Empty when allowed, and when a frame of another
    // site is refused without any AllowFramedSites (the default, not the administrator's doing).
    std::string refusingValue;
    // For the status line; empty when allowed.
    std::string statusText;
    // For the trace log, also when allowed: which rule and which entry decided.
    std::string traceReason;
};

// origin: the serialized origin of the document that asks; topOrigin: its top-level page's (empty
// when unknown); crossSiteFrame: the front end found the document in a frame of another site.
SiteDecision DecideSite(const SitePolicy& policy, const std::string& origin, const std::string& topOrigin,
                        bool crossSiteFrame);
