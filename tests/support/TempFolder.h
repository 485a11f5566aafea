// A fresh empty folder under the system's temporary folder (/tmp natively, %TEMP% under Wine),
// removed with everything in it (read-only files too) when the object goes; and whole files.
// Portable, so that the native tests share it.
#pragma once

#include <string>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return folder; }
    // The path of a file in the folder, with the platform's separator.
    std::string operator/(const std::string& name) const { return Join(folder, name); }
    static std::string Join(const std::string& base, const std::string& name);

private:
    std::string folder;
};

// Whole file contents, binary; empty when the file cannot be read.
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
