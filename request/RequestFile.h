// Reading and parsing a request file. Malformed requests are told to the user here, in a
// "Tolvane Message " warning box after its trace-log entry, and answered false.
#pragma once

#include <string>

#include "client/KeyValueMap.h"
#include "request/PageRequest.h"
#include "request/RequestingSite.h"

// A request file larger than kLargestRequestFile (request/RequestText.h), found before it is read.
struct RequestFileTooLarge {};

// The whole file as CR LF lines (JoinRequestFileLines). Throws CFileException, or
// RequestFileTooLarge without reading the file.
void ReadTextFile(const std::string& path, std::string& text);
// The whole file's bytes, when it opens, is a disk file and holds at most kLargestRequestFile; else
// false and `bytes` empty.
bool ReadRequestFileBytes(const std::string& path, std::string& bytes);

// The request of a request file, checked: NAME, SERVERNAME, TYPE, every value shown as what it is
// (a value that is not gets a report naming it), FILE empty or an absolute local path written in
// full. With `kept`, those bytes are parsed instead of reading the file; the reports name `path`
// either way, and who asks.
bool ParseVexoLoadRequestFile(const std::string& path, CKeyValueMap& request,
                              const KeptRequestFile* kept = nullptr, const RequestingSite& site = {});
