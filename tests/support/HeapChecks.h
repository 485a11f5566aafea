// The C runtime heap, where the plug-in's attribute copies live (the fake browser's allocator
// uses it too).
#pragma once

// Bytes in use on it.
long HeapBytesInUse();
// _heapchk walks the whole C runtime heap; under WINEDEBUG=warn+heap (the hostile and faults
// entries) it also finds a block written past its end, which Wine reports as an "err:heap" line
// as well. The process heap is validated too.
void ExpectHeapIntact();
