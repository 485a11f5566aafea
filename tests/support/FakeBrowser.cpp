#include "support/FakeBrowser.h"

#include <cstdlib>
#include <stdexcept>

namespace {

FakeBrowser* current = nullptr;

void RecordStatus(NPP, const char* message)
{
    current->statusTexts.push_back(message ? message : "<null>");
}

void* Allocate(uint32_t size)
{
    ++current->allocations;
    return std::malloc(size);
}

void Release(void* pointer)
{
    if (pointer) ++current->releases;
    std::free(pointer);
}

}  // namespace

FakeBrowser::FakeBrowser(uint16_t version)
{
    if (current) throw std::logic_error("one FakeBrowser at a time");
    current = this;
    funcs.size = sizeof funcs;
    funcs.version = version;
    funcs.status = RecordStatus;
    funcs.memalloc = Allocate;
    funcs.memfree = Release;
}

FakeBrowser::~FakeBrowser() { current = nullptr; }
