// The errors that travel inside a request. Only the request dispatch turns them into words for the
// user; the two kinds are reported differently, so neither derives from the other.
#pragma once

#include <stdexcept>
#include <string>

// Malformed data: request data, registry settings.
class FormatException : public std::runtime_error {
public:
    explicit FormatException(const char* what = "malformed data") : std::runtime_error(what) {}
};

// A file that could not be read or written: the system's error code and the file's path.
class CFileException : public std::runtime_error {
public:
    CFileException(unsigned long osError, std::string path)
        : std::runtime_error("file error"), osError(osError), path(std::move(path)) {}

    unsigned long osError;
    std::string path;
};
