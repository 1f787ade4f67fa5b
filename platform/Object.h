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

// Runs body inside one BeginUpdate/EndUpdate bracket of target (a notifier, a model, a
// collection, a string list), so its changes are announced once; the bracket is closed also when
// body raises, and an error of that closing EndUpdate then gives way to body's.
template <class T, class F>
void InUpdate(T& target, F body) {
    target.BeginUpdate();
    try {
        body();
    } catch (...) {
        try {
            target.EndUpdate();
        } catch (...) {
        }
        throw;
    }
    target.EndUpdate();
}
