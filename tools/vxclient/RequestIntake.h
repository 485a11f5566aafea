// Taking up submission files: every complete ".vnxsubmit" file in the request directory (never a
// ".tmp" one, which the plug-in is still writing) is parsed with the key/value codec, recorded in
// the journal and moved to "done"; one that cannot be parsed goes to "rejected" with the reason.
#pragma once

#include <string>

#include "client/KeyValueMap.h"
#include "vxclient/ClientSettings.h"
#include "vxclient/SubmissionReader.h"

class ClientLog {
public:
    explicit ClientLog(std::string path) : path(std::move(path)) {}
    void Write(const std::string& text) const;

private:
    std::string path;
};

struct IntakeCount {
    int accepted = 0;
    int rejected = 0;
    int busy = 0;  // still open in another program: taken up at the next look
};

IntakeCount TakeUpSubmissions(const ClientSettings& settings, const ClientLog& log);

std::string TimeStamp();
