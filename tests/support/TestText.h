// Texts as tests expect them.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>

#include "client/KeyValueMap.h"

// The trace log's form of a message: every line end not already CR LF written as CR LF.
std::string WithCrLf(const std::string& text);
// A map's entries, for comparing the whole map in one expectation.
std::map<std::string, std::string> Entries(const CKeyValueMap& map);
// An attribute the plug-in kept, or "<null>" when it kept none.
inline std::string Text(const std::optional<std::string>& value) { return value ? *value : "<null>"; }
// A submission file's lines, each of which must end in LF, in any order.
std::multiset<std::string> Lines(const std::string& bytes);
