#include "support/SitePolicyTable.h"

#include <sstream>
#include <stdexcept>

namespace {

const char kTable[] =
#include "SitePolicyTable.inc"
    ;

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string Unescaped(const std::string& field)
{
    if (field == "\"\"") return "";
    std::string text;
    for (std::size_t at = 0; at < field.size(); ++at) {
        if (field.compare(at, 2, "\\x") == 0 && at + 3 < field.size() && HexValue(field[at + 2]) >= 0 &&
            HexValue(field[at + 3]) >= 0) {
            text += static_cast<char>(HexValue(field[at + 2]) * 16 + HexValue(field[at + 3]));
            at += 3;
        } else {
            text += field[at];
        }
    }
    return text;
}

}  // namespace

std::vector<SitePolicyTableRow> SitePolicyTableRows(const std::string& kind)
{
    std::vector<SitePolicyTableRow> rows;
    std::istringstream lines(kTable);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(Unescaped(line.substr(start, tab - start)));
        fields.push_back(Unescaped(line.substr(start)));
        if (fields[0] != kind) continue;
        fields.erase(fields.begin());
        rows.push_back({number, fields});
    }
    // A kind misspelt, or a table that did not get compiled in, must not pass as no rows to check.
    if (rows.empty()) throw std::runtime_error("site-policy-table.txt has no " + kind + " rows");
    return rows;
}

std::vector<std::string> SitePolicyTableList(const std::string& field)
{
    std::vector<std::string> patterns;
    std::istringstream words(field);
    for (std::string word; words >> word;) patterns.push_back(word);
    return patterns;
}
