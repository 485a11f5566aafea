// The request inside a request file's text, and the checks every request passes before anything
// is shown or submitted: pure functions over bytes, so they also build natively for the sanitizers
// and the fuzzers.
#pragma once

#include <cstddef>
#include <string>

class CKeyValueMap;

// The largest request file the plug-in reads, checked on the file's size before anything is read.
// A real request file is one line of a few hundred bytes; even one whose six shown values are all
// at kLongestShownValue stays under 8 KiB. Twice that leaves room for any further entries, keeps
// the "no request information" report (the file text, line ends doubled at worst) within what a
// message box shows, and costs the browser's thread nothing worth measuring to read.
constexpr std::size_t kLargestRequestFile = 16 * 1024;

// The longest FILE, RECIPIENTS, SERVERNAME, SERVERPORT, NAME or TYPE a page may send: four times the
// longest local path (MAX_PATH) and room for dozens of recipients.
constexpr std::size_t kLongestShownValue = 1024;

// The file text as the reader sees it: every line (split at LF, a CR before the LF dropped,
// a lone CR kept) followed by CR LF.
std::string JoinRequestFileLines(const std::string& fileBytes);

// The request data after the first "vnxclient:": from the second character after the colon up to
// the next CR LF, trimmed. False when the text has no prefix.
bool ExtractRequestData(const std::string& fileText, std::string& requestData);

// The values the user is shown before a request goes: in the confirmation, the Save-As proposal.
inline constexpr const char* kShownKeys[] = {"FILE",       "RECIPIENTS", "SERVERNAME", "SERVERPORT",
                                             "HTTPSERVERPORT", "NAME",   "TYPE"};

// Whether a page's request shows the user what it sends: no value holds a NUL byte, and no shown
// value holds a control byte (below 0x20, or 0x7F) or more than kLongestShownValue bytes. A request
// that fails is a bad request. (The characters of the code page are judged by ShowsWhatItSends.)
bool IsShowableRequest(const CKeyValueMap& request);

// Whether a key the plug-in treats specially (FILE, TargetPath, DEBUG_APPROVED, UPLOAD, RECIPIENTS,
// DestBaseName, DestInitialDir) is there in another letter case: a client that matches keys without
// regard to case would take it for the one the plug-in checked, or dropped. Such a request is a bad
// request.
bool HasSpecialKeyInAnotherCase(const CKeyValueMap& request);

// NAME and SERVERNAME of at least 2 bytes; TYPE exactly "PLAIN" or "RICH".
bool IsValidName(const CKeyValueMap& request);
bool IsValidServerName(const CKeyValueMap& request);
bool IsValidType(const CKeyValueMap& request);
