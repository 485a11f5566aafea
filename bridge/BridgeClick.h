// The click, the one message the extension sends: the element's attributes as an NPAPI browser
// handed them to the plug-in, and the request file the extension fetched for it.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "request/RequestText.h"  // kLargestRequestFile: the extension sends a larger one as tooLarge

// The most attributes a click carries.
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
};

// Reads the message's bytes. False with the text for the error reply ("\"attributes\" is missing")
// when the message is not a well-formed click; `click` is then empty.
bool ParseClickMessage(const std::string& message, BridgeClick& click, std::string& error);
