#include "BenchSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

double NowMicroseconds()
{
    static const double ticksPerMicrosecond = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1e6;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMicrosecond;
}

double Median(std::vector<double> samples)
{
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    const std::size_t middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

void PairedTimes::Add(double figureTime, double floorTime)
{
    figure.push_back(figureTime);
    floor.push_back(floorTime);
}

double PairedTimes::Ratio() const
{
    std::vector<double> ratios;
    for (std::size_t run = 0; run < figure.size() && run < floor.size(); ++run)
        if (floor[run] > 0) ratios.push_back(figure[run] / floor[run]);
    return Median(ratios);
}

ScratchFolder::ScratchFolder(const char* purpose)
{
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH + 64];
    std::snprintf(name, sizeof name, "%svxbench-%s-%lu", base, purpose,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    path = name;
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        Fail("cannot create " + path);
}

ScratchFolder::~ScratchFolder()
{
    DeleteFilesIn(path, "*");
    RemoveDirectoryA(path.c_str());
}

void DeleteFilesIn(const std::string& folder, const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((folder + "\\" + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

std::string FirstFileIn(const std::string& folder, const char* pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    std::string name;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            name = found.cFileName;
            break;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return name;
}

std::string ReadWholeFile(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got) bytes.append(chunk, got);
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(file) && ok;
}

void DeleteUserTree(const std::string& keyPath)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, keyPath.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
}

void WriteUserKey(const std::string& keyPath, const std::vector<std::pair<std::string, std::string>>& values)
{
    DeleteUserTree(keyPath);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        Fail("cannot create HKCU\\" + keyPath);
    for (const auto& value : values) {
        if (RegSetValueExA(key, value.first.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(value.second.c_str()),
                           static_cast<DWORD>(value.second.size() + 1)) != ERROR_SUCCESS)
            Fail("cannot write " + value.first);
    }
    RegCloseKey(key);
}

std::vector<std::pair<std::string, std::string>> ClientSettings(const std::string& requestDir, int count)
{
    std::vector<std::pair<std::string, std::string>> values = {
        {"ApplicationPath", "\"C:\\Program Files\\Tolvane\\Delivery\\vxclient.exe\""},
        {"LoadRequestDir", requestDir},
        {"LoadDeliveryDir", "C:\\users\\Public\\Downloads"},
        {"ClientDataDir", "C:\\users\\Public\\Tolvane\\Data"},
    };
    static const char* const kOwn[][2] = {
        {"ClientVersion", "4.2.1187"},
        {"InstallDate", "2024-03-18 09:41:07"},
        {"ServerName", "delivery.tolvane.example"},
        {"ServerPort", "609"},
        {"HttpServerPort", "8080"},
        {"ProxyServer", "proxy.corp.example:3128"},
        {"UserName", "ann.example"},
        {"Language", "en-GB"},
        {"MaxParallelTransfers", "4"},
        {"RetryIntervalSeconds", "30"},
        {"LogLevel", "warning"},
        {"LogFile", "C:\\users\\Public\\Tolvane\\Data\\client.log"},
        {"LastCheck", "1718030400"},
        {"WindowPlacement", "120 80 900 640 normal"},
        {"Recipients.Recent", "bob@example.org:carol@example.org:dave@example.org"},
        {"Note", "Say \"hello\" = fine"},
    };
    for (int index = 0; static_cast<int>(values.size()) < count; ++index) {
        const int own = index % static_cast<int>(sizeof kOwn / sizeof kOwn[0]);
        std::string name = kOwn[own][0];
        if (index >= static_cast<int>(sizeof kOwn / sizeof kOwn[0])) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%05d", index);
            name += suffix;
        }
        values.emplace_back(name, kOwn[own][1]);
    }
    return values;
}

void PrintRow(const std::string& figure, double value, double floor, const char* unit, const char* goal, double ratio)
{
    if (ratio > 0)
        std::printf("row|%s|%.3f|%.3f|%s|%s|%.4f\n", figure.c_str(), value, floor, unit, goal, ratio);
    else
        std::printf("row|%s|%.3f|%.3f|%s|%s\n", figure.c_str(), value, floor, unit, goal);
    std::fflush(stdout);
}

void PrintRow(const std::string& figure, const PairedTimes& times, const char* unit, const char* goal)
{
    PrintRow(figure, Median(times.figure), Median(times.floor), unit, goal, times.Ratio());
}

void PrintNote(const std::string& text)
{
    std::printf("note|%s\n", text.c_str());
    std::fflush(stdout);
}

void Fail(const std::string& what)
{
    std::fprintf(stderr, "benchmark failed: %s\n", what.c_str());
    std::exit(1);
}
