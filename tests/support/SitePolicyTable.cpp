#include "support/SitePolicyTable.h"

#include <sstream>
#include <stdexcept>

namespace {

const char kTable[] =
#include "SitePolicyTable.inc"
    ;

std::string Unescaped(const std::string& field)
{
    if (field == "\"\"") return "";
    std::string text = field;
    for (std::size_t at = 0; (at = text.find("\\x", at)) != std::string::npos; ++at)
        text.replace(at, 4, 1, static_cast<char>(std::stoi(text.substr(at + 2, 2), nullptr, 16)));
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
