// Any bytes as a site policy's pattern and as a browser's origin: a pattern that parses covers the
// origin written from its own host and port (and, for "*.", the names below that host but not one
// that merely ends in the same letters); an origin that parses reads the same once written back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/SitePolicy.h"

namespace {

std::string Written(SiteScheme scheme, const std::string& host, unsigned port)
{
    if (scheme == SiteScheme::file) return "file://";
    return std::string(scheme == SiteScheme::http ? "http://" : "https://") + host +
           (port ? ":" + std::to_string(port) : std::string());
}

bool Covers(const OriginPattern& pattern, const std::string& serialized)
{
    SiteOrigin origin;
    if (!ParseSiteOrigin(serialized, origin)) std::abort();
    return PatternMatches(pattern, origin);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    OriginPattern pattern;
    std::string whyNot;
    if (ParseOriginPattern(text, pattern, whyNot)) {
        if (pattern.text != text || !whyNot.empty()) std::abort();
        const SiteScheme scheme = pattern.schemes == OriginPattern::Schemes::http   ? SiteScheme::http
                                  : pattern.schemes == OriginPattern::Schemes::file ? SiteScheme::file
                                                                                    : SiteScheme::https;
        const std::string host = pattern.hosts == OriginPattern::Hosts::any ? "any.example" : pattern.host;
        if (!Covers(pattern, Written(scheme, host, pattern.port))) std::abort();
        if (pattern.hosts == OriginPattern::Hosts::domainAndBelow &&
            (!Covers(pattern, Written(scheme, "a." + host, pattern.port)) ||
             Covers(pattern, Written(scheme, "a" + host, pattern.port))))
            std::abort();
    } else if (whyNot.empty()) {
        std::abort();
    }

    SiteOrigin origin;
    if (ParseSiteOrigin(text, origin)) {
        SiteOrigin again;
        if (!ParseSiteOrigin(Written(origin.scheme, origin.host, origin.port), again) ||
            again.scheme != origin.scheme || again.host != origin.host || again.port != origin.port)
            std::abort();
    }
    return 0;
}
