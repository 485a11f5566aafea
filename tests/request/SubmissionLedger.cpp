#include "SubmissionLedger.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <climits>
#include <iterator>

#include "client/KeyValueMap.h"
#include "support/TestFiles.h"

namespace {


std::vector<std::string> Difference(std::vector<std::string> after, std::vector<std::string> before)
{
    std::sort(after.begin(), after.end());
    std::sort(before.begin(), before.end());
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    return added;
}

bool IsTimeName(const std::string& name)
{
    if (name.size() != 9 + 10 || name.compare(9, 10, ".vnxsubmit") != 0) return false;
    return std::all_of(name.begin(), name.begin() + 9,
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f'); });
}

}  // namespace

SignalValue ReadSignalValue() { return TestRegistry::Read(HKEY_CURRENT_USER, kSignalKey, "Value"); }

SignalValue BumpedOnce(const SignalValue& before)
{
    long number = 0;
    if (before.present && before.type == REG_SZ) {
        const std::string text = before.data.substr(0, before.data.find('\0'));
        if (text.size() <= 4094) number = std::strtol(text.c_str(), nullptr, 10);
    }
    if (number < 0) return before;
    const std::string text = std::to_string(number == LONG_MAX ? 1 : number + 1);
    SignalValue after;
    after.present = true;
    after.type = REG_SZ;
    after.data = text + '\0';
    return after;
}

SubmissionLedger::SubmissionLedger(std::string requestDir, std::vector<std::string> otherFolders)
    : requestDir(std::move(requestDir)), folders(std::move(otherFolders))
{
    folders.insert(folders.begin(), this->requestDir);
    submissionsBefore = Files("*.vnxsubmit");
    temporariesBefore = Files("*.tmp");
    signalBefore = ReadSignalValue();
}

std::vector<std::string> SubmissionLedger::Files(const std::string& pattern) const
{
    std::vector<std::string> paths;
    for (const std::string& folder : folders) {
        WIN32_FIND_DATAA found;
        OwnedFindHandle search(FindFirstFileA((folder + "\\" + pattern).c_str(), &found));
        if (!search) continue;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                paths.push_back(folder + "\\" + found.cFileName);
        } while (FindNextFileA(search.get(), &found));
    }
    return paths;
}

std::string SubmissionLedger::Check(RequestOutcome outcome, const std::vector<std::string>& statusTexts) const
{
    const bool reportedSubmitted = !statusTexts.empty() && statusTexts.back() == "Document : Done";
    EXPECT_EQ(reportedSubmitted, outcome == RequestOutcome::submitted)
        << "the dispatch's outcome against its last status text";

    const std::vector<std::string> newTemporaries = Difference(Files("*.tmp"), temporariesBefore);
    EXPECT_TRUE(newTemporaries.empty()) << "a request left as " << newTemporaries.front();

    const std::vector<std::string> newSubmissions = Difference(Files("*.vnxsubmit"), submissionsBefore);
    const SignalValue signalAfter = ReadSignalValue();
    if (!reportedSubmitted) {
        EXPECT_TRUE(newSubmissions.empty()) << "a request not reported as submitted left " << newSubmissions.front();
        EXPECT_TRUE(signalAfter == signalBefore) << "the signal changed for a request not submitted";
        return {};
    }

    EXPECT_TRUE(signalAfter == BumpedOnce(signalBefore)) << "the signal was not bumped exactly once";
    EXPECT_EQ(1u, newSubmissions.size()) << "submission files for one request reported as submitted";
    if (newSubmissions.size() != 1) return {};
    const std::string& path = newSubmissions.front();
    const std::string name = path.substr(path.rfind('\\') + 1);
    EXPECT_EQ(requestDir + "\\" + name, path) << "not in LoadRequestDir";
    EXPECT_TRUE(IsTimeName(name)) << name;

    // Complete: entries that the client's reader takes, every one ended by its LF, and exactly the
    // bytes that writing them again gives.
    const std::string bytes = ReadWholeFile(path);
    CKeyValueMap entries;
    try {
        entries.ParseText(bytes);
    } catch (const FormatException&) {
        ADD_FAILURE() << "the submission file does not parse: " << bytes;
        return bytes;
    }
    EXPECT_FALSE(entries.IsEmpty()) << "an empty submission file";
    EXPECT_TRUE(entries.FormatText("\n") == bytes) << "the submission file is cut or has more in it: " << bytes;
    return bytes;
}
