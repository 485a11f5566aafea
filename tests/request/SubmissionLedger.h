// The promise every click keeps, whatever fails around it: a request reported as submitted
// ("Document : Done") is one complete ".vnxsubmit" file in LoadRequestDir with the load-request
// signal bumped once; a request reported otherwise leaves no ".vnxsubmit" file, no ".tmp" file
// and the signal as it was.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "request/RequestOutcome.h"
#include "support/TestRegistry.h"

// The load-request signal's "Value" as the registry holds it, whatever its type.
using SignalValue = RegistryValue;
SignalValue ReadSignalValue();
// The value after one bump of before: its number as "%ld" reads a REG_SZ text of at most 4094
// characters (anything else counts as 0) plus one; 2147483647 goes to 1, a negative stays.
SignalValue BumpedOnce(const SignalValue& before);

class SubmissionLedger {
public:
    // Takes stock of LoadRequestDir and of further folders where a misdirected file could land.
    explicit SubmissionLedger(std::string requestDir, std::vector<std::string> otherFolders = {});

    // Checks the promise for a click that ended with outcome after these status texts, and returns
    // the bytes of its submission file (empty when it reported none).
    std::string Check(RequestOutcome outcome, const std::vector<std::string>& statusTexts) const;

private:
    std::vector<std::string> Files(const std::string& pattern) const;

    std::string requestDir;
    std::vector<std::string> folders;
    std::vector<std::string> submissionsBefore;
    std::vector<std::string> temporariesBefore;
    SignalValue signalBefore;
};
