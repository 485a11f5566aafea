// Checks of what the user was shown, each one expectation that fails at the caller's line and names
// every difference:
//   EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], path, "ann", "srv1", "609", "8009"));
//   EXPECT_TRUE(ShowsBoxes(ui.messageBoxes, {RequestWarningBox(text), FailureBox()}));
//   EXPECT_TRUE(AsksForFile(ui.fileDialogs[0], SaveAsDialog(window, "pkg.bin", "C:\\old\\")));
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/ScriptedPlatform.h"

// The confirmation of a file the page named ("Tolvane Message "), with these values as shown.
::testing::AssertionResult ConfirmsFile(const ConfirmationCall& call, const std::string& path,
                                        const std::string& recipients, const std::string& server,
                                        const std::string& port, const std::string& httpPort);

// A message box as MessageBoxA is asked for it.
struct ExpectedBox {
    std::string caption;
    std::string text;
    UINT style;
    HWND owner = nullptr;
};
::testing::AssertionResult ShowsBox(const MessageBoxCall& shown, const ExpectedBox& expected);
// The boxes shown, in order: as many as expected, each as ShowsBox compares it.
::testing::AssertionResult ShowsBoxes(const std::vector<MessageBoxCall>& shown,
                                      const std::vector<ExpectedBox>& expected);

// The boxes of the request path that many cases meet.
ExpectedBox FailureBox();                                // the dispatch's "Error" after a failed request
ExpectedBox ConfigurationOfferBox();                     // no usable settings: the offer of the client
ExpectedBox RequestWarningBox(const std::string& text);  // "Tolvane Message ": a request refused
ExpectedBox StartupBox(const std::string& text);         // the client could not be started
extern const char* const kBadRequestAttributesText;      // the flows' refusal of a request's fields

// A file dialog as GetSaveFileNameA or GetOpenFileNameA is asked for it; "<null>" for a title or an
// initial folder that is not given.
struct ExpectedFileDialog {
    bool save;
    std::string title;
    DWORD flags;
    std::string filter;  // up to and including the closing double NUL
    std::string initialFile;
    std::string initialDir;
    HWND owner;
};
::testing::AssertionResult AsksForFile(const FileDialogCall& shown, const ExpectedFileDialog& expected);

// The flows' two dialogs: where to save a download, and which file to upload.
ExpectedFileDialog SaveAsDialog(HWND owner, const std::string& initialFile, const std::string& initialDir);
ExpectedFileDialog OpenDialog(HWND owner);
