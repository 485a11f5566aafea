#include <windows.h>

#include <cstdlib>

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    // No thread attach/detach notifications: the plug-in keeps no per-thread state.
    if (reason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(module);
    return TRUE;
}

// Nothing thrown inside the plug-in leaves its boundaries, so std::terminate means a broken
// invariant and the browser's process ends either way. The runtime's default handler would first
// print the exception's demangled type to a console no browser has; it alone links the C++
// demangler, an eighth of the DLL that every browser start loads.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
