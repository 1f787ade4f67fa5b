#include "imaging/PixelKernel.h"

#include "platform/Bitmap.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::atomic<int> threadCountSetting{0};

} // namespace

namespace {

int BytesPerPixelOf(const TBitmap& bitmap) {
    if (bitmap.Width() < 1 || bitmap.Height() < 1)
        return 0;
    switch (bitmap.PixelFormat()) {
    case pf8bit:
        return 1;
    case pf24bit:
        return 3;
    case pf32bit:
        return 4;
    default:
        return 0;
    }
}

TPixelView ViewOf(const TBitmap& bitmap, uint8_t* bits) {
    TPixelView view;
    view.Bits = bits;
    view.Stride = bitmap.Pixels().Stride();
    view.Width = bitmap.Width();
    view.Height = bitmap.Height();
    view.BytesPerPixel = BytesPerPixelOf(bitmap);
    return view;
}

} // namespace

TPixelView PixelViewOf(TBitmap& bitmap) {
    if (BytesPerPixelOf(bitmap) == 0)
        return TPixelView();
    uint8_t* bits = bitmap.ScanLine(0); // detaches shared pixels first
    return ViewOf(bitmap, bits);
}

TPixelView ReadPixelViewOf(const TBitmap& bitmap) {
    if (BytesPerPixelOf(bitmap) == 0)
        return TPixelView();
    return ViewOf(bitmap, const_cast<uint8_t*>(bitmap.ScanLine(0)));
}

void SetKernelThreadCount(int count) {
    threadCountSetting.store(std::max(0, count));
}

int KernelThreadCount() {
    int count = threadCountSetting.load();
    if (count > 0)
        return count;
    // Asked once: the C library reads it from the system's files at every call.
    static const int processors = int(std::max(1u, std::thread::hardware_concurrency()));
    return processors;
}

void ParallelBands(int count, int minBand, const std::function<void(int, int)>& body) {
    if (count <= 0)
        return;
    const int threads = std::min(KernelThreadCount(), std::max(1, count / std::max(1, minBand)));
    if (threads <= 1) {
        body(0, count);
        return;
    }
    // More bands than threads, taken in turn by whichever thread is free: a thread that the
    // system runs less (other programs, other cores busy) then holds up only a small band.
    const int bands = std::min(threads * 4, std::max(threads, count / std::max(1, minBand)));
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto run = [&] {
        for (int band = next++; band < bands; band = next++) {
            const int begin = int(int64_t(count) * band / bands);
            const int end = int(int64_t(count) * (band + 1) / bands);
            try {
                body(begin, end);
            } catch (...) {
                std::lock_guard<std::mutex> guard(failureLock);
                if (!failure)
                    failure = std::current_exception();
            }
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(size_t(threads - 1));
    try {
        for (int t = 1; t < threads; ++t)
            workers.emplace_back(run);
    } catch (...) {
        // Threads that could not be had: the calling thread takes their bands.
    }
    run();
    for (std::thread& worker : workers)
        worker.join();
    if (failure)
        std::rethrow_exception(failure);
}
