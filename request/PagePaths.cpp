// Paths and names split by characters of the ANSI code page, and the paths a page may name.
#include "request/PagePaths.h"

#include <cstring>

#include "win/AsciiText.h"
#include "win/SystemCalls.h"

namespace {

bool IsSeparatorIn(char c, const char* separators) { return c != '\0' && std::strchr(separators, c); }

// The names Windows keeps for devices in every folder, whatever extension and trailing blanks
// follow: CON, PRN, AUX, NUL, CONIN$, CONOUT$, and COM and LPT with a digit, 0 and the superscript
// digits 1, 2 and 3 included. Compared as characters, so a superscript is found in any code page.
bool IsDeviceName(const std::string& component)
{
    std::string base = component.substr(0, FindFirstSeparator(component, "."));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    if (base.empty() || base.size() > 16) return false;
    wchar_t name[17] = {};
    const int length = MultiByteToWideChar(CP_ACP, 0, base.data(), static_cast<int>(base.size()), name, 16);
    if (length <= 0) return false;
    for (int index = 0; index < length; ++index)
        if (name[index] >= L'a' && name[index] <= L'z') name[index] = static_cast<wchar_t>(name[index] - L'a' + L'A');
    const std::wstring text(name, static_cast<std::size_t>(length));
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (text == device) return true;
    if (text.size() != 4 || (text.compare(0, 3, L"COM") != 0 && text.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = text[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

// Only a fixed drive: a removable or optical one may be a medium the page's author handed the user,
// and touching it may spin up or prompt for a medium; a RAM disk or a network drive is no
// user's document folder either.
bool IsLocalDrive(char letter)
{
    const char root[] = {letter, ':', '\\', '\0'};
    return systemCalls.GetDriveTypeA(root) == DRIVE_FIXED;
}

}  // namespace

std::size_t FindLastSeparator(const std::string& text, const char* separators, UINT codePage)
{
    std::size_t last = std::string::npos;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[index])) && index + 1 < text.size()) {
            ++index;  // the trail byte may be any byte, the backslash's included
            continue;
        }
        if (IsSeparatorIn(text[index], separators)) last = index;
    }
    return last;
}

bool IsLocalPath(const std::string& path, std::string& fullPath)
{
    fullPath.clear();
    if (path.empty() || path.size() >= MAX_PATH || path.find('\0') != std::string::npos) return false;
    // \\server\share, //server/share, \\.\device, \\?\path and the NT namespace's \??\ are never local
    // files; a check of them alone could already reach the network or a device.
    const auto isSlash = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() >= 2 && isSlash(path[0]) && isSlash(path[1])) return false;
    if (path.compare(0, 4, "\\??\\") == 0) return false;

    char buffer[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length >= sizeof buffer) return false;
    const std::string full(buffer, length);
    // A drive letter, a colon and a backslash; a resolved device name (\\.\CON) or a path that the
    // current directory made UNC does not have them.
    if (full.size() < 3) return false;
    const char letter = ascii::ToUpper(full[0]);
    if (letter < 'A' || letter > 'Z' || full[1] != ':' || full[2] != '\\') return false;
    // A colon beyond the drive names a stream or a device, never a plain file.
    if (full.find(':', 2) != std::string::npos) return false;

    for (std::size_t start = 3; start < full.size();) {
        const std::string rest = full.substr(start);
        const std::size_t cut = FindFirstSeparator(rest, "\\");
        if (IsDeviceName(rest.substr(0, cut))) return false;
        if (cut == std::string::npos) break;
        start += cut + 1;
    }
    if (!IsLocalDrive(letter)) return false;
    fullPath = full;
    return true;
}

bool IsLocalRegularFile(const std::string& path, std::string& fullPath)
{
    if (!IsLocalPath(path, fullPath)) return false;
    // Attributes are read without opening the file. A folder, a device or a link (which may lead
    // to another machine) is not a plain local file.
    const DWORD attributes = GetFileAttributesA(fullPath.c_str());
    const DWORD notRegular = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & notRegular) != 0) {
        fullPath.clear();
        return false;
    }
    return true;
}

std::size_t FindFirstSeparator(const std::string& text, const char* separators, UINT codePage)
{
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[index])) && index + 1 < text.size()) {
            ++index;
            continue;
        }
        if (IsSeparatorIn(text[index], separators)) return index;
    }
    return std::string::npos;
}
