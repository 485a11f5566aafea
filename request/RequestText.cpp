// The request file's text and the request data in it. No platform calls: the Win32 parser reads the
// file and hands its bytes here.
#include "request/RequestText.h"

#include <cstring>

#include "client/KeyValueMap.h"
#include "win/AsciiText.h"

namespace {
const char kRequestPrefix[] = "vnxclient:";
// The prefix and the one character after it that is skipped whatever it is.
const std::size_t kRequestDataOffset = sizeof kRequestPrefix;
}  // namespace

std::string JoinRequestFileLines(const std::string& fileBytes)
{
    std::string text;
    text.reserve(fileBytes.size() + fileBytes.size() / 16 + 2);
    const char* position = fileBytes.data();
    const char* const end = position + fileBytes.size();
    while (position != end) {
        const void* found = std::memchr(position, '\n', static_cast<std::size_t>(end - position));
        const char* lineEnd = found ? static_cast<const char*>(found) : end;
        const char* contentEnd = lineEnd;
        if (found && contentEnd != position && contentEnd[-1] == '\r') --contentEnd;
        text.append(position, static_cast<std::size_t>(contentEnd - position));
        text += "\r\n";
        position = found ? lineEnd + 1 : end;
    }
    return text;
}

bool ExtractRequestData(const std::string& fileText, std::string& requestData)
{
    requestData.clear();
    const std::size_t prefix = fileText.find(kRequestPrefix);
    if (prefix == std::string::npos) return false;
    const std::size_t start = prefix + kRequestDataOffset;
    if (start >= fileText.size()) return true;
    const std::size_t lineEnd = fileText.find("\r\n", start);
    requestData = ascii::Trim(fileText.substr(start, lineEnd == std::string::npos ? std::string::npos : lineEnd - start));
    return true;
}

namespace {

bool IsControlByte(char c)
{
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

}  // namespace

bool IsShowableRequest(const CKeyValueMap& request)
{
    // A NUL ends every text the user is shown, so whatever follows it would travel unseen.
    for (const auto& entry : request)
        if (entry.second.find('\0') != std::string::npos) return false;
    for (const char* key : kShownKeys) {
        std::string value;
        if (!request.Lookup(key, value)) continue;
        if (value.size() > kLongestShownValue) return false;
        for (char c : value)
            if (IsControlByte(c)) return false;
    }
    return true;
}

bool HasSpecialKeyInAnotherCase(const CKeyValueMap& request)
{
    static const char* const kSpecialKeys[] = {"FILE",       "TargetPath",   "DEBUG_APPROVED", "UPLOAD",
                                               "RECIPIENTS", "DestBaseName", "DestInitialDir"};
    for (const auto& entry : request)
        for (const char* special : kSpecialKeys)
            if (entry.first != special && ascii::EqualsIgnoringCase(entry.first, special)) return true;
    return false;
}

bool IsValidName(const CKeyValueMap& request) { return MapValue(request, "NAME").size() >= 2; }

bool IsValidServerName(const CKeyValueMap& request) { return MapValue(request, "SERVERNAME").size() >= 2; }

bool IsValidType(const CKeyValueMap& request)
{
    const std::string type = MapValue(request, "TYPE");
    return type == "PLAIN" || type == "RICH";
}
