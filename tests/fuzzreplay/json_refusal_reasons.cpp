// json_refusal_reasons PARSER-SOURCE CORPUS-FOLDER: fails unless the corpus reaches every reason
// the JSON parser can give for a refusal. The reasons are read from the parser's source (each
// text handed to Fail, and the invalid UTF-8 one), so a new reason needs a seed before it passes.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "bridge/Json.h"

namespace {

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
}

std::set<std::string> ReasonsInSource(const std::string& source)
{
    static const std::regex failure(R"re(Fail\((.*)\);)re");
    static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
    static const std::regex utf8(R"re(error = "([^"]*) at byte ")re");
    std::set<std::string> reasons;
    std::istringstream lines(source);
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_search(line, match, utf8)) reasons.insert(match[1]);
        if (!std::regex_search(line, match, failure)) continue;
        const std::string arguments = match[1];
        for (std::sregex_iterator it(arguments.begin(), arguments.end(), literal), end; it != end; ++it) {
            reasons.insert(std::regex_replace((*it)[1].str(), std::regex(R"(\\(.))"), "$1"));
        }
    }
    return reasons;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: json_refusal_reasons PARSER-SOURCE CORPUS-FOLDER\n");
        return 2;
    }
    std::set<std::string> missing = ReasonsInSource(ReadFile(argv[1]));
    const std::size_t known = missing.size();
    if (known < 2) {
        std::fprintf(stderr, "no refusal reasons found in %s\n", argv[1]);
        return 1;
    }
    for (const auto& entry : std::filesystem::directory_iterator(argv[2])) {
        JsonValue value;
        std::string error;
        if (!ParseJson(ReadFile(entry.path()), value, error)) {
            missing.erase(std::regex_replace(error, std::regex(" at byte [0-9]+$"), ""));
        }
    }
    for (const auto& reason : missing) std::printf("no input of the corpus is refused with: %s\n", reason.c_str());
    std::printf("%zu of %zu refusal reasons reached\n", known - missing.size(), known);
    return missing.empty() ? 0 : 1;
}
