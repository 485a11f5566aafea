// The C runtime heap, where the plug-in's attribute copies live (the fake browser's allocator
// uses it too).
#pragma once

#include <gtest/gtest.h>

// Bytes in use on it.
long HeapBytesInUse();
// Whether the process runs under Wine's heap checking (the Windows entries but plugin.heapbytes).
// Freed blocks then stay counted as in use for a while, so byte counts compare only without it.
bool UnderHeapChecking();
// The bytes in use are those of `before` again: nothing of what was made since is left. Compared
// without heap checking only (see UnderHeapChecking):  EXPECT_TRUE(HeapBytesBackTo(before));
::testing::AssertionResult HeapBytesBackTo(long before);
// _heapchk walks the whole C runtime heap; under WINEDEBUG=warn+heap it also finds a block written
// past its end, which Wine reports as an "err:heap" line as well. The process heap is validated too.
void ExpectHeapIntact();
