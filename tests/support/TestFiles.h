// Fresh temporary folders and whole files.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestRegistry.h"
#include "win/Owned.h"

// A new empty folder under %TEMP%, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return folder; }
    std::string operator/(const std::string& name) const { return folder + "\\" + name; }

private:
    std::string folder;
};

// The folder of this test program, without a trailing backslash.
std::string ProgramFolder();
// The plug-in DLL as the build leaves it, beside the test folders.
std::string BuiltPluginPath();

// Whole file contents, binary; empty string when the file cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Names of the entries of folder that match pattern, "." and ".." left out, sorted.
std::vector<std::string> FileNamesIn(const std::string& folder, const std::string& pattern = "*");

// The file mapping a running client holds (by default the product's "970128").
OwnedHandle HoldClientMapping(const char* name = "970128");
