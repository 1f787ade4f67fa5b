#include "imaging/UImageLoadThread.h"

#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "platform/Processors.h"

#include <QMetaObject>
#include <algorithm>

TImageLoadThread::TImageLoadThread(QObject* parent, int workers) : QThread(parent) {
    const int count = std::clamp(workers, 1, UsableProcessorCount());
    start();
    for (int i = 1; i < count; ++i)
        extraWorkers_.emplace_back([this] { WorkerLoop(); });
}

TImageLoadThread::~TImageLoadThread() {
    Stop();
    std::scoped_lock guard(requestsLock_, doneLock_);
    requests_.clear();
    done_.clear();
}

TImagePack* TImageLoadThread::Pack() const {
    std::lock_guard<std::mutex> guard(requestsLock_);
    return pack_;
}

void TImageLoadThread::SetPack(TImagePack* pack) {
    {
        std::lock_guard<std::mutex> guard(requestsLock_);
        pack_ = pack;
    }
    wake_.notify_all();
}

void TImageLoadThread::Request(int index) {
    {
        std::lock_guard<std::mutex> guard(requestsLock_);
        const bool queued = std::any_of(requests_.begin(), requests_.end(),
                                        [index](const TRequest& r) { return r.index == index; });
        if (!queued)
            requests_.push_back(TRequest{std::make_unique<TPictureEx>(), index});
    }
    wake_.notify_one();
}

int TImageLoadThread::TakeLoaded(TPicture& picture) {
    TRequest record;
    {
        std::lock_guard<std::mutex> guard(doneLock_);
        if (done_.empty())
            return -1;
        record = std::move(done_.front());
        done_.pop_front();
    }
    picture.Assign(record.picture.get());
    return record.index;
}

void TImageLoadThread::Clear() {
    std::unique_lock<std::mutex> guard(requestsLock_);
    requests_.clear();
    idle_.wait(guard, [this] { return busy_ == 0; });
    guard.unlock();
    std::lock_guard<std::mutex> doneGuard(doneLock_);
    done_.clear();
}

void TImageLoadThread::Stop() {
    {
        std::lock_guard<std::mutex> guard(requestsLock_);
        terminate_ = true;
    }
    wake_.notify_all();
    wait();
    for (std::thread& worker : extraWorkers_)
        if (worker.joinable())
            worker.join();
    finished_ = true;
}

int TImageLoadThread::QueuedCount() const {
    std::lock_guard<std::mutex> guard(requestsLock_);
    return int(requests_.size());
}

bool TImageLoadThread::Idle() const {
    {
        std::lock_guard<std::mutex> guard(requestsLock_);
        if (!requests_.empty() || busy_ > 0)
            return false;
    }
    return DoneCount() == 0;
}

int TImageLoadThread::DoneCount() const {
    std::lock_guard<std::mutex> guard(doneLock_);
    return int(done_.size());
}

void TImageLoadThread::PostLoaded() {
    if (loadedPosted_.exchange(true))
        return;
    // Queued to this object, which lives on the thread that made it; dropped if it is gone first.
    QMetaObject::invokeMethod(
        this,
        [this] {
            loadedPosted_ = false;
            if (OnLoaded)
                OnLoaded();
        },
        Qt::QueuedConnection);
}

void TImageLoadThread::run() {
    WorkerLoop();
}

void TImageLoadThread::WorkerLoop() {
    std::unique_lock<std::mutex> guard(requestsLock_);
    while (true) {
        wake_.wait(guard, [this] { return terminate_ || (pack_ && !requests_.empty()); });
        if (terminate_)
            break;
        TRequest request = std::move(requests_.back());
        requests_.pop_back();
        TImagePack* pack = pack_;
        ++busy_;
        guard.unlock();
        bool loaded = false;
        try {
            if (auto* cached = dynamic_cast<TCachedImagePack*>(pack))
                cached->LoadImage(*request.picture, request.index);
            else
                pack->GetImageSafe(*request.picture, request.index);
            loaded = true;
        } catch (...) {
            // A failed load is dropped; the browser may ask again.
        }
        if (loaded) {
            {
                std::lock_guard<std::mutex> doneGuard(doneLock_);
                done_.push_back(std::move(request));
            }
            PostLoaded();
        }
        request.picture.reset();
        guard.lock();
        --busy_;
        idle_.notify_all();
    }
}
