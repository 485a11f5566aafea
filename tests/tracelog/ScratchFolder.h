// A fresh empty folder under the system's temporary folder (/tmp natively, %TEMP% under Wine),
// removed with its contents at the end of the test. Portable: no windows.h.
#pragma once

#include <string>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return folder; }
    // The path of a file in the folder, with the platform's separator.
    std::string operator/(const std::string& name) const { return Join(folder, name); }
    static std::string Join(const std::string& base, const std::string& name);

private:
    std::string folder;
};

// Whole file contents, binary; "<missing>" when the file cannot be opened.
std::string ReadFileBytes(const std::string& path);
bool PathExists(const std::string& path);
