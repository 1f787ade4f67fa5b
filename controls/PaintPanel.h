#pragma once
// A plain container whose background is painted by OnPaint (on Canvas()) or filled with its brush,
// with a base control under the whole client area and an align offset kept as the margins of its
// layout; the base of the note and tabbed panels.

#include "controls/UAlignOffset.h"
#include "controls/UOriginalControl.h"

#include <QPointer>
#include <memory>

class TPaintPanel : public TOriginalControl {
    Q_OBJECT

public:
    explicit TPaintPanel(QWidget* parent = nullptr);
    ~TPaintPanel() override;

    QWidget* BaseControl() const { return baseControl_; }
    void SetBaseControl(QWidget* control);
    TAlignOffset& AlignOffset() { return *alignOffset_; }
    void SetAlignOffset(const TIntegerList& value) { alignOffset_->Assign(&value); }
    // The canvas OnPaint draws on; null outside painting.
    TCanvas* Canvas() const { return canvas_; }

    TNotifyEvent OnPaint;

protected:
    void Paint(TCanvas& canvas) override;
    void resizeEvent(QResizeEvent* event) override;
    virtual void Realign();

private:
    QPointer<QWidget> baseControl_;
    std::unique_ptr<TAlignOffset> alignOffset_;
    TCanvas* canvas_ = nullptr;
};
