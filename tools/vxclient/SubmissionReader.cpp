#include "vxclient/SubmissionReader.h"

#include <cstdio>

namespace {

std::string EscapeControls(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", c);
            out += code;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

bool ReadSubmission(const std::string& bytes, CKeyValueMap& request, std::string& reason)
{
    request.RemoveAll();
    try {
        request.ParseText(bytes);
    } catch (const FormatException&) {
        reason = "the file is not a key=\"value\" text";
        return false;
    }
    if (request.IsEmpty()) {
        reason = "the file holds no request entries";
        return false;
    }
    return true;
}

std::string JournalEntry(const std::string& fileName, const CKeyValueMap& request)
{
    std::string upload;
    bool isUpload = request.Lookup("UPLOAD", upload) && upload == "TRUE";
    std::string entries = request.FormatText(" ");
    while (!entries.empty() && entries.back() == ' ') entries.pop_back();
    return fileName + "\t" + (isUpload ? "upload" : "download") + "\t" + EscapeControls(entries);
}
