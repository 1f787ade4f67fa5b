#pragma once
// A framed box with a drop shadow and a caption (group frames of the tool windows and editors); the
// two corners outside box and shadow are see-through.

#include "controls/PaintPanel.h"

enum TAlignmentEx { taeLeftJustify, taeRightJustify, taeCenter, taeLeftRight };

class TShadowPanel : public TPaintPanel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TShadowPanel(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    TPen& Pen() { return pen_; }
    void SetPen(const TPen& value);
    bool Shadow() const { return shadow_; }
    void SetShadow(bool value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor value);
    int ShadowWidth() const { return shadowWidth_; }
    void SetShadowWidth(int value);
    TAlignmentEx Alignment() const { return alignment_; }
    void SetAlignment(TAlignmentEx value);

protected:
    void Paint(TCanvas& canvas) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateRegion();

    QString caption_;
    TPen pen_;
    bool shadow_ = true;
    TColor shadowColor_ = clBlack;
    int shadowWidth_ = 2;
    TAlignmentEx alignment_ = taeLeftJustify;
};
