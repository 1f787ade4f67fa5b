// Writes the data the program ships, drawn here from code so that two builds give equal bytes:
// the default shadow of album photos (AlbumShd.dat, an 8-bit grey bitmap) and the icon beside the
// program, and the program's bitmap resources (packed bitmaps, as resources hold them: no file
// header), which the build compiles into the program.
//   MakeAppData <output folder> <resource folder>

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kShadowSize = 256;
// The soft edge: from black at the border to white this far in.
constexpr int kShadowEdge = 40;

void PutLE16(QByteArray& bytes, int value) {
    const quint16 v = qToLittleEndian(quint16(value));
    bytes.append(reinterpret_cast<const char*>(&v), 2);
}

void PutLE32(QByteArray& bytes, qint64 value) {
    const quint32 v = qToLittleEndian(quint32(value));
    bytes.append(reinterpret_cast<const char*>(&v), 4);
}

// A bottom-up 8-bit bitmap file with a grey palette; pixels top-down, width x height.
QByteArray GreyBitmapFile(const QByteArray& pixels, int width, int height) {
    const int stride = (width + 3) & ~3;
    constexpr int kHeaders = 14 + 40 + 256 * 4;
    QByteArray bytes;
    bytes.append("BM");
    PutLE32(bytes, kHeaders + qint64(stride) * height);
    PutLE32(bytes, 0);
    PutLE32(bytes, kHeaders);
    PutLE32(bytes, 40);
    PutLE32(bytes, width);
    PutLE32(bytes, height);
    PutLE16(bytes, 1);
    PutLE16(bytes, 8);
    PutLE32(bytes, 0);
    PutLE32(bytes, qint64(stride) * height);
    PutLE32(bytes, 2835);
    PutLE32(bytes, 2835);
    PutLE32(bytes, 256);
    PutLE32(bytes, 0);
    for (int i = 0; i < 256; ++i) {
        const char grey = char(i);
        bytes.append(grey).append(grey).append(grey).append('\0');
    }
    for (int y = height - 1; y >= 0; --y) {
        bytes.append(pixels.mid(qsizetype(y) * width, width));
        bytes.append(QByteArray(stride - width, '\0'));
    }
    return bytes;
}

QByteArray ShadowPixels() {
    QByteArray pixels(kShadowSize * kShadowSize, '\0');
    for (int y = 0; y < kShadowSize; ++y)
        for (int x = 0; x < kShadowSize; ++x) {
            const int d = std::min({x, y, kShadowSize - 1 - x, kShadowSize - 1 - y});
            const double t = std::min(1.0, double(d) / kShadowEdge);
            // Smooth at both ends of the edge.
            const double s = t * t * (3 - 2 * t);
            pixels[y * kShadowSize + x] = char(int(s * 255 + 0.5));
        }
    return pixels;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// ---- resources

// Glyph backgrounds: the bottom-left pixel's colour is the see-through one.
const QColor kKey(255, 0, 255);
const QColor kInk(40, 56, 96);
const QColor kAccent(214, 110, 36);
const QColor kGreyInk(150, 150, 150);

using GlyphPainter = std::function<void(QPainter& p, const QRectF& r, const QColor& ink)>;

QImage NewImage(int width, int height, const QColor& fill) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

QPainter& Prepare(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    return p;
}

// Cells of glyphs in a row; each cell holds `states` copies side by side (up, then disabled grey).
QImage GlyphStrip(const std::vector<GlyphPainter>& glyphs, int size, int states) {
    QImage image = NewImage(int(glyphs.size()) * size * states, size, kKey);
    QPainter p(&image);
    Prepare(p);
    for (size_t i = 0; i < glyphs.size(); ++i)
        for (int s = 0; s < states; ++s) {
            const QRectF r((int(i) * states + s) * size, 0, size, size);
            p.save();
            glyphs[i](p, r.adjusted(size / 8.0, size / 8.0, -size / 8.0, -size / 8.0),
                      s == 0 ? kInk : kGreyInk);
            p.restore();
        }
    p.end();
    // Disabled cells: every colour but the see-through one turned to a light grey of its brightness.
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if ((x / size) % states == 0 || image.pixelColor(x, y) == kKey)
                continue;
            const int grey = 128 + qGray(image.pixel(x, y)) / 2;
            image.setPixelColor(x, y, QColor(grey, grey, grey));
        }
    return image;
}

void Pen(QPainter& p, const QColor& ink, double width) {
    p.setPen(QPen(ink, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
}

GlyphPainter Sheet() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.setBrush(Qt::white);
        p.drawRect(r.adjusted(r.width() / 6, 0, -r.width() / 6, 0));
        p.drawLine(QPointF(r.left() + r.width() / 3, r.top() + r.height() / 3),
                   QPointF(r.right() - r.width() / 3, r.top() + r.height() / 3));
    };
}

GlyphPainter Play() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        p.drawPolygon(
            QPolygonF({r.topLeft() + QPointF(r.width() / 5, 0), r.bottomLeft() + QPointF(r.width() / 5, 0),
                       QPointF(r.right(), r.center().y())}));
    };
}

GlyphPainter Pencil() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.setBrush(kAccent);
        const double w = r.width() / 5;
        p.drawPolygon(QPolygonF({QPointF(r.left(), r.bottom()), QPointF(r.left() + w, r.bottom() - 2 * w),
                                 QPointF(r.right() - w, r.top()), QPointF(r.right(), r.top() + w),
                                 QPointF(r.left() + 2 * w, r.bottom() - w)}));
    };
}

GlyphPainter Printer() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(r.left() + r.width() / 4, r.top(), r.width() / 2, r.height() / 3));
        p.setBrush(ink);
        p.drawRect(QRectF(r.left(), r.top() + r.height() / 3, r.width(), r.height() / 3));
        p.setBrush(Qt::white);
        p.drawRect(
            QRectF(r.left() + r.width() / 4, r.top() + 2 * r.height() / 3, r.width() / 2, r.height() / 3));
    };
}

GlyphPainter Disk() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.setBrush(ink);
        p.drawRect(r);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(r.left() + r.width() / 4, r.top(), r.width() / 2, r.height() / 3));
        p.drawRect(
            QRectF(r.left() + r.width() / 6, r.top() + r.height() / 2, 2 * r.width() / 3, r.height() / 2));
    };
}

// An open folder: its back with the tab, the front flap tipped forward.
GlyphPainter Folder() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        const double w = r.width(), h = r.height();
        p.setBrush(Qt::NoBrush);
        QPolygonF back;
        back << QPointF(r.left(), r.bottom()) << QPointF(r.left(), r.top() + h / 6)
             << QPointF(r.left() + w / 3, r.top() + h / 6) << QPointF(r.left() + w * 0.42, r.top() + h / 3)
             << QPointF(r.right() - w / 8, r.top() + h / 3) << QPointF(r.right() - w / 8, r.top() + h / 2);
        p.drawPolyline(back);
        p.setBrush(ink);
        QPolygonF flap;
        flap << QPointF(r.left(), r.bottom()) << QPointF(r.left() + w / 5, r.top() + h / 2)
             << QPointF(r.right(), r.top() + h / 2) << QPointF(r.right() - w / 5, r.bottom());
        p.drawPolygon(flap);
    };
}

GlyphPainter Door() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.drawRect(r.adjusted(0, 0, -r.width() / 2.5, 0));
        p.drawLine(QPointF(r.center().x() - r.width() / 8, r.center().y()),
                   QPointF(r.right(), r.center().y()));
        p.drawLine(QPointF(r.right() - r.width() / 5, r.center().y() - r.height() / 5),
                   QPointF(r.right(), r.center().y()));
        p.drawLine(QPointF(r.right() - r.width() / 5, r.center().y() + r.height() / 5),
                   QPointF(r.right(), r.center().y()));
    };
}

GlyphPainter Photo() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.setBrush(Qt::white);
        p.drawRect(r.adjusted(0, r.height() / 8, 0, -r.height() / 8));
        p.setBrush(ink);
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(r.left() + 2, r.bottom() - r.height() / 8 - 1),
                                 QPointF(r.left() + r.width() / 3, r.center().y()),
                                 QPointF(r.center().x(), r.bottom() - r.height() / 4),
                                 QPointF(r.right() - r.width() / 4, r.center().y() - r.height() / 8),
                                 QPointF(r.right() - 1, r.bottom() - r.height() / 8 - 1)}));
    };
}

GlyphPainter Letter(const QString& text) {
    return [text](QPainter& p, const QRectF& r, const QColor& ink) {
        QFont font(QStringLiteral("Liberation Serif"));
        font.setPixelSize(int(r.height() * 1.3));
        font.setBold(true);
        font.setHintingPreference(QFont::PreferNoHinting);
        p.setFont(font);
        p.setPen(ink);
        p.drawText(r.adjusted(-4, -4, 4, 4), Qt::AlignCenter, text);
    };
}

// A sheet upright or turned, its letter turned with it: the printer set-up's orientation pictures.
GlyphPainter OrientedSheet(bool landscape) {
    return [landscape](QPainter& p, const QRectF& r, const QColor& ink) {
        const double shortSide = r.width() * 0.62;
        const QSizeF size = landscape ? QSizeF(r.width(), shortSide) : QSizeF(shortSide, r.height());
        const QRectF sheet(r.center() - QPointF(size.width() / 2, size.height() / 2), size);
        const double fold = shortSide / 3;
        Pen(p, ink, 2);
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF({sheet.topLeft(), sheet.topRight() - QPointF(fold, 0),
                                 sheet.topRight() + QPointF(0, fold), sheet.bottomRight(), sheet.bottomLeft()}));
        p.drawPolyline(QPolygonF({sheet.topRight() - QPointF(fold, 0), sheet.topRight() + QPointF(-fold, fold),
                                  sheet.topRight() + QPointF(0, fold)}));
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(int(shortSide * 0.7));
        font.setBold(true);
        font.setHintingPreference(QFont::PreferNoHinting);
        p.setFont(font);
        p.setPen(kAccent);
        p.translate(sheet.center());
        if (landscape)
            p.rotate(-90);
        p.drawText(QRectF(-shortSide / 2, -shortSide / 2, shortSide, shortSide), Qt::AlignCenter,
                   QStringLiteral("A"));
    };
}

GlyphPainter Star() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const double a = -M_PI / 2 + i * M_PI / 5;
            const double radius = (i % 2 ? 0.4 : 1.0) * r.width() / 2;
            star << r.center() + QPointF(std::cos(a) * radius, std::sin(a) * radius);
        }
        p.setPen(QPen(ink, 1));
        p.setBrush(ink == kInk ? kAccent : kGreyInk);
        p.drawPolygon(star);
    };
}

GlyphPainter Shapes() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        p.setBrush(ink == kInk ? kAccent : Qt::white);
        p.drawEllipse(QRectF(r.left(), r.top(), r.width() * 0.6, r.height() * 0.6));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(r.left() + r.width() * 0.4, r.top() + r.height() * 0.4, r.width() * 0.6,
                          r.height() * 0.6));
    };
}

GlyphPainter Checker() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        p.setPen(Qt::NoPen);
        const double c = r.width() / 4;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                p.setBrush((x + y) % 2 ? ink : QColor(Qt::white));
                p.drawRect(QRectF(r.left() + x * c, r.top() + y * c, c, c));
            }
    };
}

GlyphPainter Bars(int count) {
    return [count](QPainter& p, const QRectF& r, const QColor& ink) {
        Pen(p, ink, 2);
        for (int i = 0; i < count; ++i) {
            const double y = r.top() + (i + 1) * r.height() / (count + 1);
            p.drawLine(QPointF(r.left(), y), QPointF(r.right() - (i % 2) * r.width() / 3, y));
        }
    };
}

// Step glyphs of the mode bar, in step order, then exit.
std::vector<GlyphPainter> StepGlyphs() {
    return {Play(), Sheet(), Pencil(), Printer(), Disk(), Door()};
}

// Command glyphs: 5 text, 6 illustration, 7 photo, 8 paper pattern, 14 figure; the rest general.
std::vector<GlyphPainter> CommandGlyphs() {
    return {Sheet(), Disk(),  Printer(), Pencil(), Bars(3), Letter(QStringLiteral("A")),
            Star(),  Photo(), Checker(), Bars(2),  Bars(4), Play(),
            Door(),  Bars(5), Shapes(),  Bars(1)};
}

QImage DialogPattern() {
    constexpr int kTile = 32;
    QImage image = NewImage(kTile, kTile, QColor(236, 233, 224));
    QPainter p(&image);
    p.setPen(QColor(226, 222, 210));
    for (int i = 0; i < kTile; i += 4)
        p.drawLine(i, 0, 0, i), p.drawLine(kTile - 1, i, i, kTile - 1);
    return image;
}

void DrawTitle(QPainter& p, const QRectF& r, int pixels) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(pixels);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255));
    p.drawText(r.translated(2, 2), Qt::AlignCenter, QStringLiteral("Quorlane"));
    p.setPen(kInk);
    p.drawText(r, Qt::AlignCenter, QStringLiteral("Quorlane"));
}

void DrawLabels(QPainter& p, const QRectF& area) {
    // A fan of label sheets and a round disc label: what the program designs.
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor colors[] = {QColor(250, 236, 200), QColor(210, 230, 245), QColor(225, 240, 215)};
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(area.center() + QPointF((i - 1) * area.width() / 5, 0));
        p.rotate((i - 1) * 12);
        p.setPen(QPen(kInk, 2));
        p.setBrush(colors[i]);
        const QRectF page(-area.height() * 0.3, -area.height() * 0.42, area.height() * 0.6,
                          area.height() * 0.84);
        p.drawRect(page);
        p.setBrush(Qt::white);
        for (int row = 0; row < 3; ++row)
            p.drawRoundedRect(QRectF(page.left() + 6, page.top() + 8 + row * page.height() / 3.2,
                                     page.width() - 12, page.height() / 4),
                              4, 4);
        p.restore();
    }
}

QImage Logo(int width, int height) {
    QImage image = NewImage(width, height, QColor(248, 246, 240));
    QPainter p(&image);
    QLinearGradient band(0, 0, 0, height);
    band.setColorAt(0, QColor(255, 255, 255));
    band.setColorAt(1, QColor(222, 228, 240));
    p.fillRect(image.rect(), band);
    DrawLabels(p, QRectF(width * 0.02, height * 0.05, height * 1.6, height * 0.9));
    DrawTitle(p, QRectF(height * 1.4, 0, width - height * 1.4, height * 0.7), height / 3);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(height / 8);
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRectF(height * 1.4, height * 0.6, width - height * 1.4, height * 0.3), Qt::AlignCenter,
               QStringLiteral("ラベルとアルバムのデザイン"));
    return image;
}

QImage About() {
    constexpr int kWidth = 400;
    constexpr int kHeight = 300;
    QImage image = NewImage(kWidth, kHeight, Qt::white);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(40, 56, 96));
    sky.setColorAt(1, QColor(120, 150, 200));
    p.fillRect(image.rect(), sky);
    DrawLabels(p, QRectF(100, 110, 200, 170));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(48);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 20, kWidth, 70), Qt::AlignCenter, QStringLiteral("Quorlane"));
    return image;
}

// A big button's faces side by side: up, down, disabled, hot.
QImage ButtonFaces(const std::vector<std::pair<QString, GlyphPainter>>& buttons) {
    constexpr int kWidth = 200;
    constexpr int kHeight = 64;
    const QColor faces[] = {QColor(244, 242, 236), QColor(214, 210, 200), QColor(236, 236, 236),
                            QColor(255, 248, 228)};
    // Around the rounded faces: the window colour the buttons stand on.
    QImage image = NewImage(kWidth * 4 * int(buttons.size()), kHeight, QColor(239, 239, 239));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(20);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    for (size_t b = 0; b < buttons.size(); ++b)
        for (int state = 0; state < 4; ++state) {
            const QRectF cell((int(b) * 4 + state) * kWidth, 0, kWidth, kHeight);
            const double shift = state == 1 ? 2 : 0;
            p.setPen(QPen(state == 2 ? kGreyInk : kInk, 2));
            p.setBrush(faces[state]);
            // Within its cell also when pushed, so no face shows an edge of its neighbour.
            p.drawRoundedRect(cell.adjusted(3 + shift, 3 + shift, -4 + shift, -4 + shift), 10, 10);
            const QColor ink = state == 2 ? kGreyInk : kInk;
            buttons[b].second(p, QRectF(cell.left() + 14 + shift, cell.top() + 14 + shift, 36, 36), ink);
            p.setPen(ink);
            p.drawText(cell.adjusted(56 + shift, shift, shift, shift), Qt::AlignVCenter | Qt::AlignLeft,
                       buttons[b].first);
        }
    return image;
}

// Paper genre icons, 32 x 32 cells in two columns (as listed, then selected) and six rows: any paper,
// recently used, album, standard sizes, photo paper, user-defined. Each cell carries its own
// background, the list's white or its selection colour, so the cells are drawn as they are.
QImage GenreIcons() {
    constexpr int kCell = 32;
    constexpr int kRows = 6;
    const QColor selected(0x31, 0x6A, 0xC5);
    QImage image = NewImage(2 * kCell, kRows * kCell, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int column = 0; column < 2; ++column) {
        const bool marked = column == 1;
        const QColor ink = marked ? QColor(Qt::white) : kInk;
        for (int row = 0; row < kRows; ++row) {
            const QRectF cell(column * kCell, row * kCell, kCell, kCell);
            p.fillRect(cell, marked ? selected : QColor(Qt::white));
            // A portrait sheet in the cell's middle, drawn by every icon but the album's.
            const QRectF sheet(cell.left() + 7, cell.top() + 3, 18, 26);
            const auto drawSheet = [&] {
                p.setPen(QPen(ink, 1.5));
                p.setBrush(Qt::white);
                p.drawRect(sheet);
            };
            switch (row) {
            case 0:
                drawSheet();
                Bars(3)(p, sheet.adjusted(3, 3, -3, -3), kInk);
                break;
            case 1:
                drawSheet();
                Bars(2)(p, sheet.adjusted(3, 2, -3, -12), kInk);
                Star()(p, QRectF(cell.left() + 14, cell.top() + 14, 16, 16), kInk);
                break;
            case 2: {
                // An open album: two pages, a photo on each.
                p.setPen(QPen(ink, 1.5));
                p.setBrush(Qt::white);
                const QRectF left(cell.left() + 2, cell.top() + 7, 14, 19);
                const QRectF right(cell.left() + 16, cell.top() + 7, 14, 19);
                p.drawRect(left);
                p.drawRect(right);
                p.setPen(Qt::NoPen);
                p.setBrush(kAccent);
                p.drawRect(left.adjusted(3, 3, -3, -8));
                p.drawRect(right.adjusted(3, 8, -3, -3));
                break;
            }
            case 3:
                // A label sheet of 2 x 4 faces.
                drawSheet();
                p.setPen(QPen(kInk, 1));
                p.setBrush(QColor(226, 232, 244));
                for (int y = 0; y < 4; ++y)
                    for (int x = 0; x < 2; ++x)
                        p.drawRect(QRectF(sheet.left() + 2.5 + x * 7, sheet.top() + 2.5 + y * 5.5, 6, 4.5));
                break;
            case 4:
                Photo()(p, cell.adjusted(3, 3, -3, -3), kInk);
                break;
            default:
                drawSheet();
                Pencil()(p, QRectF(cell.left() + 13, cell.top() + 11, 17, 17), kInk);
                break;
            }
        }
    }
    return image;
}

// The glyph of the button that goes on to the editor: a written sheet and an arrow.
GlyphPainter ToEdit() {
    return [](QPainter& p, const QRectF& r, const QColor& ink) {
        const double w = r.width();
        const QRectF sheet(r.left(), r.top(), w * 0.55, r.height());
        Pen(p, ink, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(sheet);
        Bars(3)(p, sheet.adjusted(w * 0.1, w * 0.1, -w * 0.1, -w * 0.1), ink);
        const double y = r.center().y();
        p.setPen(Qt::NoPen);
        p.setBrush(ink == kInk ? kAccent : kGreyInk);
        p.drawPolygon(
            QPolygonF({QPointF(r.left() + w * 0.6, y - w * 0.1), QPointF(r.left() + w * 0.75, y - w * 0.1),
                       QPointF(r.left() + w * 0.75, y - w * 0.3), QPointF(r.right() + 2, y),
                       QPointF(r.left() + w * 0.75, y + w * 0.3), QPointF(r.left() + w * 0.75, y + w * 0.1),
                       QPointF(r.left() + w * 0.6, y + w * 0.1)}));
    };
}

// The paper wizard's layout buttons, 64 pixels, four faces each: up, disabled, down (pressed in, on
// the accent's light tint), hot. A sheet with a grid of equal frames, or with frames of many sizes.
QImage PaperLayoutButton(bool grid) {
    constexpr int kSize = 64;
    QImage image = NewImage(kSize * 4, kSize, kKey);
    QPainter p(&image);
    Prepare(p);
    for (int state = 0; state < 4; ++state) {
        const QRectF cell(state * kSize, 0, kSize, kSize);
        const QColor ink = state == 1 ? kGreyInk : kInk;
        if (state == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(250, 226, 204));
            p.drawRect(cell.adjusted(1, 1, -1, -1));
        }
        const QRectF sheet = cell.adjusted(14, 6, -14, -6).translated(state == 2 ? 1 : 0, state == 2 ? 1 : 0);
        Pen(p, ink, state == 3 ? 2.0 : 1.5);
        p.setBrush(Qt::white);
        p.drawRect(sheet);
        p.setBrush(Qt::NoBrush);
        Pen(p, state == 1 ? kGreyInk : kAccent, 1.5);
        if (grid) {
            const double w = (sheet.width() - 12) / 2;
            const double h = (sheet.height() - 16) / 3;
            for (int row = 0; row < 3; ++row)
                for (int col = 0; col < 2; ++col)
                    p.drawRect(QRectF(sheet.left() + 4 + col * (w + 4), sheet.top() + 4 + row * (h + 4), w, h));
        } else {
            const double l = sheet.left();
            const double t = sheet.top();
            p.drawRect(QRectF(l + 4, t + 4, 22, 14));
            p.drawEllipse(QRectF(l + 8, t + 22, 18, 18));
            p.drawRect(QRectF(l + 6, t + 42, 12, 8));
        }
    }
    return image;
}

// The printed date glyphs, "0123456789-/' " in a row.
QImage DateGlyphs() {
    const QString chars = QStringLiteral("0123456789-/' ");
    constexpr int kWidth = 16;
    constexpr int kHeight = 24;
    QImage image = NewImage(kWidth * int(chars.size()), kHeight, Qt::white);
    QPainter p(&image);
    QFont font(QStringLiteral("Liberation Mono"));
    font.setPixelSize(22);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    p.setPen(kAccent);
    for (int i = 0; i < chars.size(); ++i)
        p.drawText(QRectF(i * kWidth, 0, kWidth, kHeight), Qt::AlignCenter, chars.mid(i, 1));
    return image;
}

// The page strip's icons, 3 x 2 cells: a page, the chosen page, a page not available; the top row
// for back-side pages (folded at the left), the bottom row for front-side ones (at the right).
QImage PageIcons() {
    constexpr int kWidth = 28;
    constexpr int kHeight = 36;
    constexpr double kFold = 8;
    QImage image = NewImage(3 * kWidth, 2 * kHeight, kKey);
    QPainter p(&image);
    Prepare(p);
    const QColor fills[] = {Qt::white, kInk, QColor(224, 224, 224)};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) {
            const QRectF r(col * kWidth + 3.5, row * kHeight + 3.5, kWidth - 7, kHeight - 7);
            const bool foldLeft = row == 0;
            const double fx = foldLeft ? r.left() + kFold : r.right() - kFold;
            const double cx = foldLeft ? r.left() : r.right();
            const double ox = foldLeft ? r.right() : r.left();
            const QPolygonF page({QPointF(fx, r.top()), QPointF(ox, r.top()), QPointF(ox, r.bottom()),
                                  QPointF(cx, r.bottom()), QPointF(cx, r.top() + kFold)});
            Pen(p, col == 2 ? kGreyInk : kInk, 1);
            p.setBrush(fills[col]);
            p.drawPolygon(page);
            p.setBrush(col == 1 ? kAccent : QColor(200, 208, 224));
            p.drawPolygon(QPolygonF(
                {QPointF(fx, r.top()), QPointF(fx, r.top() + kFold), QPointF(cx, r.top() + kFold)}));
        }
    return image;
}

// The adjustment window's correction buttons, two 16-pixel cells: a box left empty (no correction)
// and the same box ticked.
QImage CheckBoxes() {
    constexpr int kSize = 16;
    QImage image = NewImage(2 * kSize, kSize, kKey);
    QPainter p(&image);
    for (int cell = 0; cell < 2; ++cell) {
        const QRectF box(cell * kSize + 1.5, 1.5, kSize - 3, kSize - 3);
        Prepare(p);
        Pen(p, kInk, 1);
        p.setBrush(Qt::white);
        p.drawRect(box);
        if (cell == 1) {
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setPen(QPen(kAccent, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({QPointF(box.left() + 2.5, box.center().y()),
                                      QPointF(box.left() + 5.5, box.bottom() - 3),
                                      QPointF(box.right() - 2.5, box.top() + 2.5)}));
        }
    }
    return image;
}

// The mark beside the Exif Print correction: the two words set in a rounded frame, "Exif" on the
// accent, "Print" on white.
QImage ExifPrintMark() {
    constexpr int kWidth = 96;
    constexpr int kHeight = 24;
    QImage image = NewImage(kWidth, kHeight, kKey);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF frame(0.5, 0.5, kWidth - 1, kHeight - 1);
    QPainterPath outline;
    outline.addRoundedRect(frame, 5, 5);
    p.fillPath(outline, Qt::white);
    QPainterPath left;
    left.addRect(QRectF(0, 0, 42, kHeight));
    p.fillPath(outline.intersected(left), kAccent);
    p.setPen(QPen(kInk, 1));
    p.drawPath(outline);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(15);
    font.setBold(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 42, kHeight), Qt::AlignCenter, QStringLiteral("Exif"));
    p.setPen(kInk);
    p.drawText(QRectF(42, 0, kWidth - 42, kHeight), Qt::AlignCenter, QStringLiteral("Print"));
    p.end();
    // The rounded corners outside the frame stay see-through.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (!outline.contains(QPointF(x + 0.5, y + 0.5)) && image.pixelColor(x, y) != kInk)
                image.setPixelColor(x, y, kKey);
    return image;
}

QImage Icon() {
    constexpr int kSize = 128;
    QImage image(kSize, kSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(kInk, 4));
    p.setBrush(QColor(250, 236, 200));
    p.drawRoundedRect(QRectF(12, 6, 104, 116), 10, 10);
    p.setBrush(Qt::white);
    for (int row = 0; row < 3; ++row)
        p.drawRoundedRect(QRectF(24, 18 + row * 34, 80, 26), 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    p.drawEllipse(QRectF(70, 70, 44, 44));
    return image;
}

// The packed bitmap of an image: a bitmap file without its 14-byte file header.
QByteArray PackedBitmap(const QImage& image) {
    QByteArray file;
    QBuffer buffer(&file);
    buffer.open(QIODevice::WriteOnly);
    image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP");
    constexpr int kFileHeader = 14;
    return file.mid(kFileHeader);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: MakeAppData <output folder> <resource folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString res = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    QDir().mkpath(res + QStringLiteral("/BITMAP"));
    if (!WriteFile(out + QStringLiteral("/AlbumShd.dat"),
                   GreyBitmapFile(ShadowPixels(), kShadowSize, kShadowSize)))
        return 1;
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        Icon().save(&buffer, "PNG");
    }
    if (!WriteFile(out + QStringLiteral("/quorlane.png"), png))
        return 1;

    const std::vector<std::pair<const char*, QImage>> resources = {
        {"ILCOMMANDON", GlyphStrip(CommandGlyphs(), 16, 1)},
        {"ILSTYLEON", GlyphStrip({Bars(1), Bars(2), Bars(3), Letter(QStringLiteral("B")),
                                  Letter(QStringLiteral("I")), Shapes(), Checker(), Star()},
                                 16, 1)},
        {"MIPMODEBAR", GlyphStrip(StepGlyphs(), 32, 2)},
        {"MIPCOMMAND", GlyphStrip(CommandGlyphs(), 24, 2)},
        {"IPDIALOGPATTERN", DialogPattern()},
        {"IPLOGOSTART", Logo(560, 160)},
        {"MIPNEW", ButtonFaces({{QStringLiteral("新規作成"), Sheet()}})},
        {"MIPOPENEXIT", ButtonFaces({{QStringLiteral("開く"), Folder()}, {QStringLiteral("終了"), Door()}})},
        {"MIPABOUT", About()},
        {"MIPDATEFONT", DateGlyphs()},
        {"PAPERGROUP", GenreIcons()},
        {"TOEDIT", GlyphStrip({ToEdit()}, 32, 2)},
        {"PAGEICON", PageIcons()},
        {"BTNMATRIXPAPER", PaperLayoutButton(true)},
        {"BTNFREEPAPER", PaperLayoutButton(false)},
        // The printer set-up: the printer, the upright and the turned sheet.
        {"PRINTERSETTING", GlyphStrip({Printer(), OrientedSheet(false), OrientedSheet(true)}, 32, 1)},
        {"CHECKBOX", CheckBoxes()},
        {"EXIFPRINT", ExifPrintMark()},
    };
    for (const auto& [name, image] : resources)
        if (!WriteFile(res + QStringLiteral("/BITMAP/") + QString::fromLatin1(name), PackedBitmap(image)))
            return 1;
    return 0;
}
