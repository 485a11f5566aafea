// What a page asks for, as plain data: the attributes of its element as a browser hands them over,
// and the request file the browser delivered for a src. The plug-in keeps one per instance; the
// native messaging host builds one per click. Portable.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// The bytes of a delivered request file, read when it was delivered: a browser may delete its copy
// before the click. tooLarge: it held more than kLargestRequestFile and was not read.
struct KeptRequestFile {
    std::string bytes;
    bool tooLarge = false;
};

struct PageRequest {
    // The attributes kept: each absent until the element names it (a null value, as a browser may
    // give, clears an earlier one).
    std::optional<std::string> caption;
    std::optional<std::string> downloadUrl;
    std::optional<std::string> serverName;
    std::optional<std::string> name;
    std::optional<std::string> port;
    std::optional<std::string> contentType;
    std::optional<std::string> file;
    std::optional<std::string> recipients;
    std::optional<std::string> size;
    bool hasSrc = false;    // the element has a src: the request is the delivered request file
    bool isUpload = false;  // upload="true", in any letter case
    // The first attribute whose value the request reads (or "src", for the request file's address)
    // that held a character the ANSI code page cannot hold exactly (the native messaging host
    // converts from UTF-8): a bad request that names it. Empty when none; never set by the plug-in,
    // whose browser hands it ANSI text.
    std::string unrepresentableAttribute;

    // Who asks, as the browser attests it: the serialized origin of the element's document and of
    // the top-level page ("https://host[:port]" in ASCII, "file://" for a page on this computer).
    // Empty when the browser tells nothing; topOrigin empty when the front end cannot see the top.
    std::string origin;
    std::string topOrigin;
    // The front end found the element's document in a frame of another site than the top-level
    // page (the bridge, from what the browser attests). The plug-in, which cannot always see its
    // top page, leaves it false.
    bool crossSiteFrame = false;

    // The delivered request file: its name as shown in reports (the browser's local copy, or its
    // URL) and, when they could be kept, its bytes.
    std::optional<std::string> requestFile;
    std::optional<KeptRequestFile> keptRequestFile;
};

// The button's text when the page gives no caption, the extension's button's too
// (shared/bridge-constants.json).
extern const char* const kDefaultCaption;  // "Vexo Save File"

// One attribute, as NPP_New receives it: names match whole and without regard to ASCII letter case;
// the last occurrence wins; unknown names are ignored; either pointer may be null.
void ApplyAttribute(PageRequest& request, const char* name, const char* value);
// Whether the request reads the attribute's value: the names ApplyAttribute keeps and upload, but
// not the caption (the button's text, never shown in a question or sent) nor src (only its presence
// counts).
bool IsRequestAttribute(const char* name);
// What an element's attributes imply as a whole, once all are applied: the default caption, and no
// file attribute beside a src (only the file the browser delivers for the src is read; the
// attribute would be a path on the user's disk that the page chose, opened and shown in the report
// of a bad request before any question to the user).
void CompleteFromElement(PageRequest& request);
// Every attribute in order, then CompleteFromElement.
PageRequest RequestFromAttributes(std::size_t count, const char* const* names, const char* const* values);
