// Between the UTF-8 of the extension and the ANSI code page of the plug-in's request code.
#pragma once

#include <windows.h>

#include <string>

// False when the text is not valid UTF-8 or holds a character the code page cannot represent
// exactly: no best-fit mapping, so U+FF3C never becomes '\' nor U+2215 '/'. The caller treats such
// a request as a bad request. CP_ACP is the process's ANSI code page.
bool Utf8ToAnsi(const std::string& utf8, std::string& ansi, UINT codePage = CP_ACP);

// The plug-in's own texts (status lines) for the extension. Bytes the code page does not define
// become the code page's default character; empty only for an unknown code page.
std::string AnsiToUtf8(const std::string& ansi, UINT codePage = CP_ACP);
