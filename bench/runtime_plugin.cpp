// A DLL with no code of its own but the C and C++ runtime the plug-in links (strings, a map,
// exceptions, formatted text), built like it: what loading that runtime costs by itself.
#include <windows.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>

extern "C" __declspec(dllexport) int UseRuntime(const char* text)
{
    try {
        std::map<std::string, std::string> values;
        values[text] = std::to_string(values.size());
        char line[32];
        std::snprintf(line, sizeof line, "%ld", static_cast<long>(values.size()));
        if (values.begin()->first.size() > 3) throw std::runtime_error(line);
        return static_cast<int>(values.size());
    } catch (const std::exception&) {
        return -1;
    }
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
    return TRUE;
}
