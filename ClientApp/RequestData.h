// Finding the request in a request file: pure functions over the file's bytes, so that they
// also build natively for the sanitizers and the fuzzers.
#pragma once

#include <string>

// The file text as the reader sees it: every line (split at LF, a CR before the LF dropped,
// a lone CR kept) followed by CR LF.
std::string JoinRequestFileLines(const std::string& fileBytes);

// The request data after the first "vnxclient:": from the second character after the colon up to
// the next CR LF, trimmed. False when the text has no prefix.
bool ExtractRequestData(const std::string& fileText, std::string& requestData);

// Whitespace by the C locale: space, TAB, LF, VT, FF, CR.
bool IsTextWhitespace(char c);
std::string TrimWhitespace(const std::string& text);
