// The submission file: the one way a request reaches the delivery client.
#pragma once

#include <cstdint>
#include <string>

#include "client/KeyValueMap.h"

// Nine lower-case hex digits of the time in milliseconds since 1970, modulo 2^32.
std::string MakeTimeName(const char* prefix);
std::string FormatTimeName(const char* prefix, std::uint32_t seconds, unsigned milliseconds);

// The request's text form in "<time>.vnxsubmit" in "LoadRequestDir", complete and on the disk
// before it gets that name (written to a temporary name first). Throws CFileException when the
// request directory is empty or the file cannot be created, written, flushed, closed or given a
// free final name; nothing is left behind then.
void WriteSubmissionFile(const CKeyValueMap& settings, const CKeyValueMap& request);
