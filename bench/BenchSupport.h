#pragma once
// What every benchmark program shares: a widget application on the offscreen platform, the
// process's peak memory, and targets printed beside the figures they are for.
//
// Every benchmark is registered with UseRealTime() and MeasureProcessCPUTime(): "Time" is the wall
// clock a user waits, "CPU" the time of all the process's threads (the kernels' pool and the
// loaders included), so a figure that hides work on other threads shows it.

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <malloc.h>
#include <string>

// Creates the application on the first call and says whether it did, so a program registers its
// classes and settings once. Environment a program wants Qt to read is set before the call.
inline bool StartOffscreenApplication() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() != nullptr)
        return false;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
    return true;
}

// The process's peak resident memory so far (VmHWM) in MB. It covers everything the process did:
// run one benchmark per process (--benchmark_filter=...) for a figure of its own.
inline double PeakResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    return 0;
}

// Starts the peak resident memory afresh (from what the process holds now), so that a figure
// leaves out what the benchmark's set-up needed at its height; what the set-up freed is given back
// first. False where the kernel refuses.
inline bool ResetPeakResidentMemory() {
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// Reports the peak memory as "peak_rss_MB" with its target beside it.
inline void ReportPeakMemory(benchmark::State& state, double targetMegabytes) {
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
    state.counters["target_peak_rss_MB"] = targetMegabytes;
}

// A target printed beside the figure it is for ("target_<name>").
inline void ReportTarget(benchmark::State& state, const std::string& name, double value) {
    state.counters["target_" + name] = value;
}

// A width x height photo as JPEG bytes, different for each n: smooth colour fields with fine noise,
// so that it compresses about as a camera's photo does.
inline QByteArray NoisyPhotoJpeg(int width, int height, int n, int quality = 90) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            // Hashed in unsigned arithmetic: the products pass what an int holds.
            const int noise =
                int(((uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u) ^ (uint32_t(n) * 83492791u)) % 24);
            row[x] = qRgb((x / 12 + n * 37 + noise) & 255, (y / 8 + n * 11 + noise) & 255,
                          ((x + y) / 20 + noise) & 255);
        }
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", quality);
    return buffer.data();
}
