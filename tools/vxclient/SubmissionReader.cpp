#include "vxclient/SubmissionReader.h"

#include "common/TextEscapes.h"

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
    return fileName + "\t" + (isUpload ? "upload" : "download") + "\t" + EscapeControlsAsHex(entries);
}
