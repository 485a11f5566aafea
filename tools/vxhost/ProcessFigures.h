// What the browser process holds, for runs that look for leaks: open handles, memory, heap bytes
// in use, window-system objects.
#pragma once

#include <string>

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
