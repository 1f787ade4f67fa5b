#include "imaging/UImageLoadThread.h"

#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A pack whose loads wait on a latch the test opens, recording the order they ran in.
class TLatchedPack : public TCachedImagePack {
public:
    TLatchedPack() : TCachedImagePack(nullptr) {}
    int GetCount() override { return 100; }
    void GetImageRect(int, TRect& rect) override { rect = TRect(0, 0, 1, 1); }
    void LoadImage(TPictureEx& picture, int index) override {
        std::unique_lock<std::mutex> guard(lock);
        started.push_back(index);
        changed.notify_all();
        changed.wait(guard, [&] { return open || passes > 0; });
        if (passes > 0)
            --passes;
        if (index == 13)
            throw EImagePack("cannot");
        TSafetyBitmap b(index + 1, 1);
        picture.SetGraphic(&b);
        ++finished;
        changed.notify_all();
    }
    void WaitStarted(size_t count) {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return started.size() >= count; });
    }
    void Pass(int count) {
        std::lock_guard<std::mutex> guard(lock);
        passes += count;
        changed.notify_all();
    }
    void Open() {
        std::lock_guard<std::mutex> guard(lock);
        open = true;
        changed.notify_all();
    }

    std::mutex lock;
    std::condition_variable changed;
    std::vector<int> started;
    int passes = 0;
    int finished = 0;
    bool open = false;
};

int TakeWithin(TImageLoadThread& loader, TPictureEx& picture) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 30000) {
        const int index = loader.TakeLoaded(picture);
        if (index >= 0)
            return index;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return -1;
}

} // namespace

TEST(ImageLoadThreadTest, NewestRequestLoadsFirstAndResultsComeOldestFirst) {
    TLatchedPack pack;
    TImageLoadThread loader;
    loader.Request(0);
    loader.Request(1);
    EXPECT_EQ(loader.QueuedCount(), 2) << "without a pack nothing is loaded";
    loader.SetPack(&pack);
    pack.WaitStarted(1);
    loader.Request(2);
    loader.Request(3);
    loader.Request(3);
    loader.Request(13);
    EXPECT_EQ(loader.QueuedCount(), 4);
    TPictureEx picture;
    EXPECT_EQ(loader.TakeLoaded(picture), -1);
    pack.Open();
    std::vector<int> order;
    for (int i = 0; i < 4; ++i)
        order.push_back(TakeWithin(loader, picture));
    EXPECT_EQ(pack.started, (std::vector<int>{1, 13, 3, 2, 0}));
    EXPECT_EQ(order, (std::vector<int>{1, 3, 2, 0})) << "the failed load (13) is dropped";
    EXPECT_EQ(picture.Width(), 1);
    EXPECT_EQ(loader.TakeLoaded(picture), -1);
}

TEST(ImageLoadThreadTest, ClearWaitsForTheLoadInHandAndDiscardsIt) {
    TLatchedPack pack;
    TImageLoadThread loader;
    loader.SetPack(&pack);
    loader.Request(5);
    loader.Request(6);
    pack.WaitStarted(1);
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pack.Pass(1);
    });
    loader.Clear();
    opener.join();
    EXPECT_EQ(pack.finished, 1);
    EXPECT_EQ(loader.QueuedCount(), 0);
    EXPECT_EQ(loader.DoneCount(), 0);
    loader.Stop();
    EXPECT_TRUE(loader.Finished());
}

TEST(ImageLoadThreadTest, OnLoadedRunsOnTheThreadThatMadeTheLoader) {
    TLatchedPack pack;
    pack.Open();
    TImageLoadThread loader;
    std::thread::id calledOn;
    int calls = 0;
    loader.OnLoaded = [&] {
        calledOn = std::this_thread::get_id();
        ++calls;
    };
    loader.SetPack(&pack);
    loader.Request(4);
    QElapsedTimer timer;
    timer.start();
    while (calls == 0 && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(calledOn, std::this_thread::get_id());
}

TEST(ImageLoadThreadTest, SeveralWorkersTakeTheNewestAndClearWaitsForAll) {
    if (QThread::idealThreadCount() < 3)
        GTEST_SKIP() << "needs three processors";
    TLatchedPack pack;
    TImageLoadThread loader(nullptr, 3);
    EXPECT_EQ(loader.WorkerCount(), 3);
    for (int i = 0; i < 6; ++i)
        loader.Request(i);
    loader.SetPack(&pack);
    pack.WaitStarted(3);
    {
        std::lock_guard<std::mutex> guard(pack.lock);
        // Each worker takes the newest request left, but which of them reports first is a race.
        std::vector<int> started = pack.started;
        std::sort(started.begin(), started.end());
        EXPECT_EQ(started, (std::vector<int>{3, 4, 5}));
    }
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pack.Pass(3);
    });
    // Three loads are in hand; the rest are dropped, and Clear returns once all three are done.
    loader.Clear();
    opener.join();
    EXPECT_EQ(pack.finished, 3);
    EXPECT_EQ(loader.QueuedCount(), 0);
    EXPECT_EQ(loader.DoneCount(), 0);
}
