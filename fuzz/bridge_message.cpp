// The host's inbound path on any bytes: the framing, then the click. A click that parses keeps its
// bounds; a refusal has a reason that goes out as a valid error reply. Any bytes written as a JSON
// string read back as valid JSON, and as the same text when they were valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>

#include "bridge/BridgeClick.h"
#include "bridge/BridgeReplies.h"
#include "bridge/Json.h"
#include "bridge/MessageFraming.h"

namespace {

bool IsValidUtf8(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void CheckClick(const std::string& message)
{
    BridgeClick click;
    std::string error;
    if (ParseClickMessage(message, click, error)) {
        if (!error.empty() || click.attributes.size() > kMostClickAttributes) std::abort();
        for (const auto& attribute : click.attributes) {
            if (attribute.first.find('\0') != std::string::npos || attribute.second.find('\0') != std::string::npos) {
                std::abort();
            }
        }
        const BridgeRequestFile& file = click.requestFile;
        if (file.bytes.size() > kLargestRequestFile) std::abort();
        if (file.kind != BridgeRequestFile::Kind::bytes && !file.bytes.empty()) std::abort();
        return;
    }
    if (error.empty()) std::abort();
    JsonValue reply;
    std::string replyError;
    if (!ParseJson(MakeErrorReply(error), reply, replyError) || reply.Member("message")->text != error) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t taken = 0;
    const MessageReader read = [&](void* buffer, std::size_t wanted) {
        const std::size_t n = std::min(wanted, input.size() - taken);
        std::memcpy(buffer, input.data() + taken, n);
        taken += n;
        return n;
    };
    std::string message;
    const FrameResult result = ReadMessage(read, message);
    if (result == FrameResult::tooLarge && taken != 4) std::abort();
    if (result == FrameResult::message) CheckClick(message);
    // Without a usable frame, the bytes themselves are the click's text.
    if (result != FrameResult::message) CheckClick(input);

    std::string written;
    AppendJsonString(written, input);
    JsonValue value;
    std::string error;
    if (!ParseJson(written, value, error)) std::abort();
    if (IsValidUtf8(input) && value.text != input) std::abort();
    return 0;
}
