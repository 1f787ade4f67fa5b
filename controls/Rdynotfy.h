#pragma once
// Fires OnReady once, after the owner form has handled every event queued before the notifier was
// made, so that a form can start a long initial load once it has appeared.

#include "platform/Object.h"

#include <QObject>

class QWidget;

class TReadyNotifier : public QObject, public TObject {
    Q_OBJECT

public:
    // Without an owner form OnReady never fires.
    explicit TReadyNotifier(QWidget* owner);

    bool Fired() const { return fired_; }
    TNotifyEvent OnReady;

private:
    void Ready();
    bool fired_ = false;
};
