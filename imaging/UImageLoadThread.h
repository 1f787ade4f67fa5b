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

#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class TImagePack;
class TPicture;
class TPictureEx;

class TImageLoadThread : public QThread {
public:
    // Starts the worker, which waits for requests.
    explicit TImageLoadThread(QObject* parent = nullptr);
    // Stops the worker and frees every request and result.
    ~TImageLoadThread() override;

    TImagePack* Pack() const;
    // Not owned; may be null (requests then stay queued). Change it only after Clear.
    void SetPack(TImagePack* pack);

    // Queues index unless it is queued already.
    void Request(int index);
    // The oldest finished picture into picture and its index; -1 when none is done.
    int TakeLoaded(TPicture& picture);
    // Drops the queued requests, waits until the load in hand (if any) is finished, then drops
    // every result. On return the worker is idle.
    void Clear();
    // Ends the worker after the load in hand; returns once it has finished.
    void Stop();
    bool Finished() const { return finished_.load(); }

    int QueuedCount() const;
    int DoneCount() const;

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

    mutable std::mutex requestsLock_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<TRequest> requests_;
    TImagePack* pack_ = nullptr;
    bool terminate_ = false;
    bool busy_ = false;

    mutable std::mutex doneLock_;
    std::deque<TRequest> done_;

    std::atomic<bool> finished_{false};
    std::atomic<bool> loadedPosted_{false};
};
