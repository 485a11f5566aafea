// The warning box of a bad request and the texts it shows.
#pragma once

#include <string>

#include "request/RequestText.h"
#include "request/RequestingSite.h"

// The text of the bad-request box of both flows built from embed attributes.
extern const char* const kBadRequestText;

// The box text of a value the user cannot be shown as what it is, naming its field:
// "The page's value of SERVERNAME cannot be shown as it is: <why>."
std::string UnshowableValueText(const UnshowableValue& refused);

// The trace-log entry (source "ClientApp/VexoRequest", the given entry number), then the same text
// in the "Tolvane Message " warning box; a first line "Asked by SITE:" when the site is known.
void ShowRequestWarning(long entry, const std::string& text, const RequestingSite& site = {});

// A request built from a page's attributes that cannot go: the warning box with kBadRequestText,
// then FormatException, which the dispatch reports.
[[noreturn]] void RefuseBadRequest(long entry, const RequestingSite& site = {});
// The same with the box that names a value the user cannot be shown.
[[noreturn]] void RefuseUnshowableValue(long entry, const UnshowableValue& refused, const RequestingSite& site = {});
