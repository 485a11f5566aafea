#include "support/Expectations.h"

#include <utility>
#include <vector>

::testing::AssertionResult ConfirmsFile(const ConfirmationCall& call, const std::string& path,
                                        const std::string& recipients, const std::string& server,
                                        const std::string& port, const std::string& httpPort)
{
    const std::vector<std::pair<std::string, std::string>> fields = {
        {"File:", path}, {"To:", recipients}, {"Server:", server}, {"Port:", port}, {"HTTP port:", httpPort}};
    ::testing::AssertionResult result = ::testing::AssertionSuccess();
    auto differs = [&](const char* what, const std::string& expected, const std::string& actual) {
        if (expected == actual) return;
        if (result) result = ::testing::AssertionFailure();
        result << "\n  " << what << ": expected [" << expected << "], shown [" << actual << "]";
    };
    differs("caption", "Tolvane Message ", call.caption);
    differs("opening", "This page asks to send your file", call.opening);
    differs("question", "Do you want to send it?", call.question);
    if (call.fields.size() != fields.size()) {
        if (result) result = ::testing::AssertionFailure();
        result << "\n  " << call.fields.size() << " fields shown, expected " << fields.size();
        return result;
    }
    for (std::size_t index = 0; index < fields.size(); ++index) {
        differs("label", fields[index].first, call.fields[index].first);
        differs(fields[index].first.c_str(), fields[index].second, call.fields[index].second);
    }
    return result;
}
