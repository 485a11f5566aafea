#include "support/TestText.h"

std::string WithCrLf(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

std::map<std::string, std::string> Entries(const CKeyValueMap& map)
{
    return std::map<std::string, std::string>(map.begin(), map.end());
}
