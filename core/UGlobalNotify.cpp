#include "core/UGlobalNotify.h"

#include "platform/Application.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

// The framework's idle event on Qt's loop: once the loop is about to wait after it delivered
// anything, an idle event is posted at low priority and handed to the subscribers when it arrives.
// Handlers thus run as ordinary event handlers (they may open modal windows), and an idle that
// caused no further event is not followed by another until something happens.
class IdleSource : public QObject {
public:
    int muted = 0;

    static IdleSource& Instance() {
        static IdleSource source;
        return source;
    }

    uint64_t Subscribe(std::function<void()> handler) {
        Install();
        subscribers_.push_back(Subscriber{++lastId_, std::move(handler)});
        return lastId_;
    }

    void Unsubscribe(uint64_t id) {
        std::erase_if(subscribers_, [id](const Subscriber& s) { return s.id == id; });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != IdleEventType() && !IsEcho(event->type()))
            activity_ = true;
        return false;
    }

    void customEvent(QEvent* event) override {
        if (event->type() != IdleEventType())
            return;
        pending_ = false;
        activity_ = false;
        if (muted > 0)
            return;
        std::vector<uint64_t> snapshot;
        for (const Subscriber& s : subscribers_)
            snapshot.push_back(s.id);
        for (uint64_t id : snapshot) {
            const auto it = std::find_if(subscribers_.begin(), subscribers_.end(),
                                         [id](const Subscriber& s) { return s.id == id; });
            if (it == subscribers_.end())
                continue;
            const std::function<void()> handler = it->handler;
            handler();
        }
    }

private:
    struct Subscriber {
        uint64_t id;
        std::function<void()> handler;
    };

    // Events that only show a change already made (a repaint, a cursor or a tooltip set again, a
    // relayout): an idle handler that causes one would otherwise be run again and again.
    static bool IsEcho(QEvent::Type type) {
        switch (type) {
        case QEvent::Paint:
        case QEvent::UpdateRequest:
        case QEvent::UpdateLater:
        case QEvent::LayoutRequest:
        case QEvent::Polish:
        case QEvent::PolishRequest:
        case QEvent::ChildPolished:
        case QEvent::CursorChange:
        case QEvent::ToolTipChange:
        case QEvent::StatusTip:
        case QEvent::StyleChange:
        case QEvent::FontChange:
        case QEvent::PaletteChange:
        case QEvent::EnabledChange:
        case QEvent::ActionChanged:
        case QEvent::WindowTitleChange:
        case QEvent::WindowIconChange:
        case QEvent::ModifiedChange:
        case QEvent::DynamicPropertyChange:
            return true;
        default:
            return false;
        }
    }

    static QEvent::Type IdleEventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    void Install() {
        if (installed_ || !QCoreApplication::instance())
            return;
        QAbstractEventDispatcher* dispatcher =
            QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
        if (!dispatcher)
            return;
        installed_ = true;
        QCoreApplication::instance()->installEventFilter(this);
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { AboutToBlock(); });
    }

    void AboutToBlock() {
        if (pending_ || !activity_ || subscribers_.empty())
            return;
        pending_ = true;
        QCoreApplication::postEvent(this, new QEvent(IdleEventType()), Qt::LowEventPriority);
    }

    std::vector<Subscriber> subscribers_;
    uint64_t lastId_ = 0;
    bool installed_ = false;
    bool pending_ = false;
    bool activity_ = true;
};

} // namespace

void MuteGlobalIdle() {
    ++IdleSource::Instance().muted;
}

void UnmuteGlobalIdle() {
    if (IdleSource::Instance().muted > 0)
        --IdleSource::Instance().muted;
}

bool GlobalIdleMuted() {
    return IdleSource::Instance().muted > 0;
}

TScreenEventDispatcher::TScreenEventDispatcher()
    : broadcaster_(std::make_unique<TBroadcaster>(this)), connections_(std::make_unique<QObject>()) {
    const auto send = [this](const TGUID& event) {
        TApplication::Guard(this, [&] { broadcaster_->Broadcast(this, event); });
    };
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        QObject::connect(app, &QApplication::focusChanged, connections_.get(),
                         [send] { send(GUID_ActiveControlChange); });
        QObject::connect(app, &QGuiApplication::focusWindowChanged, connections_.get(),
                         [send] { send(GUID_ActiveFormChange); });
    }
}

TScreenEventDispatcher::~TScreenEventDispatcher() {
    connections_.reset();
    broadcaster_->DestroyLinks();
}

void TScreenEventDispatcher::Broadcast(TObject* sender, const TGUID& eventID) {
    broadcaster_->Broadcast(sender, eventID);
}

void TScreenEventDispatcher::AddListener(IListener* listener) {
    broadcaster_->AddListener(listener);
}

void TScreenEventDispatcher::RemoveListener(IListener* listener) {
    broadcaster_->RemoveListener(listener);
}

bool TScreenEventDispatcher::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IBroadcaster>(this, iid, obj) || TInterfacedObjectEx::GetInterface(iid, obj);
}

TScreenEventDispatcher& ScreenEventDispatcher() {
    static const std::unique_ptr<TScreenEventDispatcher> dispatcher =
        std::make_unique<TScreenEventDispatcher>();
    return *dispatcher;
}

TGlobalNotify::TGlobalNotify(TComponent* owner)
    : TComponent(owner), listener_(std::make_unique<TListener>(
                             [this](TObject* sender, const TGUID& id) { Notify(sender, id); })) {
    if (ComponentState() & csDesigning)
        return;
    idleSubscription_ = IdleSource::Instance().Subscribe([this] { Idle(); });
    listener_->AddBroadcaster(&ScreenEventDispatcher());
}

TGlobalNotify::~TGlobalNotify() {
    if (idleSubscription_)
        IdleSource::Instance().Unsubscribe(idleSubscription_);
    listener_.reset();
}

void TGlobalNotify::Notify(TObject*, const TGUID& eventID) {
    TNotifyEvent handler;
    if (eventID == GUID_ActiveControlChange)
        handler = OnActiveControlChange;
    else if (eventID == GUID_ActiveFormChange)
        handler = OnActiveFormChange;
    if (handler)
        handler(this);
}

void TGlobalNotify::Idle() {
    const TNotifyEvent handler = OnIdle;
    if (handler)
        TApplication::Guard(this, [&] { handler(this); });
}
