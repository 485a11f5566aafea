// The warning box of a bad request and the texts it shows.
#pragma once

#include <string>

// The text of the bad-request box of both flows built from embed attributes.
extern const char* const kBadRequestText;

// The trace-log entry (source "ClientApp/VexoRequest", the given entry number), then the same text
// in the "Tolvane Message " warning box.
void ShowRequestWarning(long entry, const std::string& text);

// A request built from a page's attributes that cannot go: the warning box with kBadRequestText,
// then FormatException, which the dispatch reports.
[[noreturn]] void RefuseBadRequest(long entry);
