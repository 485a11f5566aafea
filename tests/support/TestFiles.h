// Fresh temporary folders and the product's registry key, reset per test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// Whole file contents, binary; empty string when the file cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// Names of the entries of folder that match pattern, "." and ".." left out, sorted.
std::vector<std::string> FileNamesIn(const std::string& folder, const std::string& pattern = "*");

// Deletes HKCU\Software\TOLVANE with everything below it.
void DeleteProductRegistryTree();
// Creates the product key with the given REG_SZ values (name, text pairs).
void WriteProductValue(const std::string& name, const std::string& text);
// REG_SZ text of a value under HKCU\<keyPath>; "<absent>" when it cannot be read as REG_SZ.
std::string ReadUserRegistryText(const std::string& keyPath, const std::string& name);

extern const char* const kTestProductKey;  // "Software\TOLVANE\Tolvane Delivery\970128"
