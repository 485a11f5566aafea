// Everything the host reports goes to standard output, one line per event, flushed at once, so a
// script reading the output sees each line as it happens (several threads may print).
#pragma once

#include <string>

// "prefix: text" on one line; control characters in text are written as \n, \r, \t or \xNN.
void PrintLine(const std::string& prefix, const std::string& text);
// "vxhost: error: text" on standard error.
void PrintError(const std::string& text);
