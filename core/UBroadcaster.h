#pragma once
// Change notification between model objects and views. A model announces an event, named by a GUID,
// through its broadcaster; every listener subscribed to it is called with the model and the event.
// Either side may link or unlink, and destroying either side unlinks both lists.
//
// A model usually embeds a TChangeNotify with itself as controller and offers IBroadcaster by
// forwarding to it, so listeners subscribe to the model. Such a model should free its notifier first
// thing in its destructor: the notifier then announces GUID_BroadcasterDestroyed and unsubscribes
// through the model's interface while the model is still whole (see DestroyLinks).

#include "core/UInterfaces.h"

#include <functional>
#include <memory>
#include <vector>

struct IListener;

struct IBroadcaster : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{D945C5B0-29DA-11D3-ACA5-00500463098A}");
    virtual void Broadcast(TObject* sender, const TGUID& eventID) = 0;
    virtual void AddListener(IListener* listener) = 0;
    virtual void RemoveListener(IListener* listener) = 0;

protected:
    ~IBroadcaster() = default;
};

struct IListener : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{D945C5B1-29DA-11D3-ACA5-00500463098A}");
    virtual void Notify(TObject* sender, const TGUID& eventID) = 0;
    virtual void AddBroadcaster(IBroadcaster* broadcaster) = 0;
    virtual void RemoveBroadcaster(IBroadcaster* broadcaster) = 0;

protected:
    ~IListener() = default;
};

// Has no identifier: it cannot be asked for, only used on an object known to offer it.
struct IChangeNotify : virtual IUnknownEx {
    static constexpr TGUID IID{};
    virtual void Changed() = 0;
    virtual void BeginUpdate() = 0;
    virtual void EndUpdate() = 0;

protected:
    ~IChangeNotify() = default;
};

// Sent by every broadcaster while it is destroyed; the sender is its controller.
inline constexpr TGUID GUID_BroadcasterDestroyed = GUIDLiteral("{FF0E0940-2D29-11D3-ACCC-00500463098A}");
// Sent by TChangeNotify when a change is complete; the sender is its controller.
inline constexpr TGUID GUID_Changed = GUIDLiteral("{1153AE63-523C-11D3-AD37-00500463098A}");

using TBroadcastEvent = std::function<void(TObject* sender, const TGUID& eventID)>;

// The list of listeners of one source. It offers no interface of its own: its IBroadcaster is its
// controller's (or, without one that offers it, that of a descendant such as TChangeNotify).
class TBroadcaster : public TInterfaceImplement {
public:
    explicit TBroadcaster(TObject* controller = nullptr);
    // Announces GUID_BroadcasterDestroyed and unsubscribes every listener.
    ~TBroadcaster() override;

    // Calls every listener subscribed when the broadcast starts, first subscribed first, each once.
    // A listener unsubscribed (or destroyed) by an earlier one during the broadcast is skipped; the
    // broadcast stops when the broadcaster itself is destroyed by a listener.
    void Broadcast(TObject* sender, const TGUID& eventID);
    // Null and a listener already present are ignored. The listener is told of the subscription.
    void AddListener(IListener* listener);
    // Only a listener that was present is told.
    void RemoveListener(IListener* listener);

    // Announces GUID_BroadcasterDestroyed and unsubscribes every listener, once; later subscriptions
    // are refused. The destructor does it; a controller that forwards IBroadcaster to a notifier it
    // holds by pointer calls it first in its own destructor, while the forwarding still reaches the
    // notifier (a unique_ptr is already null while it deletes). A descendant that offers
    // IBroadcaster itself calls it from its own destructor, while that interface still works.
    void DestroyLinks();

    int ListenerCount() const { return static_cast<int>(listeners_.size()); }
    IListener* Listeners(int index) const { return listeners_.at(size_t(index)).listener.get(); }

protected:
    // The interface listeners know this broadcaster by: the controller's IBroadcaster, or the
    // object's own when it is one; null when there is none.
    TIntf<IBroadcaster> OwnBroadcaster();
    // Cleared when the broadcaster is destroyed, so code that called out can tell.
    std::shared_ptr<const bool> AliveToken() const { return alive_; }

private:
    struct Link {
        TIntf<IListener> listener;
        uint64_t serial;
    };
    std::vector<Link> listeners_;
    uint64_t nextSerial_ = 0;
    bool linksDestroyed_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Calls a handler for every event of the broadcasters it is subscribed to.
class TListener : public TInterfaceImplement, public virtual IListener {
public:
    explicit TListener(TBroadcastEvent onNotify = {});
    // Unsubscribes from every broadcaster.
    ~TListener() override;

    void Notify(TObject* sender, const TGUID& eventID) override;
    // Null and a broadcaster already present are ignored. The broadcaster is told.
    void AddBroadcaster(IBroadcaster* broadcaster) override;
    void RemoveBroadcaster(IBroadcaster* broadcaster) override;

    int BroadcasterCount() const { return static_cast<int>(broadcasters_.size()); }
    IBroadcaster* Broadcasters(int index) const { return broadcasters_.at(size_t(index)).get(); }

    TBroadcastEvent OnNotify;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    std::vector<TIntf<IBroadcaster>> broadcasters_;
};

// The interface answer of a broadcaster its holder owns: IBroadcaster and the base interface (a
// virtual base, at another address), no reference added, nothing else.
HRESULT AnswerAsBroadcaster(IBroadcaster* self, const TGUID& iid, void** obj);

// A broadcaster that announces GUID_Changed, once per outermost BeginUpdate/EndUpdate bracket in
// which something changed, and then calls OnChange.
class TChangeNotify : public TBroadcaster, public virtual IChangeNotify, public virtual IBroadcaster {
public:
    explicit TChangeNotify(TObject* controller = nullptr);
    ~TChangeNotify() override;

    void Changed() override;
    void BeginUpdate() override;
    // An EndUpdate without a BeginUpdate is ignored rather than unbalancing every later bracket.
    void EndUpdate() override;

    void Broadcast(TObject* sender, const TGUID& eventID) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;

    int UpdateCount() const { return updateCount_; }
    bool Pending() const { return pending_; }

    // Called after the broadcast with the notifier itself as sender.
    TNotifyEvent OnChange;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    int32_t updateCount_ = 0;
    bool pending_ = false;
};

// IBroadcaster and IChangeNotify of a model, forwarded to the TChangeNotify it embeds. The model
// keeps owning the notifier (and so decides when it is made and freed, and calls its DestroyLinks
// first thing in its destructor); it only says where the notifier is.
class TChangeNotifyForwarder : public virtual IBroadcaster, public virtual IChangeNotify {
public:
    void Broadcast(TObject* sender, const TGUID& eventID) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;
    void Changed() override;
    void BeginUpdate() override;
    void EndUpdate() override;

    // The model is owned by its holder: references do not keep it alive. It offers IBroadcaster
    // (IChangeNotify has no identifier to be asked for).
    HRESULT QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }

protected:
    ~TChangeNotifyForwarder() = default;
    virtual TChangeNotify& Notifier() = 0;
};
