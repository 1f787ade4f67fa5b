#include "controls/UFillImageBevel.h"

#include <QPainter>

void BevelBandPolygons(TRect& r, int w, QPolygon& topLeft, QPolygon& bottomRight) {
    const TRect o = r;
    InflateRect(r, -w, -w);
    topLeft = QPolygon({QPoint(o.Left, o.Bottom), QPoint(o.Left, o.Top), QPoint(o.Right, o.Top),
                        QPoint(r.Right, r.Top), QPoint(r.Left, r.Top), QPoint(r.Left, r.Bottom)});
    bottomRight = QPolygon({QPoint(o.Left, o.Bottom), QPoint(o.Right, o.Bottom), QPoint(o.Right, o.Top),
                            QPoint(r.Right, r.Top), QPoint(r.Right, r.Bottom), QPoint(r.Left, r.Bottom)});
}

void DrawBevelBands(QPainter& painter, TRect& r, TBevelCut outer, TBevelCut inner, int bevelWidth,
                    int borderWidth, const TBevelBrushes& brushes) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const auto band = [&](int w, const QBrush& tl, const QBrush& br) {
        if (w <= 0)
            return;
        QPolygon a, b;
        BevelBandPolygons(r, w, a, b);
        painter.setBrush(tl);
        painter.drawPolygon(a);
        painter.setBrush(br);
        painter.drawPolygon(b);
    };
    const auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone)
            return;
        if (cut == bvLowered)
            band(bevelWidth, brushes.shadow, brushes.highlight);
        else
            band(bevelWidth, brushes.highlight, brushes.shadow);
    };
    bevel(outer);
    band(borderWidth, brushes.border, brushes.border);
    bevel(inner);
    painter.restore();
}

TFillImageBevel::TFillImageBevel(QWidget* parent) : TFillImage(parent) {
    highlight_.SetColor(clBtnHighlight);
    border_.SetColor(clBtnFace);
    shadow_.SetColor(clBtnShadow);
    for (TNoDefaultBrush* b : {&highlight_, &border_, &shadow_})
        b->OnChange = [this](TObject*) { update(); };
}

void TFillImageBevel::Paint(TCanvas& canvas) {
    PaintBackground(canvas);
    TRect r = TRect::FromQRect(rect());
    DrawBevelBands(*canvas.Painter(), r, bevelOuter_, bevelInner_, bevelWidth_, borderWidth_,
                   {highlight_.ToQBrush(), border_.ToQBrush(), shadow_.ToQBrush()});
}
