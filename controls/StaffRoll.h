#pragma once
// Scrolls a block of text upward over the background behind it, one pixel per step, as the about
// box's credits. The host's timer calls Step.

#include "platform/Object.h"

#include <QStringList>
#include <QWidget>

class TStaffRoll : public QWidget, public TObject {
    Q_OBJECT

public:
    explicit TStaffRoll(QWidget* parent = nullptr);

    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment value);
    const QStringList& StaffText() const { return staffText_; }
    // Measured again at once, so the roll ends where the new text does.
    void SetStaffText(const QStringList& value);
    bool Repeating() const { return repeating_; }
    void SetRepeating(bool value) { repeating_ = value; }
    int Position() const { return position_; }
    int TextHeight();

    // One pixel further; back to the start, with OnRolled, once the last line has left the top.
    void Step();

    TNotifyEvent OnRolled;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int Flags() const;

    Qt::Alignment alignment_ = Qt::AlignLeft;
    QStringList staffText_;
    bool repeating_ = true;
    int position_ = 0;
    int textHeight_ = -1; // -1: to be measured
};
