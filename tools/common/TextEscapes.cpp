#include "common/TextEscapes.h"

#include <cstdio>

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

void AppendHex(std::string& out, unsigned char c)
{
    char code[8];
    std::snprintf(code, sizeof code, "\\x%02X", c);
    out += code;
}

}  // namespace

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
