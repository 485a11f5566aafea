#include "bridge/BridgeSession.h"

#include <cstring>
#include <limits>

#include "bridge/Json.h"

const char kWarmHoldsMore[] = "the warm message holds more than its type";
const char kSecondWarm[] = "a second warm message: a spare takes one, then its click";

namespace {

// The first reply to a spare's click.
const char kTakenReply[] = R"({"type":"taken"})";

enum class Warm { no, exactly, withMore };

// Whether the message is the spare's warm message, and whether it holds anything beside its type.
Warm WarmMessage(const std::string& message)
{
    JsonValue json;
    std::string error;
    if (!ParseJson(message, json, error) || json.kind != JsonValue::Kind::object) return Warm::no;
    const JsonValue* type = json.Member("type");
    if (type == nullptr || type->kind != JsonValue::Kind::string || type->text != "warm") return Warm::no;
    return json.members.size() == 1 ? Warm::exactly : Warm::withMore;
}

}  // namespace

int ServeOneClick(const MessageReader& read, const MessageWriter& write, const ClickHandler& handle,
                  const SpareHooks& spare)
{
    BridgeReplies replies(write);
    BridgeClick click;
    // Nothing has been submitted yet, so any failure up to the hand-over is an error reply.
    try {
        std::string message;
        FrameResult frame = ReadMessage(read, message);
        const Warm warm = frame == FrameResult::message ? WarmMessage(message) : Warm::no;
        if (warm == Warm::withMore) {
            replies.Error(kWarmHoldsMore);
            return kExitRefused;
        }
        const bool warmed = warm == Warm::exactly;
        if (warmed) {
            try {
                if (spare.warmUp) spare.warmUp();
            } catch (...) {
                // Warming only saves time: the click still works without it.
            }
            if (spare.waitForClick && !spare.waitForClick()) return kExitQuiet;
            frame = ReadMessage(read, message);
        }
        if (warmed && frame != FrameResult::endOfInput) {
            if (frame == FrameResult::message && WarmMessage(message) != Warm::no) {
                replies.Error(kSecondWarm);
                return kExitRefused;
            }
            WriteMessage(write, kTakenReply);
        }
        switch (frame) {
        case FrameResult::endOfInput:
            return kExitQuiet;
        case FrameResult::shortRead:
            replies.Error("message cut short");
            return kExitRefused;
        case FrameResult::tooLarge:
            replies.Error("message larger than " + std::to_string(kLargestInboundMessage) + " bytes");
            return kExitRefused;
        case FrameResult::message:
            break;
        }
        std::string error;
        if (!ParseClickMessage(message, click, error)) {
            replies.Error(error);
            return kExitRefused;
        }
    } catch (...) {
        replies.Error("the host could not read the message");
        return kExitFailed;
    }

    int code = kExitFailed;
    try {
        code = handle(click, replies);
    } catch (...) {
        code = kExitFailed;
    }
    if (!replies.Finished()) {
        replies.Done(RequestOutcome::failed);
        code = kExitFailed;
    }
    return code;
}

BridgeArguments ParseBridgeArguments(int argc, const char* const* argv)
{
    static const char kParentWindow[] = "--parent-window=";
    const std::size_t prefix = sizeof kParentWindow - 1;
    BridgeArguments arguments;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument == nullptr || std::strncmp(argument, kParentWindow, prefix) != 0) continue;
        const char* digits = argument + prefix;
        const bool negative = *digits == '-';
        if (negative) ++digits;
        if (*digits == '\0') continue;
        std::uint64_t value = 0;
        bool number = true;
        for (const char* c = digits; *c != '\0' && number; ++c) {
            number = *c >= '0' && *c <= '9' && value <= (std::numeric_limits<std::uint64_t>::max() >> 4);
            value = value * 10 + std::uint64_t(*c - '0');
        }
        if (!number || value > std::uint64_t(std::numeric_limits<std::int64_t>::max())) continue;
        arguments.parentWindow = negative ? -std::int64_t(value) : std::int64_t(value);
    }
    return arguments;
}

std::string BridgeAboutText()
{
    return std::string("vxbridge.exe ") + VX_BRIDGE_VERSION +
           ": the native messaging host of the Tolvane Delivery browser extension\r\n"
           "(host name " + kBridgeHostName + ").\r\n"
           "The browser starts it when a page's button is clicked and talks to it through its standard\r\n"
           "input and output; there is nothing to do with it by hand.\r\n";
}
