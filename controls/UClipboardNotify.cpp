#include "controls/UClipboardNotify.h"

#include <QClipboard>
#include <QGuiApplication>

TClipboardNotify::TClipboardNotify(QObject* parent) : QObject(parent) {
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Changed(); });
    QMetaObject::invokeMethod(
        this, [this] { Changed(); }, Qt::QueuedConnection);
}

void TClipboardNotify::Changed() {
    // A failing handler must not stop the other windows hearing of the change.
    try {
        if (const TNotifyEvent handler = OnChange)
            handler(this);
    } catch (...) {
    }
}
