#include "tools/MakeContent/ContentPictures.h"

#include "imaging/URectGrad.h"
#include "pageobjects/layout/UImageFont.h"
#include "platform/Bitmap.h"
#include "tools/MakeContent/ContentArt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <mutex>

namespace Content {

using namespace Art;

namespace {

constexpr int kThumb = 160;

QRectF Inset(const QRectF& r, double fx, double fy) {
    return r.adjusted(r.width() * fx, r.height() * fy, -r.width() * fx, -r.height() * fy);
}

QPainterPath RectPath(const QRectF& r, double radius = 0) {
    QPainterPath path;
    if (radius > 0)
        path.addRoundedRect(r, radius, radius);
    else
        path.addRect(r);
    return path;
}

void Antialiased(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

// Scatters motifs along the band between the picture's edge and the window.
template <typename Paint>
void AlongBorder(const QRectF& full, double band, int count, uint32_t seed, Paint paint) {
    Random rnd(seed);
    for (int i = 0; i < count; ++i) {
        const double t = (i + rnd.Range(0.1, 0.9)) / count;
        const double perimeter = 2 * (full.width() + full.height());
        double d = t * perimeter;
        QPointF c;
        const double inward = rnd.Range(0.3, 0.7) * band;
        if (d < full.width())
            c = {full.left() + d, full.top() + inward};
        else if ((d -= full.width()) < full.height())
            c = {full.right() - inward, full.top() + d};
        else if ((d -= full.height()) < full.width())
            c = {full.right() - d, full.bottom() - inward};
        else
            c = {full.left() + inward, full.bottom() - (d - full.width())};
        paint(c, rnd);
    }
}

// ---- frames

struct FrameDesign {
    QString Caption;
    bool Portrait = false;
    std::function<void(QPainter&, const QRectF&)> Base;
    std::function<QPainterPath(const QRectF&)> Window;
    std::function<void(QPainter&, const QRectF&)> Overlay;
    std::function<QPainterPath(const QRectF&)> Outside;
};

std::vector<FrameDesign> SimpleFrames() {
    std::vector<FrameDesign> d;
    d.push_back({"白マット", false,
                 [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xffffff), Rgb(0xf4f1ec)); },
                 [](const QRectF& r) { return RectPath(Inset(r, 0.07, 0.09)); },
                 [](QPainter& p, const QRectF& r) {
                     p.setPen(QPen(Rgb(0xb8b0a4), 3));
                     p.setBrush(Qt::NoBrush);
                     p.drawRect(Inset(r, 0.07, 0.09).adjusted(-14, -14, 14, 14));
                 },
                 nullptr});
    d.push_back(
        {"角丸ブルー", false,
         [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0x9fd3f0), Rgb(0x4a90c8)); },
         [](const QRectF& r) { return RectPath(Inset(r, 0.07, 0.09), 48); },
         [](QPainter& p, const QRectF& r) {
             p.setPen(QPen(QColor(255, 255, 255, 200), 6));
             p.setBrush(Qt::NoBrush);
             p.drawRoundedRect(Inset(r, 0.07, 0.09).adjusted(-10, -10, 10, 10), 56, 56);
         },
         [](const QRectF& r) { return RectPath(r.adjusted(-2, -2, 2, 2)).subtracted(RectPath(r, 90)); }});
    d.push_back({"ダブルライン", false,
                 [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xfbf6e9), Rgb(0xf1e6cc)); },
                 [](const QRectF& r) { return RectPath(Inset(r, 0.09, 0.12)); },
                 [](QPainter& p, const QRectF& r) {
                     p.setBrush(Qt::NoBrush);
                     p.setPen(QPen(Rgb(0xc9a040), 8));
                     p.drawRect(Inset(r, 0.035, 0.05));
                     p.setPen(QPen(Rgb(0xc9a040), 3));
                     p.drawRect(Inset(r, 0.05, 0.07));
                 },
                 nullptr});
    d.push_back({"楕円ドット", false,
                 [](QPainter& p, const QRectF& r) {
                     VerticalFill(p, r, Rgb(0xfde4ec), Rgb(0xf8c8d8));
                     p.setPen(Qt::NoPen);
                     p.setBrush(QColor(255, 255, 255, 170));
                     for (int y = 0; y < 24; ++y)
                         for (int x = 0; x < 34; ++x)
                             p.drawEllipse(QPointF(r.left() + (x + (y % 2) * 0.5) * r.width() / 33,
                                                   r.top() + y * r.height() / 23),
                                           8, 8);
                 },
                 [](const QRectF& r) { return Ellipse(Inset(r, 0.1, 0.11)); },
                 [](QPainter& p, const QRectF& r) {
                     p.setPen(QPen(Rgb(0xe891ac), 10));
                     p.setBrush(Qt::NoBrush);
                     p.drawEllipse(Inset(r, 0.1, 0.11).adjusted(-8, -8, 8, 8));
                 },
                 nullptr});
    d.push_back({"インスタント", true,
                 [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xffffff), Rgb(0xf2f2f0)); },
                 [](const QRectF& r) {
                     return RectPath(QRectF(r.left() + r.width() * 0.07, r.top() + r.width() * 0.07,
                                            r.width() * 0.86,
                                            r.height() - r.width() * 0.07 - r.height() * 0.2));
                 },
                 nullptr, nullptr});
    d.push_back(
        {"フィルム", false,
         [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0x2a2a2e), Rgb(0x18181a)); },
         [](const QRectF& r) { return RectPath(Inset(r, 0.04, 0.15), 6); }, nullptr,
         [](const QRectF& r) {
             QPainterPath holes;
             const double w = r.width() / 24;
             for (int i = 0; i < 24; ++i)
                 for (double y : {r.top() + r.height() * 0.04, r.bottom() - r.height() * 0.04 - w * 0.7})
                     holes.addRoundedRect(QRectF(r.left() + i * w + w * 0.25, y, w * 0.5, w * 0.7), 6, 6);
             return holes;
         }});
    d.push_back(
        {"切手", false,
         [](QPainter& p, const QRectF& r) {
             VerticalFill(p, r, Rgb(0xfffdf7), Rgb(0xf3efe2));
             p.setPen(QPen(Rgb(0x6f9fd8), 4));
             p.setBrush(Qt::NoBrush);
             p.drawRect(Inset(r, 0.075, 0.1));
         },
         [](const QRectF& r) { return RectPath(Inset(r, 0.09, 0.12)); }, nullptr,
         [](const QRectF& r) {
             return RectPath(r.adjusted(-2, -2, 2, 2)).subtracted(Scallops(Inset(r, 0.02, 0.025), 22));
         }});
    return d;
}

std::vector<FrameDesign> SeasonFrames() {
    std::vector<FrameDesign> d;
    d.push_back(
        {"桜", false, [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xfff0f5), Rgb(0xf9d3e0)); },
         [](const QRectF& r) { return RectPath(Inset(r, 0.1, 0.13), 30); },
         [](QPainter& p, const QRectF& r) {
             AlongBorder(r, r.height() * 0.13, 34, 11, [&](QPointF c, Random& rnd) {
                 const double s = rnd.Range(60, 130);
                 if (rnd.Next() < 0.4)
                     FlowerBloom(p, QRectF(c.x() - s / 2, c.y() - s / 2, s, s), Rgb(0xf8bbd0), Rgb(0xf06292),
                                 5);
                 else
                     Shiny(p, Placed(SakuraPetal(QRectF(0, 0, s * 0.5, s * 0.7)), c, rnd.Range(0, 360)),
                           Rgb(0xf9c5d5), 2);
             });
         },
         nullptr});
    d.push_back({"夏の海", false,
                 [](QPainter& p, const QRectF& r) {
                     VerticalFill(p, r, Rgb(0x8fe3f5), Rgb(0x1e88c8));
                     p.setPen(QPen(QColor(255, 255, 255, 120), 6, Qt::SolidLine, Qt::RoundCap));
                     for (int i = 0; i < 14; ++i) {
                         QPainterPath wave;
                         const double y = r.top() + r.height() * (0.05 + i * 0.07);
                         wave.moveTo(r.left(), y);
                         for (int k = 0; k < 12; ++k)
                             wave.quadTo(r.left() + r.width() * (k + 0.5) / 12, y + (k % 2 ? 14 : -14),
                                         r.left() + r.width() * (k + 1) / 12, y);
                         p.setBrush(Qt::NoBrush);
                         p.drawPath(wave);
                     }
                 },
                 [](const QRectF& r) { return RectPath(Inset(r, 0.09, 0.12), 60); },
                 [](QPainter& p, const QRectF& r) {
                     Sun(p, QRectF(r.right() - 250, r.top() - 30, 260, 260));
                     Fish(p, QRectF(r.left() + 40, r.bottom() - 150, 200, 130), Rgb(0xffa726));
                     Fish(p, QRectF(r.left() + 250, r.bottom() - 110, 140, 90), Rgb(0xef5350));
                     p.setPen(QPen(QColor(255, 255, 255, 220), 4));
                     p.setBrush(QColor(255, 255, 255, 60));
                     for (int i = 0; i < 6; ++i)
                         p.drawEllipse(QPointF(r.left() + 90 + i * 18, r.bottom() - 190 - i * 55), 10 + i * 3,
                                       10 + i * 3);
                 },
                 nullptr});
    d.push_back({"紅葉", false,
                 [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xfff3dc), Rgb(0xf3d9a8)); },
                 [](const QRectF& r) { return RectPath(Inset(r, 0.09, 0.12)); },
                 [](QPainter& p, const QRectF& r) {
                     AlongBorder(r, r.height() * 0.12, 30, 23, [&](QPointF c, Random& rnd) {
                         const double s = rnd.Range(80, 150);
                         static const uint32_t colors[] = {0xe64a19, 0xf57c00, 0xffb300, 0xc62828};
                         Shiny(p, Placed(Maple(QRectF(0, 0, s, s)), c, rnd.Range(-50, 50)),
                               Rgb(colors[rnd.NextInt() % 4]), 2);
                     });
                 },
                 nullptr});
    d.push_back({"雪の結晶", false,
                 [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xd6ecfa), Rgb(0x9cc7ea)); },
                 [](const QRectF& r) { return RectPath(Inset(r, 0.1, 0.13), 40); },
                 [](QPainter& p, const QRectF& r) {
                     AlongBorder(r, r.height() * 0.13, 26, 37, [&](QPointF c, Random& rnd) {
                         Snowflake(p, c, rnd.Range(25, 60), QColor(255, 255, 255, 235));
                     });
                 },
                 nullptr});
    d.push_back(
        {"バースデー", false,
         [](QPainter& p, const QRectF& r) {
             VerticalFill(p, r, Rgb(0xfff8d6), Rgb(0xffe9a0));
             Random rnd(5);
             static const uint32_t confetti[] = {0xef5350, 0x42a5f5, 0x66bb6a, 0xab47bc, 0xffa726};
             p.setPen(Qt::NoPen);
             for (int i = 0; i < 220; ++i) {
                 p.setBrush(Rgb(confetti[i % 5]));
                 p.drawEllipse(
                     QPointF(r.left() + rnd.Range(0, r.width()), r.top() + rnd.Range(0, r.height())), 7, 7);
             }
         },
         [](const QRectF& r) { return RectPath(Inset(r, 0.14, 0.13), 24); },
         [](QPainter& p, const QRectF& r) {
             static const uint32_t colors[] = {0xef5350, 0x42a5f5, 0xffca28, 0x66bb6a, 0xab47bc};
             for (int i = 0; i < 3; ++i) {
                 Balloon(p, QRectF(r.left() + 10 + i * 70, r.top() + 30 + (i % 2) * 90, 150, 300),
                         Rgb(colors[i]));
                 Balloon(p, QRectF(r.right() - 160 - i * 70, r.top() + 30 + ((i + 1) % 2) * 90, 150, 300),
                         Rgb(colors[i + 2]));
             }
             Cake(p, QRectF(r.right() - 300, r.bottom() - 260, 260, 240));
         },
         nullptr});
    d.push_back(
        {"クリスマス", false,
         [](QPainter& p, const QRectF& r) {
             VerticalFill(p, r, Rgb(0x2e7d4f), Rgb(0x1b5e35));
             p.setPen(QPen(Rgb(0xc62828), 26));
             p.setBrush(Qt::NoBrush);
             p.drawRect(Inset(r, 0.045, 0.065));
             p.setPen(QPen(Rgb(0xffd54f), 4));
             p.drawRect(Inset(r, 0.045, 0.065).adjusted(-15, -15, 15, 15));
         },
         [](const QRectF& r) { return RectPath(Inset(r, 0.1, 0.13)); },
         [](QPainter& p, const QRectF& r) {
             Bell(p, QRectF(r.left() + 30, r.top() + 20, 150, 150));
             Bell(p, QRectF(r.left() + 140, r.top() + 40, 120, 120));
             Tree(p, QRectF(r.right() - 200, r.bottom() - 300, 180, 290), Rgb(0x43a047));
             Gift(p, QRectF(r.right() - 330, r.bottom() - 150, 130, 140), Rgb(0xe53935), Rgb(0xfdd835));
             Random rnd(3);
             for (int i = 0; i < 14; ++i) {
                 const double s = rnd.Range(30, 60);
                 Shiny(p,
                       Star(QRectF(r.left() + rnd.Range(0, r.width()), r.top() + rnd.Range(0, 60), s, s), 5,
                            0.45),
                       Rgb(0xffd54f), 1.5);
             }
         },
         nullptr});
    d.push_back(
        {"お正月", false,
         [](QPainter& p, const QRectF& r) {
             VerticalFill(p, r, Rgb(0xc62828), Rgb(0x9a1b1b));
             p.setPen(QPen(QColor(255, 214, 102, 150), 3));
             p.setBrush(Qt::NoBrush);
             for (int y = 0; y < 12; ++y)
                 for (int x = 0; x < 17; ++x)
                     p.drawPath(Diamond(QRectF(r.left() + x * r.width() / 16 - 40 + (y % 2) * r.width() / 32,
                                               r.top() + y * r.height() / 11 - 40, 80, 80)));
         },
         [](const QRectF& r) { return RectPath(Inset(r, 0.1, 0.13)); },
         [](QPainter& p, const QRectF& r) {
             p.setPen(QPen(Rgb(0xffd54f), 10));
             p.setBrush(Qt::NoBrush);
             p.drawRect(Inset(r, 0.1, 0.13).adjusted(-12, -12, 12, 12));
             for (const QPointF& c : {r.topLeft() + QPointF(110, 100), r.bottomRight() - QPointF(110, 100)})
                 FlowerBloom(p, QRectF(c.x() - 80, c.y() - 80, 160, 160), Rgb(0xffffff), Rgb(0xffd54f), 5);
             FlowerBloom(p, QRectF(r.left() + 190, r.top() + 40, 90, 90), Rgb(0xf8bbd0), Rgb(0xffd54f), 5);
             FlowerBloom(p, QRectF(r.right() - 280, r.bottom() - 130, 90, 90), Rgb(0xf8bbd0), Rgb(0xffd54f),
                         5);
         },
         nullptr});
    d.push_back({"ウエディング", true,
                 [](QPainter& p, const QRectF& r) { VerticalFill(p, r, Rgb(0xfffdf8), Rgb(0xf6eee2)); },
                 [](const QRectF& r) { return Ellipse(Inset(r, 0.13, 0.12)); },
                 [](QPainter& p, const QRectF& r) {
                     p.setPen(QPen(Rgb(0xd4b483), 5));
                     p.setBrush(Qt::NoBrush);
                     p.drawEllipse(Inset(r, 0.13, 0.12).adjusted(-16, -16, 16, 16));
                     AlongBorder(r, r.width() * 0.12, 22, 51, [&](QPointF c, Random& rnd) {
                         const double s = rnd.Range(50, 90);
                         Shiny(p, Heart(QRectF(c.x() - s / 2, c.y() - s / 2, s, s * 0.9)),
                               rnd.Next() < 0.5 ? Rgb(0xf48fb1) : Rgb(0xffffff), 2);
                     });
                     Ribbon(p, QRectF(r.center().x() - 150, r.bottom() - 230, 300, 220), Rgb(0xf48fb1));
                 },
                 nullptr});
    return d;
}

// Alpha frames: the shape, white on black.
std::vector<std::pair<QString, std::function<QPainterPath(const QRectF&)>>> SoftShapes() {
    return {
        {"楕円", [](const QRectF& r) { return Ellipse(Inset(r, 0.1, 0.1)); }},
        {"角丸", [](const QRectF& r) { return RectPath(Inset(r, 0.1, 0.12), 120); }},
        {"ハート",
         [](const QRectF& r) {
             return Heart(
                 Inset(QRectF(r.center().x() - r.height() * 0.55, r.top(), r.height() * 1.1, r.height()),
                       0.14, 0.15));
         }},
        {"雲", [](const QRectF& r) { return Cloud(Inset(r, 0.08, 0.08)); }},
        {"星",
         [](const QRectF& r) {
             return Star(
                 Inset(QRectF(r.center().x() - r.height() * 0.55, r.top(), r.height() * 1.1, r.height()),
                       0.06, 0.06),
                 5, 0.55);
         }},
    };
}

QImage SceneImage(int width, int height, int kind) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    Antialiased(p);
    Scene(p, QRectF(0, 0, width, height), kind);
    return image;
}

QImage MaskOf(int width, int height, const QPainterPath& path) {
    QImage mask = NewGrey(width, height, 0);
    QPainter p(&mask);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(path);
    return mask;
}

// Shows the thumbnail's see-through colour as the browser does (the page: white).
QImage OnPaper(const QImage& image, unsigned key) {
    QImage shown = image.convertToFormat(QImage::Format_RGB32);
    const QRgb k = qRgb(int(key >> 16) & 255, int(key >> 8) & 255, int(key) & 255);
    for (int y = 0; y < shown.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x)
            if (row[x] == k)
                row[x] = qRgb(255, 255, 255);
    }
    return shown;
}

struct FrameFiles {
    QString Thumb, Picture, Third;
};

FrameFiles MakeOverlayFrame(const Output& out, const QString& folder, const QString& base,
                            const FrameDesign& d, int scene, SheetCell& cell) {
    const int w = d.Portrait ? kShortSide : kLongSide;
    const int h = d.Portrait ? kLongSide : kShortSide;
    const QRectF full(0, 0, w, h);
    QImage art = NewRgb(w, h, 0xffffff);
    const QPainterPath window = d.Window(full);
    const QPainterPath outside = d.Outside ? d.Outside(full) : QPainterPath();
    {
        QPainter p(&art);
        Antialiased(p);
        d.Base(p, full);
        // The keys are drawn without smoothing: every pixel is either see-through or not.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xF0, 0xF0, 0xF0));
        p.drawPath(window);
        Antialiased(p);
        if (d.Overlay)
            d.Overlay(p, full);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x90, 0x70, 0x60));
        p.drawPath(outside);
    }
    const QImage windowMask = MaskOf(w, h, window);
    const QImage outsideMask = MaskOf(w, h, outside);
    KeepKeyExact(art, kWindowRgb, windowMask);
    KeepKeyExact(art, kOutsideRgb, outsideMask);

    // The shadow: where the framed photo covers the page.
    QImage shadow = outsideMask;
    shadow.invertPixels();

    // The thumbnail shows a picture in the window and keeps the outside see-through.
    QImage composite = SceneImage(w, h, scene);
    {
        const QRgb window = qRgb(0xF0, 0xF0, 0xF0);
        for (int y = 0; y < h; ++y) {
            auto* c = reinterpret_cast<QRgb*>(composite.scanLine(y));
            const auto* a = reinterpret_cast<const QRgb*>(art.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if ((a[x] | 0xFF000000u) != window)
                    c[x] = a[x];
        }
    }
    QImage thumb = Fit(composite, kThumb, kThumb);
    const QImage smallOutside = Fit(outsideMask, kThumb, kThumb);
    for (int y = 0; y < thumb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(thumb.scanLine(y));
        const uchar* m = smallOutside.constScanLine(y);
        for (int x = 0; x < thumb.width(); ++x)
            if (m[x] >= 128)
                row[x] = qRgb(0x90, 0x70, 0x60);
    }
    KeepKeyExact(thumb, kOutsideRgb, smallOutside);

    FrameFiles files;
    files.Picture = WritePicture(out, folder, base, art);
    files.Third = WritePicture(out, folder, base + QStringLiteral("_S"), shadow);
    files.Thumb = WritePicture(out, folder, base + QStringLiteral("_T"), thumb);
    cell = {OnPaper(thumb, kOutsideRgb), base + QStringLiteral(" ") + d.Caption};
    return files;
}

FrameFiles MakeSoftFrame(const Output& out, const QString& folder, const QString& base,
                         const QString& caption, const std::function<QPainterPath(const QRectF&)>& shape,
                         int scene, SheetCell& cell) {
    const QRectF full(0, 0, kLongSide, kShortSide);
    const QImage hard = MaskOf(kLongSide, kShortSide, [&] {
        QPainterPath path = shape(full);
        return path;
    }());
    // The soft edge is blurred at half size (it holds no detail) and brought back up.
    const QImage half =
        hard.scaled(kLongSide / 2, kShortSide / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage soft =
        Blurred(half, 40).scaled(kLongSide, kShortSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage scene1 = SceneImage(kThumb, kThumb * kShortSide / kLongSide, scene);
    const QImage alpha = soft.scaled(scene1.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage thumb = scene1;
    for (int y = 0; y < thumb.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(thumb.scanLine(y));
        const uchar* a = alpha.constScanLine(y);
        for (int x = 0; x < thumb.width(); ++x) {
            const int k = a[x];
            row[x] =
                qRgb((qRed(row[x]) * k + 255 * (255 - k)) / 255, (qGreen(row[x]) * k + 255 * (255 - k)) / 255,
                     (qBlue(row[x]) * k + 255 * (255 - k)) / 255);
        }
    }
    KeepKeyExact(thumb, kOutsideRgb, NewGrey(thumb.width(), thumb.height(), 0));
    FrameFiles files;
    files.Picture = WritePicture(out, folder, base, hard);
    files.Third = WritePicture(out, folder, base + QStringLiteral("_S"), soft);
    files.Thumb = WritePicture(out, folder, base + QStringLiteral("_T"), thumb);
    cell = {thumb, base + QStringLiteral(" ") + caption};
    return files;
}

QString FileLine(int index, const FrameFiles& f) {
    return QStringLiteral("File%1=%2,%3,%4").arg(index).arg(f.Thumb, f.Picture, f.Third);
}

} // namespace

std::vector<SheetCell> MakeFrames(const Output& out) {
    struct Genre {
        QString Name, Folder, Prefix;
        bool Alpha;
        int Count;
    };
    const std::vector<FrameDesign> simple = SimpleFrames();
    const std::vector<FrameDesign> season = SeasonFrames();
    const auto soft = SoftShapes();
    const std::vector<Genre> genres = {
        {"シンプル", "Simple", "FS", false, int(simple.size())},
        {"季節・イベント", "Season", "FE", false, int(season.size())},
        {"ぼかし", "Soft", "FA", true, int(soft.size())},
    };
    std::vector<SheetCell> cells(simple.size() + season.size() + soft.size());
    std::vector<FrameFiles> files(cells.size());
    std::vector<std::function<void()>> jobs;
    size_t slot = 0;
    for (size_t g = 0; g < genres.size(); ++g)
        for (int i = 0; i < genres[g].Count; ++i, ++slot) {
            const QString folder = QStringLiteral("Data/Frame/") + genres[g].Folder;
            const QString base = genres[g].Prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
            const int scene = int(slot) % kSceneCount;
            jobs.push_back([&, g, i, slot, folder, base, scene] {
                if (g == 0)
                    files[slot] = MakeOverlayFrame(out, folder, base, simple[size_t(i)], scene, cells[slot]);
                else if (g == 1)
                    files[slot] = MakeOverlayFrame(out, folder, base, season[size_t(i)], scene, cells[slot]);
                else
                    files[slot] = MakeSoftFrame(out, folder, base, soft[size_t(i)].first,
                                                soft[size_t(i)].second, scene, cells[slot]);
            });
        }
    RunAll(jobs);
    QStringList lines;
    slot = 0;
    for (const Genre& g : genres) {
        lines << QLatin1Char('[') + g.Name + QLatin1Char(']');
        lines << QStringLiteral("Folder=Data\\Frame\\") + g.Folder;
        lines << QStringLiteral("AlphaFrame=%1").arg(g.Alpha ? 1 : 0);
        for (int i = 0; i < g.Count; ++i)
            lines << FileLine(i + 1, files[slot++]);
        lines << QString();
    }
    WriteCatalogue(out, QStringLiteral("Data/Frame/Frame.dat"), lines);
    return cells;
}

// ---- figures

std::vector<SheetCell> MakeFigures(const Output& out) {
    constexpr int kSize = kShortSide;
    constexpr double kBlur = 48;
    struct Figure {
        QString Caption;
        std::function<QPainterPath(const QRectF&)> Shape;
    };
    const std::vector<Figure> basic = {
        {"円", [](const QRectF& r) { return Ellipse(r); }},
        {"角丸四角", [](const QRectF& r) { return RectPath(r, r.width() * 0.16); }},
        {"星", [](const QRectF& r) { return Star(r, 5, 0.48); }},
        {"ハート", [](const QRectF& r) { return Heart(r); }},
        {"ひし形", [](const QRectF& r) { return Diamond(r); }},
    };
    const std::vector<Figure> decor = {
        {"花", [](const QRectF& r) { return Flower(r, 6, 0.7); }},
        {"雲", [](const QRectF& r) { return Cloud(r); }},
        {"吹き出し", [](const QRectF& r) { return SpeechBubble(r); }},
        {"クローバー", [](const QRectF& r) { return Clover(r); }},
        {"ちょう", [](const QRectF& r) { return Butterfly(r); }},
    };
    struct Genre {
        QString Name, Folder, Prefix;
        const std::vector<Figure>* Figures;
    };
    const std::vector<Genre> genres = {{"基本図形", "Basic", "GB", &basic},
                                       {"飾り図形", "Decor", "GD", &decor}};
    std::vector<SheetCell> cells(basic.size() + decor.size());
    std::vector<FrameFiles> files(cells.size());
    std::vector<std::function<void()>> jobs;
    size_t slot = 0;
    for (const Genre& g : genres)
        for (size_t i = 0; i < g.Figures->size(); ++i, ++slot) {
            const QString folder = QStringLiteral("Data/Figure/") + g.Folder;
            const QString base = g.Prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
            const Figure& figure = (*g.Figures)[i];
            jobs.push_back([&, slot, folder, base] {
                // A margin wider than the blur keeps the soft edge whole.
                const QRectF inner(kBlur * 1.6, kBlur * 1.6, kSize - kBlur * 3.2, kSize - kBlur * 3.2);
                QImage mask = NewGrey(kSize, kSize, 0);
                {
                    QPainter p(&mask);
                    Antialiased(p);
                    p.setPen(Qt::NoPen);
                    p.setBrush(Qt::white);
                    p.drawPath(figure.Shape(inner));
                }
                // The soft edge holds no detail: blurred at half size and brought back up.
                const QImage soft =
                    Blurred(Fit(mask, kSize / 2, kSize / 2), kBlur / 2)
                        .scaled(kSize, kSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                const QImage thumb = Fit(mask, 120, 120);
                files[slot].Thumb = WritePicture(out, folder, base + QStringLiteral("_T"), thumb);
                files[slot].Picture = WritePicture(out, folder, base, mask);
                files[slot].Third = WritePicture(out, folder, base + QStringLiteral("_B"), soft);
                cells[slot] = {soft, base + QStringLiteral(" ") + figure.Caption};
            });
        }
    RunAll(jobs);
    QStringList dat, ids;
    slot = 0;
    for (const Genre& g : genres) {
        dat << QLatin1Char('[') + g.Name + QLatin1Char(']');
        dat << QStringLiteral("Folder=Data\\Figure\\") + g.Folder;
        dat << QStringLiteral("AlphaFrame=0");
        ids << QStringLiteral("[Data\\Figure\\") + g.Folder + QLatin1Char(']');
        for (size_t i = 0; i < g.Figures->size(); ++i, ++slot) {
            dat << FileLine(int(i) + 1, files[slot]);
            const QString base = g.Prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
            ids << base + QStringLiteral("_T=") + base;
        }
        dat << QString();
        ids << QString();
    }
    WriteCatalogue(out, QStringLiteral("Data/Figure/Figure.dat"), dat);
    WriteCatalogue(out, QStringLiteral("Data/Figure/Figure.ids"), ids);
    return cells;
}

// ---- backgrounds

namespace {

// Draws paint at c and at its copies one tile away, so that the tile repeats without seams.
template <typename Paint>
void Wrapped(const QSizeF& tile, QPointF c, Paint paint) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            paint(c + QPointF(dx * tile.width(), dy * tile.height()));
}

QImage Tile(int index) {
    constexpr int kTile = 256;
    const QSizeF size(kTile, kTile);
    QImage image(kTile, kTile, QImage::Format_RGB32);
    QPainter p(&image);
    Antialiased(p);
    Random rnd(uint32_t(index) * 13 + 5);
    switch (index) {
    case 0: // polka dots
        image.fill(Rgb(0xfde2ea));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (const QPointF c : {QPointF(64, 64), QPointF(192, 192), QPointF(192, 64), QPointF(64, 192)})
            Wrapped(size, c + QPointF(c.y() > 100 ? 64 : 0, 0), [&](QPointF q) { p.drawEllipse(q, 26, 26); });
        break;
    case 1: // gingham
        image.fill(Qt::white);
        p.fillRect(QRectF(0, 0, 128, 256), QColor(100, 150, 220, 110));
        p.fillRect(QRectF(0, 0, 256, 128), QColor(100, 150, 220, 110));
        break;
    case 2: // diagonal stripes
        image.fill(Rgb(0xe0f5ec));
        p.setPen(QPen(Rgb(0xa8dcc4), 22));
        for (int k = -8; k <= 8; ++k)
            p.drawLine(QPointF(k * 64 - 256, 256 + 256), QPointF(k * 64 + 256 + 256, -256));
        break;
    case 3: // small flowers
        image.fill(Rgb(0xfff8dc));
        for (int i = 0; i < 6; ++i) {
            const QPointF c(rnd.Range(0, kTile), rnd.Range(0, kTile));
            Wrapped(size, c, [&](QPointF q) {
                FlowerBloom(p, QRectF(q.x() - 26, q.y() - 26, 52, 52), i % 2 ? Rgb(0xffcc80) : Rgb(0xffffff),
                            Rgb(0xffb300), 5);
            });
        }
        break;
    case 4: // hearts
        image.fill(Rgb(0xfff5ee));
        for (const QPointF c : {QPointF(64, 64), QPointF(192, 192)})
            Wrapped(size, c, [&](QPointF q) {
                Shiny(p, Heart(QRectF(q.x() - 40, q.y() - 36, 80, 72)), Rgb(0xf48fb1), 0);
            });
        break;
    case 5: // stars on navy
        image.fill(Rgb(0x1f2d5a));
        for (int i = 0; i < 7; ++i) {
            const QPointF c(rnd.Range(0, kTile), rnd.Range(0, kTile));
            const double s = rnd.Range(18, 44);
            Wrapped(size, c, [&](QPointF q) {
                Shiny(p, Star(QRectF(q.x() - s / 2, q.y() - s / 2, s, s), 5, 0.45), Rgb(0xffe082), 0);
            });
        }
        break;
    case 6: // clover
        image.fill(Rgb(0xe8f5e0));
        for (const QPointF c : {QPointF(64, 64), QPointF(192, 192)})
            Wrapped(size, c, [&](QPointF q) {
                Shiny(p, Clover(QRectF(q.x() - 40, q.y() - 40, 80, 80)), Rgb(0x8bc34a), 0);
            });
        break;
    default: // snowflakes
        image.fill(Rgb(0xdcedfa));
        for (const QPointF c : {QPointF(64, 80), QPointF(192, 208), QPointF(180, 60), QPointF(60, 200)})
            Wrapped(size, c, [&](QPointF q) { Snowflake(p, q, 30, Qt::white); });
        break;
    }
    return image;
}

QImage ShiftTile(int index) {
    // Tiles laid with every second row moved by half a tile.
    constexpr int kWidth = 200, kHeight = 160;
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&image);
    Antialiased(p);
    const QRectF cell(kWidth * 0.25, kHeight * 0.2, kWidth * 0.5, kHeight * 0.6);
    switch (index) {
    case 0:
        image.fill(Rgb(0xfff0f4));
        Shiny(p, Placed(SakuraPetal(QRectF(0, 0, 60, 84)), cell.center(), 25), Rgb(0xf8bbd0), 0);
        break;
    case 1:
        image.fill(Rgb(0xf1f8e9));
        Shiny(p, Placed(Leaf(QRectF(0, 0, 50, 96)), cell.center(), 35), Rgb(0x9ccc65), 0);
        break;
    case 2:
        image.fill(Rgb(0xfffde7));
        Balloon(p, cell.adjusted(10, -10, -10, 10), Rgb(0x4fc3f7));
        break;
    case 3:
        image.fill(Rgb(0xe0f7fa));
        Fish(p, cell, Rgb(0xff8a65));
        break;
    case 4:
        image.fill(Rgb(0xfbefdc));
        Shiny(p, Maple(cell.adjusted(10, 0, -10, 0)), Rgb(0xe65100), 0);
        break;
    default: // bricks: one brick and its mortar
        image.fill(Rgb(0xe8e2d8));
        p.setPen(Qt::NoPen);
        p.setBrush(Rgb(0xc8775a));
        p.drawRoundedRect(QRectF(6, 6, kWidth - 12, kHeight - 12), 10, 10);
        break;
    }
    return image;
}

QImage Gradation(int index) {
    struct Spec {
        std::vector<unsigned> Colors; // 0xRRGGBB
        rgGradationKind Kind;
        int Angle;
    };
    static const Spec specs[] = {
        {{0x7ec8f0, 0xffffff}, rgkSimple, 0},
        {{0xffc1d6, 0xffe8c8}, rgkSimple, 270},
        {{0xfff59d, 0xffb74d}, rgkCircleToCenter, 0},
        {{0xc8f0e0, 0x4db6ac}, rgkBoxToRim, 0},
        {{0xd1c4e9, 0xbbdefb, 0xffffff}, rgkSimple, 315},
        {{0xffcdd2, 0xfff9c4, 0xc8e6c9, 0xbbdefb, 0xe1bee7}, rgkConeClockwise, 0},
        {{0xffffff, 0xf8bbd0}, rgkCircleToRim, 0},
        {{0x283593, 0xef6c00, 0xffe082}, rgkSimple, 0},
    };
    const Spec& s = specs[index];
    std::vector<TColor> colors;
    for (unsigned c : s.Colors)
        colors.push_back(TColor(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF)));
    TBitmap bitmap(kGradSize, kGradSize, pf24bit);
    // Every gradation is painted through one shared template: one at a time.
    static std::mutex templateLock;
    std::lock_guard lock(templateLock);
    DrawGradation(bitmap.Canvas(), TRect(0, 0, kGradSize, kGradSize), colors.data(), int(colors.size()),
                  s.Kind, s.Angle, false);
    // The gradation's own template, drawn smooth at the size a face is painted from.
    return bitmap.Pixels()
        .ToImage()
        .convertToFormat(QImage::Format_RGB32)
        .scaled(640, 452, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

std::vector<SheetCell> MakeBackgrounds(const Output& out) {
    struct Sub {
        QString Caption, Folder, Prefix;
        bool Tile, Shift;
        int Count;
        std::function<QImage(int)> Draw;
    };
    const std::vector<Sub> subs = {
        {"タイル", "Tile", "T", true, false, 8, Tile},
        {"ずらしタイル", "Shift", "S", true, true, 6, ShiftTile},
        {"風景", "Picture", "P", false, false, kSceneCount, [](int i) { return SceneImage(1024, 724, i); }},
        {"グラデーション", "Gradation", "G", false, false, 8, Gradation},
    };
    size_t total = 0;
    for (const Sub& s : subs)
        total += size_t(s.Count);
    std::vector<SheetCell> cells(total);
    std::vector<std::function<void()>> jobs;
    size_t slot = 0;
    for (const Sub& s : subs)
        for (int i = 0; i < s.Count; ++i, ++slot)
            jobs.push_back([&, slot, i] {
                const QString base = s.Prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
                const QImage picture = s.Draw(i);
                WritePicture(out, QStringLiteral("Data/BackGrnd/") + s.Folder, base, picture);
                QImage shown = picture;
                if (s.Tile) {
                    // The sheet shows a tiled patch, as a face would.
                    shown = QImage(picture.width() * 2, picture.height() * 2, QImage::Format_RGB32);
                    QPainter p(&shown);
                    for (int y = 0; y < 2; ++y)
                        for (int x = -1; x < 2; ++x)
                            p.drawImage(x * picture.width() + (s.Shift && y % 2 ? picture.width() / 2 : 0),
                                        y * picture.height(), picture);
                }
                cells[slot] = {shown, QString()};
            });
    RunAll(jobs);

    QStringList dat = {QStringLiteral("[Standard,用紙柄]"), QStringLiteral("Caption=用紙柄"),
                       QStringLiteral("Genre=Data\\BackGrnd")};
    QStringList ids;
    slot = 0;
    for (size_t k = 0; k < subs.size(); ++k) {
        const Sub& s = subs[k];
        dat << QStringLiteral("SubGenre%1=%2,Data\\BackGrnd\\%3,%4,%5")
                   .arg(k + 1)
                   .arg(s.Caption, s.Folder)
                   .arg(s.Tile ? 1 : 0)
                   .arg(s.Shift ? 1 : 0);
        ids << QStringLiteral("[Data\\BackGrnd\\") + s.Folder + QLatin1Char(']');
        if (s.Prefix == QLatin1String("G")) {
            // Numbered files take their IDs from one rule.
            ids << QStringLiteral("ShortStyleDefine=G%s,2,1,%1,BG%s,2,1").arg(s.Count);
            for (int i = 0; i < s.Count; ++i)
                cells[slot++].Caption = QStringLiteral("BG%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        } else {
            for (int i = 0; i < s.Count; ++i) {
                const QString base = s.Prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
                const QString id =
                    QStringLiteral("B") + s.Prefix + QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0'));
                ids << base + QLatin1Char('=') + id;
                cells[slot++].Caption = id;
            }
        }
        ids << QString();
    }
    WriteCatalogue(out, QStringLiteral("Data/BackGrnd/BackGrnd.dat"), dat);
    WriteCatalogue(out, QStringLiteral("Data/BackGrnd/BackGrnd.ids"), ids);
    return cells;
}

// ---- illustrations

namespace {

QImage OnePoint(int index) {
    constexpr int kSize = 400;
    QImage drawing(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    drawing.fill(Qt::transparent);
    QPainter p(&drawing);
    Antialiased(p);
    const QRectF r(20, 20, kSize - 40, kSize - 40);
    if (index < kMotifCount) {
        Motif(p, index, r, index);
    } else {
        // A bouquet of three hearts.
        Shiny(p, Heart(QRectF(40, 150, 170, 150)), Rgb(0xf06292), 4);
        Shiny(p, Heart(QRectF(190, 150, 170, 150)), Rgb(0xba68c8), 4);
        Shiny(p, Heart(QRectF(110, 30, 180, 160)), Rgb(0xe57373), 4);
    }
    p.end();
    return FlattenOnKey(drawing, kWindowRgb);
}

QImage Panel(int index) {
    constexpr int kWidth = 720, kHeight = 480;
    QImage drawing(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    drawing.fill(Qt::transparent);
    QPainter p(&drawing);
    Antialiased(p);
    const QRectF outer(12, 12, kWidth - 24, kHeight - 24);
    QPainterPath plate = RectPath(outer, 36);
    if (index < kSceneCount) {
        // A scene in a white-edged card with a motif in the corner.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 40));
        p.drawPath(RectPath(outer.translated(6, 8), 36));
        p.setBrush(Qt::white);
        p.drawPath(plate);
        p.save();
        const QRectF inner = outer.adjusted(18, 18, -18, -18);
        p.setClipPath(RectPath(inner, 22));
        Scene(p, inner, index);
        p.restore();
        static const int corner[] = {3, 9, 5, 7, 1, 2, 18, 20};
        Motif(p, corner[index], QRectF(outer.right() - 150, outer.bottom() - 150, 130, 130), index);
    } else {
        // Message plates: a pastel plate with a stitched border and motifs at two corners.
        static const uint32_t fills[] = {0xfff3c4, 0xe1f5fe, 0xfce4ec, 0xe8f5e9,
                                         0xf3e5f5, 0xfff0e0, 0xe0f2f1};
        static const int motifs[] = {0, 2, 22, 4, 23, 11, 12};
        const int k = index - kSceneCount;
        const QColor fill = Rgb(fills[k]);
        QPainterPath shape = k % 2 ? Scallops(outer.adjusted(10, 10, -10, -10), 16) : plate;
        p.setPen(QPen(Mix(fill, Qt::black, 0.25), 4));
        p.setBrush(fill);
        p.drawPath(shape);
        p.setPen(QPen(Mix(fill, Qt::black, 0.35), 4, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(outer.adjusted(36, 36, -36, -36), 20, 20);
        Motif(p, motifs[k], QRectF(outer.left() + 10, outer.top() + 10, 140, 140), k);
        Motif(p, motifs[k], QRectF(outer.right() - 150, outer.bottom() - 150, 140, 140), k + 3);
    }
    p.end();
    return FlattenOnKey(drawing, kWindowRgb);
}

} // namespace

std::vector<SheetCell> MakeIllustrations(const Output& out) {
    constexpr int kOnePoint = kMotifCount + 1;
    constexpr int kPanels = 15;
    std::vector<SheetCell> cells(kOnePoint + kPanels);
    std::vector<std::function<void()>> jobs;
    for (int i = 0; i < kOnePoint + kPanels; ++i)
        jobs.push_back([&, i] {
            const bool one = i < kOnePoint;
            const int n = one ? i : i - kOnePoint;
            const QString base = (one ? QStringLiteral("OP") : QStringLiteral("PN")) +
                                 QStringLiteral("%1").arg(n + 1, 2, 10, QLatin1Char('0'));
            const QImage picture = one ? OnePoint(n) : Panel(n);
            WritePicture(out,
                         one ? QStringLiteral("Data/Illust/OnePoint") : QStringLiteral("Data/Illust/Panel"),
                         base, picture);
            cells[size_t(i)] = {picture, base};
        });
    RunAll(jobs);
    WriteCatalogue(out, QStringLiteral("Data/Illust/Illust.dat"),
                   {QStringLiteral("[OnePoint]"), QStringLiteral("Name=イラスト"),
                    QStringLiteral("Dir=Data\\Illust\\OnePoint"), QString(), QStringLiteral("[Panel]"),
                    QStringLiteral("Name=パネル"), QStringLiteral("Dir=Data\\Illust\\Panel")});
    return cells;
}

namespace {

constexpr int kGlyphHeight = 96;
constexpr int kGlyphPad = 6;

struct GlyphStyle {
    const char* family;
    QColor top;
    QColor bottom;
    QColor edge;
    qreal edgeWidth;
    bool shadow;
};

// One letter filled with a vertical gradient, outlined, optionally with a soft offset shadow, on a
// transparent ground; as wide as the letter's advance.
QImage Glyph(char ch, const GlyphStyle& style) {
    QFont font(QString::fromLatin1(style.family));
    font.setPixelSize(kGlyphHeight * 3 / 4);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    const QFontMetricsF metrics(font);
    const QString text{QLatin1Char(ch)};
    const int width = int(std::ceil(metrics.horizontalAdvance(text))) + 2 * kGlyphPad;
    QImage image(width, kGlyphHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(QPointF(kGlyphPad, (kGlyphHeight + metrics.capHeight()) / 2.0), font, text);
    if (style.shadow) {
        painter.translate(3, 3);
        painter.fillPath(path, QColor(0, 0, 0, 90));
        painter.translate(-3, -3);
    }
    QLinearGradient fill(0, kGlyphHeight * 0.15, 0, kGlyphHeight * 0.85);
    fill.setColorAt(0, style.top);
    fill.setColorAt(1, style.bottom);
    painter.setPen(QPen(style.edge, style.edgeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill);
    painter.drawPath(path);
    painter.end();
    return image;
}

} // namespace

std::vector<SheetCell> MakeImageFonts(const Output& out) {
    static const GlyphStyle styles[] = {
        {"DejaVu Sans", QColor(255, 210, 60), QColor(230, 60, 30), QColor(90, 20, 10), 3.0, true},
        {"DejaVu Serif", QColor(150, 220, 255), QColor(20, 70, 170), QColor(255, 255, 255), 2.0, true},
        {"DejaVu Sans", QColor(170, 240, 120), QColor(30, 140, 60), QColor(20, 60, 30), 5.0, false},
    };
    constexpr int glyphs = kImageFontGlyphs;
    const int fonts = int(std::size(styles));
    std::vector<SheetCell> cells(size_t(fonts * glyphs));
    std::vector<std::function<void()>> jobs;
    for (int f = 0; f < fonts; ++f)
        jobs.push_back([&, f] {
            for (int g = 0; g < glyphs; ++g) {
                const QImage glyph = Glyph(kImageFontAlphabet[g], styles[f]);
                // "F1-00" ... "F3-63": the folder sorted by name is font by font, letter by letter.
                const QString base = QStringLiteral("F%1-%2").arg(f + 1).arg(g, 2, 10, QLatin1Char('0'));
                WriteAlphaPng(out, QStringLiteral("Data/Font"), base, glyph);
                cells[size_t(f * glyphs + g)] = {glyph, base};
            }
        });
    RunAll(jobs);
    return cells;
}

std::vector<SheetCell> MakePhotos(const Output& out) {
    static const int scenes[] = {0, 1, 2, 3, 5, 7};
    std::vector<SheetCell> cells(std::size(scenes));
    std::vector<std::function<void()>> jobs;
    for (size_t i = 0; i < std::size(scenes); ++i)
        jobs.push_back([&, i] {
            const bool portrait = i % 3 == 2;
            const QImage photo = SceneImage(portrait ? 1200 : 1600, portrait ? 1600 : 1200, scenes[i]);
            const QString name =
                WriteJpeg(out, QStringLiteral("Sample/Photo"),
                          QStringLiteral("Sample%1").arg(i + 1, 2, 10, QLatin1Char('0')), photo, 88);
            cells[i] = {photo, name};
        });
    RunAll(jobs);
    return cells;
}

} // namespace Content
