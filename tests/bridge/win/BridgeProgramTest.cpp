// vxbridge.exe itself, started as a browser starts it: pipes as its standard handles.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "../BridgeFrames.h"
#include "bridge/BridgeSession.h"
#include "win/Owned.h"

namespace {

struct Outcome {
    DWORD exitCode = 0;
    std::string output;
};

enum class Input { keptOpen, closed, characterDevice };

// Runs the program with `bytes` on its input, waits for it to exit and collects its output.
Outcome RunBridge(const std::string& bytes, Input input)
{
    Outcome outcome;
    const char* variable = std::getenv("VXBRIDGE");
    if (variable == nullptr) {
        ADD_FAILURE() << "VXBRIDGE names no program";
        return outcome;
    }
    std::string program = variable;
    for (char& c : program) c = c == '/' ? '\\' : c;

    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    OwnedHandle childInput, inputWriter, outputReader, childOutput;
    OwnedFile nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                              OPEN_EXISTING, 0, nullptr));
    if (!CreatePipe(childInput.put(), inputWriter.put(), &inherited, 1 << 16) ||
        !CreatePipe(outputReader.put(), childOutput.put(), &inherited, 1 << 16) || !nul) {
        ADD_FAILURE() << "no pipes: " << GetLastError();
        return outcome;
    }
    SetHandleInformation(inputWriter.get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outputReader.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input == Input::characterDevice ? nul.get() : childInput.get();
    startup.hStdOutput = childOutput.get();
    startup.hStdError = nul.get();
    // As Chrome starts it from a service worker.
    std::string commandLine = "\"" + program + "\" chrome-extension://abcdefghijklmnop/ --parent-window=0";
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        ADD_FAILURE() << "cannot start " << program << ": " << GetLastError();
        return outcome;
    }
    OwnedHandle process(started.hProcess), thread(started.hThread);
    childInput.reset();
    childOutput.reset();

    DWORD written = 0;
    EXPECT_TRUE(bytes.empty() || WriteFile(inputWriter.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    if (input == Input::closed) inputWriter.reset();
    if (WaitForSingleObject(process.get(), 30000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "vxbridge.exe did not exit";
        TerminateProcess(process.get(), 99);
    }
    GetExitCodeProcess(process.get(), &outcome.exitCode);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(outputReader.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) outcome.output.append(buffer, read);
    return outcome;
}

}  // namespace

// The inbound length 0x0A1A and the reply's 0x010A: bytes that text mode would end the input at or
// write as CR LF.
TEST(BridgeProgram, FramesCarryLengthBytes0x1AAnd0x0AIntact)
{
    std::string type;
    for (int i = 0; i < 28; ++i) type += "\\u0001";
    type += std::string(35, 'x');
    std::string message = "{\"type\":\"" + type + "\",\"attributes\":[]}";
    message.resize(0x0A1A, ' ');
    const std::string reply = "{\"type\":\"error\",\"message\":\"message type \\\"" + type + "\\\" is not \\\"click\\\"\"}";
    ASSERT_EQ(0x010Au, reply.size());

    const Outcome outcome = RunBridge(Frame(message), Input::closed);
    EXPECT_EQ(DWORD(kExitRefused), outcome.exitCode);
    EXPECT_EQ(std::string("\x0A\x01\x00\x00", 4) + reply, outcome.output);
}

TEST(BridgeProgram, RefusesAnOversizedLengthWithoutWaitingForTheBody)
{
    const Outcome outcome = RunBridge(std::string("\x01\x00\x01\x00", 4), Input::keptOpen);
    EXPECT_EQ(DWORD(kExitRefused), outcome.exitCode);
    EXPECT_EQ(Frame(R"({"type":"error","message":"message larger than 65536 bytes"})"), outcome.output);
}

TEST(BridgeProgram, ExitsQuietlyWhenTheBrowserClosesThePortFirst)
{
    const Outcome outcome = RunBridge("", Input::closed);
    EXPECT_EQ(DWORD(kExitQuiet), outcome.exitCode);
    EXPECT_EQ("", outcome.output);
}

TEST(BridgeProgram, SaysWhatItIsWhenStartedByHand)
{
    const Outcome outcome = RunBridge("", Input::characterDevice);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(BridgeAboutText(), outcome.output);
    EXPECT_NE(std::string::npos, outcome.output.find("example.tolvane.vxbridge"));
}

// A spare warms up (windows made and destroyed under Wine's window system), then serves its click;
// one let go ends quietly.
TEST(BridgeProgram, ASpareWarmsUpThenTakesItsClick)
{
    const std::string warm = Frame(R"({"type":"warm"})");
    Outcome outcome = RunBridge(warm + Frame(R"({"type":"click"})"), Input::closed);
    EXPECT_EQ(DWORD(kExitRefused), outcome.exitCode);
    EXPECT_EQ(Frame(R"({"type":"taken"})") + Frame(R"({"type":"error","message":"\"attributes\" is missing"})"),
              outcome.output);

    outcome = RunBridge(warm, Input::closed);
    EXPECT_EQ(DWORD(kExitQuiet), outcome.exitCode);
    EXPECT_EQ("", outcome.output);
}
