#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "bridge/SpareWaitLimit.h"

using std::chrono::milliseconds;

// Either the click claims the host or the limit ends it, never both; times far from the limit on
// either side, since the machine may be busy.
TEST(SpareWaitLimit, EndsTheHostOnlyWhenNoClickClaimedItInTime)
{
    std::atomic<int> expired{0};
    {
        SpareWaitLimit limit(milliseconds(300), [&] { ++expired; });
        EXPECT_TRUE(limit.Claim());
        std::this_thread::sleep_for(milliseconds(600));
        EXPECT_TRUE(limit.Claim()) << "a second claim of the same click";
    }
    EXPECT_EQ(0, expired) << "claimed in time";

    {
        SpareWaitLimit limit(milliseconds(50), [&] { ++expired; });
        for (int i = 0; i < 200 && expired == 0; ++i) std::this_thread::sleep_for(milliseconds(25));
        EXPECT_EQ(1, expired) << "not claimed";
        EXPECT_FALSE(limit.Claim()) << "the click after the limit";
    }

    { SpareWaitLimit limit(milliseconds(50), [&] { ++expired; }); }
    EXPECT_EQ(1, expired) << "a host that ends before the limit (its port closed) is not ended again";
}
