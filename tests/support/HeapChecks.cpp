#include "support/HeapChecks.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <malloc.h>

long HeapBytesInUse()
{
    _HEAPINFO entry{};
    long total = 0;
    while (_heapwalk(&entry) == _HEAPOK)
        if (entry._useflag == _USEDENTRY) total += static_cast<long>(entry._size);
    return total;
}

void ExpectHeapIntact()
{
    EXPECT_EQ(_HEAPOK, _heapchk()) << "the C runtime heap is damaged";
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, nullptr)) << "the process heap is damaged";
}
