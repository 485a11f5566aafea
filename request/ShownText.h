// Values the page has the user confirm must look like what they are: every character visible.
#pragma once

#include <windows.h>

#include <string>

class CKeyValueMap;

// True when value, read in codePage, is a valid text whose every character prints as a mark of
// its own or as a plain space (U+0020). False for an invalid or undefined sequence, a control,
// any other space or separator (0xA0 of code page 1252, 0x81 0x40 of code page 932), a format or
// otherwise invisible character and a character that looks blank. An empty value is plain.
bool IsPlainShownText(const std::string& value, UINT codePage = CP_ACP);

// A request shows the user what it sends: IsShowableRequest (request/RequestText.h), and every
// shown value plain in the ANSI code page.
bool ShowsWhatItSends(const CKeyValueMap& request);
