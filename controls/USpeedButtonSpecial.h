#pragma once
// The speed button placed on the forms: its pressed face is its own DownGlyph picture tiled under
// the glyph and caption, and it may carry an etched frame while up.

#include "controls/UExButtons.h"

class TSpeedButtonExSp : public TSpeedButtonBase {
    Q_OBJECT

public:
    using TSpeedButtonBase::TSpeedButtonBase;

    const QImage& DownGlyph() const { return downGlyph_; }
    void SetDownGlyph(const QImage& value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage downGlyph_;
};

class TFramedSpeedButtonSp : public TSpeedButtonExSp {
    Q_OBJECT

public:
    using TSpeedButtonExSp::TSpeedButtonExSp;

    bool Framed() const { return framed_; }
    void SetFramed(bool value);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool framed_ = false;
};

class TSpeedButtonSpecial : public TFramedSpeedButtonSp {
    Q_OBJECT

public:
    using TFramedSpeedButtonSp::TFramedSpeedButtonSp;
};

// The etched frame of an up button: highlight one pixel right and down of the shadow.
void DrawEtchedFrame(QPainter& painter, const QWidget& button);
