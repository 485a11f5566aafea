// A request file's bytes as the parser sees them: joined lines, the request data after the prefix,
// and that data parsed as a key/value text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "client/KeyValueMap.h"
#include "request/RequestText.h"
#include "win/AsciiText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string fileBytes(reinterpret_cast<const char*>(data), size);
    const std::string fileText = JoinRequestFileLines(fileBytes);

    // The lines joined the plain way: split at LF, a CR right before the LF dropped, CR LF after each.
    std::string expectedText;
    std::string line;
    for (std::size_t at = 0; at < fileBytes.size(); ++at) {
        if (fileBytes[at] != '\n') {
            line += fileBytes[at];
            continue;
        }
        if (!line.empty() && line.back() == '\r') line.pop_back();
        expectedText += line + "\r\n";
        line.clear();
    }
    if (!line.empty()) expectedText += line + "\r\n";
    if (fileText != expectedText) std::abort();

    // Every LF of the joined text ends a CR LF, and the text ends in one unless it is empty.
    if (fileText.empty() != fileBytes.empty()) std::abort();
    if (!fileText.empty() && fileText.compare(fileText.size() - 2, 2, "\r\n") != 0) std::abort();
    for (std::size_t at = fileText.find('\n'); at != std::string::npos; at = fileText.find('\n', at + 1)) {
        if (at == 0 || fileText[at - 1] != '\r') std::abort();
    }

    std::string requestData;
    const bool found = ExtractRequestData(fileText, requestData);
    if (found != (fileText.find("vnxclient:") != std::string::npos)) std::abort();
    if (!requestData.empty() &&
        (ascii::IsSpace(requestData.front()) || ascii::IsSpace(requestData.back()) ||
         requestData.find("\r\n") != std::string::npos)) {
        std::abort();
    }

    CKeyValueMap request;
    request["NAME"] = "";
    request["SERVERNAME"] = "";
    request["TYPE"] = "PLAIN";
    try {
        request.ParseText(requestData);
    } catch (const FormatException&) {
    }
    return 0;
}
