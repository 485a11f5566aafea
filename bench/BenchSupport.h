// Shared by the Windows benchmarks: a clock, medians, a scratch folder, registry set-up and the
// result lines that scripts/bench turns into its table.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Microseconds on the performance counter.
double NowMicroseconds();
double Median(std::vector<double> samples);

// A new folder under %TEMP%, removed with its files when the object goes.
class ScratchFolder {
public:
    explicit ScratchFolder(const char* purpose);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path; }

private:
    std::string path;
};

// Deletes every file in the folder matching the pattern (not subfolders).
void DeleteFilesIn(const std::string& folder, const char* pattern);
// The first file matching the pattern in the folder, or an empty string.
std::string FirstFileIn(const std::string& folder, const char* pattern);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

// HKCU key with exactly these REG_SZ values (the key is emptied first).
void WriteUserKey(const std::string& keyPath, const std::vector<std::pair<std::string, std::string>>& values);
void DeleteUserTree(const std::string& keyPath);

// Values like a delivery client's settings key: the four the client installs and more of its own,
// count values in all (at least four).
std::vector<std::pair<std::string, std::string>> ClientSettings(const std::string& requestDir, int count);

// One line per figure: "row|figure|value|floor|unit|target", read by scripts/bench. A floor of 0 means
// none; the goal is "<=X" (at most X times the floor), "flat" or "-".
void PrintRow(const std::string& figure, double value, double floor, const char* unit, const char* target);
// A line of detail that scripts/bench prints below the table.
void PrintNote(const std::string& text);

[[noreturn]] void Fail(const std::string& what);
