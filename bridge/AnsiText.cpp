#include "bridge/AnsiText.h"

#include <climits>

namespace {

bool ToWide(UINT codePage, DWORD flags, const std::string& text, std::wstring& wide)
{
    wide.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, flags, text.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], length) == length;
}

}  // namespace

bool Utf8ToAnsi(const std::string& utf8, std::string& ansi, UINT codePage)
{
    ansi.clear();
    std::wstring wide;
    if (!ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, wide)) return false;
    if (codePage == CP_ACP) codePage = GetACP();
    // A UTF-8 ANSI code page (the Windows "beta" setting) takes the text as it is; it rejects the
    // best-fit flag.
    if (codePage == CP_UTF8) {
        ansi = utf8;
        return true;
    }
    if (wide.empty()) return true;

    const int wideSize = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return false;
    std::string converted(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideSize, &converted[0], length, nullptr,
                            &usedDefault) != length ||
        usedDefault) {
        return false;
    }
    // Some code pages map best-fit in spite of the flag; the way back shows it.
    std::wstring back;
    if (!ToWide(codePage, MB_ERR_INVALID_CHARS, converted, back) || back != wide) return false;
    ansi = std::move(converted);
    return true;
}

std::string AnsiToUtf8(const std::string& ansi, UINT codePage)
{
    std::wstring wide;
    if (!ToWide(codePage, 0, ansi, wide) || wide.empty()) return std::string();
    const int wideSize = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string utf8(static_cast<std::size_t>(length), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideSize, &utf8[0], length, nullptr, nullptr) != length) {
        return std::string();
    }
    return utf8;
}
