#include "common/ToolText.h"

std::string FullPath(const std::string& path)
{
    char buffer[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return (length > 0 && length < sizeof buffer) ? std::string(buffer, length) : path;
}

std::string ErrorText(DWORD code)
{
    char buffer[512] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' || buffer[length - 1] == ' '))
        buffer[--length] = 0;
    return "error " + std::to_string(code) + (length ? " (" + std::string(buffer) + ")" : "");
}
