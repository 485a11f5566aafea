#include "support/TestFiles.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "win/Owned.h"

std::string ProgramFolder()
{
    char path[MAX_PATH * 2] = "";
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length < sizeof path ? length : 0);
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string BuiltPluginPath() { return ProgramFolder() + "\\..\\npVxPlug.dll"; }

std::vector<std::string> FileNamesIn(const std::string& folder, const std::string& pattern)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    OwnedFindHandle search(FindFirstFileA((folder + "\\" + pattern).c_str(), &found));
    if (!search) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search.get(), &found));
    std::sort(names.begin(), names.end());
    return names;
}

OwnedHandle HoldClientMapping(const char* name)
{
    return OwnedHandle(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, name));
}
