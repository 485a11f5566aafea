// Who asks: the page that holds the clicked element and the tab's top-level page, as the browser
// attests them to the extension's background script (its port's sender), never as the page or the
// content script claims. The host trusts this much of the extension because only the extension the
// host manifest names can start it.
#pragma once

#include <cstddef>
#include <string>

// The longest origin taken, in bytes.
constexpr std::size_t kLongestOrigin = 2048;

enum class SenderFrame {
    top,        // the element is in the tab's top-level document
    sameSite,   // in a frame of the top page's site (scheme and registrable domain)
    crossSite,  // in a frame of another site: refused unless the site policy allows it (AllowFramedSites)
};

struct BridgeSender {
    std::string origin;     // of the element's document
    std::string topOrigin;  // of the tab's top-level page; the same as origin in the top frame
    SenderFrame frame = SenderFrame::top;
};

// Whether `text` is an origin as browsers serialize one for the pages the extension runs in:
// "file://" for a page on this computer, else "http://" or "https://", the host, then ":port"
// unless it is the scheme's default. The host is lower-case ASCII as browsers leave it (an
// internationalised name in its punycode form): labels of letters, digits, '-' and '_' with at
// most one trailing dot and no last label that makes it an IPv4 address; or an IPv4 address in
// dotted decimal; or an IPv6 address in brackets, compressed as browsers write it. The port is
// decimal, 1 to 65535, without leading zeros. At most kLongestOrigin bytes.
bool IsSerializedOrigin(const std::string& text);

// The frame's word in the click message ("top", "sameSite", "crossSite"); false for any other.
bool SenderFrameNamed(const std::string& word, SenderFrame& frame);

// Whether two serialized origins can be of one site as far as the host can tell without the Public
// Suffix List: the same scheme and, where either host is an IP address, the same host.
bool MayBeSameSite(const std::string& origin, const std::string& otherOrigin);
