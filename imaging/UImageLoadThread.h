#pragma once
// The background loader of a thumbnail browser: the browser asks for image indexes of an image
// pack, the worker loads the newest request first (what the user scrolled to last appears first),
// and the browser takes finished pictures back on the UI thread, oldest first.
//
// A request is in exactly one place at a time: queued, in the worker's hands, or done. The worker
// waits on a condition variable while there is nothing to do; it makes pictures of pixel buffers,
// never window-system images. Cached packs are loaded through LoadImage, bypassing their cache, so
// the pack's loading must not touch what the UI thread changes meanwhile: viewers Clear the loader
// before the pack's contents change.
//
// A loader may be given more workers (one per processor at most): each takes the newest request in
// turn and results still come back in the order they finished. Only packs whose loading may run on
// several threads at once may be given to such a loader (a file pack whose OnFileLoad is safe to
// run concurrently, say); with one worker, as by default, loads run one after the other.

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TImagePack;
class TPicture;
class TPictureEx;

class TImageLoadThread : public QThread {
public:
    // Starts the workers (1 to the number of processors), which wait for requests.
    explicit TImageLoadThread(QObject* parent = nullptr, int workers = 1);
    // Stops the worker and frees every request and result.
    ~TImageLoadThread() override;

    TImagePack* Pack() const;
    // Not owned; may be null (requests then stay queued). Change it only after Clear.
    void SetPack(TImagePack* pack);

    // Queues index unless it is queued already.
    void Request(int index);
    // The oldest finished picture into picture and its index; -1 when none is done.
    int TakeLoaded(TPicture& picture);
    // Drops the queued requests, waits until the loads in hand (if any) are finished, then drops
    // every result. On return every worker is idle.
    void Clear();
    // Ends the workers after the loads in hand; returns once they have finished.
    void Stop();
    bool Finished() const { return finished_.load(); }

    int QueuedCount() const;
    int DoneCount() const;
    // Nothing queued, in hand or finished and not yet taken.
    bool Idle() const;
    int WorkerCount() const { return int(extraWorkers_.size()) + 1; }

    // Called on the thread that made the loader (the UI thread) after loads finished; several loads
    // finishing before it runs give one call.
    std::function<void()> OnLoaded;

protected:
    void run() override;

private:
    struct TRequest {
        std::unique_ptr<TPictureEx> picture;
        int index;
    };
    void PostLoaded();
    void WorkerLoop();

    mutable std::mutex requestsLock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<TRequest> requests_;
    TImagePack* pack_ = nullptr;
    bool terminate_ = false;
    int busy_ = 0;

    mutable std::mutex doneLock_;
    std::deque<TRequest> done_;

    std::vector<std::thread> extraWorkers_;
    std::atomic<bool> finished_{false};
    std::atomic<bool> loadedPosted_{false};
};
