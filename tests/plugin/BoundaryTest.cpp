// The guard at the browser's boundary: what each kind of exception is answered with, and that
// NPP_New answers an allocator that throws as it answers one that gives nothing.
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "client/Errors.h"
#include "plugin/Boundary.h"
#include "plugin/ModuleState.h"
#include "plugin/PluginEntry.h"
#include "support/FakeBrowser.h"

namespace {

constexpr int kOutOfMemory = 5;
constexpr int kOtherwise = 2;

template <typename Thrown>
int AnswerWhenThrowing(Thrown thrown)
{
    return Guarded(kOutOfMemory, kOtherwise, [&]() -> int { throw thrown; });
}

TEST(Guarded, AnswersOutOfMemoryForBadAllocAndTheOtherAnswerForAnythingElse)
{
    EXPECT_EQ(kOutOfMemory, AnswerWhenThrowing(std::bad_alloc()));
    EXPECT_EQ(kOutOfMemory, AnswerWhenThrowing(std::bad_array_new_length()));
    EXPECT_EQ(kOtherwise, AnswerWhenThrowing(std::runtime_error("x")));
    EXPECT_EQ(kOtherwise, AnswerWhenThrowing(std::length_error("x")));
    EXPECT_EQ(kOtherwise, AnswerWhenThrowing(FormatException()));
    EXPECT_EQ(kOtherwise, AnswerWhenThrowing(CFileException(112, "f")));
    EXPECT_EQ(kOtherwise, AnswerWhenThrowing(42));
    EXPECT_EQ(7, Guarded(kOutOfMemory, kOtherwise, [] { return 7; }));
}

TEST(Guarded, WithoutAnAnswerRunsTheBodyAndStopsWhatItThrows)
{
    int runs = 0;
    Guarded([&] { ++runs; });
    Guarded([&] {
        ++runs;
        throw std::bad_alloc();
    });
    Guarded([&]() -> int {
        ++runs;
        throw "text";
    });
    EXPECT_EQ(3, runs);
}

// A browser whose allocator throws instead of answering null.
template <typename Thrown>
void* ThrowingAllocator(uint32_t)
{
    throw Thrown();
}

TEST(Guarded, NewInstanceWithAThrowingAllocatorIsOutOfMemoryAndLeavesNoRecord)
{
    FakeBrowser browser;
    moduleState.browserFuncs = &browser.funcs;
    char mime[] = "application/x-vnxclient";
    for (auto allocator : {&ThrowingAllocator<std::bad_alloc>, &ThrowingAllocator<FormatException>}) {
        browser.funcs.memalloc = allocator;
        NPP_t npp{};
        EXPECT_EQ(NPERR_OUT_OF_MEMORY_ERROR, NPP_New(mime, &npp, NP_EMBED, 0, nullptr, nullptr, nullptr));
        EXPECT_EQ(nullptr, npp.pdata);
    }
    moduleState.browserFuncs = nullptr;
}

}  // namespace
