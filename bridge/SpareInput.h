// The standard input of a spare host while it waits for its click. The wait may last minutes, and a
// thread with windows that does not look at its messages for seconds counts as hung: the window
// system gives up messages to it and ghosts its windows, and programs that broadcast to every window
// wait for it. So a thread of its own waits for the click's first byte, while the main thread keeps
// answering its messages.
#pragma once

#include <windows.h>

#include "bridge/MessageFraming.h"
#include "bridge/StandardHandles.h"
#include "win/Owned.h"

class SpareInput {
public:
    explicit SpareInput(HANDLE input);
    SpareInput(const SpareInput&) = delete;
    SpareInput& operator=(const SpareInput&) = delete;

    // Reads the input as ReaderOf does, starting with the byte the waiting thread took.
    MessageReader Reader();

    // Answers the thread's messages until a byte, or the end of the input, has arrived: true; or
    // until `limitMs` has passed: false, and the waiting thread is left blocked (the program ends).
    bool WaitForInput(DWORD limitMs);

private:
    static DWORD WINAPI ReadFirstByte(void* self);

    HANDLE input;
    OwnedHandle arrived;  // set by the waiting thread once its read returned
    char first = 0;
    DWORD firstCount = 0;  // 1 while the byte the waiting thread took is not handed on
};
