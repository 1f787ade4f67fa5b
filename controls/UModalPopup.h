#pragma once
// Shows a progress or waiting form while the caller runs a long operation on the user-interface
// thread: every other window is blocked (the form is application-modal, shown without a loop of its
// own), the given cursor is shown, and idle work is held back. Freeing the popup closes the form and
// restores the active window and the cursor; nested popups restore in reverse order.

#include "platform/GraphicControl.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class TModalPopup {
public:
    // Makes the form (its class's constructor with the owner).
    using TFormMaker = std::function<QWidget*(QWidget* owner)>;

    TModalPopup(const TFormMaker& formClass, QWidget* owner, TCursor cursor = crHourGlass);
    ~TModalPopup();
    TModalPopup(const TModalPopup&) = delete;
    TModalPopup& operator=(const TModalPopup&) = delete;

    // The popup's form, owned by the popup; null when something else freed it.
    QWidget* Form() const { return form_; }

private:
    QPointer<QWidget> savedActive_;
    QPointer<QWidget> form_;
};
