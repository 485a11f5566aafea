#include "support/HeapChecks.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <malloc.h>

#include <string>

long HeapBytesInUse()
{
    _HEAPINFO entry{};
    long total = 0;
    while (_heapwalk(&entry) == _HEAPOK)
        if (entry._useflag == _USEDENTRY) total += static_cast<long>(entry._size);
    return total;
}

bool UnderHeapChecking()
{
    char channels[256] = "";
    const DWORD length = GetEnvironmentVariableA("WINEDEBUG", channels, sizeof channels);
    return length > 0 && length < sizeof channels && std::string(channels).find("+heap") != std::string::npos;
}

::testing::AssertionResult HeapBytesBackTo(long before)
{
    if (UnderHeapChecking()) return ::testing::AssertionSuccess() << "not compared under heap checking";
    const long now = HeapBytesInUse();
    if (now == before) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "bytes of the C runtime heap in use: " << before << " before, " << now
                                         << " now";
}

void ExpectHeapIntact()
{
    EXPECT_EQ(_HEAPOK, _heapchk()) << "the C runtime heap is damaged";
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << "the process heap is damaged";
}
