// Fresh temporary folders and whole files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestRegistry.h"
#include "win/Owned.h"

// The folder of this test program, without a trailing backslash.
std::string ProgramFolder();
// The plug-in DLL as the build leaves it, one folder up from the test programs.
std::string BuiltPluginPath();

// Names of the entries of folder that match pattern, "." and ".." left out, sorted.
std::vector<std::string> FileNamesIn(const std::string& folder, const std::string& pattern = "*");

// The file mapping a running client holds (by default the product's "970128").
OwnedHandle HoldClientMapping(const char* name = "970128");
