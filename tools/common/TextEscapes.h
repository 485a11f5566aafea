// Bytes made safe for one output line. Plain C++: the client's submission reader, which also builds
// natively for the sanitizers, uses them too.
#pragma once

#include <string>

// For reading: LF, CR and TAB as \n, \r and \t, other control bytes (below 0x20, and 0x7F) as \xNN.
std::string EscapeControls(const std::string& text);

// For a record that other programs split at blanks and line ends: every control byte as \xNN.
std::string EscapeControlsAsHex(const std::string& text);
