// Checks of what the user was shown, each one expectation that names every difference:
//   EXPECT_TRUE(ConfirmsFile(ui.confirmations[0], path, "ann", "srv1", "609", "8009"));
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/ScriptedPlatform.h"

// The confirmation of a file the page named ("Tolvane Message "), with these values as shown.
::testing::AssertionResult ConfirmsFile(const ConfirmationCall& call, const std::string& path,
                                        const std::string& recipients, const std::string& server,
                                        const std::string& port, const std::string& httpPort);
