#pragma once
// The base of the library's painted controls: a widget with a background brush of its own that
// never erases its background (the control paints all of it), and the brush a caller may recolour.

#include "platform/Canvas.h"
#include "platform/Object.h"

#include <QBrush>
#include <QImage>
#include <QWidget>

// A control's own brush: a colour (system colours allowed), a style, or a picture that tiles.
class TNoDefaultBrush {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    // A picture to tile from the control's origin; null for none.
    const QImage& Bitmap() const { return bitmap_; }
    void SetBitmap(const QImage& value);
    void Assign(const TNoDefaultBrush& source);
    // The Qt brush it paints with; Qt::NoBrush when clear.
    QBrush ToQBrush() const;

    TNotifyEvent OnChange;

private:
    void Changed();
    TColor color_ = clBtnFace;
    TBrushStyle style_ = bsSolid;
    QImage bitmap_;
};

class TOriginalControl : public QWidget, public TObject {
    Q_OBJECT

public:
    explicit TOriginalControl(QWidget* parent = nullptr);

    TNoDefaultBrush& Brush() { return brush_; }
    const TNoDefaultBrush& Brush() const { return brush_; }
    void SetBrush(const TNoDefaultBrush& value) { brush_.Assign(value); }
    bool FullRepaint() const { return fullRepaint_; }
    void SetFullRepaint(bool value) { fullRepaint_ = value; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;

protected:
    // Draws the whole control.
    virtual void Paint(TCanvas& canvas);
    virtual void BrushChanged() { update(); }
    // Fills r of the canvas with the own brush.
    void FillWithBrush(TCanvas& canvas, const TRect& r);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TNoDefaultBrush brush_;
    bool fullRepaint_ = true;
};

// Fills r on the canvas's painter with brush (its picture tiles from the canvas's origin).
void FillRectWithBrush(TCanvas& canvas, const TRect& r, const QBrush& brush);
