// Proof that the heap checking of the test entries sees an overrun: run only by the entry
// win.heapcheck, which sets VX_HEAP_SELFTEST and passes when Wine reports the damaged block.
#include <gtest/gtest.h>

#include <windows.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>

namespace {

TEST(HeapCheck, AOneByteOverrunIsFound)
{
    if (!std::getenv("VX_HEAP_SELFTEST")) GTEST_SKIP() << "only for the win.heapcheck entry";
    char* volatile block = static_cast<char*>(std::malloc(100));
    ASSERT_NE(nullptr, block);
    std::memset(block, 'x', 101);
    EXPECT_EQ(_HEAPBADNODE, _heapchk());
    // Left allocated: freeing a damaged block is what the check is there to prevent.
}

}  // namespace
