// Who the page is, as its browser tells the plug-in: the origin of the element's own document (the
// plug-in cannot always see its top page), reduced to what a person can check before the request
// keeps it.
#pragma once

#include <string>
#include <string_view>

#include "plugin/npapi.h"

// The serialized origin of an address or origin a browser gave: "http://host[:port]" or
// "https://host[:port]", the host in lower-case ASCII with internationalised labels in their "xn--"
// form and the scheme's default port left out; "file://" for any file: address. Empty for anything
// else: another scheme, an opaque origin ("null"), text that is no such address, a host longer than
// a DNS name. Only the scheme and the authority are read, at most about a kilobyte.
std::string OriginOfAddress(std::string_view address);

// The origin of the instance's document as its browser attests it: NPNVdocumentOrigin where the
// browser answers it with an origin, else the href of the location of its window object. Empty when
// neither gives one. Every string, variant and object the browser hands over is given back to it.
std::string AskDocumentOrigin(NPP instance) noexcept;
