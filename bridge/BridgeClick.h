// The click, the one message the extension sends: the element's attributes as an NPAPI browser
// handed them to the plug-in, the request file the extension fetched for it, and who asks.
//
//   {"type": "click",
//    "attributes": [["name", "value"], ...],                  at most kMostClickAttributes pairs
//    "requestFile": {"url": "...", "bytes": "<base64>"}       or "tooLarge": true, or "failed": "why";
//                                                             absent when there is none
//    "sender": {"origin": "https://ads.example", "topOrigin": "https://news.example",
//               "frame": "top" | "sameSite" | "crossSite"}}
//
// The extension's background script writes "sender" from what the browser attests about the port
// the content script opened; see BridgeSender.h for what each member holds.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "bridge/BridgeSender.h"
#include "request/RequestText.h"  // kLargestRequestFile: the extension sends a larger one as tooLarge

// The most attributes a click carries; the extension sends no more (shared/bridge-constants.json).
constexpr std::size_t kMostClickAttributes = 256;

struct BridgeRequestFile {
    enum class Kind {
        none,      // the element has no src, or the extension did not fetch it
        bytes,     // the response body, in `bytes`
        tooLarge,  // the response held more than kLargestRequestFile bytes
        failed,    // the fetch failed, for the reason in `failure`
    };
    Kind kind = Kind::none;
    std::string url;  // absolute, for the reports of a bad file; empty with none
    std::string bytes;
    std::string failure;
};

struct BridgeClick {
    // Name and value in UTF-8, in document order; never a NUL character.
    std::vector<std::pair<std::string, std::string>> attributes;
    BridgeRequestFile requestFile;
    BridgeSender sender;
};

// Reads the message's bytes. False with the text for the error reply ("\"attributes\" is missing")
// when the message is not a well-formed click; `click` is then empty. A sender is well formed when
// both origins are serialized origins (IsSerializedOrigin), the top frame's two origins are one and
// a same-site frame's may be of one site (MayBeSameSite).
bool ParseClickMessage(const std::string& message, BridgeClick& click, std::string& error);
