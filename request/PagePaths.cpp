// Paths and names split by characters of the ANSI code page, and the paths a page may name.
#include "request/PagePaths.h"

#include <cstring>

#include "win/AsciiText.h"

namespace {

bool IsSeparatorIn(char c, const char* separators) { return c != '\0' && std::strchr(separators, c); }

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ and CONOUT$ name devices in any folder,
// with any extension and trailing blanks.
bool IsDeviceName(const std::string& component)
{
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = ascii::ToUpper(c);
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (base == device) return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool IsLocalDrive(char letter)
{
    const char root[] = {letter, ':', '\\', '\0'};
    switch (GetDriveTypeA(root)) {
    case DRIVE_FIXED:
    case DRIVE_REMOVABLE:
    case DRIVE_CDROM:
    case DRIVE_RAMDISK:
        return true;
    default:
        return false;  // network drives, and letters that name no drive
    }
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
