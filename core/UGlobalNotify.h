#pragma once
// Screen-wide events for any number of window components: the active control or the active window
// changed, and the application's message loop went idle.

#include "core/UBroadcaster.h"
#include "platform/Component.h"

#include <memory>

class QObject;

// Sent by the screen-event dispatcher; the sender is the dispatcher.
inline constexpr TGUID GUID_ActiveControlChange = GUIDLiteral("{1211E69A-468C-11D3-AD18-00500463098A}");
inline constexpr TGUID GUID_ActiveFormChange = GUIDLiteral("{1211E69B-468C-11D3-AD18-00500463098A}");

// The one broadcaster of the process's focus changes: the focused widget (active control) and the
// focused top-level window (active form).
class TScreenEventDispatcher : public TInterfacedObjectEx, public virtual IBroadcaster {
public:
    TScreenEventDispatcher();
    ~TScreenEventDispatcher() override;

    void Broadcast(TObject* sender, const TGUID& eventID) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;

    TBroadcaster& Broadcaster() { return *broadcaster_; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    std::unique_ptr<TBroadcaster> broadcaster_;
    std::unique_ptr<QObject> connections_;
};

// Created on first request, freed when the process ends.
TScreenEventDispatcher& ScreenEventDispatcher();

// While muted (counted: each Mute needs its Unmute), TGlobalNotify's idle handlers are not called: a
// long operation that pumps events itself must not have idle work run in the middle of it.
void MuteGlobalIdle();
void UnmuteGlobalIdle();
bool GlobalIdleMuted();

// A component that hands the screen-wide events to its owner through plain notify events, each with
// the component as sender. The idle event fires once each time the message loop has run out of work
// after handling something, as the framework's idle event does; a handler that throws is reported
// through the application's exception handler and the loop goes on.
class TGlobalNotify : public TComponent {
    QUORLANE_CLASS(TGlobalNotify, TComponent)

public:
    explicit TGlobalNotify(TComponent* owner);
    ~TGlobalNotify() override;

    TNotifyEvent OnIdle;
    TNotifyEvent OnActiveControlChange;
    TNotifyEvent OnActiveFormChange;

private:
    void Notify(TObject* sender, const TGUID& eventID);
    void Idle();

    std::unique_ptr<TListener> listener_;
    uint64_t idleSubscription_ = 0;
};
