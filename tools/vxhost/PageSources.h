// Where a page's src points on this machine, and the URL a browser shows for a local file.
#pragma once

#include <string>

// A src as a local path: file: URLs and paths relative to the page; empty for other schemes.
std::string ResolveSource(const std::string& pagePath, const std::string& src);

std::string FileUrl(const std::string& path);

// The part after the last "\" or "/".
std::string BaseNameOf(const std::string& path);
