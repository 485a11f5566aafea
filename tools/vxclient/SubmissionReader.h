// Reading one submission file: its bytes are key="value" entries, one per line. Kept apart from
// the intake so that a test can read the guide's example submissions exactly as the client does.
#pragma once

#include <string>

#include "client/KeyValueMap.h"

// True with every entry in request; false with the reason when the bytes are not a key="value"
// text or hold no entry at all.
bool ReadSubmission(const std::string& bytes, CKeyValueMap& request, std::string& reason);

// "<file name>\t<download|upload>\t<entries>" with the entries as the codec writes them, separated
// by blanks, control characters written as \xNN so that a request stays on one line.
std::string JournalEntry(const std::string& fileName, const CKeyValueMap& request);
