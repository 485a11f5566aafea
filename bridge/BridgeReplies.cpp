#include "bridge/BridgeReplies.h"

#include "bridge/Json.h"

namespace {

// {"type":"TYPE","MEMBER":"VALUE"} with the value cut so that the whole stays within the limit.
std::string MakeReply(std::string_view type, std::string_view member, std::string_view value)
{
    std::string reply = "{\"type\":\"";
    reply.append(type);
    reply += "\",\"";
    reply.append(member);
    reply += "\":";
    const std::size_t room = kLargestOutboundMessage - reply.size() - 1;
    AppendJsonString(reply, value, room);
    reply += '}';
    return reply;
}

}  // namespace

std::string MakeStatusReply(std::string_view text)
{
    return MakeReply("status", "text", text);
}

std::string MakeOpenUrlReply(std::string_view url)
{
    return MakeReply("openUrl", "url", url);
}

std::string MakeDoneReply(RequestOutcome outcome)
{
    const char* word = outcome == RequestOutcome::submitted ? "submitted"
                     : outcome == RequestOutcome::cancelled ? "cancelled"
                                                            : "failed";
    return MakeReply("done", "result", word);
}

std::string MakeErrorReply(std::string_view message)
{
    return MakeReply("error", "message", message);
}

bool BridgeReplies::Send(const std::string& reply, bool last)
{
    if (finished) return false;
    if (last) finished = true;
    return WriteMessage(write, reply);
}
