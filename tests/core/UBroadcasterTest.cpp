#include "core/UBroadcaster.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

struct Received {
    TObject* sender;
    TGUID event;
};

// A model object that embeds its notifier and offers IBroadcaster by forwarding to it.
class TModel : public TInterfacedObjectEx, public virtual IBroadcaster {
public:
    TModel() : notify(std::make_unique<TChangeNotify>(this)) {}
    ~TModel() override { notify->DestroyLinks(); }
    void Broadcast(TObject* sender, const TGUID& eventID) override { notify->Broadcast(sender, eventID); }
    void AddListener(IListener* listener) override { notify->AddListener(listener); }
    void RemoveListener(IListener* listener) override { notify->RemoveListener(listener); }
    IBroadcaster* AsBroadcaster() { return this; }
    std::unique_ptr<TChangeNotify> notify;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<IBroadcaster>(this, iid, obj) || TInterfacedObjectEx::GetInterface(iid, obj);
    }
};

// A listener of its own making that counts what it is asked to do.
class TCountingListener : public TInterfacedObjectEx, public virtual IListener {
public:
    void Notify(TObject*, const TGUID&) override { ++notified; }
    void AddBroadcaster(IBroadcaster*) override { ++added; }
    void RemoveBroadcaster(IBroadcaster*) override { ++removed; }
    int notified = 0, added = 0, removed = 0;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<IListener>(this, iid, obj) || TInterfacedObjectEx::GetInterface(iid, obj);
    }
};

TListener* Recording(std::vector<Received>& log) {
    return new TListener([&log](TObject* sender, const TGUID& id) { log.push_back({sender, id}); });
}

} // namespace

TEST(Broadcaster, SubscribingTwiceLinksOnceOnEachSide) {
    TModel model;
    TListener listener;
    listener.AddBroadcaster(model.AsBroadcaster());
    listener.AddBroadcaster(model.AsBroadcaster());
    model.AddListener(&listener);
    EXPECT_EQ(listener.BroadcasterCount(), 1);
    EXPECT_EQ(model.notify->ListenerCount(), 1);
    listener.AddBroadcaster(nullptr);
    model.AddListener(nullptr);
    EXPECT_EQ(listener.BroadcasterCount(), 1);
    EXPECT_EQ(model.notify->ListenerCount(), 1);

    // Unsubscribing from the broadcaster's side clears both lists.
    model.RemoveListener(&listener);
    EXPECT_EQ(listener.BroadcasterCount(), 0);
    EXPECT_EQ(model.notify->ListenerCount(), 0);
}

TEST(Broadcaster, SubscribingFromTheBroadcasterSideTellsTheListener) {
    TModel model;
    TListener listener;
    model.AddListener(&listener);
    ASSERT_EQ(listener.BroadcasterCount(), 1);
    EXPECT_EQ(listener.Broadcasters(0), model.AsBroadcaster());
    listener.RemoveBroadcaster(model.AsBroadcaster());
    EXPECT_EQ(model.notify->ListenerCount(), 0);
    EXPECT_EQ(listener.BroadcasterCount(), 0);
}

TEST(Broadcaster, RemovingAnAbsentListenerCallsNothing) {
    TModel model;
    TCountingListener counting;
    model.RemoveListener(&counting);
    EXPECT_EQ(counting.removed, 0);
    model.AddListener(&counting);
    EXPECT_EQ(counting.added, 1);
    model.RemoveListener(&counting);
    model.RemoveListener(&counting);
    EXPECT_EQ(counting.removed, 1);
}

TEST(Broadcaster, BroadcastCallsListenersInSubscriptionOrderWithSender) {
    TModel model;
    std::vector<int> order;
    TListener first([&order](TObject*, const TGUID&) { order.push_back(1); });
    TListener second([&order](TObject*, const TGUID&) { order.push_back(2); });
    std::vector<Received> log;
    std::unique_ptr<TListener> third(Recording(log));
    second.AddBroadcaster(model.AsBroadcaster());
    first.AddBroadcaster(model.AsBroadcaster());
    third->AddBroadcaster(model.AsBroadcaster());
    TObject sender;
    const TGUID event = GUIDLiteral("{11111111-2222-3333-4444-555555555555}");
    model.Broadcast(&sender, event);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sender, &sender);
    EXPECT_EQ(log[0].event, event);
}

TEST(Broadcaster, ChangesInsideOneBracketBroadcastOnceAfterIt) {
    TModel model;
    std::vector<Received> log;
    std::unique_ptr<TListener> listener(Recording(log));
    listener->AddBroadcaster(model.AsBroadcaster());
    int onChange = 0;
    TObject* onChangeSender = nullptr;
    model.notify->OnChange = [&](TObject* s) {
        ++onChange;
        onChangeSender = s;
    };

    model.notify->BeginUpdate();
    model.notify->BeginUpdate();
    model.notify->Changed();
    model.notify->Changed();
    model.notify->EndUpdate();
    model.notify->Changed();
    EXPECT_TRUE(log.empty());
    model.notify->EndUpdate();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].event, GUID_Changed);
    EXPECT_EQ(log[0].sender, &model);
    EXPECT_EQ(onChange, 1);
    EXPECT_EQ(onChangeSender, model.notify.get());

    // A bracket without a change says nothing; a change outside any bracket is announced at once.
    model.notify->BeginUpdate();
    model.notify->EndUpdate();
    EXPECT_EQ(log.size(), 1u);
    model.notify->Changed();
    EXPECT_EQ(log.size(), 2u);
    EXPECT_EQ(onChange, 2);
}

TEST(Broadcaster, UnpairedEndUpdateDoesNotUnbalanceLaterBrackets) {
    TChangeNotify notify;
    int changes = 0;
    notify.OnChange = [&](TObject*) { ++changes; };
    notify.EndUpdate();
    EXPECT_EQ(notify.UpdateCount(), 0);
    notify.Changed();
    EXPECT_EQ(changes, 1);
}

TEST(Broadcaster, DestroyingABroadcasterAnnouncesAndUnlinksEveryListener) {
    std::vector<Received> log;
    std::unique_ptr<TListener> a(Recording(log));
    std::unique_ptr<TListener> b(Recording(log));
    auto model = std::make_unique<TModel>();
    a->AddBroadcaster(model->AsBroadcaster());
    model->AddListener(b.get());
    TModel* raw = model.get();
    model.reset();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].event, GUID_BroadcasterDestroyed);
    EXPECT_EQ(log[0].sender, raw);
    EXPECT_EQ(log[1].event, GUID_BroadcasterDestroyed);
    EXPECT_EQ(a->BroadcasterCount(), 0);
    EXPECT_EQ(b->BroadcasterCount(), 0);
}

TEST(Broadcaster, DestroyingAListenerUnlinksItFromEveryBroadcaster) {
    TModel one, two;
    TChangeNotify alone;
    auto listener = std::make_unique<TListener>();
    listener->AddBroadcaster(one.AsBroadcaster());
    listener->AddBroadcaster(two.AsBroadcaster());
    listener->AddBroadcaster(&alone);
    EXPECT_EQ(alone.ListenerCount(), 1);
    listener.reset();
    EXPECT_EQ(one.notify->ListenerCount(), 0);
    EXPECT_EQ(two.notify->ListenerCount(), 0);
    EXPECT_EQ(alone.ListenerCount(), 0);
    EXPECT_EQ(one.RefCount(), 0);
}

TEST(Broadcaster, NotifierWithoutControllerIsItsOwnBroadcaster) {
    std::vector<Received> log;
    std::unique_ptr<TListener> listener(Recording(log));
    auto notify = std::make_unique<TChangeNotify>();
    notify->AddListener(listener.get());
    ASSERT_EQ(listener->BroadcasterCount(), 1);
    notify->Changed();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].sender, nullptr);
    notify.reset();
    EXPECT_EQ(log.back().event, GUID_BroadcasterDestroyed);
    EXPECT_EQ(listener->BroadcasterCount(), 0);
}

TEST(Broadcaster, ListenerOfANotifierWhoseControllerHidesItIsStillUnlinked) {
    // The controller is a plain object: it passes no interface on.
    TObject controller;
    auto notify = std::make_unique<TChangeNotify>(&controller);
    TListener listener;
    listener.AddBroadcaster(notify.get());
    EXPECT_EQ(notify->ListenerCount(), 1);
    notify.reset();
    EXPECT_EQ(listener.BroadcasterCount(), 0);
}

TEST(Broadcaster, ListenerMayUnsubscribeItselfDuringABroadcast) {
    TModel model;
    int firstCalls = 0, secondCalls = 0;
    TListener first;
    first.OnNotify = [&](TObject*, const TGUID&) {
        ++firstCalls;
        first.RemoveBroadcaster(model.AsBroadcaster());
    };
    TListener second([&](TObject*, const TGUID&) { ++secondCalls; });
    first.AddBroadcaster(model.AsBroadcaster());
    second.AddBroadcaster(model.AsBroadcaster());
    model.notify->Changed();
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 1);
    model.notify->Changed();
    EXPECT_EQ(firstCalls, 1);
    EXPECT_EQ(secondCalls, 2);
}

TEST(Broadcaster, ListenerDestroyedByAnEarlierOneIsNotCalled) {
    TModel model;
    int thirdCalls = 0;
    auto second =
        std::make_unique<TListener>([](TObject*, const TGUID&) { FAIL() << "freed listener called"; });
    TListener third([&](TObject*, const TGUID&) { ++thirdCalls; });
    TListener first([&](TObject*, const TGUID&) { second.reset(); });
    first.AddBroadcaster(model.AsBroadcaster());
    second->AddBroadcaster(model.AsBroadcaster());
    third.AddBroadcaster(model.AsBroadcaster());
    model.notify->Changed();
    EXPECT_EQ(thirdCalls, 1);
    EXPECT_EQ(model.notify->ListenerCount(), 2);
}

TEST(Broadcaster, ListenerAddedDuringABroadcastWaitsForTheNextOne) {
    TModel model;
    int lateCalls = 0;
    TListener late([&](TObject*, const TGUID&) { ++lateCalls; });
    TListener first([&](TObject*, const TGUID&) { late.AddBroadcaster(model.AsBroadcaster()); });
    first.AddBroadcaster(model.AsBroadcaster());
    model.notify->Changed();
    EXPECT_EQ(lateCalls, 0);
    model.notify->Changed();
    EXPECT_EQ(lateCalls, 1);
}

TEST(Broadcaster, BroadcastStopsWhenAListenerDestroysTheBroadcaster) {
    auto model = std::make_unique<TModel>();
    int secondCalls = 0;
    TListener first([&](TObject*, const TGUID& id) {
        if (id == GUID_Changed)
            model.reset();
    });
    TListener second([&](TObject*, const TGUID& id) {
        if (id == GUID_Changed)
            ++secondCalls;
    });
    first.AddBroadcaster(model->AsBroadcaster());
    second.AddBroadcaster(model->AsBroadcaster());
    int onChange = 0;
    model->notify->OnChange = [&](TObject*) { ++onChange; };
    model->notify->Changed();
    EXPECT_EQ(model, nullptr);
    EXPECT_EQ(secondCalls, 0);
    EXPECT_EQ(onChange, 0);
    EXPECT_EQ(first.BroadcasterCount(), 0);
    EXPECT_EQ(second.BroadcasterCount(), 0);
}

TEST(Broadcaster, AutoFreeListenerStaysAliveWhileSubscribed) {
    // A listener whose only reference is the subscription.
    class TAutoListener : public TListener {
    public:
        explicit TAutoListener(bool* gone) : gone_(gone) { autoFree_ = true; }
        ~TAutoListener() override { *gone_ = true; }

    private:
        bool* gone_;
    };
    bool gone = false;
    TModel model;
    {
        TIntf<IListener> ref(new TAutoListener(&gone));
        ref->AddBroadcaster(model.AsBroadcaster());
    }
    EXPECT_FALSE(gone);
    model.notify->Changed();
    model.RemoveListener(model.notify->Listeners(0));
    EXPECT_TRUE(gone);
    EXPECT_EQ(model.notify->ListenerCount(), 0);
}

TEST(Broadcaster, AutoFreeListenerThatUnsubscribesInsideNotifyLivesUntilItsCallEnds) {
    // Its only reference is the subscription it drops while it is being called.
    class TOneShot : public TListener {
    public:
        TOneShot(IBroadcaster* source, int* calls) : source_(source), calls_(calls) { autoFree_ = true; }
        void Notify(TObject*, const TGUID&) override {
            RemoveBroadcaster(source_);
            ++*calls_;
            seen_ = true;
        }

    private:
        IBroadcaster* source_;
        int* calls_;
        bool seen_ = false;
    };
    TModel model;
    int calls = 0;
    {
        TIntf<IListener> ref(new TOneShot(model.AsBroadcaster(), &calls));
        ref->AddBroadcaster(model.AsBroadcaster());
    }
    model.notify->Changed();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(model.notify->ListenerCount(), 0);
}
