// The standard handles used raw, through ReadFile and WriteFile. The C runtime's text mode would
// end the input at a 0x1A byte and write 0x0A as CR LF, both of which occur in the length bytes.
#pragma once

#include <windows.h>

#include "bridge/MessageFraming.h"

MessageReader ReaderOf(HANDLE handle);
MessageWriter WriterOf(HANDLE handle);

// A console or another character device (NUL): the program was started by hand, not by a browser,
// which gives it pipes.
bool IsCharacterDevice(HANDLE handle);
