// shared/bridge-constants.json is the one source of what the extension and the host must agree on:
// the extension packs it, the host keeps its own constants, and the words of the messages are written
// out in both. These cases hold the host's constants and words, and the scripts' words, to it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "bridge/BridgeClick.h"
#include "bridge/BridgeReplies.h"
#include "bridge/BridgeSession.h"
#include "bridge/Json.h"
#include "request/PageRequest.h"
#ifdef _WIN32
#include "client/BrowserHandoff.h"
#endif

namespace {

std::string SourceFile(const std::string& path)
{
    std::ifstream file(std::string(VX_SOURCE_ROOT) + "/" + path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

JsonValue Parsed(const std::string& text)
{
    JsonValue value;
    std::string error;
    EXPECT_TRUE(ParseJson(text, value, error)) << error << ": " << text;
    return value;
}

const JsonValue& SharedFile()
{
    static const JsonValue shared = Parsed(SourceFile("shared/bridge-constants.json"));
    return shared;
}

// The value NAME, or its item ITEM when it is a list ("" when there is none).
std::string Shared(const char* name, int item = -1)
{
    const JsonValue* value = SharedFile().Member(name);
    if (value && item >= 0) value = std::size_t(item) < value->items.size() ? &value->items[item] : nullptr;
    return value ? value->text : "";
}

std::string Member(const std::string& reply, const char* name)
{
    const JsonValue parsed = Parsed(reply);
    const JsonValue* member = parsed.Member(name);
    return member ? member->text : "";
}

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
        {"messagesFromHost", 2, Member(MakeDoneReply(ClickResult::submitted), "type")},
        {"messagesFromHost", 3, Member(MakeErrorReply(""), "type")},
        {"results", 0, Member(MakeDoneReply(ClickResult::submitted), "result")},
        {"results", 1, Member(MakeDoneReply(ClickResult::cancelled), "result")},
        {"results", 2, Member(MakeDoneReply(ClickResult::failed), "result")},
    };
    for (const auto& row : rows) EXPECT_EQ(Shared(row.name, row.item), row.host) << row.name << " " << row.item;

    // The host reads a click by its type, with each frame its sender may name.
    const SenderFrame frames[] = {SenderFrame::top, SenderFrame::sameSite, SenderFrame::crossSite};
    for (int i = 0; i < 3; ++i) {
        const std::string origin = i == 2 ? "https://ads.example" : "https://news.example";
        const std::string click = "{\"type\":\"" + Shared("messagesToHost", 0) + "\",\"attributes\":[],\"sender\":{"
                                  "\"origin\":\"" + origin + "\",\"topOrigin\":\"https://news.example\",\"frame\":\"" +
                                  Shared("frames", i) + "\"}}";
        BridgeClick parsed;
        std::string error;
        EXPECT_TRUE(ParseClickMessage(click, parsed, error)) << error;
        EXPECT_EQ(frames[i], parsed.sender.frame) << click;
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
        {"extension/rules.js", "frames", "'", "'"},                       // the sender it names
    };
    for (const auto& row : rows) {
        const std::string script = SourceFile(row.script);
        const JsonValue* words = SharedFile().Member(row.list);
        ASSERT_NE(nullptr, words) << row.list;
        for (const JsonValue& word : words->items)
            EXPECT_TRUE(script.find(row.before + word.text + row.after) != std::string::npos)
                << row.script << " lacks " << row.before << word.text << row.after;
    }
}
