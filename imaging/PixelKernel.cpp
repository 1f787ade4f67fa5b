#include "imaging/PixelKernel.h"

#include "platform/Bitmap.h"
#include "platform/Processors.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::atomic<int> threadCountSetting{0};

// Set while this thread runs a band; a parallel loop it starts then runs on it alone.
thread_local bool insideBand = false;
// Set once the pool is gone (the program is ending): loops then run on the calling thread.
std::atomic<bool> poolClosed{false};

// One call's bands, shared by its caller and the pool threads that help it.
struct BandJob {
    const std::function<void(int, int)>* body = nullptr;
    int count = 0;
    int bands = 0;
    std::atomic<int> next{0};
    int helpersWanted = 0; // pool threads still welcome (under the pool's lock)
    int helpersActive = 0; // pool threads working on it now (under the pool's lock)
    std::mutex failureLock;
    std::exception_ptr failure;
};

void RunBands(BandJob& job) {
    const bool wasInside = std::exchange(insideBand, true);
    for (int band = job.next++; band < job.bands; band = job.next++) {
        const int begin = int(int64_t(job.count) * band / job.bands);
        const int end = int(int64_t(job.count) * (band + 1) / job.bands);
        try {
            (*job.body)(begin, end);
        } catch (...) {
            std::lock_guard<std::mutex> guard(job.failureLock);
            if (!job.failure)
                job.failure = std::current_exception();
        }
    }
    insideBand = wasInside;
}

// Threads started once and kept for the program's life: starting threads for every call cost
// more than the work of the many small calls a repaint makes. Each caller works on its own job
// too, so a call finishes even when every pool thread is busy with other callers' jobs.
class BandPool {
public:
    static BandPool& Instance() {
        static BandPool pool;
        return pool;
    }

    ~BandPool() {
        poolClosed.store(true);
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
    }

    // Offers the job to the pool's threads, starting more of them if the job wants more than
    // there are (threads that cannot be had leave their bands to the caller).
    void Post(BandJob& job) {
        std::lock_guard<std::mutex> guard(lock_);
        try {
            while (int(workers_.size()) < job.helpersWanted)
                workers_.emplace_back([this] { Serve(); });
        } catch (...) {
        }
        job.helpersWanted = std::min(job.helpersWanted, int(workers_.size()));
        if (job.helpersWanted == 0)
            return;
        queue_.push_back(&job);
        for (int i = 0; i < job.helpersWanted; ++i)
            wake_.notify_one();
    }

    // Waits until no pool thread works on the job any more; called once the caller has run out
    // of bands, so every band is done then.
    void Finish(BandJob& job) {
        std::unique_lock<std::mutex> guard(lock_);
        if (job.helpersWanted > 0)
            queue_.erase(std::find(queue_.begin(), queue_.end(), &job));
        job.helpersWanted = 0;
        done_.wait(guard, [&] { return job.helpersActive == 0; });
    }

private:
    BandPool() = default;

    void Serve() {
        std::unique_lock<std::mutex> guard(lock_);
        for (;;) {
            wake_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            BandJob& job = *queue_.front();
            if (--job.helpersWanted == 0)
                queue_.pop_front();
            ++job.helpersActive;
            guard.unlock();
            RunBands(job);
            guard.lock();
            if (--job.helpersActive == 0)
                done_.notify_all();
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<BandJob*> queue_;
    std::vector<std::thread> workers_;
    bool stopping_ = false;
};

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
    // Asked once: the answer comes from the system's files.
    static const int processors = UsableProcessorCount();
    return processors;
}

void ParallelBands(int count, int minBand, const std::function<void(int, int)>& body) {
    if (count <= 0)
        return;
    const int threads = std::min(KernelThreadCount(), std::max(1, count / std::max(1, minBand)));
    // A band that splits its own work runs it on its own thread: the pool's threads may all be
    // waiting on bands of the outer call, and would never come to the inner one.
    if (threads <= 1 || insideBand || poolClosed.load()) {
        body(0, count);
        return;
    }
    // More bands than threads, taken in turn by whichever thread is free: a thread that the
    // system runs less (other programs, other cores busy) then holds up only a small band.
    BandJob job;
    job.body = &body;
    job.count = count;
    job.bands = std::min(threads * 4, std::max(threads, count / std::max(1, minBand)));
    job.helpersWanted = threads - 1;
    BandPool& pool = BandPool::Instance();
    pool.Post(job);
    RunBands(job);
    pool.Finish(job);
    if (job.failure)
        std::rethrow_exception(job.failure);
}
