#include "controls/UPanelEx.h"

#include <QPainter>

TPanelEx::TPanelEx(QWidget* parent) : TPaintPanel(parent) {
    highlight_.SetColor(clBtnHighlight);
    border_.SetColor(clBtnFace);
    shadow_.SetColor(clBtnShadow);
    for (TNoDefaultBrush* b : {&highlight_, &border_, &shadow_})
        b->OnChange = [this](TObject*) { update(); };
}

void TPanelEx::Paint(TCanvas& canvas) {
    TRect r = TRect::FromQRect(rect());
    QPainter& painter = *canvas.Painter();
    DrawBevelBands(painter, r, bevelOuter_, bevelInner_, bevelWidth_, borderWidth_,
                   {highlight_.ToQBrush(), border_.ToQBrush(), shadow_.ToQBrush()});
    if (!r.IsEmpty())
        painter.fillRect(r.ToQRect(), Brush().ToQBrush());
    if (caption_.isEmpty())
        return;
    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const QRect band(r.Left, r.Top + (r.Height() - h) / 2, r.Width(), h);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(band, int(alignment_ | Qt::AlignVCenter) | Qt::TextExpandTabs, caption_);
}
