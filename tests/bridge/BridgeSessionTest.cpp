#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "BridgeFrames.h"
#include "bridge/BridgeSession.h"

namespace {

struct Served {
    int code = -1;
    std::vector<std::string> replies;  // unframed
};

Served Serve(const std::string& input, const ClickHandler& handler)
{
    std::size_t taken = 0;
    std::string output;
    Served served;
    served.code = ServeOneClick(ReaderOver(input, taken), WriterInto(output), handler);
    served.replies = Unframed(output);
    return served;
}

const std::string kClick = R"({"type":"click","attributes":[["src","q.vnxclient"]],)" + kTopSender + "}";
// A click in a frame of https://news.example.
std::string FramedClick(const std::string& origin, const std::string& frame)
{
    return R"({"type":"click","attributes":[],"sender":{"origin":")" + origin +
           R"(","topOrigin":"https://news.example","frame":")" + frame + "\"}}";
}

int Unreachable(const BridgeClick&, BridgeReplies&)
{
    ADD_FAILURE() << "the handler ran";
    return 0;
}

}  // namespace

TEST(ServeOneClick, RefusesABadMessageWithOneErrorReply)
{
    const struct {
        std::string input;
        int code;
        std::vector<std::string> replies;
    } cases[] = {
        {"", kExitQuiet, {}},
        {Frame("", kLargestInboundMessage + 1), kExitRefused, {R"({"type":"error","message":"message larger than 65536 bytes"})"}},
        {Frame(kClick).substr(0, 10), kExitRefused, {R"({"type":"error","message":"message cut short"})"}},
        {Frame(R"({"type":"click"})"), kExitRefused, {R"({"type":"error","message":"\"attributes\" is missing"})"}},
    };
    for (const auto& row : cases) {
        const Served served = Serve(row.input, Unreachable);
        EXPECT_EQ(row.code, served.code) << row.input;
        EXPECT_EQ(row.replies, served.replies) << row.input;
    }
    std::string reply;
    const int code = ServeOneClick([](void*, std::size_t) -> std::size_t { throw std::bad_alloc(); },
                                   [&reply](const void* data, std::size_t size) {
                                       reply.append(static_cast<const char*>(data), size);
                                       return size;
                                   },
                                   Unreachable);
    EXPECT_EQ(kExitFailed, code);
    EXPECT_EQ(Frame(R"({"type":"error","message":"the host could not read the message"})"), reply);
}

TEST(ServeOneClick, HandsTheClickOverAndEndsWithOneLastMessage)
{
    Served served = Serve(Frame(kClick), [](const BridgeClick& click, BridgeReplies& replies) {
        EXPECT_EQ("q.vnxclient", click.attributes.at(0).second);
        EXPECT_TRUE(replies.Status("Document : Done"));
        EXPECT_TRUE(replies.OpenUrl("http://www.tolvane.example/download.html"));
        EXPECT_TRUE(replies.Done(RequestOutcome::submitted));
        EXPECT_FALSE(replies.Status("after the end"));
        EXPECT_FALSE(replies.Error("after the end"));
        return 0;
    });
    EXPECT_EQ(0, served.code);
    EXPECT_EQ((std::vector<std::string>{R"({"type":"status","text":"Document : Done"})",
                                        R"({"type":"openUrl","url":"http://www.tolvane.example/download.html"})",
                                        R"({"type":"done","result":"submitted"})"}),
              served.replies);

    // Frames of either site reach the request path, where the site policy decides.
    for (const char* frame : {"sameSite", "crossSite"}) {
        served = Serve(Frame(FramedClick("https://media.news.example", frame)),
                       [](const BridgeClick&, BridgeReplies& replies) { return replies.Done(RequestOutcome::cancelled), 0; });
        EXPECT_EQ(std::vector<std::string>{R"({"type":"done","result":"cancelled"})"}, served.replies) << frame;
    }

    // A handler that forgets the end, or throws, leaves the extension a done "failed".
    const std::vector<std::string> failed = {R"({"type":"status","text":"a"})", R"({"type":"done","result":"failed"})"};
    served = Serve(Frame(kClick), [](const BridgeClick&, BridgeReplies& replies) { return replies.Status("a"), 0; });
    EXPECT_EQ(kExitFailed, served.code);
    EXPECT_EQ(failed, served.replies);
    served = Serve(Frame(kClick), [](const BridgeClick&, BridgeReplies& replies) -> int {
        replies.Status("a");
        throw std::runtime_error("lost");
    });
    EXPECT_EQ(kExitFailed, served.code);
    EXPECT_EQ(failed, served.replies);
}

// A spare reads one warm message, warms up, answers its click with taken before anything else and
// reads nothing after the click.
TEST(ServeOneClick, ASpareTakesExactlyOneWarmMessageThenItsClick)
{
    const std::string warm = Frame(R"({"type":"warm"})");
    const std::string takenReply = R"({"type":"taken"})";
    const std::string done = R"({"type":"done","result":"submitted"})";
    const struct {
        const char* what;
        std::string input;
        bool clickInTime;
        int code;
        std::vector<std::string> replies;
        int warmUps;
        int clicks;
        std::size_t unread;  // bytes of the input never read
    } cases[] = {
        {"a click as the first message", Frame(kClick), true, 0, {done}, 0, 1, 0},
        {"warm, then the click", warm + Frame(kClick), true, 0, {takenReply, done}, 1, 1, 0},
        {"warm, let go", warm, true, kExitQuiet, {}, 1, 0, 0},
        {"warm, no click in time", warm + Frame(kClick), false, kExitQuiet, {}, 1, 0, Frame(kClick).size()},
        {"warm holding more", Frame(R"({"type":"warm","origin":"https://news.example"})"), true, kExitRefused,
         {MakeErrorReply(kWarmHoldsMore)}, 0, 0, 0},
        {"warm twice", warm + warm, true, kExitRefused, {MakeErrorReply(kSecondWarm)}, 1, 0, 0},
        {"warm, a bad click", warm + Frame(R"({"type":"click"})"), true, kExitRefused,
         {takenReply, R"({"type":"error","message":"\"attributes\" is missing"})"}, 1, 0, 0},
        {"warm, a click cut short", warm + Frame(kClick).substr(0, 10), true, kExitRefused,
         {takenReply, R"({"type":"error","message":"message cut short"})"}, 1, 0, 0},
        {"a click, then warm", Frame(kClick) + warm, true, 0, {done}, 0, 1, warm.size()},
        {"warm, two clicks", warm + Frame(kClick) + Frame(kClick), true, 0, {takenReply, done}, 1, 1, Frame(kClick).size()},
    };
    for (const auto& row : cases) {
        int warmUps = 0;
        int clicks = 0;
        SpareHooks hooks;
        hooks.warmUp = [&] { ++warmUps; };
        hooks.waitForClick = [&] { return row.clickInTime; };
        std::size_t taken = 0;
        std::string output;
        const int code = ServeOneClick(ReaderOver(row.input, taken), WriterInto(output),
                                       [&](const BridgeClick&, BridgeReplies& replies) {
                                           ++clicks;
                                           return replies.Done(RequestOutcome::submitted), 0;
                                       },
                                       hooks);
        EXPECT_EQ(row.code, code) << row.what;
        EXPECT_EQ(row.replies, Unframed(output)) << row.what;
        EXPECT_EQ(row.warmUps, warmUps) << row.what;
        EXPECT_EQ(row.clicks, clicks) << row.what;
        EXPECT_EQ(row.unread, row.input.size() - taken) << row.what;
    }

    // Warming only saves time: one that fails leaves the click working.
    SpareHooks failing;
    failing.warmUp = [] { throw std::runtime_error("no window station"); };
    std::size_t taken = 0;
    std::string output;
    const std::string input = warm + Frame(kClick);
    EXPECT_EQ(0, ServeOneClick(ReaderOver(input, taken), WriterInto(output),
                               [](const BridgeClick&, BridgeReplies& replies) { return replies.Done(RequestOutcome::submitted), 0; },
                               failing));
    EXPECT_EQ((std::vector<std::string>{takenReply, done}), Unframed(output));
}

TEST(BridgeReplies, CutALongTextBelowOneMebibyteAtACharacterBoundary)
{
    std::string text;
    for (int i = 0; i < 400000; ++i) text += "\xE2\x82\xAC";
    const std::string reply = MakeStatusReply(text);
    EXPECT_TRUE(reply.size() <= kLargestOutboundMessage && reply.size() > kLargestOutboundMessage - 3) << reply.size();
    EXPECT_EQ("\xE2\x82\xAC\"}", reply.substr(reply.size() - 5));
}

TEST(ParseBridgeArguments, KeepsTheParentWindowAndIgnoresTheRest)
{
    const struct {
        std::vector<const char*> argv;
        std::int64_t window;
    } cases[] = {
        {{"vxbridge.exe", "chrome-extension://abcdefgh/", "--parent-window=132456"}, 132456},
        {{"vxbridge.exe", "C:\\manifest.json", "vxbridge@tolvane.example"}, 0},
        {{"vxbridge.exe", "--parent-window=-2"}, -2},
        {{"vxbridge.exe", "--parent-window=12x"}, 0},
        {{"vxbridge.exe", "--parent-window=99999999999999999999"}, 0},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(row.window, ParseBridgeArguments(int(row.argv.size()), row.argv.data()).parentWindow)
            << row.argv.back();
    }
}
