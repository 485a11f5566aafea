#include "ScratchFolder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder()
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
    throw std::runtime_error("no scratch folder could be made under " + base.string());
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    fs::remove_all(folder, error);
}

std::string ScratchFolder::Join(const std::string& base, const std::string& name)
{
    return (fs::path(base) / name).string();
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool PathExists(const std::string& path)
{
    std::error_code error;
    return fs::exists(path, error);
}
