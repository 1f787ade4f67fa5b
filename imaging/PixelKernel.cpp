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

TPixelView PixelViewOf(TBitmap& bitmap) {
    TPixelView view;
    if (bitmap.Width() < 1 || bitmap.Height() < 1)
        return view;
    switch (bitmap.PixelFormat()) {
    case pf8bit:
        view.BytesPerPixel = 1;
        break;
    case pf24bit:
        view.BytesPerPixel = 3;
        break;
    case pf32bit:
        view.BytesPerPixel = 4;
        break;
    default:
        return view;
    }
    view.Bits = bitmap.ScanLine(0);
    view.Stride = bitmap.Pixels().Stride();
    view.Width = bitmap.Width();
    view.Height = bitmap.Height();
    return view;
}

void SetKernelThreadCount(int count) {
    threadCountSetting.store(std::max(0, count));
}

int KernelThreadCount() {
    int count = threadCountSetting.load();
    if (count > 0)
        return count;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void ParallelBands(int count, int minBand, const std::function<void(int, int)>& body) {
    if (count <= 0)
        return;
    int bands = std::min(KernelThreadCount(), std::max(1, count / std::max(1, minBand)));
    if (bands <= 1) {
        body(0, count);
        return;
    }
    std::exception_ptr failure;
    std::mutex failureLock;
    auto run = [&](int band) {
        int begin = int(int64_t(count) * band / bands);
        int end = int(int64_t(count) * (band + 1) / bands);
        try {
            body(begin, end);
        } catch (...) {
            std::lock_guard<std::mutex> guard(failureLock);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    threads.reserve(size_t(bands - 1));
    try {
        for (int band = 1; band < bands; ++band)
            threads.emplace_back(run, band);
    } catch (...) {
        // No thread to be had: the bands not started run here.
        for (int band = int(threads.size()) + 1; band < bands; ++band)
            run(band);
    }
    run(0);
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}
