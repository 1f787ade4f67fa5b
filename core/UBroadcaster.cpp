#include "core/UBroadcaster.h"

#include <QtGlobal>
#include <algorithm>

TBroadcaster::TBroadcaster(TObject* controller) : TInterfaceImplement(controller) {}

TBroadcaster::~TBroadcaster() {
    DestroyLinks();
}

void TBroadcaster::DestroyLinks() {
    if (linksDestroyed_)
        return;
    linksDestroyed_ = true;
    // Nothing may escape a destructor: a listener that throws is unlinked all the same.
    try {
        Broadcast(Controller(), GUID_BroadcasterDestroyed);
    } catch (...) {
    }
    TIntf<IBroadcaster> own;
    try {
        own = OwnBroadcaster();
    } catch (...) {
    }
    if (own) {
        while (!listeners_.empty()) {
            const size_t count = listeners_.size();
            IListener* listener = listeners_.front().listener.get();
            try {
                listener->RemoveBroadcaster(own.get());
            } catch (...) {
            }
            if (listeners_.size() == count) {
                // The peer did not unlink; drop it here rather than loop or throw.
                Q_ASSERT_X(false, "~TBroadcaster", "fall into infinity loop.");
                listeners_.erase(listeners_.begin());
            }
        }
    }
    listeners_.clear();
    *alive_ = false;
}

void TBroadcaster::Broadcast(TObject* sender, const TGUID& eventID) {
    const TGUID id = eventID;
    const std::shared_ptr<const bool> alive = alive_;
    std::vector<uint64_t> snapshot;
    snapshot.reserve(listeners_.size());
    for (const Link& link : listeners_)
        snapshot.push_back(link.serial);
    for (uint64_t serial : snapshot) {
        const auto it = std::find_if(listeners_.begin(), listeners_.end(),
                                     [serial](const Link& link) { return link.serial == serial; });
        if (it == listeners_.end())
            continue;
        // Held for the call: a listener whose last reference is its subscription may drop it inside.
        const TIntf<IListener> listener = it->listener;
        listener->Notify(sender, id);
        if (!*alive)
            return;
    }
}

void TBroadcaster::AddListener(IListener* listener) {
    if (!listener || linksDestroyed_)
        return;
    if (std::any_of(listeners_.begin(), listeners_.end(),
                    [listener](const Link& link) { return link.listener.get() == listener; }))
        return;
    listeners_.push_back(Link{TIntf<IListener>(listener), nextSerial_++});
    if (TIntf<IBroadcaster> own = OwnBroadcaster())
        listener->AddBroadcaster(own.get());
}

void TBroadcaster::RemoveListener(IListener* listener) {
    const auto it = std::find_if(listeners_.begin(), listeners_.end(),
                                 [listener](const Link& link) { return link.listener.get() == listener; });
    if (it == listeners_.end())
        return;
    // Keeps the listener alive for the call back even when this list held its last reference.
    const TIntf<IListener> keep = it->listener;
    listeners_.erase(it);
    if (TIntf<IBroadcaster> own = OwnBroadcaster())
        keep->RemoveBroadcaster(own.get());
}

TIntf<IBroadcaster> TBroadcaster::OwnBroadcaster() {
    if (TIntf<IBroadcaster> own = Supports<IBroadcaster>(static_cast<IUnknownEx*>(this)))
        return own;
    // A notifier whose controller does not pass the interface on is still an IBroadcaster itself;
    // listeners that subscribed to it directly know it by that, and must be told when it goes.
    return TIntf<IBroadcaster>(dynamic_cast<IBroadcaster*>(this));
}

TListener::TListener(TBroadcastEvent onNotify) : OnNotify(std::move(onNotify)) {}

TListener::~TListener() {
    IListener* self = this;
    while (!broadcasters_.empty()) {
        const size_t count = broadcasters_.size();
        IBroadcaster* broadcaster = broadcasters_.front().get();
        try {
            broadcaster->RemoveListener(self);
        } catch (...) {
        }
        if (broadcasters_.size() == count) {
            Q_ASSERT_X(false, "~TListener", "fall into infinity loop.");
            broadcasters_.erase(broadcasters_.begin());
        }
    }
}

void TListener::Notify(TObject* sender, const TGUID& eventID) {
    const TGUID id = eventID;
    // A copy, so that a handler may replace OnNotify or free this listener while it runs.
    const TBroadcastEvent handler = OnNotify;
    if (handler)
        handler(sender, id);
}

void TListener::AddBroadcaster(IBroadcaster* broadcaster) {
    if (!broadcaster)
        return;
    if (std::find(broadcasters_.begin(), broadcasters_.end(), broadcaster) != broadcasters_.end())
        return;
    broadcasters_.push_back(TIntf<IBroadcaster>(broadcaster));
    broadcaster->AddListener(this);
}

void TListener::RemoveBroadcaster(IBroadcaster* broadcaster) {
    const auto it = std::find(broadcasters_.begin(), broadcasters_.end(), broadcaster);
    if (it == broadcasters_.end())
        return;
    const TIntf<IBroadcaster> keep = *it;
    broadcasters_.erase(it);
    keep->RemoveListener(this);
}

bool TListener::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IListener>(this, iid, obj) || TInterfaceImplement::GetInterface(iid, obj);
}

TChangeNotify::TChangeNotify(TObject* controller) : TBroadcaster(controller) {}

TChangeNotify::~TChangeNotify() {
    DestroyLinks();
}

void TChangeNotify::Changed() {
    BeginUpdate();
    pending_ = true;
    EndUpdate();
}

void TChangeNotify::BeginUpdate() {
    if (updateCount_ == 0)
        pending_ = false;
    ++updateCount_;
}

void TChangeNotify::EndUpdate() {
    if (updateCount_ <= 0)
        return;
    if (--updateCount_ != 0 || !pending_)
        return;
    const std::shared_ptr<const bool> alive = AliveToken();
    TBroadcaster::Broadcast(Controller(), GUID_Changed);
    if (*alive && OnChange) {
        const TNotifyEvent handler = OnChange;
        handler(this);
    }
}

void TChangeNotify::Broadcast(TObject* sender, const TGUID& eventID) {
    TBroadcaster::Broadcast(sender, eventID);
}

void TChangeNotify::AddListener(IListener* listener) {
    TBroadcaster::AddListener(listener);
}

void TChangeNotify::RemoveListener(IListener* listener) {
    TBroadcaster::RemoveListener(listener);
}

bool TChangeNotify::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IBroadcaster>(this, iid, obj) || TBroadcaster::GetInterface(iid, obj);
}

void TChangeNotifyForwarder::Broadcast(TObject* sender, const TGUID& eventID) {
    Notifier().Broadcast(sender, eventID);
}

void TChangeNotifyForwarder::AddListener(IListener* listener) {
    Notifier().AddListener(listener);
}

void TChangeNotifyForwarder::RemoveListener(IListener* listener) {
    Notifier().RemoveListener(listener);
}

void TChangeNotifyForwarder::Changed() {
    Notifier().Changed();
}

void TChangeNotifyForwarder::BeginUpdate() {
    Notifier().BeginUpdate();
}

void TChangeNotifyForwarder::EndUpdate() {
    Notifier().EndUpdate();
}

HRESULT TChangeNotifyForwarder::QueryInterface(const TGUID& iid, void** obj) {
    return AnswerAsBroadcaster(this, iid, obj);
}

HRESULT AnswerAsBroadcaster(IBroadcaster* self, const TGUID& iid, void** obj) {
    *obj = nullptr;
    if (iid == IUnknownEx::IID)
        *obj = static_cast<IUnknownEx*>(self);
    else if (iid == IBroadcaster::IID)
        *obj = self;
    return *obj ? S_OK : E_NOINTERFACE;
}
