#include "common/ToolText.h"

#include <cstdio>

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

void AppendHex(std::string& out, unsigned char c)
{
    char code[8];
    snprintf(code, sizeof code, "\\x%02X", c);
    out += code;
}

}  // namespace

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

std::string EscapeControls(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (IsControl(c)) AppendHex(out, c);
        else out += static_cast<char>(c);
    }
    return out;
}

std::string EscapeControlsAsHex(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (IsControl(c)) AppendHex(out, c);
        else out += static_cast<char>(c);
    }
    return out;
}
