#include "support/TempFolder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::mt19937_64 random(static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                           std::random_device{}());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("vxtest-" + std::to_string(random() % 1000000000000ULL));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            folder = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no temporary folder could be made under " + base.string());
}

TempFolder::~TempFolder()
{
    std::error_code error;
    // A read-only file would stay behind, and its folder with it.
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code ignored;
        fs::permissions(entry->path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(folder, error);
}

std::string TempFolder::Join(const std::string& base, const std::string& name)
{
    return (fs::path(base) / name).string();
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path)
{
#ifdef _WIN32
    // The path as the ANSI calls of the product see it, whatever its characters.
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code error;
    return fs::exists(path, error);
#endif
}
