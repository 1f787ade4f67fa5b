// The metafile player: a clip-art sized EMF of 5,000 small polygons and Béziers and 200 text runs
// played into 1000 x 1000 (beside QPainter drawing the same shapes directly, the figure it is held
// to), a 1,000-record file thumbnailed at 200 pixels, and a 20 MB EMF taken in (header checked,
// bytes kept).

#include "bench/BenchSupport.h"
#include "app/DMain.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/Metafile.h"
#include "platform/MetafilePlayer.h"
#include "platform/Picture.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace {

constexpr int kSide = 1000;

class Emf {
public:
    void Add(uint32_t type, std::initializer_list<int32_t> params) {
        QByteArray payload;
        for (const int32_t v : params)
            AppendLE32(payload, uint32_t(v));
        Raw(type, payload);
    }
    void Raw(uint32_t type, const QByteArray& payload) {
        AppendLE32(records_, type);
        AppendLE32(records_, uint32_t(8 + payload.size()));
        records_ += payload;
        ++count_;
    }
    // One reference pixel a millimetre; the frame is side x side pixels.
    QByteArray Bytes(int side) const {
        QByteArray h;
        AppendLE32(h, 1);
        AppendLE32(h, 88);
        for (const int v : {0, 0, side, side, 0, 0, side * 100, side * 100})
            AppendLE32(h, uint32_t(v));
        AppendLE32(h, 0x464D4520);
        AppendLE32(h, 0x10000);
        AppendLE32(h, uint32_t(88 + records_.size() + 20));
        AppendLE32(h, uint32_t(count_ + 2));
        AppendLE16(h, 8);
        AppendLE16(h, 0);
        for (const int v : {0, 0, 0, 100, 100, 100, 100})
            AppendLE32(h, uint32_t(v));
        QByteArray eof;
        for (const int v : {14, 20, 0, 16, 20})
            AppendLE32(eof, uint32_t(v));
        return h + records_ + eof;
    }

private:
    QByteArray records_;
    int count_ = 0;
};

struct Shape {
    bool bezier;
    std::vector<QPoint> points;
    QRgb color;
};

// Deterministic shapes of about 50 pixels spread over the picture.
std::vector<Shape> Shapes(int count, int side) {
    std::vector<Shape> shapes;
    uint32_t seed = 12345;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 8) % uint32_t(range));
    };
    for (int i = 0; i < count; ++i) {
        const int x = next(side - 50), y = next(side - 50);
        Shape s{i % 2 == 1, {}, qRgb(next(256), next(256), next(256))};
        if (s.bezier)
            s.points = {{x, y + 25}, {x + 10, y - 10}, {x + 40, y + 60}, {x + 50, y + 25}};
        else
            s.points = {{x, y}, {x + 50, y + 10}, {x + 40, y + 50}, {x + 5, y + 40}};
        shapes.push_back(std::move(s));
    }
    return shapes;
}

const QString kRun = QStringLiteral("写真ラベル Label 2026");

QByteArray ClipArt(int shapes, int texts, int side) {
    Emf emf;
    for (const Shape& s : Shapes(shapes, side)) {
        const int32_t color = int32_t(qRed(s.color) | (qGreen(s.color) << 8) | (qBlue(s.color) << 16));
        emf.Add(39, {1, 0, color, 0}); // CreateBrushIndirect into slot 1
        emf.Add(37, {1});
        QByteArray payload;
        for (int i = 0; i < 4; ++i)
            AppendLE32(payload, 0); // bounds
        AppendLE32(payload, uint32_t(s.points.size()));
        for (const QPoint& p : s.points) {
            AppendLE16(payload, uint16_t(int16_t(p.x())));
            AppendLE16(payload, uint16_t(int16_t(p.y())));
        }
        emf.Raw(s.bezier ? 85 : 86, payload); // PolyBezier16 / Polygon16
        emf.Add(40, {1});
    }
    // A font of 20 pixels, then the text runs.
    QByteArray font;
    AppendLE32(font, 2);
    for (const int v : {-20, 0, 0, 0, 400})
        AppendLE32(font, uint32_t(v));
    font += QByteArray("\0\0\0\x80\0\0\0\0", 8);
    const QString face = QStringLiteral("IPAGothic");
    QByteArray name(64, '\0');
    for (int i = 0; i < face.size(); ++i)
        name[i * 2] = char(face[i].unicode());
    emf.Raw(82, font + name);
    emf.Add(37, {2});
    for (int i = 0; i < texts; ++i) {
        QByteArray payload;
        for (const int v : {0, 0, -1, -1, 1})
            AppendLE32(payload, uint32_t(v));
        AppendLE32(payload, 0x3F800000); // 1.0f
        AppendLE32(payload, 0x3F800000);
        const int n = int(kRun.size());
        const int offString = 76;
        const int offDx = offString + ((n * 2 + 3) & ~3);
        for (const int v : {20 + (i % 4) * 240, 20 + (i / 4) * 19, n, offString, 0, 0, 0, -1, -1, offDx})
            AppendLE32(payload, uint32_t(v));
        for (const QChar c : kRun)
            AppendLE16(payload, c.unicode());
        while (payload.size() + 8 < offDx)
            payload.append('\0');
        for (int k = 0; k < n; ++k)
            AppendLE32(payload, 11);
        emf.Raw(84, payload);
    }
    return emf.Bytes(side);
}

void BM_PlayClipArt(benchmark::State& state) {
    StartOffscreenApplication();
    const QByteArray data = ClipArt(5000, 200, kSide);
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        TMetafilePlayer::Play(canvas, data, TRect(0, 0, kSide, kSide));
    }
    state.counters["bytes"] = double(data.size());
}
BENCHMARK(BM_PlayClipArt)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The same shapes and runs straight through QPainter, antialiased: the player is held to 1.5 times this.
void BM_QPainterSameShapes(benchmark::State& state) {
    StartOffscreenApplication();
    const std::vector<Shape> shapes = Shapes(5000, kSide);
    QImage image(kSide, kSide, QImage::Format_RGB32);
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(20);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        for (const Shape& s : shapes) {
            painter.setBrush(QColor(s.color));
            painter.setPen(Qt::black);
            if (s.bezier) {
                QPainterPath path(s.points[0]);
                path.cubicTo(s.points[1], s.points[2], s.points[3]);
                painter.drawPath(path);
            } else {
                painter.drawPolygon(s.points.data(), int(s.points.size()));
            }
        }
        painter.setFont(font);
        for (int i = 0; i < 200; ++i)
            painter.drawText(QPoint(20 + (i % 4) * 240, 40 + (i / 4) * 19), kRun);
    }
}
BENCHMARK(BM_QPainterSameShapes)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// A 1,000-record clip-art file (245 shapes of four records each and a few runs) drawn as a 200-pixel thumbnail.
void BM_ThumbnailOfClipArt(benchmark::State& state) {
    StartOffscreenApplication();
    TMetafile meta;
    meta.SetData(ClipArt(245, 8, kSide));
    QImage image(200, 200, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        canvas.StretchDraw(TRect(0, 0, 200, 200), meta);
    }
    ReportTarget(state, "ms", 10);
}
BENCHMARK(BM_ThumbnailOfClipArt)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// A 20 MB EMF taken in: the header is checked and the bytes kept, nothing is played.
void BM_Load20MegabyteEmf(benchmark::State& state) {
    StartOffscreenApplication();
    const QByteArray data = ClipArt(220000, 0, 30000);
    for (auto _ : state) {
        TMetafile meta;
        meta.SetData(data);
        benchmark::DoNotOptimize(meta.Width());
    }
    state.counters["MB"] = double(data.size()) / (1 << 20);
    ReportTarget(state, "ms", 5);
}
BENCHMARK(BM_Load20MegabyteEmf)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// 200 clip-art files (1,000 records each, every file different) made into the photo browser's
// thumbnails, as its loader does for a folder it has not seen (no thumbnail cache).
void BM_BrowserThumbnailsOf200Files(benchmark::State& state) {
    StartOffscreenApplication();
    QTemporaryDir folder;
    QStringList files;
    for (int i = 0; i < 200; ++i) {
        const QString name = folder.filePath(QStringLiteral("clip%1.emf").arg(i));
        QFile out(name);
        if (!out.open(QIODevice::WriteOnly))
            return state.SkipWithError("cannot write the clip-art files");
        out.write(ClipArt(245, 8, kSide - i));
        files << name;
    }
    int made = 0;
    for (auto _ : state) {
        made = 0;
        for (const QString& file : files) {
            TPicture picture;
            LoadPreviewImage(nullptr, file, picture);
            made += picture.Graphic() != nullptr && !picture.Graphic()->Empty();
        }
    }
    state.counters["thumbnails"] = made;
    ReportTarget(state, "ms", 3000);
}
BENCHMARK(BM_BrowserThumbnailsOf200Files)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
