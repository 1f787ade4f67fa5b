#include "platform/Processors.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <thread>

TEST(Processors, QuotasRoundUpAndNoLimitGivesZero) {
    EXPECT_EQ(CpuMaxProcessors("150000 100000\n"), 2);
    EXPECT_EQ(CpuMaxProcessors("100000 100000"), 1);
    EXPECT_EQ(CpuMaxProcessors("50000 100000"), 1);
    EXPECT_EQ(CpuMaxProcessors("max 100000"), 0);
    EXPECT_EQ(CpuMaxProcessors(""), 0);
    EXPECT_EQ(CpuMaxProcessors("100000"), 0);
    EXPECT_EQ(CpuMaxProcessors("-5 100000"), 0);
    EXPECT_EQ(CpuMaxProcessors("99999999999999999999999 1"), 0);
    EXPECT_EQ(CfsQuotaProcessors("400000\n", "100000\n"), 4);
    EXPECT_EQ(CfsQuotaProcessors("-1\n", "100000\n"), 0);
    EXPECT_EQ(CfsQuotaProcessors("100000", "0"), 0);
}

TEST(Processors, FollowsTheAffinityMask) {
    // sched_setaffinity on a thread of its own, so the rest of the test program keeps its CPUs.
    int pinned = 0;
    int usable = 0;
    std::thread probe([&] {
        cpu_set_t all;
        CPU_ZERO(&all);
        ASSERT_EQ(sched_getaffinity(0, sizeof(all), &all), 0);
        int first = 0;
        while (first < CPU_SETSIZE && !CPU_ISSET(first, &all))
            ++first;
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        ASSERT_EQ(sched_setaffinity(0, sizeof(one), &one), 0);
        pinned = CPU_COUNT(&one);
        usable = UsableProcessorCount();
    });
    probe.join();
    EXPECT_EQ(pinned, 1);
    EXPECT_EQ(usable, 1);
    EXPECT_GE(UsableProcessorCount(), 1);
}
