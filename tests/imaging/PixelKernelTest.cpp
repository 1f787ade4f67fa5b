#include "imaging/PixelKernel.h"

#include <QtGlobal>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Each item's visits, counted by a parallel loop over them: every entry must come out 1.
std::vector<int> Visits(int count, int minBand) {
    std::vector<std::atomic<int>> seen(size_t(std::max(count, 0)));
    ParallelBands(count, minBand, [&](int begin, int end) {
        EXPECT_LE(0, begin);
        EXPECT_LT(begin, end);
        EXPECT_LE(end, count);
        for (int i = begin; i < end; ++i)
            ++seen[size_t(i)];
    });
    return std::vector<int>(seen.begin(), seen.end());
}

struct ThreadCountReset {
    ~ThreadCountReset() { SetKernelThreadCount(0); }
};

} // namespace

TEST(ParallelBandsTest, CoversEveryItemOnceAtEveryThreadCount) {
    ThreadCountReset reset;
    for (int threads : {1, 2, 3, 8, 13}) {
        SetKernelThreadCount(threads);
        for (int count : {0, 1, 7, 64, 1000, 4099})
            for (int minBand : {0, 1, 5, 300})
                EXPECT_EQ(Visits(count, minBand), std::vector<int>(size_t(count), 1))
                    << threads << " threads, " << count << " items, bands of " << minBand;
    }
}

TEST(ParallelBandsTest, NestedLoopsAndFailuresNeitherHangNorLoseWork) {
    ThreadCountReset reset;
    SetKernelThreadCount(4);
    std::vector<std::atomic<int>> seen(64 * 50);
    ParallelBands(64, 1, [&](int begin, int end) {
        for (int row = begin; row < end; ++row)
            ParallelBands(50, 1, [&](int b, int e) {
                for (int i = b; i < e; ++i)
                    ++seen[size_t(row * 50 + i)];
            });
    });
    for (const std::atomic<int>& visits : seen)
        ASSERT_EQ(visits.load(), 1);

    // A band's exception reaches the caller once every band has finished, and the loop still
    // works afterwards.
    std::atomic<int> ran{0};
    EXPECT_THROW(ParallelBands(100, 1,
                               [&](int begin, int end) {
                                   ran += end - begin;
                                   if (begin == 0)
                                       throw std::runtime_error("band failed");
                               }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 100);
    EXPECT_EQ(Visits(333, 1), std::vector<int>(333, 1));
}

TEST(ParallelBandsTest, ManyCallersAtOnceEachGetTheirOwnResults) {
    ThreadCountReset reset;
    SetKernelThreadCount(6);
    constexpr int kCallers = 12;
    constexpr int kRounds = 60;
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < kCallers; ++c)
        callers.emplace_back([&, c] {
            for (int round = 0; round < kRounds; ++round) {
                const int count = 100 + c * 37 + round;
                std::vector<int64_t> squares(size_t(count), -1);
                ParallelBands(count, 3, [&](int begin, int end) {
                    for (int i = begin; i < end; ++i)
                        squares[size_t(i)] = int64_t(i) * i;
                });
                for (int i = 0; i < count; ++i)
                    if (squares[size_t(i)] != int64_t(i) * i)
                        ++wrong;
            }
        });
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(wrong.load(), 0);
}

// Run by CTest under `taskset -c 0` (the variable says so): the kernels then start no thread.
TEST(ParallelBandsTest, UnderOneCpuMaskEverythingRunsOnTheCaller) {
    if (qEnvironmentVariableIsEmpty("QUORLANE_ONE_CPU_MASK"))
        GTEST_SKIP() << "runs under taskset -c 0 only";
    EXPECT_EQ(KernelThreadCount(), 1);
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<int> elsewhere{0};
    ParallelBands(4096, 1, [&](int, int) {
        if (std::this_thread::get_id() != caller)
            ++elsewhere;
    });
    EXPECT_EQ(elsewhere.load(), 0);
}
