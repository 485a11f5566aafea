// vxbridge.exe, the native messaging host: one click per run. Browsers start it with pipes as its
// standard handles; started by hand from a console it says what it is.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "bridge/BridgeSession.h"
#include "bridge/DialogWarmUp.h"
#include "bridge/RunBridgeClick.h"
#include "bridge/SpareWaitLimit.h"
#include "bridge/StandardHandles.h"

namespace {

// Window handles are 32-bit values also in 64-bit browsers, so any window the browser names fits.
HWND OwnerWindow(std::int64_t value)
{
    const HWND window = reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
    return value != 0 && IsWindow(window) ? window : nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
        const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
        if (IsCharacterDevice(input)) {
            const std::string about = BridgeAboutText();
            WriteAll(WriterOf(output), about.data(), about.size());
            return 0;
        }
        const HWND owner = OwnerWindow(ParseBridgeArguments(argc, argv).parentWindow);
        // Only a spare waits: a host started for a click has it at once.
        std::unique_ptr<SpareWaitLimit> waitLimit;
        SpareHooks spare;
        spare.warmUp = [&waitLimit] {
            WarmUpDialogs();
            // The main thread is blocked reading the pipe: the limit ends the process itself.
            waitLimit = std::make_unique<SpareWaitLimit>(kSpareWaitLimit, [] { ExitProcess(kExitQuiet); });
        };
        spare.claimClick = [&waitLimit] { return !waitLimit || waitLimit->Claim(); };
        return ServeOneClick(
            ReaderOf(input), WriterOf(output),
            [owner](const BridgeClick& click, BridgeReplies& replies) { return RunBridgeClick(click, owner, replies); },
            spare);
    } catch (...) {
        return kExitFailed;
    }
}
