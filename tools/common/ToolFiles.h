// Files and folders as both tools use them.
#pragma once

#include <windows.h>

#include <string>

// Creates the folder and its parents; true when it exists afterwards.
bool CreateFolderPath(const std::string& path);

// Reads an open file from where it stands to its end, appending to bytes; false on a read error.
bool ReadToEnd(HANDLE file, std::string& bytes);

// The whole file, read as bytes while others may read and write it too; false when it cannot be
// opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
