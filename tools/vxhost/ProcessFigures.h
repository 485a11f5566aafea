// What the browser process holds, for runs that look for leaks: open handles, memory, heap bytes
// in use, window-system objects.
#pragma once

#include <string>
#include <vector>

struct ProcessFigures {
    long handles = -1;                 // -1: unknown
    const char* handleSource = "";     // how the handles were counted
    // Registry keys ...\ComDlg32\LastVisitedMRU among them: Wine's Save-As dialog leaves one open
    // per confirmed dialog, which is no leak of the plug-in's. -1: unknown.
    long dialogMruKeys = -1;
    unsigned long long privateBytes = 0;
    unsigned long long workingSet = 0;
    unsigned long long heapInUse = 0;  // busy bytes of every heap of the process
    unsigned long gdiObjects = 0;
    unsigned long userObjects = 0;
};

ProcessFigures ReadProcessFigures();

// "handles H, dialog MRU keys K, private bytes P, working set W, heap in use U[, gdi objects G,
// user objects O]"
std::string DescribeFigures(const ProcessFigures& figures);

// Whether the figures stay flat over a long run of clicks: every reading from click `from` on must
// lie within a tolerance of the reading at that click, either way. Kept by --flat.
class FlatnessCheck {
public:
    explicit FlatnessCheck(unsigned from) : from_(from) {}

    unsigned From() const { return from_; }
    // A reading after `click` clicks; those before From() are ignored.
    void Note(unsigned click, const ProcessFigures& figures, long pluginBlocks);
    // One line per figure that left its tolerance (or why nothing could be compared); empty if flat.
    std::vector<std::string> Problems() const;

    // The figures compared and how far each may move from its reading at From().
    struct Tolerance {
        const char* name;
        long long allowed;
    };
    static const Tolerance kTolerances[5];

private:
    struct Range {
        long long first = 0, latest = 0, low = 0, high = 0;
    };
    unsigned from_;
    unsigned last_ = 0;
    bool started_ = false;
    Range ranges_[5];
};
