#include "imaging/UColorFill.h"

#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Metafile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

class TSpecHolder : public TComponent {
    QUORLANE_CLASS(TSpecHolder, TComponent)

public:
    explicit TSpecHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TSpecHolder>& p) { p.Object("Fill", &TSpecHolder::Fill); }
    TColorSpec* Fill() { return &spec; }
    TColorSpec spec;
};

QByteArray S(const char* text) {
    return QByteArray(1, char(qstrlen(text))) + QByteArray(text);
}

QByteArray Write(TComponent* c) {
    TMemoryStream s;
    WriteComponent(s, c);
    return s.Data();
}

// A tile whose left half is red and right half blue.
std::unique_ptr<TSafetyBitmap> Tile(int w, int h) {
    auto b = std::make_unique<TSafetyBitmap>(w, h, pf24bit);
    b->Canvas().FillSolid(Rect(0, 0, w, h), clBlue);
    b->Canvas().FillSolid(Rect(0, 0, w / 2, h), clRed);
    return b;
}

} // namespace

TEST(ColorSpec, NewSpecIsBlackSolidAndStoresNothing) {
    TSpecHolder holder(nullptr);
    EXPECT_EQ(Write(&holder), QByteArray("TPF0") + S("TSpecHolder") + Hex("00 00 00"));
    TBitmap target(4, 4, pf24bit);
    target.Canvas().Brush().Color = clYellow;
    holder.spec.FillRect(target.Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(target.GetPixel(2, 2), clBlack);
    // The caller's tools are back.
    EXPECT_EQ(target.Canvas().Brush().Color, clYellow);
    EXPECT_EQ(holder.spec.GradAngle(), 270);
    EXPECT_EQ(holder.spec.GradColNum(), 2);
}

TEST(ColorSpec, BitmapKindWithoutPictureReadsAndStoresAsSolid) {
    TSpecHolder holder(nullptr);
    holder.spec.SetKind(cskBitmap);
    EXPECT_EQ(holder.spec.Kind(), cskSolid);
    EXPECT_EQ(holder.spec.StoredKind(), cskBitmap);
    EXPECT_FALSE(Write(&holder).contains("Kind"));
    auto tile = Tile(4, 4);
    holder.spec.SetBitmap(tile.get());
    EXPECT_EQ(holder.spec.Kind(), cskBitmap);
    EXPECT_TRUE(Write(&holder).contains(S("Fill.Kind") + Hex("07") + S("cskBitmap")));
}

TEST(ColorSpec, GradationColourViews) {
    TColorSpec spec;
    spec.SetGradColor(5, clRed);
    EXPECT_EQ(spec.GradColNum(), 2);
    EXPECT_THROW(spec.GradColor(5), ERangeError);
    spec.SetGradColor(1, clRed);
    EXPECT_EQ(spec.GradColor(1), clRed);
    EXPECT_EQ(GetOrdProp(&spec, "GradColor1"), clRed);

    spec.SetGradDir(rgdCenterToRim);
    EXPECT_EQ(spec.GradKind(), rgkBoxToRim);
    EXPECT_EQ(spec.GradAngle(), 0);
    EXPECT_EQ(spec.GradDir(), rgdCenterToRim);
    spec.SetGradDir(rgdRightTopToLeftBottom);
    EXPECT_EQ(spec.GradKind(), rgkSimple);
    EXPECT_EQ(spec.GradAngle(), 45);
    spec.SetGradAngle(30);
    EXPECT_EQ(spec.GradDir(), rgdLeftToRight);
}

TEST(ColorSpec, RepeatedGradationPaintsEveryRepeat) {
    TColorSpec spec;
    spec.SetKind(cskGradation);
    spec.GradColors()->SetColors(0, clRed);
    spec.GradColors()->SetColors(1, clBlue);
    spec.GradColors()->SetRepeatCount(3);
    std::vector<TColor> expanded;
    spec.GradColors()->GetExpandedColors(expanded);
    EXPECT_EQ(expanded, (std::vector<TColor>{clRed, clBlue, clRed, clBlue, clRed, clBlue}));
    // Left to right over 640 pixels: stops every 128 pixels.
    TBitmap target(640, 4, pf24bit);
    spec.FillRect(target.Canvas(), Rect(0, 0, 640, 4));
    for (int stop = 0; stop < 6; ++stop) {
        const TColor c = target.GetPixel(std::min(639, stop * 128), 1);
        const bool red = stop % 2 == 0;
        EXPECT_GT(red ? GetRValue(c) : GetBValue(c), 200) << stop;
        EXPECT_LT(red ? GetBValue(c) : GetRValue(c), 60) << stop;
    }
    // A damaged repeat count cannot make the list grow without end.
    spec.GradColors()->SetRepeatCount(0x7FFFFFFF);
    spec.GradColors()->GetExpandedColors(expanded);
    EXPECT_EQ(int(expanded.size()), TGradationColors::kMaxExpandedColors);
    spec.GradColors()->SetRepeatCount(-1);
    spec.GradColors()->GetExpandedColors(expanded);
    EXPECT_TRUE(expanded.empty());
}

TEST(ColorSpec, ChangesReachHolderOnce) {
    TColorSpec spec;
    int changes = 0;
    TObject* sender = nullptr;
    spec.OnChange = [&](TObject* s) {
        ++changes;
        sender = s;
    };
    spec.GradColors()->SetColors(0, clLime);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(sender, static_cast<TObject*>(&spec));
    spec.ImageData()->BlurFilter()->SetBlurCount(1);
    EXPECT_EQ(changes, 2);

    TColorSpec other;
    other.Assign(&spec);
    changes = 0;
    other.SetColor(clRed);
    spec.Assign(&other);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(spec.Color(), clRed);
    spec.Assign(&other);
    EXPECT_EQ(changes, 1);

    // Gradation settings come along only for a gradation spec.
    other.SetGradAngle(90);
    spec.Assign(&other);
    EXPECT_EQ(spec.GradAngle(), 270);
    other.SetKind(cskGradation);
    spec.Assign(&other);
    EXPECT_EQ(spec.GradAngle(), 90);
    TImageData data;
    EXPECT_THROW(spec.Assign(&data), EConvertError);
}

TEST(ColorSpec, TilingShiftsEveryOtherRowByHalfATile) {
    for (int width : {10, 11}) {
        SCOPED_TRACE(width);
        TColorSpec spec;
        auto tile = Tile(width, 4);
        spec.SetBitmap(tile.get());
        spec.SetKind(cskBitmap);
        spec.SetTile(true);
        spec.SetTileShift(true);
        TBitmap target(80, 8, pf24bit);
        target.Canvas().FillSolid(Rect(0, 0, 80, 8), clWhite);
        spec.FillRect(target.Canvas(), Rect(20, 0, 60, 8));
        const int shift = (width + 1) / 2;
        // Row 0 starts at the rectangle, row 1 half a tile to its left (tiles are not clipped).
        EXPECT_EQ(target.GetPixel(19, 1), clWhite);
        EXPECT_EQ(target.GetPixel(20, 1), clRed);
        EXPECT_EQ(target.GetPixel(20 - shift, 5), clRed);
        EXPECT_EQ(target.GetPixel(19 - shift, 5), clWhite);
    }

    // A picture whose graphic has no size (a Windows metafile without a placeable header) tiles
    // nothing and ends at once.
    TColorSpec spec;
    TMetafile& meta = spec.ImageData()->Picture()->ForceType<TMetafile>();
    meta.SetData(Hex("0100 0900 0003 0000 0000 0000 0000 0000 0000"));
    ASSERT_FALSE(spec.ImageData()->IsEmpty());
    spec.SetKind(cskBitmap);
    spec.SetTile(true);
    TBitmap target(8, 8, pf24bit);
    target.Canvas().FillSolid(Rect(0, 0, 8, 8), clWhite);
    spec.FillRect(target.Canvas(), Rect(0, 0, 8, 8));
    EXPECT_EQ(target.GetPixel(4, 4), clWhite);
}

TEST(ColorSpec, PreviewDrawsACheckerboardAndAReducedTiling) {
    TColorSpec spec;
    spec.SetStyle(bsClear);
    TBitmap target(48, 48, pf24bit);
    spec.DrawPreview(target.Canvas(), Rect(0, 0, 48, 48));
    // Grey squares start at the left in even rows, 8 pixels in in odd rows.
    EXPECT_EQ(target.GetPixel(1, 1), TColor(0x808080));
    EXPECT_EQ(target.GetPixel(9, 1), clWhite);
    EXPECT_EQ(target.GetPixel(1, 9), clWhite);
    EXPECT_EQ(target.GetPixel(9, 9), TColor(0x808080));

    // A 40 x 20 picture tiles at 19 x 9 (two fifths of 48 along its longer side).
    auto tile = Tile(40, 20);
    spec.SetBitmap(tile.get());
    spec.SetKind(cskBitmap);
    spec.SetTile(true);
    spec.DrawPreview(target.Canvas(), Rect(0, 0, 48, 48));
    EXPECT_EQ(target.GetPixel(0, 0), clRed);
    EXPECT_EQ(target.GetPixel(18, 0), clBlue);
    EXPECT_EQ(target.GetPixel(19, 0), clRed);
    EXPECT_EQ(target.GetPixel(0, 9), clRed);

    // A picture so flat that its reduced tile has no height leaves the checkerboard.
    auto line = Tile(1000, 1);
    spec.SetBitmap(line.get());
    spec.DrawPreview(target.Canvas(), Rect(0, 0, 48, 48));
    EXPECT_EQ(target.GetPixel(0, 0), TColor(0x808080));
    EXPECT_EQ(target.GetPixel(8, 0), clWhite);
}

TEST(ColorSpec, ExactSolidColourDependsOnTheDevice) {
    TColorSpec spec;
    spec.SetColor(RGB(200, 30, 40));
    TBitmap direct(2, 2, pf24bit);
    EXPECT_TRUE(spec.IsExactSolidColor(direct.Canvas()));
    QImage grey(2, 2, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.push_back(qRgb(i, i, i));
    grey.setColorTable(table);
    TCanvas greyCanvas(&grey);
    EXPECT_FALSE(spec.IsExactSolidColor(greyCanvas));
    spec.SetColor(RGB(7, 7, 7));
    EXPECT_TRUE(spec.IsExactSolidColor(greyCanvas));
    spec.SetStyle(bsCross);
    EXPECT_FALSE(spec.IsExactSolidColor(direct.Canvas()));
}

TEST(ColorSpec, StoredFormRoundTrips) {
    TSpecHolder holder(nullptr);
    TColorSpec& s = holder.spec;
    s.SetColor(clRed);
    s.SetStyle(bsCross);
    s.SetTile(true);
    s.SetKind(cskGradation);
    s.SetTileShift(true);
    s.SetGradAngle(45);
    s.SetGradKind(rgkCircleToRim);
    s.GradColors()->SetRepeatCount(2);
    s.GradColors()->SetCount(3);
    s.GradColors()->SetColors(2, 0x123456);
    const QByteArray bytes = Write(&holder);
    EXPECT_EQ(bytes, QByteArray("TPF0") + S("TSpecHolder") + Hex("00") + S("Fill.Color") + Hex("07") +
                         S("clRed") + S("Fill.Style") + Hex("07") + S("bsCross") + S("Fill.Tile") +
                         Hex("09") + S("Fill.Kind") + Hex("07") + S("cskGradation") + S("Fill.TileShift") +
                         Hex("09") + S("Fill.GradAngle") + Hex("02 2d") + S("Fill.GradKind") + Hex("07") +
                         S("rgkCircleToRim") + S("Fill.GradColors.RepeatCount") + Hex("02 02") +
                         S("Fill.GradColors.Colors") +
                         Hex("0a 10000000 03000000 ffffff00 00000000 56341200") + Hex("00 00"));
    TSpecHolder read(nullptr);
    TMemoryStream in(bytes);
    ReadComponent(in, read);
    EXPECT_EQ(read.spec.GradColor(2), 0x123456);
    EXPECT_EQ(read.spec.Kind(), cskGradation);
    EXPECT_EQ(Write(&read), bytes);
}

TEST(ColorSpec, DamagedColourListsAreRefused) {
    const QByteArray head = QByteArray("TPF0") + S("TSpecHolder") + Hex("00") + S("Fill.GradColors.Colors");
    for (const QByteArray& value : {
             Hex("0a 04000000 ffffffff"),          // negative count
             Hex("0a 08000000 03000000 00000000"), // more colours than bytes
             Hex("0a 04000000 ffffff7f"),          // a count no list may have
         }) {
        SCOPED_TRACE(value.toHex(' ').toStdString());
        TSpecHolder read(nullptr);
        TMemoryStream in(head + value + Hex("00 00"));
        EXPECT_THROW(ReadComponent(in, read), EReadError);
        EXPECT_EQ(read.spec.GradColNum(), 2);
    }
}
