#include "core/UMessageHook.h"

#include "platform/Application.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QInputEvent>
#include <QWidget>
#include <algorithm>

namespace {

// The application-wide event filter of one list.
class HookFilter final : public QObject {
public:
    HookFilter(TMessageHookList* list, QObject* parent) : QObject(parent), list_(list) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        list_->Filter(watched, event);
        return false;
    }

private:
    TMessageHookList* list_;
};

} // namespace

TMessageHookList::~TMessageHookList() {
    Uninstall();
    for (auto& record : handlers_)
        record->removed = true;
}

void TMessageHookList::AddRecord(const QByteArray& code, const void* instance, THookEvent handler) {
    if (filter_.isNull())
        Install();
    auto record = std::make_shared<Record>();
    record->code = code;
    record->instance = instance;
    record->handler = std::move(handler);
    handlers_.push_back(std::move(record));
}

void TMessageHookList::RemoveRecord(const QByteArray& code, const void* instance) {
    const auto it = std::find_if(handlers_.begin(), handlers_.end(), [&](const std::shared_ptr<Record>& r) {
        return r->instance == instance && r->code == code;
    });
    if (it == handlers_.end())
        return;
    (*it)->removed = true;
    handlers_.erase(it);
}

void TMessageHookList::Install() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    Uninstall();
    auto* filter = new HookFilter(this, app);
    app->installEventFilter(filter);
    filter_ = filter;
}

void TMessageHookList::Uninstall() {
    if (filter_.isNull())
        return;
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(filter_);
    delete filter_.data();
    filter_.clear();
}

void TMessageHookList::Filter(QObject* receiver, QEvent* event) {
    if (handlers_.empty())
        return;
    tagMSG message;
    if (!Translate(receiver, event, message))
        return;
    // A handler may add or remove registrations (its own too); the ones present now are called,
    // except those removed before their turn.
    const std::vector<std::shared_ptr<Record>> snapshot = handlers_;
    for (const auto& record : snapshot) {
        if (record->removed)
            continue;
        tagMSG copy = message;
        TApplication::Guard(nullptr, [&] { record->handler(copy); });
    }
}

bool TPostMessageHookList::Translate(QObject* receiver, QEvent* event, tagMSG& message) {
    // The window system's drags reach the widgets sent, not posted, yet they come from outside.
    const QEvent::Type type = event->type();
    const bool drag = type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::DragLeave ||
                      type == QEvent::Drop;
    if (!event->spontaneous() && !drag)
        return false;
    message.Window = receiver;
    message.Message = static_cast<int>(event->type());
    message.Event = event;
    if (event->isInputEvent())
        message.Time = static_cast<qint64>(static_cast<QInputEvent*>(event)->timestamp());
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        message.Point = QCursor::pos();
    return true;
}

bool TSendMessageHookList::Translate(QObject* receiver, QEvent* event, tagMSG& message) {
    if (event->spontaneous())
        return false;
    message.Window = receiver;
    message.Message = static_cast<int>(event->type());
    message.Event = event;
    return true;
}

TMessageHookList& PostMessageHookList() {
    static TPostMessageHookList list;
    return list;
}

TMessageHookList& SendMessageHookList() {
    static TSendMessageHookList list;
    return list;
}

THookComponent::THookComponent(TComponent* owner) : TComponent(owner) {}

void THookComponent::DeclareProperties(TPropertyBuilder<THookComponent>& p) {
    p.Boolean("OwnerIsTarget", &THookComponent::OwnerIsTarget, &THookComponent::OwnerIsTarget).Default(true);
}

void THookComponent::Loaded() {
    TComponent::Loaded();
    // A form is a window and a component at once; its hook components watch it.
    if (OwnerIsTarget) {
        if (auto* window = dynamic_cast<QWidget*>(Owner()))
            SetWindow(window);
    }
}

THookComponent::~THookComponent() {
    PostMessageHookList().Remove(this, &THookComponent::HookMessage);
    SendMessageHookList().Remove(this, &THookComponent::HookMessage);
}

void THookComponent::SetWindow(QWidget* window) {
    window_ = window;
}

void THookComponent::HookMessage(tagMSG& message) {
    if (!window_.isNull() && message.Window == window_.data())
        Dispatch(message);
}

void THookComponent::Dispatch(tagMSG&) {}

TGetMessageHook::TGetMessageHook(TComponent* owner) : THookComponent(owner) {
    PostMessageHookList().Add<THookComponent>(this, &THookComponent::HookMessage);
}
