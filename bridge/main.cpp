// vxbridge.exe, the native messaging host: one click per run. Browsers start it with pipes as its
// standard handles; started by hand from a console it says what it is.
#include <windows.h>

#include <cstdint>
#include <string>

#include "bridge/BridgeSession.h"
#include "bridge/DialogWarmUp.h"
#include "bridge/RunBridgeClick.h"
#include "bridge/SpareInput.h"
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
        // Never freed: on a spare's time-out its waiting thread still holds it as the program ends.
        auto* spareInput = new SpareInput(input);
        SpareHooks spare;
        spare.warmUp = [input] {
            WarmUpDialogs([input] {
                DWORD waiting = 0;
                return PeekNamedPipe(input, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0;
            });
        };
        spare.waitForClick = [spareInput] { return spareInput->WaitForInput(kSpareWaitLimitMs); };
        return ServeOneClick(
            spareInput->Reader(), WriterOf(output),
            [owner](const BridgeClick& click, BridgeReplies& replies) { return RunBridgeClick(click, owner, replies); },
            spare);
    } catch (...) {
        return kExitFailed;
    }
}
