#pragma once
// The framework's actions: a command with a caption, enabled and checked state, shortcut, hint
// and image index (a QAction, so menus and tool bars show it), which serves the focused control.
// Before it is shown or run, the action is asked whether it handles the control that has the
// focus (HandlesTarget); it then updates its state for that control (UpdateTarget) or runs on it
// (ExecuteTarget). Triggering the QAction runs Execute.

#include "platform/Component.h"

#include <QAction>
#include <QString>

class TCustomAction : public QAction, public TComponent {
    QUORLANE_CLASS(TCustomAction, TComponent)

public:
    explicit TCustomAction(TComponent* owner);
    ~TCustomAction() override;

    static void DeclareProperties(TPropertyBuilder<TCustomAction>& p);
    void SetName(const QString& name) override;

    QString Caption() const { return text(); }
    void SetCaption(const QString& value) { setText(value); }
    bool Checked() const { return isChecked(); }
    // Checking makes the action checkable.
    void SetChecked(bool value);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool value) { setEnabled(value); }
    bool Visible() const { return isVisible(); }
    void SetVisible(bool value) { setVisible(value); }
    QString Hint() const { return statusTip(); }
    void SetHint(const QString& value);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value) { helpContext_ = value; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value) { imageIndex_ = value; }
    QString ShortCut() const { return shortcut().toString(QKeySequence::PortableText); }
    void SetShortCut(const QString& value) { setShortcut(QKeySequence(value, QKeySequence::PortableText)); }

    // The control that has the focus now (nullptr when none).
    static QObject* FocusedTarget();
    // Updates the state for the focused control; false when the action does not handle it.
    bool Update();
    // Runs on the focused control; false when the action does not handle it.
    bool Execute();

    virtual bool HandlesTarget(QObject* target);
    virtual void UpdateTarget(QObject* target);
    virtual void ExecuteTarget(QObject* target);

private:
    int helpContext_ = 0;
    int imageIndex_ = -1;
};
