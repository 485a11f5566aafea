// shared/bridge-constants.json holds what the extension and the host must agree on: the extension
// packs it, the host keeps constants of its own, and both write out the messages' words.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "BridgeFrames.h"
#include "bridge/BridgeSession.h"
#include "bridge/Json.h"
#include "request/PageRequest.h"
#ifdef _WIN32
#include "client/BrowserHandoff.h"
#endif

namespace {

std::string SourceFile(const std::string& path)
{
    std::ostringstream text;
    text << std::ifstream(VX_SOURCE_ROOT "/" + path, std::ios::binary).rdbuf();
    return text.str();
}

// The member NAME of the JSON text, or its item ITEM when it is a list; "" when there is none.
std::string Member(const std::string& json, const char* name, int item = -1)
{
    JsonValue value;
    std::string error;
    EXPECT_TRUE(ParseJson(json, value, error)) << error;
    const JsonValue* member = value.Member(name);
    if (member && item >= 0) member = std::size_t(item) < member->items.size() ? &member->items[item] : nullptr;
    return member ? member->text : "";
}

const std::string kShared = SourceFile("shared/bridge-constants.json");

}  // namespace

TEST(SharedConstants, TheHostHasTheSharedValuesAndWords)
{
    const struct {
        const char* name;
        int item;
        std::string host;
    } rows[] = {
        {"hostName", -1, kBridgeHostName},
        {"defaultCaption", -1, kDefaultCaption},
        {"largestRequestFile", -1, std::to_string(kLargestRequestFile)},
        {"mostClickAttributes", -1, std::to_string(kMostClickAttributes)},
        {"largestMessageToHost", -1, std::to_string(kLargestInboundMessage)},
#ifdef _WIN32
        {"clientDownloadPage", -1, clientDownloadPage},
#endif
        {"messagesFromHost", 0, Member(MakeStatusReply(""), "type")},
        {"messagesFromHost", 1, Member(MakeOpenUrlReply(""), "type")},
        {"messagesFromHost", 2, Member(MakeDoneReply(RequestOutcome::submitted), "type")},
        {"messagesFromHost", 3, Member(MakeErrorReply(""), "type")},
        {"results", 0, Member(MakeDoneReply(RequestOutcome::submitted), "result")},
        {"results", 1, Member(MakeDoneReply(RequestOutcome::cancelled), "result")},
        {"results", 2, Member(MakeDoneReply(RequestOutcome::failed), "result")},
    };
    for (const auto& row : rows) EXPECT_EQ(Member(kShared, row.name, row.item), row.host) << row.name << row.item;

    // A spare takes the shared warm message and answers its click with the shared word first.
    const std::string input = Frame("{\"type\":\"" + Member(kShared, "spareToHost", 0) + "\"}") +
                              Frame("{\"type\":\"click\",\"attributes\":[]," + kTopSender + "}");
    std::size_t taken = 0;
    std::string output;
    ServeOneClick(ReaderOver(input, taken), WriterInto(output),
                  [](const BridgeClick&, BridgeReplies& reply) { return reply.Done(RequestOutcome::cancelled), 0; });
    const std::vector<std::string> replies = Unframed(output);
    ASSERT_FALSE(replies.empty());
    EXPECT_EQ(Member(kShared, "spareFromHost", 0), Member(replies.front(), "type"));

    // A click of the shared type, from each frame the sender may name.
    const SenderFrame frames[] = {SenderFrame::top, SenderFrame::sameSite, SenderFrame::crossSite};
    for (int i = 0; i < 3; ++i) {
        BridgeClick click;
        std::string error;
        EXPECT_TRUE(ParseClickMessage("{\"type\":\"" + Member(kShared, "messagesToHost", 0) +
                                          "\",\"attributes\":[],\"sender\":{\"origin\":\"https://" +
                                          (i == 2 ? "ads" : "news") + ".example\",\"topOrigin\":\"https://"
                                          "news.example\",\"frame\":\"" + Member(kShared, "frames", i) + "\"}}",
                                      click, error)) << error;
        EXPECT_EQ(frames[i], click.sender.frame) << i;
    }
}

TEST(SharedConstants, TheExtensionsScriptsUseTheSharedWords)
{
    const struct {
        const char* script;
        const char* list;
        const char* before;
        const char* after;
    } rows[] = {
        {"extension/background.js", "messagesFromHost", "case '", "':"},  // each reply handled
        {"extension/rules.js", "messagesToHost", "type: '", "'"},         // the click it builds
        {"extension/rules.js", "frames", "'", "'"},                       // the senders it names
        {"extension/hosts.js", "spareToHost", "type: '", "'"},            // what a spare is sent first
        {"extension/hosts.js", "spareFromHost", "type !== '", "'"},       // its first reply, not passed on
    };
    for (const auto& row : rows) {
        const std::string script = SourceFile(row.script);
        EXPECT_FALSE(Member(kShared, row.list, 0).empty()) << row.list;
        for (int i = 0; !Member(kShared, row.list, i).empty(); ++i) {
            const std::string word = row.before + Member(kShared, row.list, i) + row.after;
            EXPECT_TRUE(script.find(word) != std::string::npos) << row.script << " lacks " << word;
        }
    }
}
