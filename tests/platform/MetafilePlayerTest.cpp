// The metafile player against small metafiles built here record by record, so each case states
// exactly what the records say and which pixels must follow.

#include "platform/MetafilePlayer.h"
#include "platform/ByteOrder.h"
#include "platform/Cp932.h"
#include "platform/Metafile.h"
#include "platform/Stream.h"

#include <QImage>
#include <sys/resource.h>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <initializer_list>

namespace {

// An EMF whose reference device has one pixel a millimetre, so a frame of w x h hundredths of a
// millimetre is w/100 x h/100 reference pixels.
class Emf {
public:
    Emf& Add(uint32_t type, std::initializer_list<int32_t> params) {
        QByteArray payload;
        for (const int32_t v : params)
            AppendLE32(payload, uint32_t(v));
        return Raw(type, payload);
    }
    Emf& Raw(uint32_t type, const QByteArray& payload) {
        AppendLE32(records_, type);
        AppendLE32(records_, uint32_t(8 + payload.size()));
        records_ += payload;
        ++count_;
        return *this;
    }
    QByteArray Bytes(int frameRight, int frameBottom, int handles = 8) const {
        QByteArray h;
        AppendLE32(h, 1);
        AppendLE32(h, 88);
        for (const int v : {0, 0, frameRight / 100, frameBottom / 100, 0, 0, frameRight, frameBottom})
            AppendLE32(h, uint32_t(v));
        AppendLE32(h, 0x464D4520);
        AppendLE32(h, 0x10000);
        AppendLE32(h, uint32_t(88 + records_.size() + 20));
        AppendLE32(h, uint32_t(count_ + 2));
        AppendLE16(h, uint16_t(handles));
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

// A WMF of 16-bit words, with a placeable header when given a box.
class Wmf {
public:
    Wmf& Add(uint16_t function, std::initializer_list<int> words) {
        QByteArray payload;
        for (const int w : words)
            AppendLE16(payload, uint16_t(int16_t(w)));
        return Raw(function, payload);
    }
    Wmf& Raw(uint16_t function, QByteArray payload) {
        if (payload.size() % 2)
            payload.append('\0');
        AppendLE32(records_, uint32_t(3 + payload.size() / 2));
        AppendLE16(records_, function);
        records_ += payload;
        return *this;
    }
    QByteArray Bytes(int objects, const QRect* box = nullptr) const {
        QByteArray out;
        if (box) {
            AppendLE32(out, 0x9AC6CDD7);
            AppendLE16(out, 0);
            for (const int v : {box->left(), box->top(), box->right() + 1, box->bottom() + 1})
                AppendLE16(out, uint16_t(int16_t(v)));
            AppendLE16(out, 1440);
            AppendLE32(out, 0);
            uint16_t sum = 0;
            for (int i = 0; i < 10; ++i)
                sum ^= GetLE16(out.constData() + i * 2);
            AppendLE16(out, sum);
        }
        const QByteArray tail = QByteArray::fromHex("030000000000");
        AppendLE16(out, 1);
        AppendLE16(out, 9);
        AppendLE16(out, 0x300);
        AppendLE32(out, uint32_t(9 + records_.size() / 2 + 3));
        AppendLE16(out, uint16_t(objects));
        AppendLE32(out, 64);
        AppendLE16(out, 0);
        return out + records_ + tail;
    }

private:
    QByteArray records_;
};

QImage White(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kGreen = 0x00FF00;
constexpr int32_t kNullPen = int32_t(0x80000008);

// COLORREF of an RGB value.
int32_t Ref(QRgb rgb) {
    return int32_t(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

int Play(QImage& image, const QByteArray& data, const TRect& rect, TMetafilePlayReport* report = nullptr) {
    TCanvas canvas(&image);
    return TMetafilePlayer::Play(canvas, data, rect, report) ? 1 : 0;
}

} // namespace

TEST(MetafilePlayer, FrameMapsOntoTheTargetAndNothingLeavesIt) {
    // Frame 10 x 10 reference pixels onto 20 x 20 at (10, 10): twice the size.
    Emf emf;
    emf.Add(39, {1, 0, Ref(kRed), 0}) // CreateBrushIndirect #1 solid red
        .Add(37, {1})
        .Add(37, {kNullPen})
        .Add(43, {0, 0, 5, 5})
        .Add(39, {2, 0, Ref(kBlue), 0})
        .Add(37, {2})
        .Add(43, {-20, -20, 0, 40}); // entirely left of the frame
    QImage image = White(40, 40);
    TMetafilePlayReport report;
    ASSERT_TRUE(Play(image, emf.Bytes(1000, 1000), TRect(10, 10, 30, 30), &report));
    EXPECT_EQ(At(image, 12, 12), kRed);
    EXPECT_EQ(At(image, 18, 18), kRed);
    EXPECT_EQ(At(image, 21, 21), kWhite);
    for (int y = 0; y < 40; ++y)
        EXPECT_EQ(At(image, 5, y), kWhite) << y;
    EXPECT_FALSE(report.Stopped);
    EXPECT_EQ(report.PlayedByType[43], 2);
    EXPECT_EQ(report.Skipped, 0);
}

TEST(MetafilePlayer, SavedStatesTransformsAndClipsComeBackAndTheCanvasIsLeftAsFound) {
    Emf emf;
    emf.Add(39, {1, 0, Ref(kRed), 0})
        .Add(37, {1})
        .Add(37, {kNullPen})
        .Add(33, {})             // SaveDC
        .Add(30, {0, 0, 2, 10}); // IntersectClipRect
    // World: twice the size; the clip keeps only x < 2 of the doubled rectangle.
    QByteArray world;
    for (const float f : {2.0f, 0.0f, 0.0f, 2.0f, 0.0f, 0.0f}) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        AppendLE32(world, bits);
    }
    emf.Raw(35, world).Add(43, {0, 0, 4, 4});
    emf.Add(34, {-1}) // RestoreDC: identity, no clip
        .Add(39, {2, 0, Ref(kBlue), 0})
        .Add(37, {2})
        .Add(43, {6, 6, 10, 10});
    QImage image = White(10, 10);
    TCanvas canvas(&image);
    canvas.Pen().Color = clGreen;
    canvas.Brush().Color = clYellow;
    const QTransform before = canvas.WorldTransform();
    ASSERT_TRUE(TMetafilePlayer::Play(canvas, emf.Bytes(1000, 1000), TRect(0, 0, 10, 10)));
    canvas.FreeHandle();
    EXPECT_EQ(At(image, 1, 5), kRed);
    EXPECT_EQ(At(image, 3, 5), kWhite); // clipped away
    EXPECT_EQ(At(image, 7, 7), kBlue);
    EXPECT_EQ(canvas.Pen().Color, clGreen);
    EXPECT_EQ(canvas.Brush().Color, clYellow);
    EXPECT_EQ(canvas.WorldTransform(), before);
    EXPECT_FALSE(canvas.HasClipRegion());
    EXPECT_EQ(canvas.SavedLevel(), 0);
}

TEST(MetafilePlayer, DamagedRecordsEndThePlayKeepingWhatWasDrawn) {
    Emf emf;
    emf.Add(39, {1, 0, Ref(kRed), 0}).Add(37, {1}).Add(37, {kNullPen}).Add(43, {0, 0, 5, 5});
    // A poly-polygon whose counts claim more points than the record holds.
    emf.Add(8, {0, 0, 0, 0, 1, 1000, 1000, 0, 0});
    emf.Add(43, {5, 5, 10, 10});
    QImage image = White(10, 10);
    TMetafilePlayReport report;
    ASSERT_TRUE(Play(image, emf.Bytes(1000, 1000), TRect(0, 0, 10, 10), &report));
    EXPECT_EQ(At(image, 2, 2), kRed);
    EXPECT_EQ(At(image, 7, 7), kWhite);
    EXPECT_TRUE(report.Stopped);

    // A record size past the end, handles beyond the table, singular transforms, a flood of
    // SaveDCs: nothing crashes, the bad ones are skipped or end the play.
    Emf many;
    many.Add(39, {200, 0, Ref(kRed), 0}).Add(37, {200});
    many.Raw(35, QByteArray(24, '\0'));
    for (int i = 0; i < 3000; ++i)
        many.Add(33, {});
    QByteArray bytes = many.Bytes(1000, 1000);
    PutLE32(bytes.data() + bytes.size() - 16, 4096);
    TMetafilePlayReport second;
    QImage other = White(10, 10);
    ASSERT_TRUE(Play(other, bytes, TRect(0, 0, 10, 10), &second));
    EXPECT_TRUE(second.Stopped);
    EXPECT_EQ(second.SkippedByType[39], 1);
    EXPECT_EQ(second.SkippedByType[35], 1);

    // Only a bad header refuses the data.
    QByteArray badHeader = emf.Bytes(1000, 1000);
    PutLE32(badHeader.data() + 4, 1 << 30);
    EXPECT_FALSE(Play(image, badHeader, TRect(0, 0, 10, 10)));
}

TEST(MetafilePlayer, WindowsMetafileObjectsTakeTheLowestFreeSlot) {
    const QRect box(0, 0, 10, 10);
    Wmf wmf;
    wmf.Add(0x020C, {10, 10})           // SetWindowExt
        .Add(0x02FC, {0, 0x00FF, 0, 0}) // slot 0: red brush
        .Add(0x02FC, {0, 0, 0x00FF, 0}) // slot 1: blue brush
        .Add(0x02FA, {5, 0, 0, 0, 0})   // slot 2: null pen
        .Add(0x01F0, {0})               // slot 0 freed
        .Add(0x02FC, {0, 0xFF00, 0, 0}) // green takes slot 0 again
        .Add(0x012D, {2})
        .Add(0x012D, {0})
        .Add(0x041B, {5, 5, 0, 0}) // Rectangle(0, 0, 5, 5): bottom, right, top, left
        .Add(0x012D, {1})
        .Add(0x041B, {10, 10, 5, 5});
    QImage image = White(10, 10);
    TMetafilePlayReport report;
    ASSERT_TRUE(Play(image, wmf.Bytes(4, &box), TRect(0, 0, 10, 10), &report));
    EXPECT_EQ(At(image, 2, 2), kGreen);
    EXPECT_EQ(At(image, 7, 7), kBlue);
    EXPECT_FALSE(report.Stopped);
}

TEST(MetafilePlayer, HeaderlessWindowsMetafileIsMeasuredAndGetsAPlaceableHeader) {
    Wmf wmf;
    wmf.Add(0x020B, {-50, -100}).Add(0x020C, {720, 1440}).Add(0x041B, {100, 200, 0, 0});
    const QByteArray plain = wmf.Bytes(1);
    QRect box;
    ASSERT_TRUE(TMetafilePlayer::MeasureWindowsMetafile(plain, box));
    EXPECT_EQ(box, QRect(-100, -50, 1440, 720));

    TMetafile meta;
    meta.SetData(plain);
    EXPECT_EQ(meta.Kind(), TMetafile::mkWindows);
    EXPECT_EQ(meta.Width(), 96);
    EXPECT_EQ(meta.Height(), 48);
    // Taken in from a file it gains the header (with its checksum); stored data stays as it was.
    TMemoryStream file(plain);
    meta.LoadFromStream(file);
    EXPECT_EQ(meta.Kind(), TMetafile::mkPlaceable);
    ASSERT_EQ(meta.Data().size(), plain.size() + 22);
    EXPECT_EQ(meta.Data().mid(22), plain);
    const char* h = meta.Data().constData();
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= GetLE16(h + i * 2);
    EXPECT_EQ(GetLE16(h + 20), sum);
    EXPECT_EQ(GetLEInt16(h + 6), -100);
    EXPECT_EQ(GetLEInt16(h + 10), 1340);
    EXPECT_EQ(meta.Width(), 96);
    TMemoryStream block;
    block.WriteInt32(int32_t(plain.size()));
    block.WriteBytes(plain);
    block.SetPosition(0);
    meta.ReadData(block);
    EXPECT_EQ(meta.Data(), plain);
}

TEST(MetafilePlayer, TextKeepsTheWritersAdvancesAndDecodesByCharset) {
    // Three bars at the writer's advances of 9 units, drawn 1:1.
    Emf emf;
    QByteArray font;
    AppendLE32(font, 1);
    for (const int v : {-16, 0, 0, 0, 400})
        AppendLE32(font, uint32_t(v));
    font += QByteArray::fromHex("0000008000000000");
    QByteArray face(64, '\0');
    const QString name = QStringLiteral("ＭＳ ゴシック");
    std::memcpy(face.data(), name.utf16(), size_t(name.size()) * 2);
    font += face;
    emf.Raw(82, font).Add(37, {1}).Add(18, {1}); // transparent background
    QByteArray text;
    for (const int v : {0, 0, 0, 0, 1, 0, 0}) // bounds, graphics mode, scales
        AppendLE32(text, uint32_t(v));
    const int stringAt = 76, dxAt = stringAt + 8;
    for (const int v : {4, 4, 3, stringAt, 0, 0, 0, 0, 0, dxAt})
        AppendLE32(text, uint32_t(v));
    for (const char16_t c : {u'|', u'|', u'|', u'\0'})
        AppendLE16(text, c);
    for (const int v : {9, 9, 9})
        AppendLE32(text, uint32_t(v));
    emf.Raw(84, text);
    QImage image = White(40, 24);
    ASSERT_TRUE(Play(image, emf.Bytes(4000, 2400), TRect(0, 0, 40, 24)));
    std::vector<int> starts;
    bool inInk = false;
    for (int x = 0; x < 40; ++x) {
        bool ink = false;
        for (int y = 0; y < 24; ++y)
            ink = ink || qGray(image.pixel(x, y)) < 128;
        if (ink && !inInk)
            starts.push_back(x);
        inInk = ink;
    }
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[1] - starts[0], 9);
    EXPECT_EQ(starts[2] - starts[1], 9);

    // CP932 bytes of a WMF TextOut in a charset-128 font draw what the canvas draws for the text.
    const QByteArray sjis = Cp932::Encode(QStringLiteral("写真"));
    QByteArray logFont;
    for (const int v : {-20, 0, 0, 0, 400})
        AppendLE16(logFont, uint16_t(int16_t(v)));
    logFont += QByteArray::fromHex("0000008000000000");
    QByteArray faceBytes = Cp932::Encode(name);
    faceBytes.resize(32, '\0');
    logFont += faceBytes;
    QByteArray textOut;
    AppendLE16(textOut, uint16_t(sjis.size()));
    textOut += sjis;
    AppendLE16(textOut, 2);
    AppendLE16(textOut, 2);
    Wmf wmf;
    wmf.Add(0x020C, {30, 60}).Raw(0x02FB, logFont).Add(0x012D, {0}).Add(0x0102, {1}).Raw(0x0521, textOut);
    const QRect box(0, 0, 60, 30);
    QImage played = White(60, 30);
    ASSERT_TRUE(Play(played, wmf.Bytes(1, &box), TRect(0, 0, 60, 30)));
    QImage expected = White(60, 30);
    {
        TCanvas canvas(&expected);
        canvas.Font().Name = name;
        canvas.Font().Height = -20;
        canvas.Font().Color = clBlack;
        canvas.Brush().Style = bsClear;
        canvas.TextOut(2, 2, QStringLiteral("写真"));
    }
    EXPECT_EQ(played, expected);
}

// A font record's escapement is any int: INT_MIN draws as its remainder in a turn, 84.8 degrees
// clockwise, down the page from the reference point in the middle.
TEST(MetafilePlayer, AFontsEscapementIsTakenWithinATurn) {
    const auto played = [](int32_t escapement) {
        QByteArray font;
        AppendLE32(font, 1);
        for (const int32_t v : {-12, 0, escapement, 0, 400})
            AppendLE32(font, uint32_t(v));
        font += QByteArray::fromHex("0000008000000000") + QByteArray(64, '\0');
        QByteArray text;
        for (const int v : {0, 0, 0, 0, 1, 0, 0, 32, 32, 2, 76, 0, 0, 0, 0, 0, 0})
            AppendLE32(text, uint32_t(v));
        AppendLE16(text, u'ー');
        AppendLE16(text, u'ー');
        Emf emf;
        emf.Raw(82, font).Add(37, {1}).Add(18, {1}).Raw(84, text);
        QImage image = White(64, 64);
        EXPECT_TRUE(Play(image, emf.Bytes(6400, 6400), TRect(0, 0, 64, 64)));
        return image;
    };
    const QImage wild = played(INT32_MIN);
    EXPECT_EQ(wild, played(-848));
    int top = 64, bottom = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (At(wild, x, y) != kWhite) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GE(top, 28);
    EXPECT_GE(bottom, 48);
}

// Text under an anisotropic mapping that stretches one axis 3,050 times and squeezes the other
// to 3.6e-7 (a mean scale near one): its glyphs would be 1.45 million pixels tall. The play skips
// it, and a canvas asked for such a glyph directly fills its outline rather than a bitmap of it.
TEST(MetafilePlayer, TextUnderAOneSidedStretchIsBoundedByItsLargerAxis) {
    const auto peakMB = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss / 1024;
    };
    const long before = peakMB();
    QByteArray font;
    AppendLE32(font, 1);
    for (const int v : {-476, 0, 0, 0, 400})
        AppendLE32(font, uint32_t(v));
    font += QByteArray(8, '\0') + QByteArray(64, '\0');
    QByteArray text;
    for (const int v : {0, 0, 0, 0, 1, 0, 0, 10, 10, 2, 76, 0, 0, 0, 0, 0, 0})
        AppendLE32(text, uint32_t(v));
    AppendLE16(text, u'W');
    AppendLE16(text, u'M');
    Emf emf;
    emf.Add(17, {8}).Add(9, {-268436896, 1375}).Add(11, {96, 4194400}).Raw(82, font).Add(37, {1}).Raw(84, text);
    TMetafilePlayReport report;
    QImage image = White(200, 200);
    ASSERT_TRUE(Play(image, emf.Bytes(5000, 5000), TRect(0, 0, 200, 200), &report));
    EXPECT_EQ(report.SkippedByType[84], 1);

    {
        TCanvas canvas(&image);
        ASSERT_TRUE(canvas.SetWorldTransform(QTransform::fromScale(96.0 / -268436896, 4194400.0 / 1375)));
        canvas.Font().Height = -476;
        canvas.Brush().Style = bsClear;
        canvas.TextOut(0, 0, QStringLiteral("WM"));
    }
    EXPECT_LT(peakMB() - before, 200);
}

// A source rectangle reaching past its bitmap draws the bitmap's part in its share of the destination;
// the rest is left alone, and a reach of gigapixels from a 4 x 2 bitmap allocates nothing of that size.
TEST(MetafilePlayer, ASourceBeyondItsBitmapIsCutWithItsDestination) {
    QByteArray dib;
    for (const int v : {40, 4, 2})
        AppendLE32(dib, uint32_t(v));
    AppendLE16(dib, 1);
    AppendLE16(dib, 24);
    for (int i = 0; i < 6; ++i)
        AppendLE32(dib, 0);
    for (int i = 0; i < 8; ++i)
        dib += QByteArray("\x00\x00\xFF", 3);
    const QRect box(0, 0, 100, 100);
    const auto reaching = [&](int sourceWidth, int sourceHeight) {
        Wmf wmf;
        wmf.Add(0x020C, {100, 100});
        QByteArray params;
        for (const int w : {0x0020, 0x00CC, 0, sourceHeight, sourceWidth, 0, 0, 100, 100, 0, 0})
            AppendLE16(params, uint16_t(int16_t(w)));
        wmf.Raw(0x0F43, params + dib);
        return wmf.Bytes(1, &box);
    };
    QImage image = White(40, 40);
    ASSERT_TRUE(Play(image, reaching(8, 2), TRect(0, 0, 40, 40)));
    EXPECT_EQ(At(image, 5, 20), kRed);
    EXPECT_EQ(At(image, 35, 20), kWhite);
    image = White(40, 40);
    ASSERT_TRUE(Play(image, reaching(32000, 32000), TRect(0, 0, 40, 40)));
    EXPECT_EQ(At(image, 20, 20), kWhite);
}

// Bit-field bitmaps read their colours through the masks that follow the header: 16 bits as 5-6-5, and
// 32 bits with red in the low byte (read as plain BGRA, red would come out blue).
TEST(MetafilePlayer, BitFieldBitmapsFollowTheirMasks) {
    const auto play = [](int bits, std::initializer_list<uint32_t> masks, const QByteArray& pixels) {
        QByteArray dib;
        for (const int v : {40, 2, 1})
            AppendLE32(dib, uint32_t(v));
        AppendLE16(dib, 1);
        AppendLE16(dib, uint16_t(bits));
        AppendLE32(dib, 3); // BI_BITFIELDS
        for (int i = 0; i < 5; ++i)
            AppendLE32(dib, 0);
        for (const uint32_t m : masks)
            AppendLE32(dib, m);
        Wmf wmf;
        wmf.Add(0x020C, {100, 100});
        QByteArray params;
        for (const int w : {0x0020, 0x00CC, 0, 1, 2, 0, 0, 100, 100, 0, 0})
            AppendLE16(params, uint16_t(int16_t(w)));
        wmf.Raw(0x0F43, params + dib + pixels);
        const QRect box(0, 0, 100, 100);
        QImage image = White(40, 40);
        EXPECT_TRUE(Play(image, wmf.Bytes(1, &box), TRect(0, 0, 40, 40)));
        return std::pair(At(image, 10, 20), At(image, 30, 20));
    };
    EXPECT_EQ(play(16, {0xF800, 0x07E0, 0x001F}, QByteArray::fromHex("00f8e007")), std::pair(kRed, kGreen));
    EXPECT_EQ(play(32, {0x0000FF, 0x00FF00, 0xFF0000}, QByteArray::fromHex("ff0000000000ff00")),
              std::pair(kRed, kBlue));
}

TEST(MetafilePlayer, PicturesFinerThanTheDeviceAreReducedKeepingColoursAndMirroring) {
    // 3000 x 2, red on the left half, blue on the right: far more columns than the target's pixels.
    constexpr int kWidth = 3000;
    QByteArray dib;
    for (const int v : {40, kWidth, 2})
        AppendLE32(dib, uint32_t(v));
    AppendLE16(dib, 1);
    AppendLE16(dib, 24);
    for (int i = 0; i < 6; ++i)
        AppendLE32(dib, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < kWidth; ++x)
            dib += x < kWidth / 2 ? QByteArray("\x00\x00\xFF", 3) : QByteArray("\xFF\x00\x00", 3);
    const QRect box(0, 0, 100, 100);
    const auto stretched = [&](int x, int width) {
        Wmf wmf;
        wmf.Add(0x020C, {100, 100});
        QByteArray params;
        for (const int w : {0x0020, 0x00CC, 0, 2, kWidth, 0, 0, 100, width, 0, x})
            AppendLE16(params, uint16_t(int16_t(w)));
        wmf.Raw(0x0F43, params + dib);
        return wmf.Bytes(1, &box);
    };
    QImage image = White(40, 40);
    ASSERT_TRUE(Play(image, stretched(0, 100), TRect(0, 0, 40, 40)));
    EXPECT_EQ(At(image, 5, 20), kRed);
    EXPECT_EQ(At(image, 35, 20), kBlue);
    image = White(40, 40);
    ASSERT_TRUE(Play(image, stretched(100, -100), TRect(0, 0, 40, 40)));
    EXPECT_EQ(At(image, 5, 20), kBlue);
    EXPECT_EQ(At(image, 35, 20), kRed);

    // Recorded, the reduced picture plays back the same.
    TMetafile source;
    source.SetData(stretched(0, 100));
    TMetafile recording;
    {
        TMetafileCanvas canvas(recording);
        canvas.StretchDraw(TRect(0, 0, 40, 40), source);
    }
    image = White(40, 40);
    {
        TCanvas canvas(&image);
        canvas.StretchDraw(TRect(0, 0, 40, 40), recording);
    }
    EXPECT_EQ(At(image, 5, 20), kRed);
    EXPECT_EQ(At(image, 35, 20), kBlue);
}
