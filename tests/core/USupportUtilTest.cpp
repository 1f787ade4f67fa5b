#include "core/USupportUtil.h"
#include "tests/FakePrinterBackend.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Component.h"
#include "platform/Picture.h"
#include "platform/PixelBuffer.h"
#include "platform/Settings.h"
#include "tests/TestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class ClickRecorder : public QWidget {
public:
    std::vector<std::pair<QEvent::Type, QPointF>> events;

protected:
    void mousePressEvent(QMouseEvent* e) override { events.emplace_back(e->type(), e->position()); }
    void mouseReleaseEvent(QMouseEvent* e) override { events.emplace_back(e->type(), e->position()); }
};

// A 24-bit buffer from rows of B,G,R triples.
PixelBuffer Pixels24(int width, int height, const std::vector<uint8_t>& bgr) {
    PixelBuffer p(width, height, 24);
    for (int y = 0; y < height; ++y)
        std::copy_n(bgr.begin() + y * width * 3, width * 3, p.ScanLine(y));
    return p;
}

std::vector<uint8_t> Row(const PixelBuffer& p, int y) {
    return std::vector<uint8_t>(p.ConstScanLine(y), p.ConstScanLine(y) + p.Width() * 3);
}

// A graphic that is not a bitmap: a solid colour of a given size.
class TSolidGraphic : public TGraphic {
public:
    TSolidGraphic(int w, int h, TColor color) : w_(w), h_(h), color_(color) {}
    const char* ClassName() const override { return "TSolidGraphic"; }
    std::unique_ptr<TGraphic> NewInstance() const override {
        return std::make_unique<TSolidGraphic>(0, 0, 0);
    }
    void Draw(TCanvas& canvas, const TRect& rect) override { canvas.FillSolid(rect, color_); }
    bool Empty() const override { return w_ == 0 || h_ == 0; }
    int Width() const override { return w_; }
    int Height() const override { return h_; }
    void SetWidth(int value) override { w_ = value; }
    void SetHeight(int value) override { h_ = value; }
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) override {}

private:
    int w_, h_;
    TColor color_;
};

// 4 x 2: the left half red, the right half blue, one green pixel at (3, 0).
std::unique_ptr<TBitmap> Halves() {
    auto bitmap = std::make_unique<TBitmap>(4, 2, pf24bit);
    for (int y = 0; y < 2; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int x = 0; x < 4; ++x) {
            const bool green = x == 3 && y == 0;
            row[x * 3] = x >= 2 && !green ? 255 : 0;
            row[x * 3 + 1] = green ? 255 : 0;
            row[x * 3 + 2] = x < 2 ? 255 : 0;
        }
    }
    bitmap->Changed();
    return bitmap;
}

QImage WhiteImage(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

class TColorPart : public TPersistent {
    QUORLANE_CLASS(TColorPart, TPersistent)

public:
    static void DeclareProperties(TPropertyBuilder<TColorPart>& p) {
        p.Color("Fill", &TColorPart::Fill, &TColorPart::SetFill);
    }
    TColor Fill() const { return fill; }
    void SetFill(TColor c) { fill = c; }
    TColor fill = 0;
};

class TColorBox : public TComponent {
    QUORLANE_CLASS(TColorBox, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TColorBox>& p) {
        p.Color("Color", &TColorBox::Color, &TColorBox::SetColor);
        p.Color("Hidden", &TColorBox::Hidden, &TColorBox::SetHidden).Stored(false);
        p.Integer("Count", &TColorBox::Count, &TColorBox::SetCount);
        p.Object("Part", &TColorBox::Part);
        p.Component("Buddy", &TColorBox::Buddy, &TColorBox::SetBuddy);
    }
    TColor Color() const { return color; }
    void SetColor(TColor c) {
        color = c;
        ++writes;
    }
    TColor Hidden() const { return hidden; }
    void SetHidden(TColor c) { hidden = c; }
    int Count() const { return count; }
    void SetCount(int c) { count = c; }
    TColorPart* Part() { return &part; }
    TColorBox* Buddy() const { return buddy; }
    void SetBuddy(TColorBox* b) { buddy = b; }

    TColor color = 0, hidden = 0;
    int count = 0, writes = 0;
    TColorPart part;
    TColorBox* buddy = nullptr;
};

} // namespace

TEST(SupportUtil, RoundHalfAwayFromZero) {
    EXPECT_EQ(RoundHalfAwayFromZero(2.5L), 3);
    EXPECT_EQ(RoundHalfAwayFromZero(-2.5L), -3);
    EXPECT_EQ(RoundHalfAwayFromZero(2.4999L), 2);
    EXPECT_EQ(RoundHalfAwayFromZero(-0.5L), -1);
    EXPECT_EQ(RoundHalfAwayFromZero(-0.4L), 0);
    // Extended precision: the largest double below one half stays below one after adding 0.5.
    EXPECT_EQ(RoundHalfAwayFromZero(0.49999999999999994L), 0);
    EXPECT_EQ(RoundHalfAwayFromZero(1e15L + 0.5L), 1000000000000001);
}

TEST(SupportUtil, ShiftStateFromQtEvents) {
    EXPECT_EQ(ShiftStateFromQt(Qt::ShiftModifier | Qt::ControlModifier, Qt::RightButton),
              ssShift | ssCtrl | ssRight);
    EXPECT_EQ(ShiftStateFromQt(Qt::AltModifier, Qt::LeftButton | Qt::MiddleButton),
              ssAlt | ssLeft | ssMiddle);
    EXPECT_EQ(ShiftStateFromQt(Qt::NoModifier, Qt::NoButton), 0);
    EXPECT_EQ(GetShiftStateNow() & (ssLeft | ssRight | ssMiddle), 0); // no button is held in a test run
}

TEST(SupportUtil, SpecialFoldersAreTheUsersOwn) {
    const QString appData = GetSpecialFolderPath(CSIDL_APPDATA, false);
    EXPECT_EQ(appData, qEnvironmentVariable("XDG_DATA_HOME"));
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_MYPICTURES, true),
              QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    EXPECT_TRUE(GetSpecialFolderPath(0x7F, false).isEmpty());
    try {
        GetSpecialFolderPath(0x7F, true);
        FAIL() << "no exception";
    } catch (const EOleSysError& e) {
        EXPECT_EQ(e.ErrorCode(), E_INVALIDARG);
    }
}

TEST(SupportUtil, CustomCursorsTakeTheHighestFreeSlot) {
    ASSERT_EQ(ScreenCursor(255).shape(), Qt::ArrowCursor);
    EXPECT_EQ(AddCustomCursor(QCursor(Qt::CrossCursor)), 255);
    EXPECT_EQ(AddCustomCursor(QCursor(Qt::WaitCursor)), 254);
    EXPECT_EQ(ScreenCursor(255).shape(), Qt::CrossCursor);
    EXPECT_EQ(ScreenCursor(254).shape(), Qt::WaitCursor);
    EXPECT_EQ(ScreenCursor(0).shape(), Qt::ArrowCursor);
    EXPECT_EQ(ScreenCursor(300).shape(), Qt::ArrowCursor);
    int last = -1;
    for (int i = 0; i < 253; ++i)
        last = AddCustomCursor(QCursor(Qt::IBeamCursor));
    EXPECT_EQ(last, 1);
    EXPECT_EQ(AddCustomCursor(QCursor(Qt::IBeamCursor)), 0);
}

TEST(SupportUtil, ClickMenuItemTriggersParentsFirstAndStopsAtDisabled) {
    QMenu top;
    QMenu* sub = top.addMenu(QStringLiteral("sub"));
    QMenu* subsub = sub->addMenu(QStringLiteral("subsub"));
    QAction* item = subsub->addAction(QStringLiteral("item"));
    std::vector<QString> order;
    for (QAction* a : {sub->menuAction(), subsub->menuAction(), item})
        QObject::connect(a, &QAction::triggered, [&order, a] { order.push_back(a->text()); });

    EXPECT_TRUE(ClickMenuItem(item));
    EXPECT_EQ(order, (std::vector<QString>{QStringLiteral("sub"), QStringLiteral("subsub"),
                                           QStringLiteral("item")}));

    order.clear();
    subsub->menuAction()->setEnabled(false);
    EXPECT_FALSE(ClickMenuItem(item));
    EXPECT_EQ(order, std::vector<QString>{QStringLiteral("sub")});

    order.clear();
    subsub->menuAction()->setEnabled(true);
    item->setEnabled(false);
    EXPECT_FALSE(ClickMenuItem(item));
    EXPECT_EQ(order.size(), 2u);
    EXPECT_FALSE(ClickMenuItem(nullptr));
}

TEST(SupportUtil, OpenURLGoesToTheDesktopHandler) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "open");
    EXPECT_TRUE(OpenURL(nullptr, QStringLiteral("www.example.com/page")));
    EXPECT_TRUE(OpenURL(nullptr, QStringLiteral("http://example.org/a?b=1")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    ASSERT_EQ(catcher.urls.size(), 2);
    EXPECT_EQ(catcher.urls[0], QUrl(QStringLiteral("http://www.example.com/page")));
    EXPECT_EQ(catcher.urls[1], QUrl(QStringLiteral("http://example.org/a?b=1")));
    EXPECT_FALSE(OpenURL(nullptr, QString()));
}

TEST(SupportUtil, SimulateClickPostsPressThenReleaseAtTheOrigin) {
    ClickRecorder widget;
    widget.resize(50, 30);
    SimulateClick(&widget);
    SimulateClick(nullptr);
    EXPECT_TRUE(widget.events.empty()); // posted, not sent
    QCoreApplication::processEvents();
    ASSERT_EQ(widget.events.size(), 2u);
    EXPECT_EQ(widget.events[0].first, QEvent::MouseButtonPress);
    EXPECT_EQ(widget.events[1].first, QEvent::MouseButtonRelease);
    EXPECT_EQ(widget.events[0].second, QPointF(0, 0));
}

TEST(SupportUtil, AllocationBaseNamesTheModule) {
    const void* own = GetAllocationBase(reinterpret_cast<const void*>(&Pixels24));
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(GetAllocationBase(reinterpret_cast<const void*>(&MakeCtlCode)), own);
    const void* qt = GetAllocationBase(reinterpret_cast<const void*>(&qVersion));
    ASSERT_NE(qt, nullptr);
    EXPECT_NE(qt, own);
    EXPECT_EQ(GetAllocationBase(nullptr), nullptr);
}

TEST(SupportUtil, ControlCodesAreTheDriverHeadersValues) {
    // The media-type query of the floppy test, a query with both access bits and one that passes
    // its buffers untouched, as the driver kit lists them.
    EXPECT_EQ(MakeCtlCode(7, 0x300, 0, 0), 0x00070C00u);
    EXPECT_EQ(MakeCtlCode(7, 6, 0, 3), 0x0007C018u);
    EXPECT_EQ(MakeCtlCode(9, 28, 3, 0), 0x00090073u);
}

TEST(SupportUtil, TheTestScreenIsNoLowColourScreenAndHasNoFloppy) {
    // The tests' offscreen screen has 32 bits per pixel.
    EXPECT_EQ(GetScreenColorBits(), 32);
    EXPECT_FALSE(IsLowColorScreen());
    EXPECT_FALSE(IsFloppyDrive(u'A'));
}

TEST(SupportUtil, PowerUserWhenTheSettingsCanBeWritten) {
    const QString saved = SettingsStore::FileName();
    QTemporaryDir dir;
    SettingsStore::SetFileName(dir.filePath(QStringLiteral("not/yet/made/registry.ini")));
    EXPECT_TRUE(IsPowerUser());
    TestSupport::WriteFile(dir.filePath(QStringLiteral("plain")), "x");
    SettingsStore::SetFileName(dir.filePath(QStringLiteral("plain/registry.ini")));
    EXPECT_FALSE(IsPowerUser());
    SettingsStore::SetFileName(saved);
}

TEST(SupportUtil, ShrinkAveragesBlocksWithTruncation) {
    // 4 x 2 into 2 x 1: each output pixel is the mean of a 2 x 2 block.
    const PixelBuffer src = Pixels24(4, 2, {10, 20, 30, 11, 21, 31, 100, 0, 255, 101, 0, 255, //
                                            12, 22, 32, 13, 23, 33, 102, 1, 254, 104, 2, 254});
    PixelBuffer dst(2, 1, 24);
    ShrinkPixels(src, dst);
    // (10+11+12+13)/4 = 11.5 -> 11; (100+101+102+104)/4 = 101.75 -> 101; (255+255+254+254)/4 = 254.5 -> 254.
    EXPECT_EQ(Row(dst, 0), (std::vector<uint8_t>{11, 21, 31, 101, 0, 254}));
}

TEST(SupportUtil, ShrinkUnevenBandsAndEnlargement) {
    // 3 columns into 2: the bands are column 0, then columns 1 and 2.
    const PixelBuffer src = Pixels24(3, 1, {0, 0, 0, 10, 20, 30, 21, 41, 61});
    PixelBuffer dst(2, 1, 24);
    ShrinkPixels(src, dst);
    EXPECT_EQ(Row(dst, 0), (std::vector<uint8_t>{0, 0, 0, 15, 30, 45}));

    // A larger destination repeats source pixels rather than reading past them.
    const PixelBuffer one = Pixels24(1, 1, {7, 8, 9});
    PixelBuffer big(3, 2, 24);
    ShrinkPixels(one, big);
    EXPECT_EQ(Row(big, 0), (std::vector<uint8_t>{7, 8, 9, 7, 8, 9, 7, 8, 9}));
    EXPECT_EQ(Row(big, 1), Row(big, 0));
}

TEST(SupportUtil, ShrinkConvertsToTwentyFourBits) {
    PixelBuffer grey(2, 2, 8); // grey table: index i is (i, i, i)
    for (int y = 0; y < 2; ++y) {
        grey.ScanLine(y)[0] = uint8_t(40 * y);
        grey.ScanLine(y)[1] = uint8_t(40 * y + 20);
    }
    PixelBuffer dst(1, 1, 32);
    ShrinkPixels(grey, dst);
    EXPECT_EQ(dst.BitCount(), 24);
    EXPECT_EQ(Row(dst, 0), (std::vector<uint8_t>{30, 30, 30}));
}

TEST(SupportUtil, ShrinkGraphicToBoxFiltersBitmapsAndDrawsOthers) {
    TBitmap source(4, 2, pf24bit);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 3; ++c)
                source.ScanLine(y)[x * 3 + c] = uint8_t(10 * x + y + c);
    source.Changed();
    TBitmap dest(2, 1, pf8bit);
    ShrinkGraphicTo(source, dest);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    ASSERT_EQ(dest.Width(), 2);
    // Blocks of x 0-1 and 2-3: blue (0+10+1+11)/4 = 5 and (20+30+21+31)/4 = 25.
    EXPECT_EQ(Row(dest.Pixels(), 0), (std::vector<uint8_t>{5, 6, 7, 25, 26, 27}));

    TSolidGraphic solid(6, 6, 0x204060);
    TBitmap small(3, 2, pf24bit);
    ShrinkGraphicTo(solid, small);
    EXPECT_EQ(Row(small.Pixels(), 1),
              (std::vector<uint8_t>{0x20, 0x40, 0x60, 0x20, 0x40, 0x60, 0x20, 0x40, 0x60}));
}

TEST(SupportUtil, StretchDrawPartDrawsOnlyTheSourcePart) {
    auto bitmap = Halves();
    QImage image = WhiteImage(8, 4);
    {
        TCanvas canvas(&image);
        StretchDrawPart(canvas, Rect(0, 0, 8, 4), *bitmap, Rect(0, 0, 2, 2));
    }
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(At(image, x, y), 0xFF0000u) << x << "," << y;

    // A part reaching past the bitmap draws its share that lies on the bitmap.
    image = WhiteImage(8, 4);
    {
        TCanvas canvas(&image);
        StretchDrawPart(canvas, Rect(0, 0, 8, 4), *bitmap, Rect(2, 0, 6, 2));
        StretchDrawPart(canvas, Rect(0, 0, 8, 4), *bitmap, Rect(2, 0, 2, 2)); // degenerate: nothing
    }
    EXPECT_EQ(At(image, 0, 3), 0x0000FFu);
    EXPECT_EQ(At(image, 3, 3), 0x0000FFu);
    EXPECT_EQ(At(image, 4, 0), 0xFFFFFFu);
    EXPECT_EQ(At(image, 7, 3), 0xFFFFFFu);
}

TEST(SupportUtil, StretchDrawPartKeepsTheBitmapsTransparentColour) {
    auto bitmap = Halves();
    bitmap->SetTransparentColor(0x00FF00); // green
    bitmap->SetTransparent(true);
    QImage image = WhiteImage(2, 2);
    {
        TCanvas canvas(&image);
        StretchDrawPart(canvas, Rect(0, 0, 2, 2), *bitmap, Rect(2, 0, 4, 2));
    }
    EXPECT_EQ(At(image, 0, 0), 0x0000FFu);
    EXPECT_EQ(At(image, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(At(image, 0, 1), 0x0000FFu);
    EXPECT_EQ(At(image, 1, 1), 0x0000FFu);
}

TEST(SupportUtil, ReplaceColorPropertiesChainsPairsAndFollowsObjects) {
    TColorBox box(nullptr), other(nullptr);
    box.color = 0x00AFE7FF;
    box.hidden = 0x00AFE7FF; // not stored: left alone
    box.count = 0x00AFE7FF;  // not a colour: left alone
    box.part.fill = 0x007F9FDF;
    box.buddy = &other;
    other.color = 0x00AFE7FF;
    other.buddy = &box; // a cycle of references ends
    ReplaceColorProperties(&box, {0x00AFE7FF, 0x00E6E6E6, 0x007F9FDF}, {0x00E6E6E6, 0x00010203, 0x00B4B4B4});
    // The first pair feeds the second.
    EXPECT_EQ(box.color, 0x00010203);
    EXPECT_EQ(box.writes, 2);
    EXPECT_EQ(box.hidden, 0x00AFE7FF);
    EXPECT_EQ(box.count, 0x00AFE7FF);
    EXPECT_EQ(box.part.fill, 0x00B4B4B4);
    EXPECT_EQ(other.color, 0x00010203);
    EXPECT_EQ(other.writes, 2);
}

TEST(SupportUtil, ReplaceComponentColorsWalksOwnedComponentsOnce) {
    TColorBox root(nullptr);
    auto* child = new TColorBox(&root);
    auto* grandchild = new TColorBox(child);
    root.color = child->color = grandchild->color = 0x00AFE7FF;
    root.buddy = grandchild; // reached both by reference and by ownership
    ReplaceComponentColors(&root, {0x00AFE7FF}, {0x00E6E6E6});
    EXPECT_EQ(root.color, 0x00E6E6E6);
    EXPECT_EQ(child->color, 0x00E6E6E6);
    EXPECT_EQ(grandchild->color, 0x00E6E6E6);
    EXPECT_EQ(grandchild->writes, 1);
    // Unequal lists: the extra entry is ignored.
    ReplaceComponentColors(&root, {0x00E6E6E6, 0x00E6E6E6}, {0x00123456});
    EXPECT_EQ(child->color, 0x00123456);
}

TEST(SupportUtil, PictureEmptiness) {
    EXPECT_TRUE(IsPictureEmpty(nullptr));
    TPicture picture;
    EXPECT_TRUE(IsPictureEmpty(&picture));
    TBitmap& bitmap = picture.ForceType<TBitmap>();
    EXPECT_TRUE(IsPictureEmpty(&picture));
    bitmap.SetSize(2, 1);
    EXPECT_FALSE(IsPictureEmpty(&picture));
}

TEST(SupportUtil, SetPictureTransparentKeepsTheChangeEventQuiet) {
    TPicture picture;
    SetPictureTransparent(&picture, 0x00F0F0F0, true); // no graphic: nothing
    SetPictureTransparent(nullptr, 0x00F0F0F0, true);
    TBitmap& bitmap = picture.ForceType<TBitmap>();
    bitmap.SetSize(2, 2);
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };

    SetPictureTransparent(&picture, 0x00F0F0F0, true);
    EXPECT_TRUE(bitmap.Transparent());
    EXPECT_EQ(bitmap.TransparentColor(), 0x00F0F0F0);
    EXPECT_EQ(changes, 0);
    // Already transparent, in another colour: the new colour is taken.
    SetPictureTransparent(&picture, 0x00607090, true);
    EXPECT_EQ(bitmap.TransparentColor(), 0x00607090);
    SetPictureTransparent(&picture, 0x00607090, false);
    EXPECT_FALSE(bitmap.Transparent());
    EXPECT_EQ(changes, 0);
    // The event is back afterwards.
    bitmap.SetSize(3, 3);
    EXPECT_GT(changes, 0);
}

#include "USupportUtilTest.moc"

TEST(PrintableArea, ScalesEachAxisByItsOwnResolution) {
    FakePrinterBackend* backend = FakePrinterBackend::Install();
    FakePrinterBackend::Queue queue = FakePrinterBackend::OfficeQueue();
    // On A4 at 600 dpi (4961 x 7016 pixels): offsets of 100 pixels, 4800 x 6600 printable.
    const auto mm = [](int pixels, int dpi) { return pixels * 25.4 / dpi; };
    queue.margins = QMarginsF(mm(100, 600), mm(100, 600), mm(61, 600), mm(316, 600));
    backend->queues["Office"] = queue;
    EXPECT_EQ(GetPrintableAreaRect(254), TRect(42, 42, 2074, 2836));

    // Vertical values by the vertical resolution: 300 dpi halves the pixels, not the tenths.
    backend->queues["Office"].caps.ResolutionY = 300;
    Printer().Refresh();
    EXPECT_EQ(GetPrintableAreaRect(254), TRect(42, 42, 2074, 2836));

    // Without any queue the PDF printer prints on the whole sheet and is the default printer.
    backend->unreachable = true;
    Printer().Refresh();
    EXPECT_TRUE(HasDefaultPrinter());
    EXPECT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
    EXPECT_EQ(GetPrintableAreaRect(254), TRect(0, 0, 2100, 2970));
    SetPrinterBackend(nullptr);
}
