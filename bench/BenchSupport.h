// Shared by the Windows benchmarks: a clock, medians, a scratch folder, registry set-up and the
// result lines that bench/table.awk turns into a table.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Microseconds on the performance counter.
double NowMicroseconds();
double Median(std::vector<double> samples);

// Times of a figure and of its floor taken side by side, one pair per run.
struct PairedTimes {
    std::vector<double> figure, floor;
    void Add(double figureTime, double floorTime);
    // The median of the pairs' own ratios: the two times of a pair are taken moments apart, so a
    // busy machine slows both alike, which the ratio of the two medians does not promise.
    double Ratio() const;
};

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

// One line per figure: "row|figure|value|floor|unit|goal[|ratio]", the lines every benchmark prints
// for the table of bench/table.awk (scripts/bench, scripts/bench-bridge). The lines of one figure
// over the rounds make one row, so a figure's name is its own within a run. A floor of 0 means none;
// the unit is "us" (shown in us or ms), "x" or any other word; the goal is "<=X" (at most X times the
// floor) or "-"; the ratio, when given, is the figure's to its floor (else value / floor).
void PrintRow(const std::string& figure, double value, double floor, const char* unit, const char* goal,
              double ratio = 0);
// The medians of the times, and their paired ratio.
void PrintRow(const std::string& figure, const PairedTimes& times, const char* unit, const char* goal);
// A line of detail that scripts/bench prints below the table.
void PrintNote(const std::string& text);

[[noreturn]] void Fail(const std::string& what);
