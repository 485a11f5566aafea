#include "support/TestText.h"

#include <gtest/gtest.h>

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

std::multiset<std::string> Lines(const std::string& bytes)
{
    std::multiset<std::string> lines;
    std::string::size_type start = 0;
    while (start < bytes.size()) {
        const auto end = bytes.find('\n', start);
        EXPECT_NE(std::string::npos, end) << "last line without LF";
        if (end == std::string::npos) break;
        lines.insert(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}
