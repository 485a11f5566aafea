#include "bridge/SpareInput.h"

#include <algorithm>

SpareInput::SpareInput(HANDLE input) : input(input), arrived(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

DWORD WINAPI SpareInput::ReadFirstByte(void* self)
{
    auto& spare = *static_cast<SpareInput*>(self);
    DWORD read = 0;
    spare.firstCount = ReadFile(spare.input, &spare.first, 1, &read, nullptr) ? read : 0;
    SetEvent(spare.arrived.get());
    return 0;
}

bool SpareInput::WaitForInput(DWORD limitMs)
{
    if (!arrived) return true;  // then the input is read on this thread, without waiting here
    OwnedHandle waiting(CreateThread(nullptr, 0, ReadFirstByte, this, 0, nullptr));
    if (!waiting) return true;
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= limitMs) return false;
        const HANDLE event = arrived.get();
        const DWORD woken = MsgWaitForMultipleObjects(1, &event, FALSE, limitMs - waited, QS_ALLINPUT);
        MSG message;
        if (woken == WAIT_OBJECT_0) {
            // The thread has stored its byte: it ends without touching this object again.
            WaitForSingleObject(waiting.get(), INFINITE);
            // Wine counts a thread that only waited, without taking a message for seconds, as hung
            // (and other programs' messages to it then fail at once): a look at the queue says not.
            PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
            return true;
        }
        if (woken != WAIT_OBJECT_0 + 1) return woken != WAIT_TIMEOUT;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

MessageReader SpareInput::Reader()
{
    const MessageReader plain = ReaderOf(input);
    return [this, plain](void* buffer, std::size_t size) -> std::size_t {
        if (firstCount == 0 || size == 0) return plain(buffer, size);
        firstCount = 0;
        *static_cast<char*>(buffer) = first;
        return 1;
    };
}
