// The player against metafiles written by outside writers (tests/data/metafile, remade by
// tools/MakeMetafileCorpus), and the Windows metafiles against libwmf's own rendering.

#include "platform/Metafile.h"
#include "platform/MetafilePlayer.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QByteArray CorpusFile(const QString& name) {
    return TestSupport::ReadFile(TestSupport::SourcePath(QStringLiteral("tests/data/metafile/") + name));
}

QImage Played(const QByteArray& data, int width, int height, TMetafilePlayReport* report = nullptr) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    // As the metafile graphic plays it: from its drawing's frame where the header's misses it.
    QRectF frame;
    const bool drawn = TMetafilePlayer::DrawnFrame(data, frame);
    EXPECT_TRUE(TMetafilePlayer::Play(canvas, data, TRect(0, 0, width, height), report, drawn ? &frame : nullptr));
    return image;
}

bool Ink(QRgb c) {
    if (qAlpha(c) < 128)
        return false;
    return qRed(c) < 232 || qGreen(c) < 232 || qBlue(c) < 232;
}

bool Near(QRgb a, QRgb b, int levels) {
    return std::abs(qRed(a) - qRed(b)) <= levels && std::abs(qGreen(a) - qGreen(b)) <= levels &&
           std::abs(qBlue(a) - qBlue(b)) <= levels;
}

// Ink between columns [from, to) of rows [top, bottom).
bool InkIn(const QImage& image, int from, int to, int top, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = from; x < to; ++x)
            if (Ink(image.pixel(x, y)))
                return true;
    return false;
}

} // namespace

TEST(MetafileCorpus, OutsideWritersFilesPlayToTheEnd) {
    const QStringList files = QDir(TestSupport::SourcePath(QStringLiteral("tests/data/metafile")))
                                  .entryList({QStringLiteral("*.emf"), QStringLiteral("*.wmf")}, QDir::Files);
    ASSERT_GE(files.size(), 6);
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray data = CorpusFile(name);
        TMetafile meta;
        meta.SetData(data);
        EXPECT_EQ(meta.Kind(), name.endsWith(QLatin1String(".emf")) ? TMetafile::mkEnhanced : TMetafile::mkPlaceable);
        EXPECT_GT(meta.Width(), 0);
        TMetafilePlayReport report;
        const QImage image = Played(data, 400, 300, &report);
        if (qEnvironmentVariableIsSet("METAFILE_CORPUS_SAVE"))
            image.save(QString::fromLocal8Bit(qgetenv("METAFILE_CORPUS_SAVE")) + QLatin1Char('/') + name + ".png");
        EXPECT_FALSE(report.Stopped);
        EXPECT_EQ(report.Skipped, 0);
        int ink = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink += Ink(image.pixel(x, y));
        EXPECT_GT(ink, 400 * 300 / 50);
    }
}

TEST(MetafileCorpus, BitmapsClipsAndWorldTransformsLandWhereTheWriterPutThem) {
    // Run-length rows: the bottom half starts red, the top half green; the JPEG is red then blue.
    QImage image = Played(CorpusFile(QStringLiteral("uemf_bitmaps.emf")), 400, 300);
    EXPECT_TRUE(Near(image.pixel(20, 40), qRgb(30, 160, 40), 8));
    EXPECT_TRUE(Near(image.pixel(20, 110), qRgb(220, 30, 30), 8));
    EXPECT_TRUE(Near(image.pixel(250, 75), qRgb(200, 40, 40), 16));
    EXPECT_TRUE(Near(image.pixel(350, 75), qRgb(40, 40, 200), 16));

    // The red square is cut to its clip rectangle; the turned green square sits about (300, 60).
    image = Played(CorpusFile(QStringLiteral("uemf_state.emf")), 400, 300);
    EXPECT_TRUE(Near(image.pixel(100, 75), qRgb(200, 30, 30), 0));
    EXPECT_FALSE(Ink(image.pixel(210, 75)));
    EXPECT_TRUE(Near(image.pixel(300, 60), qRgb(30, 150, 40), 0));
    EXPECT_FALSE(Ink(image.pixel(345, 60))); // beyond the turned square's corner at 40 units
    // The pattern brush tiles its two colours (orange and near white, two pixels a cell).
    bool orange = false, pale = false;
    for (int x = 300; x < 308; ++x) {
        orange = orange || Near(image.pixel(x, 230), qRgb(240, 140, 30), 0);
        pale = pale || Near(image.pixel(x, 230), qRgb(250, 250, 250), 0);
    }
    EXPECT_TRUE(orange && pale);
    // The hatch stays inside the two clip rectangles.
    EXPECT_TRUE(InkIn(image, 10, 110, 170, 290));
    EXPECT_FALSE(InkIn(image, 115, 125, 240, 290));

    // libEMF's file: its window mapped onto its frame.
    image = Played(CorpusFile(QStringLiteral("libemf_gdi.emf")), 400, 300);
    EXPECT_TRUE(Near(image.pixel(100, 75), qRgb(210, 30, 30), 0));
    EXPECT_TRUE(Near(image.pixel(300, 75), qRgb(30, 60, 210), 0));
    EXPECT_TRUE(Near(image.pixel(100, 250), qRgb(240, 200, 20), 0));

    // The opaque box behind the second text line.
    image = Played(CorpusFile(QStringLiteral("uemf_text.emf")), 400, 300);
    EXPECT_TRUE(Near(image.pixel(385, 155), qRgb(250, 230, 120), 0));
}

TEST(MetafileCorpus, TextKeepsTheWritersAdvancesAndReadsCp932) {
    // Two full-width characters 100 units apart (the advances are per byte: 50 each), drawn
    // 60 units high: ink under both characters and nothing past the second.
    const QImage image = Played(CorpusFile(QStringLiteral("uwmf_text.wmf")), 400, 300);
    EXPECT_TRUE(InkIn(image, 40, 100, 180, 250));
    EXPECT_TRUE(InkIn(image, 140, 200, 180, 250));
    EXPECT_FALSE(InkIn(image, 100, 140, 180, 250));
    EXPECT_FALSE(InkIn(image, 205, 400, 180, 250));
    // TextOut without advances: the two characters, each about as wide as high, and no more.
    EXPECT_TRUE(InkIn(image, 40, 160, 60, 125));
    EXPECT_FALSE(InkIn(image, 170, 255, 60, 125));

    // The Unicode run with advances wider than its glyphs: each character starts 50 units on.
    const QImage emf = Played(CorpusFile(QStringLiteral("uemf_text.emf")), 400, 300);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(InkIn(emf, 20 + i * 50, 20 + i * 50 + 42, 40, 90)) << i;
    EXPECT_FALSE(InkIn(emf, 320, 400, 40, 90));
}

TEST(MetafileCorpus, WindowsMetafilesAgreeWithLibwmf) {
    const QString wmf2gd = QStandardPaths::findExecutable(QStringLiteral("wmf2gd"));
    REQUIRE_CHECKER(!wmf2gd.isEmpty(), "wmf2gd (libwmf-bin)");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("reference.png"));
    const QString source = TestSupport::SourcePath(QStringLiteral("tests/data/metafile/uwmf_shapes.wmf"));
    ASSERT_EQ(QProcess::execute(wmf2gd, {QStringLiteral("-t"), QStringLiteral("png"), QStringLiteral("-o"), png,
                                         source}),
              0);
    const QImage reference = QImage(png).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(reference.isNull());
    const QImage ours = Played(CorpusFile(QStringLiteral("uwmf_shapes.wmf")), reference.width(), reference.height());
    if (qEnvironmentVariableIsSet("METAFILE_CORPUS_SAVE")) {
        ours.save(QString::fromLocal8Bit(qgetenv("METAFILE_CORPUS_SAVE")) + QStringLiteral("/ours.png"));
        reference.save(QString::fromLocal8Bit(qgetenv("METAFILE_CORPUS_SAVE")) + QStringLiteral("/ref.png"));
    }
    int agree = 0;
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x)
            agree += Ink(ours.pixel(x, y)) == Ink(reference.pixel(x, y));
    EXPECT_GE(agree, ours.width() * ours.height() * 97 / 100);
    // The rectangle's brush took the slot its deleted red predecessor left: green.
    EXPECT_TRUE(Near(ours.pixel(ours.width() / 4, ours.height() / 4), qRgb(30, 160, 40), 8));
    // Flat colours inside the shapes (the rectangle, the holed square, the triangle) and in the hole.
    for (const QPointF at : {QPointF(100, 75), QPointF(240, 75), QPointF(100, 250), QPointF(300, 75)}) {
        const int x = int(at.x() * ours.width() / 400);
        const int y = int(at.y() * ours.height() / 300);
        EXPECT_TRUE(Near(ours.pixel(x, y), reference.pixel(x, y), 8)) << x << "," << y;
    }
}

TEST(MetafileCorpus, MetaRegionsBoundMovedClipsAndShearedTextLeans) {
    const QImage image = Played(CorpusFile(QStringLiteral("uemf_regions.emf")), 400, 300);
    const QRgb red = qRgb(200, 30, 30), blue = qRgb(30, 60, 200), green = qRgb(30, 150, 40);
    // The clip moved 100 units right (from 0..120 to 100..220), cut by the meta region 10..190.
    EXPECT_TRUE(Near(image.pixel(150, 75), red, 0));
    EXPECT_FALSE(Ink(image.pixel(97, 75)));
    EXPECT_FALSE(Ink(image.pixel(195, 75)));
    EXPECT_FALSE(Ink(image.pixel(150, 145)));
    // A reset clips to the meta region, not to the whole target.
    EXPECT_TRUE(Near(image.pixel(50, 75), blue, 0));
    EXPECT_FALSE(Ink(image.pixel(5, 75)));
    // RestoreDC took the meta region away again.
    EXPECT_TRUE(Near(image.pixel(300, 75), green, 0));

    // Upright strokes sheared by x' = x - y/2 lean forward by half their height: ink 35 pixels
    // higher sits about 17.5 pixels further right.
    const auto meanX = [&](int top, int bottom) {
        double sum = 0;
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < image.width(); ++x)
                if (Ink(image.pixel(x, y)))
                    sum += x, ++count;
        return count > 0 ? sum / count : 0.0;
    };
    ASSERT_TRUE(InkIn(image, 0, 400, 220, 230));
    ASSERT_TRUE(InkIn(image, 0, 400, 255, 265));
    EXPECT_NEAR(meanX(220, 230) - meanX(255, 265), 17.5, 3);
}
