// A browser function table of the test's own: status texts recorded in order, a working allocator,
// every other function absent.
#pragma once

#include <string>
#include <vector>

#include "plugin/npapi.h"

class FakeBrowser {
public:
    explicit FakeBrowser(uint16_t version = 0x0009);
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser&) = delete;
    FakeBrowser& operator=(const FakeBrowser&) = delete;

    NPNetscapeFuncs funcs{};
    std::vector<std::string> statusTexts;
    int allocations = 0;
    int releases = 0;
};
