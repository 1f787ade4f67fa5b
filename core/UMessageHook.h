#pragma once
// Process-wide lists of handlers that see the events of the user-interface thread's objects without
// subclassing them. Each list watches the application through one application-wide event filter,
// installed when its first handler arrives, and hands every handler a copy of each event's record.
//
// Qt delivers everything through one path, so the two lists split the events by where they come from:
// the posted-message list sees the events the window system queued (input, drag and drop, exposure:
// Qt marks them spontaneous), the sent-message list sees the events the application delivers to its own
// objects. Handlers look; they cannot swallow an event, and it goes on to its receiver afterwards.

#include "platform/Component.h"
#include "platform/Object.h"

#include <QByteArray>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

class QEvent;
class QObject;

// One message as the hooks report it.
struct tagMSG {
    QObject* Window = nullptr; // the receiver
    int Message = 0;           // the event's type
    QEvent* Event = nullptr;   // the event itself, valid during the call
    qint64 Time = 0;           // the input event's time stamp in ms (posted messages only)
    QPoint Point;              // the cursor position in global coordinates (posted messages only)
};

using THookEvent = std::function<void(tagMSG& message)>;

class TMessageHookList {
public:
    TMessageHookList() = default;
    TMessageHookList(const TMessageHookList&) = delete;
    TMessageHookList& operator=(const TMessageHookList&) = delete;
    virtual ~TMessageHookList();

    // Appends a registration of instance->method, installing the hook first when it is not installed.
    template <class T>
    void Add(T* instance, void (T::*method)(tagMSG&)) {
        AddRecord(CodeOf(method), instance, [instance, method](tagMSG& m) { (instance->*method)(m); });
    }
    // Removes the first registration whose method and instance both match; nothing when none does.
    template <class T>
    void Remove(T* instance, void (T::*method)(tagMSG&)) {
        RemoveRecord(CodeOf(method), instance);
    }

    int Count() const { return static_cast<int>(handlers_.size()); }
    // The hook stays installed once its first handler came, until the list is destroyed.
    bool Installed() const { return !filter_.isNull(); }

    // Hands the event to every handler registered when the call began, in registration order, each
    // with its own copy of the record; handlers removed meanwhile are skipped. An exception of a
    // handler goes to the application's exception handler and the others still run.
    void Filter(QObject* receiver, QEvent* event);

protected:
    // Fills message from the event when this list reports it.
    virtual bool Translate(QObject* receiver, QEvent* event, tagMSG& message) = 0;
    virtual void Install();
    virtual void Uninstall();

private:
    struct Record {
        QByteArray code;
        const void* instance = nullptr;
        THookEvent handler;
        bool removed = false;
    };

    template <class M>
    static QByteArray CodeOf(M method) {
        QByteArray code(static_cast<qsizetype>(sizeof(method)), '\0');
        std::memcpy(code.data(), &method, sizeof(method));
        return code;
    }
    void AddRecord(const QByteArray& code, const void* instance, THookEvent handler);
    void RemoveRecord(const QByteArray& code, const void* instance);

    std::vector<std::shared_ptr<Record>> handlers_;
    QPointer<QObject> filter_;
};

// Events the window system queued for the thread's objects.
class TPostMessageHookList : public TMessageHookList {
protected:
    bool Translate(QObject* receiver, QEvent* event, tagMSG& message) override;
};

// Events the application itself delivers to its objects.
class TSendMessageHookList : public TMessageHookList {
protected:
    bool Translate(QObject* receiver, QEvent* event, tagMSG& message) override;
};

// The two process-wide lists.
TMessageHookList& PostMessageHookList();
TMessageHookList& SendMessageHookList();

// Binds a component to a watched window and hands that window's messages to its own Dispatch.
class THookComponent : public TComponent {
    QUORLANE_CLASS(THookComponent, TComponent)

public:
    explicit THookComponent(TComponent* owner);
    ~THookComponent() override;
    static void DeclareProperties(TPropertyBuilder<THookComponent>& p);

    // True: once loaded, the component watches its owner when the owner is a window.
    bool OwnerIsTarget = true;
    void Loaded() override;

    QWidget* Window() const { return window_; }
    virtual void SetWindow(QWidget* window);
    // Registered in a hook list: passes messages of the watched window on to Dispatch.
    virtual void HookMessage(tagMSG& message);

protected:
    // One message of the watched window.
    virtual void Dispatch(tagMSG& message);

private:
    QPointer<QWidget> window_;
};

// A hook component that sees the messages the window system queues.
class TGetMessageHook : public THookComponent {
    QUORLANE_CLASS(TGetMessageHook, THookComponent)

public:
    explicit TGetMessageHook(TComponent* owner);
};
