// The request inside a request file's text, and the checks every request passes before anything
// is shown or submitted: pure functions over bytes, so they also build natively for the sanitizers
// and the fuzzers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "client/KeyNames.h"

class CKeyValueMap;

// The largest request file the plug-in reads, checked on the file's size before anything is read.
// A real request file is one line of a few hundred bytes; even one whose six shown values are all
// at kLongestShownValue stays under 8 KiB. Twice that leaves room for any further entries, keeps
// the "no request information" report (the file text, line ends doubled at worst) within what a
// message box shows, and costs the browser's thread nothing worth measuring to read. The extension,
// which fetches the file for the bridge, has the same bound from shared/bridge-constants.json.
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
inline constexpr const char* kShownKeys[] = {kLocalFileKey,      kRecipientsKey,  kServerNameKey, kServerPortKey,
                                             kHttpServerPortKey, kPackageNameKey, kContentTypeKey};

// Why a value cannot be shown to the user as what it is.
enum class ShownValueFault {
    nulByte,             // in any value: it ends every text the user is shown
    controlByte,         // below 0x20, or 0x7F
    tooLong,             // more than kLongestShownValue bytes
    blankRun,            // more than two blanks in a row, anywhere in it
    notAPort,            // SERVERPORT, HTTPSERVERPORT: not empty and no port
    notAServerName,      // SERVERNAME: a character no host name or address holds
    invisibleCharacter,  // a character of the code page that prints as nothing or as a blank
    unconvertible,       // a character the ANSI code page cannot hold (the native messaging host)
};

// The value that cannot be shown, by its key (or attribute name), and why.
struct UnshowableValue {
    std::string key;
    ShownValueFault fault;
};

// The words of the fault, for the box that refuses the value.
const char* DescribeShownValueFault(ShownValueFault fault);

// The first value of a page's request that the user could not be shown as what it is: a NUL byte
// in any value; in a shown value (kShownKeys order) a control byte, more than kLongestShownValue
// bytes, a run of more than two blanks; a SERVERPORT or HTTPSERVERPORT that is not empty and no
// port; a SERVERNAME with a character no host name holds. Nothing when every value passes. (The
// characters of the code page are judged by FindValueNotShown, request/ShownText.h.)
std::optional<UnshowableValue> FindUnshowableValue(const CKeyValueMap& request);
bool IsShowableRequest(const CKeyValueMap& request);

// A port: after the blanks around it, decimal digits (leading zeros allowed, as a client reads
// "0609") for 1 to 65535. Blanks alone count as no port given.
bool IsPortText(const std::string& value);
// No blank, and only ASCII letters, digits, ".", "-", "_", ":", "[" and "]" (host names, IPv4 and
// bracketed IPv6 addresses); bytes above ASCII are left to the code page's judgement.
bool IsServerNameText(const std::string& value);
// More than two blanks (U+0020) in a row: enough to push the rest of a value out of sight.
bool HasBlankRun(const std::string& value);

// Whether a key the plug-in treats specially (FILE, TargetPath, DEBUG_APPROVED, UPLOAD, RECIPIENTS,
// DestBaseName, DestInitialDir) is there in another letter case: a client that matches keys without
// regard to case would take it for the one the plug-in checked, or dropped. Such a request is a bad
// request.
bool HasSpecialKeyInAnotherCase(const CKeyValueMap& request);

// NAME and SERVERNAME of at least 2 bytes; TYPE exactly "PLAIN" or "RICH".
bool IsValidName(const CKeyValueMap& request);
bool IsValidServerName(const CKeyValueMap& request);
bool IsValidType(const CKeyValueMap& request);
