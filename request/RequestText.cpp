// The request file's text and the request data in it. No platform calls: the Win32 parser reads the
// file and hands its bytes here.
#include "request/RequestText.h"

#include <cstring>

#include "client/KeyNames.h"
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

const char* DescribeShownValueFault(ShownValueFault fault)
{
    switch (fault) {
    case ShownValueFault::nulByte:
        return "it holds a NUL byte, which hides what follows it";
    case ShownValueFault::controlByte:
        return "it holds a control character (a tab, a line break or another)";
    case ShownValueFault::tooLong:
        return "it is longer than 1024 bytes";
    case ShownValueFault::blankRun:
        return "it holds more than two blanks in a row";
    case ShownValueFault::notAPort:
        return "a port is a whole number from 1 to 65535";
    case ShownValueFault::notAServerName:
        return "a server name holds no blank, only letters, digits and . - _ : [ ]";
    case ShownValueFault::invisibleCharacter:
        return "it holds a character that prints as nothing or as a blank other than the space";
    case ShownValueFault::unconvertible:
        return "it holds a character that this computer's code page cannot show";
    }
    return "it cannot be shown";
}

bool IsPortText(const std::string& value)
{
    std::size_t first = value.find_first_not_of(' ');
    if (first == std::string::npos) return true;
    const std::size_t last = value.find_last_not_of(' ');
    unsigned long port = 0;
    for (std::size_t at = first; at <= last; ++at) {
        const char c = value[at];
        if (c < '0' || c > '9') return false;
        port = port * 10 + static_cast<unsigned long>(c - '0');
        if (port > 65535) return false;
    }
    return port >= 1;
}

bool IsServerNameText(const std::string& value)
{
    for (char c : value) {
        if (static_cast<unsigned char>(c) >= 0x80) continue;
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                             c == '.' || c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
        if (!allowed) return false;
    }
    return true;
}

bool HasBlankRun(const std::string& value) { return value.find("   ") != std::string::npos; }

std::optional<UnshowableValue> FindUnshowableValue(const CKeyValueMap& request)
{
    for (const auto& entry : request)
        if (entry.second.find('\0') != std::string::npos) return UnshowableValue{entry.first, ShownValueFault::nulByte};
    for (const char* key : kShownKeys) {
        std::string value;
        if (!request.Lookup(key, value)) continue;
        const std::string name = key;
        auto refused = [&](ShownValueFault fault) { return UnshowableValue{name, fault}; };
        if (value.size() > kLongestShownValue) return refused(ShownValueFault::tooLong);
        for (char c : value)
            if (IsControlByte(c)) return refused(ShownValueFault::controlByte);
        if (HasBlankRun(value)) return refused(ShownValueFault::blankRun);
        if ((name == kServerPortKey || name == kHttpServerPortKey) && !IsPortText(value))
            return refused(ShownValueFault::notAPort);
        if (name == kServerNameKey && !IsServerNameText(value)) return refused(ShownValueFault::notAServerName);
    }
    return std::nullopt;
}

bool IsShowableRequest(const CKeyValueMap& request) { return !FindUnshowableValue(request); }

bool HasSpecialKeyInAnotherCase(const CKeyValueMap& request)
{
    static const char* const kSpecialKeys[] = {kLocalFileKey,  kTargetPathKey,      kDebugApprovalKey,    kUploadFlagKey,
                                               kRecipientsKey, kDestinationFileKey, kDestinationFolderKey};
    for (const auto& entry : request)
        for (const char* special : kSpecialKeys)
            if (entry.first != special && ascii::EqualsIgnoringCase(entry.first, special)) return true;
    return false;
}

bool IsValidName(const CKeyValueMap& request) { return MapValue(request, kPackageNameKey).size() >= 2; }

bool IsValidServerName(const CKeyValueMap& request) { return MapValue(request, kServerNameKey).size() >= 2; }

bool IsValidType(const CKeyValueMap& request)
{
    const std::string type = MapValue(request, kContentTypeKey);
    return type == kPlainType || type == kRichType;
}
