// Values the page has the user confirm must look like what they are: every character visible.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "request/RequestText.h"

class CKeyValueMap;

// True when value, read in codePage, is a valid text whose every character prints as a mark of
// its own or as a plain space (U+0020). False for an invalid or undefined sequence, a control,
// any other space or separator (0xA0 of code page 1252, 0x81 0x40 of code page 932), a format or
// otherwise invisible character and a character that looks blank. An empty value is plain.
bool IsPlainShownText(const std::string& value, UINT codePage = CP_ACP);

// The first value the user could not be shown as what it is: FindUnshowableValue
// (request/RequestText.h), then, in the ANSI code page, a shown value that is not plain and a
// SERVERNAME character above ASCII that is no letter. Nothing when the request shows what it sends.
std::optional<UnshowableValue> FindValueNotShown(const CKeyValueMap& request);
bool ShowsWhatItSends(const CKeyValueMap& request);

// True when every character of value above ASCII, read in codePage, is a letter (a host name's
// characters beyond ASCII); false for an invalid sequence.
bool IsServerNameInCodePage(const std::string& value, UINT codePage = CP_ACP);
