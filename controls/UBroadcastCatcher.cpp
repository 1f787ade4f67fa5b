#include "controls/UBroadcastCatcher.h"

TBroadcastCatcher::TBroadcastCatcher(QObject* parent)
    : QObject(parent), listener_(std::make_unique<TListener>()) {
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) {
        if (OnCatch && eventID == guid_)
            OnCatch(sender);
    };
}

TBroadcastCatcher::~TBroadcastCatcher() {
    listener_.reset();
}

void TBroadcastCatcher::Subscribe(IBroadcaster* broadcaster) {
    listener_->AddBroadcaster(broadcaster);
}

void TBroadcastCatcher::Unsubscribe(IBroadcaster* broadcaster) {
    listener_->RemoveBroadcaster(broadcaster);
}

void TBroadcastCatcher::SetGUID(const QString& text) {
    if (text == guidText_)
        return;
    guidText_ = text;
    guid_ = text.isEmpty() ? TGUID{} : TGUID::FromString(text);
}
