// Compound-file throughput: 10,000 streams of 1 KiB to 1 MiB (sizes spread evenly on a log scale,
// about 1.5 GB in all) written into one file and read back. The argument is the number of streams,
// so a quick run can ask for fewer.

#include "platform/CompoundFile.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cmath>
#include <vector>

namespace {

constexpr uint32_t RW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

QString BenchFile(int64_t count) {
    return QDir::temp().filePath(QStringLiteral("quorlane-cfb-bench-%1.cfb").arg(count));
}

size_t StreamSize(int64_t index, int64_t count) {
    const double t = count > 1 ? static_cast<double>(index) / static_cast<double>(count - 1) : 0.0;
    return static_cast<size_t>(1024.0 * std::pow(1024.0, t));
}

int64_t WriteFile(int64_t count) {
    std::vector<char> data(1 << 20);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 131 + (i >> 10));
    int64_t total = 0;
    auto root = StgCreateDocfile(BenchFile(count), STGM_CREATE | RW);
    for (int64_t i = 0; i < count; ++i) {
        const size_t size = StreamSize(i, count);
        auto s = root->CreateStream(QStringLiteral("S%1").arg(i, 5, 10, QLatin1Char('0')), STGM_CREATE | RW);
        s->Write(data.data(), size);
        total += static_cast<int64_t>(size);
    }
    root->Commit();
    return total;
}

void BM_WriteStreams(benchmark::State& state) {
    const int64_t count = state.range(0);
    int64_t total = 0;
    for (auto _ : state)
        total += WriteFile(count);
    state.SetBytesProcessed(total);
}

void BM_ReadStreams(benchmark::State& state) {
    const int64_t count = state.range(0);
    if (!QFile::exists(BenchFile(count)))
        WriteFile(count);
    std::vector<char> buffer(1 << 20);
    int64_t total = 0;
    for (auto _ : state) {
        auto root = StgOpenStorage(BenchFile(count), STGM_READ | STGM_SHARE_EXCLUSIVE);
        for (int64_t i = 0; i < count; ++i) {
            auto s = root->OpenStream(QStringLiteral("S%1").arg(i, 5, 10, QLatin1Char('0')),
                                      STGM_READ | STGM_SHARE_EXCLUSIVE);
            const uint64_t n = s->Read(buffer.data(), buffer.size());
            if (n != StreamSize(i, count))
                state.SkipWithError("short read");
            total += static_cast<int64_t>(n);
        }
    }
    state.SetBytesProcessed(total);
    QFile::remove(BenchFile(count));
}

} // namespace

BENCHMARK(BM_WriteStreams)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_ReadStreams)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
