// Who asks, in the words every dialog of a click shows: the site as the user can check it in the
// browser's address bar. Portable.
#pragma once

#include <optional>
#include <string>

// An origin as the browser serialized it ("https://host[:port]", a raw UTF-8 host from an old
// browser, "file://"), as the user is shown it: the scheme and host in lower case, the host in its
// ASCII form (non-ASCII labels as "xn--" punycode), the port only where it is not the scheme's
// default (80 for http, 443 for https), "a file on this computer" for "file://". Nothing when the
// text is no such origin (a path, user information, an empty label, a label over 63 octets, a port
// over 65535, "null", any other file URL...).
std::optional<std::string> ShownOrigin(const std::string& origin);

struct RequestingSite {
    std::string frame;  // the element's document, shown; empty when no browser told us
    std::string top;    // the top-level page, shown, when it is another site than the frame's
    // An origin was given that is none: the click names nobody, and the caller traces it.
    bool malformedOrigin = false;

    bool Known() const { return !frame.empty(); }
};

// Who asks for the element's document (origin) in the top-level page (topOrigin); either empty when
// the browser told nothing. Any given origin that is none makes the whole site unknown.
RequestingSite DescribeRequestingSite(const std::string& origin, const std::string& topOrigin);

// "https://ads.example, in a frame of https://news.example"; empty when the site is unknown.
std::string PhraseOf(const RequestingSite& site);

// The subject of a sentence that says who asks: "This page" when nobody told us, "A file on this
// computer", "https://ads.example, in a frame of https://news.example," (set off for the verb).
std::string SubjectOf(const RequestingSite& site);

// A file dialog's title naming who asks, the site first, where a caption cut at the dialog's width
// cannot take it: "https://news.example asks: TITLE"; the title alone when nobody told us (as the
// plug-in in an old browser always showed it). A host name too long to show whole loses labels
// from its left, never its end: "https://...tolvane.example.attacker.net asks: TITLE".
std::string TitleAskedBy(const char* title, const RequestingSite& site);

// Punycode (RFC 3492) of Unicode code points: the part of an internationalised label after "xn--".
// Nothing for an input whose encoding would overflow.
std::optional<std::string> Punycode(const std::u32string& codePoints);
