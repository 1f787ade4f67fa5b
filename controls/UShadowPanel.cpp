#include "controls/UShadowPanel.h"

#include <QPainter>

TShadowPanel::TShadowPanel(QWidget* parent) : TPaintPanel(parent) {
    UpdateRegion();
}

void TShadowPanel::SetCaption(const QString& value) {
    caption_ = value;
    update();
}

void TShadowPanel::SetPen(const TPen& value) {
    pen_ = value;
    update();
}

void TShadowPanel::SetShadow(bool value) {
    shadow_ = value;
    UpdateRegion();
    update();
}

void TShadowPanel::SetShadowColor(TColor value) {
    shadowColor_ = value;
    update();
}

void TShadowPanel::SetShadowWidth(int value) {
    shadowWidth_ = value;
    UpdateRegion();
    update();
}

void TShadowPanel::SetAlignment(TAlignmentEx value) {
    alignment_ = value;
    update();
}

void TShadowPanel::resizeEvent(QResizeEvent* event) {
    TPaintPanel::resizeEvent(event);
    UpdateRegion();
}

void TShadowPanel::UpdateRegion() {
    if (!shadow_ || shadowWidth_ == 0) {
        clearMask();
        return;
    }
    const int s = shadowWidth_;
    setMask(QRegion(0, 0, width() - s, height() - s) + QRegion(s, s, width() - s, height() - s));
}

void TShadowPanel::Paint(TCanvas& canvas) {
    canvas.Pen() = pen_;
    canvas.Brush().Color = Brush().Color();
    canvas.Brush().Style = bsSolid;
    if (OnPaint) {
        TPaintPanel::Paint(canvas);
        return;
    }
    int w = width();
    int h = height();
    if (shadow_) {
        canvas.FillSolid(TRect(shadowWidth_, shadowWidth_, w, h), shadowColor_);
        w -= shadowWidth_;
        h -= shadowWidth_;
    }
    canvas.Rectangle(TRect(0, 0, w, h));
    if (caption_.isEmpty())
        return;
    const QStringList lines = caption_.split(QLatin1Char('\n'));
    const auto lineText = [&](int k) {
        QString t = lines.value(k);
        const qsizetype cr = t.indexOf(QLatin1Char('\r'));
        return cr >= 0 ? t.left(cr) : t;
    };
    const int pw = pen_.Width;
    const TRect r(pw, pw, w - pw, h - pw);
    QPainter& painter = *canvas.Painter();
    const QFontMetrics metrics(font());
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const auto draw = [&](const QString& text, const TRect& box, TAlignmentEx how) {
        const int tw = metrics.horizontalAdvance(text);
        int x = box.Left + 2;
        if (how == taeRightJustify)
            x = box.Right - tw - 2;
        else if (how == taeCenter)
            x = box.Left + (box.Width() - tw) / 2;
        const int y = box.Top + (box.Height() - metrics.height()) / 2;
        painter.save();
        painter.setClipRect(box.ToQRect());
        painter.drawText(x, y + metrics.ascent(), text);
        painter.restore();
    };
    if (alignment_ != taeLeftRight) {
        draw(lineText(0), r, alignment_);
        return;
    }
    draw(lineText(0), r, taeLeftJustify);
    if (lines.size() > 1) {
        const QString second = lineText(1);
        TRect right = r;
        right.Left = w - metrics.horizontalAdvance(second) - 2 * pw - 4;
        draw(second, right, taeRightJustify);
    }
}
