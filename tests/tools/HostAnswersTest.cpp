// The host's automation answers the confirmation: Yes once the dialog takes it, No at once.
#include <gtest/gtest.h>

#include "support/DialogDriver.h"
#include "vxhost/DialogAutomation.h"

TEST(HostAnswers, YesIsPressedOnceArmedAndNoAtOnce)
{
    const Confirmation question = Question({{"File:", "C:\\e2e\\up\\data.txt"}, {"To:", "carol"}});
    for (const char* answer : {"Tolvane Message =Yes", "Tolvane Message=No"}) {
        const bool yes = answer[std::string(answer).size() - 1] == 's';
        StartDialogAutomation({ParseDialogAnswer(answer)}, true, 0);
        testing::internal::CaptureStdout();
        const DWORD start = GetTickCount();
        EXPECT_EQ(yes, AskWhileDriving(question, nullptr, [](HWND, DWORD) {}));
        EXPECT_EQ(yes, GetTickCount() - start >= kConfirmationArmDelayMs) << answer;
        EXPECT_EQ(std::string("dialog: box \"Tolvane Message \" open\ndialog: box \"Tolvane Message \": ") +
                      "File: C:\\e2e\\up\\data.txt | To: carol -> " + (yes ? "Yes\n" : "No\n"),
                  testing::internal::GetCapturedStdout());
        StopDialogAutomation();
    }
    EXPECT_TRUE(DialogFailures().empty());
}
