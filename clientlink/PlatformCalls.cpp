#include "clientlink/PlatformCalls.h"

const PlatformCalls realPlatformCalls = {
    ::MessageBoxA, ::GetSaveFileNameA, ::GetOpenFileNameA, ::CommDlgExtendedError, ::CreateProcessA,
};

PlatformCalls platform = realPlatformCalls;
