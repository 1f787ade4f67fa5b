#include "controls/Rdynotfy.h"

#include "platform/Application.h"

#include <QWidget>

TReadyNotifier::TReadyNotifier(QWidget* owner) : QObject(owner) {
    if (owner)
        QMetaObject::invokeMethod(
            this, [this] { Ready(); }, Qt::QueuedConnection);
}

void TReadyNotifier::Ready() {
    if (fired_)
        return;
    fired_ = true;
    if (const TNotifyEvent handler = OnReady)
        TApplication::Guard(this, [&] { handler(this); });
}
