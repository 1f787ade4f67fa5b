#pragma once
// The common root of the system's objects, so that event senders and the objects a
// string list carries can be passed around as one type.

#include <functional>

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;
