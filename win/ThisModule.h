// The module (the DLL or the program) this code is linked into: the instance its window classes,
// windows and dialogs are made with, and the folder it was loaded from.
#pragma once

#include <windows.h>

extern "C" IMAGE_DOS_HEADER __ImageBase;  // the linker's symbol at the module's first byte

inline HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
