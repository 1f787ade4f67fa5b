#include "controls/Ruler.h"

#include "core/UGeometryUtil.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kUnitDPI = 254; // one logical unit is a tenth of a millimetre
constexpr int kGradientSteps = 256;
} // namespace

int RulerPixel(int tenths, int dpi, int scale) {
    return MulDiv(tenths, dpi * scale, kUnitDPI * 100);
}

int RulerGradientChannel(int start, int end, int i) {
    return start + MulDiv(end - start, i, kGradientSteps);
}

std::vector<TRulerTick> RulerTicks(const TRulerGeometry& g,
                                   const std::function<int(int number)>& numberWidth) {
    std::vector<TRulerTick> ticks;
    const int step = RulerPixel(10, g.dpi, g.scale) > 2 ? 1 : 2;
    const int end = RulerPixel(g.lengthMm * 10, g.dpi, g.scale);
    const int t = g.thickness;
    const int s = g.printNum ? g.textSize : 0;
    const int a5 = t - MulDiv(t - s, g.percentage5, 100);
    const int a1 = t - MulDiv(t - s, g.percentage1, 100);
    if (end <= 0)
        return ticks;
    int last = 0;
    for (int i = 0; last < end; i += step) {
        TRulerTick tick;
        tick.pos = RulerPixel(i * 10, g.dpi, g.scale);
        tick.to = t;
        if ((step == 1 && i % 10 == 0) || (step == 2 && i % 20 == 0)) {
            tick.longTick = true;
            tick.from = s;
            if (g.printNum) {
                // A number is shown only where it stays inside the ruler.
                const int w = numberWidth(i);
                int first, last;
                if (g.vertical) {
                    tick.numberPos = tick.pos + w / 2;
                    first = tick.numberPos - w;
                    last = tick.numberPos;
                } else {
                    tick.numberPos = tick.pos - w / 2;
                    first = tick.numberPos;
                    last = tick.numberPos + w;
                }
                if (first >= 1 && last <= end)
                    tick.number = i;
            }
        } else {
            tick.from = i % 5 == 0 ? a5 : a1;
        }
        ticks.push_back(tick);
        last = tick.pos;
    }
    return ticks;
}

TRuler::TRuler(QWidget* parent) : TOriginalControl(parent) {
    resize(32, 32);
}

void TRuler::SetColor(TColor value) {
    Brush().SetColor(value);
}

void TRuler::SetEndColor(TColor value) {
    if (endColor_ == value)
        return;
    endColor_ = value;
    gradient_ = QImage();
    update();
}

void TRuler::BrushChanged() {
    gradient_ = QImage();
    update();
}

void TRuler::mousePressEvent(QMouseEvent* event) {
    mouseDownPos_ = event->position().toPoint();
    if (OnMouseDownAt)
        OnMouseDownAt(this);
    TOriginalControl::mousePressEvent(event);
}

void TRuler::Paint(TCanvas& canvas) {
    QPainter& painter = *canvas.Painter();
    const bool vertical = kind_ == rkVertical;
    const TColor start = ColorToRGB(Brush().Color());
    const TColor end = ColorToRGB(endColor_);
    if (Brush().Color() == endColor_) {
        painter.fillRect(rect(), ToQColor(start));
    } else {
        if (gradient_.isNull()) {
            gradient_ = QImage(kGradientSteps, kGradientSteps, QImage::Format_RGB32);
            for (int i = 0; i < kGradientSteps; ++i) {
                const QRgb c = qRgb(RulerGradientChannel(GetRValue(start), GetRValue(end), i),
                                    RulerGradientChannel(GetGValue(start), GetGValue(end), i),
                                    RulerGradientChannel(GetBValue(start), GetBValue(end), i));
                for (int j = 0; j < kGradientSteps; ++j) {
                    if (vertical)
                        gradient_.setPixel(j, i, c);
                    else
                        gradient_.setPixel(i, j, c);
                }
            }
        }
        // Stretched without smoothing: each line stays one flat colour band.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(rect(), gradient_);
    }

    const QFontMetrics metrics(font());
    TRulerGeometry g;
    g.dpi = logicalDpiX();
    g.scale = scale_;
    g.lengthMm = rulerLength_;
    g.thickness = vertical ? width() : height();
    g.printNum = printNum_;
    g.vertical = vertical;
    g.textSize =
        printNum_ ? (vertical ? metrics.horizontalAdvance(QStringLiteral("99")) : metrics.height()) : 0;
    g.percentage5 = percentage5_;
    g.percentage1 = percentage1_;
    const QColor ink = palette().color(QPalette::WindowText);
    // A line across the axis from a to b (b excluded), w pixels wide, centred as the window
    // system's wide pens are.
    const auto across = [&](int p, int a, int b, int w) {
        const int at = p + rulerOffset_ - w / 2;
        if (b <= a)
            return;
        if (vertical)
            painter.fillRect(QRect(a, at, b - a, w), ink);
        else
            painter.fillRect(QRect(at, a, w, b - a), ink);
    };
    const int endPos = RulerPixel(rulerLength_ * 10, g.dpi, g.scale);
    across(0, 0, g.thickness, 1);
    across(endPos, 0, g.thickness, 1);
    painter.setFont(font());
    painter.setPen(ink);
    const auto widthOf = [&](int n) { return metrics.horizontalAdvance(QString::number(n)); };
    for (const TRulerTick& tick : RulerTicks(g, widthOf)) {
        across(tick.pos, tick.from, tick.to, tick.longTick ? 2 : 1);
        if (tick.number < 0)
            continue;
        const QString text = QString::number(tick.number);
        if (!vertical) {
            painter.drawText(tick.numberPos + rulerOffset_, metrics.ascent(), text);
        } else {
            painter.save();
            painter.translate(0, tick.numberPos + rulerOffset_);
            painter.rotate(-90);
            painter.drawText(0, metrics.ascent(), text);
            painter.restore();
        }
    }
}
