// Started by the client launch cases: writes how it was started (show flag, show state, priority class)
// to the file named by its first argument, then exits with the code given as its second, if any.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    STARTUPINFOA startupInfo;
    GetStartupInfoA(&startupInfo);
    char record[128];
    std::snprintf(record, sizeof(record), "flags=%lu show=%u priority=%lu",
                  static_cast<unsigned long>(startupInfo.dwFlags & STARTF_USESHOWWINDOW),
                  static_cast<unsigned>(startupInfo.wShowWindow),
                  static_cast<unsigned long>(GetPriorityClass(GetCurrentProcess())));

    // Written under another name first, so that a reader never sees half a record.
    const std::string partial = std::string(argv[1]) + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (!file) return 3;
    std::fputs(record, file);
    std::fclose(file);
    if (!MoveFileA(partial.c_str(), argv[1])) return 4;
    return argc > 2 ? std::atoi(argv[2]) : 0;
}
