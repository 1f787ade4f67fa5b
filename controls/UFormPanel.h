#pragma once
// A panel that hosts one whole form as its content (the main window's mode form, a browser inside
// a dialog). Hosting a new form frees the previous one. A base control may lie under the whole
// client area, and AlignOffset keeps a margin around the hosted form.

#include "controls/UAlignOffset.h"
#include "platform/Object.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class TFormPanel : public QWidget, public TObject {
    Q_OBJECT

public:
    explicit TFormPanel(QWidget* parent = nullptr);
    // Frees the hosted form first.
    ~TFormPanel() override;

    QWidget* Form() const { return form_; }
    // Hosts form (nullptr: nothing). The previous form is hidden, its actions disabled (two enabled
    // actions with one shortcut would make Qt drop both), closed and deleted later, so a form may
    // replace itself from its own button.
    void SetForm(QWidget* form);

    QWidget* BaseControl() const { return baseControl_; }
    void SetBaseControl(QWidget* control);
    TAlignOffset& AlignOffset() { return *alignOffset_; }
    // Copies the four margins; EIntegerList when value holds another count.
    void SetAlignOffset(const TIntegerList& value) { alignOffset_->Assign(&value); }
    // Help asked on the panel's parent window itself (which has no help context of its own) goes
    // to the hosted form's context: see HelpContextOf.
    bool TrapHelp() const { return trapHelp_; }
    void SetTrapHelp(bool value) { trapHelp_ = value; }

    // Places the base control and the hosted form.
    void Realign();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QPointer<QWidget> form_;
    QPointer<QWidget> baseControl_;
    std::unique_ptr<TAlignOffset> alignOffset_;
    bool trapHelp_ = false;
};

// The help context that help asked on widget shows: the "HelpContext" property of widget or of its
// nearest ancestor that has one; a window without one whose form panel traps help gives its hosted
// form's. 0 when none has one (the help's contents).
int HelpContextOf(const QWidget* widget);
