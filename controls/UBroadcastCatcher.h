#pragma once
// Subscribes to model broadcasters and fires OnCatch, with the broadcasting object as sender, for
// broadcasts of one event GUID only.

#include "core/UBroadcaster.h"

#include <QObject>
#include <memory>

class TBroadcastCatcher : public QObject, public TObject {
    Q_OBJECT
    Q_PROPERTY(QString GUID READ GUIDText WRITE SetGUID)

public:
    explicit TBroadcastCatcher(QObject* parent = nullptr);
    ~TBroadcastCatcher() override;

    // Adds a broadcaster whose broadcasts arrive; a catcher may hear several.
    void Subscribe(IBroadcaster* broadcaster);
    // Stops hearing broadcaster (one not heard is ignored).
    void Unsubscribe(IBroadcaster* broadcaster);
    QString GUIDText() const { return guidText_; }
    // Empty text: the zero GUID. Malformed text raises EConvertError; the text is kept, the GUID
    // is not.
    void SetGUID(const QString& text);
    const TGUID& EventID() const { return guid_; }

    TNotifyEvent OnCatch;

private:
    std::unique_ptr<TListener> listener_;
    QString guidText_;
    TGUID guid_;
};
