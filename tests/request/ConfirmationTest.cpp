// The confirmation of a file the page named: its fields as the user reads them.
#include <gtest/gtest.h>

#include <string>

#include "request/Confirmation.h"
#include "support/Expectations.h"
#include "support/ScriptedPlatform.h"

namespace {

TEST(Confirmation, TheTextCarriesThePathAndRecipientsVerbatim)
{
    ScriptedPlatform ui;
    const std::string path = "C:\\a b\\\"quoted\".txt";
    for (const std::string& recipients : {std::string(), std::string("x:y:z")}) {
        ui.confirmations.clear();
        ui.confirmationAnswers = {false, true};
        EXPECT_FALSE(ConfirmPageNamedFile({path, recipients, "srv", "", ""}, nullptr));
        EXPECT_TRUE(ConfirmPageNamedFile({path, recipients, "srv", "", ""}, nullptr));
        ASSERT_EQ(2u, ui.confirmations.size());
        for (const ConfirmationCall& call : ui.confirmations)
            EXPECT_TRUE(ConfirmsFile(call, path, recipients, "srv", "(none given)", "(none given)"));
    }
}

}  // namespace
