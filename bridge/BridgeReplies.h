// What the host answers: zero or more status and openUrl messages, then one done or one error.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "bridge/MessageFraming.h"
#include "request/RequestOutcome.h"

// Each reply as its JSON text, below kLargestOutboundMessage: a longer text is cut at a UTF-8
// character boundary. Texts are UTF-8; a byte that is not valid UTF-8 becomes U+FFFD.
std::string MakeStatusReply(std::string_view text);
std::string MakeOpenUrlReply(std::string_view url);
// done's result is the outcome's word: "submitted", "cancelled" or "failed".
std::string MakeDoneReply(RequestOutcome outcome);
std::string MakeErrorReply(std::string_view message);

// Writes the replies of one click in order. After done or error nothing more is written: those
// calls, and any later one, answer false, as does a write that fails (the browser closed the port).
class BridgeReplies {
public:
    explicit BridgeReplies(MessageWriter write) : write(std::move(write)) {}

    bool Status(std::string_view text) { return Send(MakeStatusReply(text), false); }
    // The URL has passed the host's URL check (http or https, at most 248 bytes, no quote, no
    // control byte); the extension opens it in a new tab.
    bool OpenUrl(std::string_view url) { return Send(MakeOpenUrlReply(url), false); }
    bool Done(RequestOutcome outcome) { return Send(MakeDoneReply(outcome), true); }
    bool Error(std::string_view message) { return Send(MakeErrorReply(message), true); }

    // Whether done or error was sent (or tried).
    bool Finished() const { return finished; }

private:
    bool Send(const std::string& reply, bool last);

    MessageWriter write;
    bool finished = false;
};
