// Texts as tests expect them.
#pragma once

#include <map>
#include <string>

#include "clientlink/KeyValueMap.h"

// The trace log's form of a message: every line end not already CR LF written as CR LF.
std::string WithCrLf(const std::string& text);
// A map's entries, for comparing the whole map in one expectation.
std::map<std::string, std::string> Entries(const CKeyValueMap& map);
