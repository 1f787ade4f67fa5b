#include "controls/PaintPanel.h"

TPaintPanel::TPaintPanel(QWidget* parent)
    : TOriginalControl(parent), alignOffset_(std::make_unique<TAlignOffset>()) {
    alignOffset_->OnChange = [this](TObject*) { Realign(); };
    resize(100, 100);
}

TPaintPanel::~TPaintPanel() = default;

void TPaintPanel::SetBaseControl(QWidget* control) {
    if (baseControl_ == control)
        return;
    baseControl_ = control;
    Realign();
}

void TPaintPanel::Realign() {
    if (baseControl_)
        baseControl_->setGeometry(rect());
    const TAlignOffset& a = *alignOffset_;
    setContentsMargins(a.Left(), a.Top(), a.Right(), a.Bottom());
}

void TPaintPanel::resizeEvent(QResizeEvent* event) {
    TOriginalControl::resizeEvent(event);
    Realign();
}

void TPaintPanel::Paint(TCanvas& canvas) {
    if (!OnPaint) {
        TOriginalControl::Paint(canvas);
        return;
    }
    canvas.Brush().Color = Brush().Color();
    canvas_ = &canvas;
    OnPaint(this);
    canvas_ = nullptr;
}
