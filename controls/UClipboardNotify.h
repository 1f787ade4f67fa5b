#pragma once
// Fires OnChange whenever the clipboard's contents change, and once soon after it is made (so a
// window enables its paste command from the start).

#include "platform/Object.h"

#include <QObject>

class TClipboardNotify : public QObject, public TObject {
    Q_OBJECT

public:
    explicit TClipboardNotify(QObject* parent = nullptr);

    TNotifyEvent OnChange;

private:
    void Changed();
};
