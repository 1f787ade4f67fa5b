#include "imaging/UAutoAdjustFilter.h"

#include "core/UPhasedProgress.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/ComponentWriter.h"

#include <QProgressBar>
#include <cfenv>
#include <gtest/gtest.h>

namespace {

// A stand-in for the printer maker's library: the shooting information is the JPEG's size as
// eight digits; the correction inverts every byte.
struct FakeLibrary {
    int sizeCalls = 0;
    int32_t imageResult = 0;
    QByteArray lastInfo;

    TBJExifPrintEntryPoints Load() {
        TBJExifPrintEntryPoints e;
        e.Loaded = true;
        e.dmGetDiPSInfoFromMem = [this](const uint8_t*, int32_t size, uint8_t* buffer) -> int32_t {
            const QByteArray info = QByteArray::number(size).rightJustified(8, '0');
            if (buffer == nullptr) {
                ++sizeCalls;
                return int32_t(info.size());
            }
            memcpy(buffer, info.constData(), size_t(info.size()));
            return 0;
        };
        e.dmGetExifPrintImage = [this](uint8_t* pixels, int32_t w, int32_t h, int32_t, const uint8_t* info,
                                       uint8_t* dest) -> int32_t {
            lastInfo = QByteArray(reinterpret_cast<const char*>(info), 8);
            volatile double zero = 0;
            volatile double trap = 1.0 / zero; // the library's floating point must not reach us
            (void)trap;
            const int stride = (w * 3 + 3) & ~3;
            for (int i = 0; i < stride * h; ++i)
                dest[i] = uint8_t(255 - pixels[i]);
            return imageResult;
        };
        e.dmGetEpmanVersion = [](void*, char* version) -> int32_t {
            strcpy(version, "EP 1.20");
            return 0;
        };
        return e;
    }
};

class AutoAdjust : public ::testing::Test {
protected:
    void TearDown() override { SetBJExifPrintLoader({}); }
    void InstallFake() {
        SetBJExifPrintLoader([this] { return fake.Load(); });
    }
    static void MakeJpeg(TPictureEx& picture) {
        TBitmap b(16, 8, pf24bit);
        b.Canvas().FillSolid(Rect(0, 0, 16, 8), RGB(200, 40, 10));
        GetSafetyJPEG(picture).Assign(b);
    }
    FakeLibrary fake;
};

class TAdjustHolder : public TComponent {
    QUORLANE_CLASS(TAdjustHolder, TComponent)

public:
    explicit TAdjustHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TAdjustHolder>& p) {
        p.Object("AutoAdjust", &TAdjustHolder::Filter);
    }
    TAutoAdjustFilter* Filter() { return &filter; }
    TAutoAdjustFilter filter;
};

} // namespace

TEST_F(AutoAdjust, FilterNumberChoosesOneFilter) {
    TAdjustHolder holder(nullptr);
    TAutoAdjustFilter& f = holder.filter;
    TMemoryStream empty;
    WriteComponent(empty, &holder);
    EXPECT_FALSE(empty.Data().contains("FilterNo"));
    f.SetFilterNo(2);
    EXPECT_TRUE(f.ExifNormalize().Enabled());
    EXPECT_FALSE(f.AutoNormalize().Enabled());
    TMemoryStream stored;
    WriteComponent(stored, &holder);
    EXPECT_TRUE(stored.Data().contains(QByteArray("\x13"
                                                  "AutoAdjust.FilterNo\x02\x02")));

    f.SetFilterNo(3);
    EXPECT_FALSE(f.ExifNormalize().Enabled());
    EXPECT_FALSE(f.AutoNormalize().Enabled());
    TPictureEx picture, dest;
    MakeJpeg(picture);
    EXPECT_FALSE(f.CanApply(&picture));
    EXPECT_FALSE(f.IsActive(&picture));
    TRect r = Rect(1, 2, 3, 4);
    f.Apply(picture, dest, r);
    EXPECT_EQ(r, TRect());
    EXPECT_EQ(dest.Graphic(), nullptr);

    TAutoAdjustFilter copy;
    f.SetFilterNo(1);
    copy.Assign(&f);
    EXPECT_EQ(copy.FilterNo(), 1);
    EXPECT_TRUE(copy.AutoNormalize().Enabled());
}

TEST_F(AutoAdjust, SystemNormalisationRunsTheEffector) {
    TPictureEx source, dest;
    TSafetyBitmap& b = GetSafetyBitmap(source);
    b.SetSize(6, 2);
    for (int x = 0; x < 6; ++x)
        b.Canvas().FillSolid(Rect(x, 0, x + 1, 2), RGB(40 + 30 * x, 60 + 20 * x, 50 + 25 * x));
    TAutoAdjustFilter f;
    f.SetFilterNo(1);
    EXPECT_TRUE(f.CanApply(&source));
    EXPECT_TRUE(f.IsActive(&source));
    TRect r;
    f.Apply(source, dest, r);
    EXPECT_EQ(r, Rect(0, 0, 6, 2));

    TBitmap expected;
    TGREffectAutoNormalize e;
    e.SetSource(&b);
    e.SetDest(&expected);
    e.SetSourceRect(Rect(0, 0, 6, 2));
    e.Execute();
    auto* out = dynamic_cast<TBitmap*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(out->Pixels() == expected.Pixels());
    EXPECT_FALSE(out->Pixels() == b.Pixels());
}

TEST_F(AutoAdjust, WithoutTheLibraryExifPrintPassesPicturesThrough) {
    TIntf<IBJExifPrintManager> manager = NewBJExifPrintManager();
    EXPECT_FALSE(manager->IsAvailable());
    QString version = "x";
    manager->GetVersion(version);
    EXPECT_TRUE(version.isEmpty());

    TPictureEx jpeg, dest;
    MakeJpeg(jpeg);
    TAutoAdjustFilter f;
    f.SetFilterNo(2);
    EXPECT_FALSE(f.CanApply(&jpeg));
    EXPECT_TRUE(f.IsActive(&jpeg));
    EXPECT_FALSE(f.ExifNormalize().IsActive(&jpeg));
    TRect r;
    f.Apply(jpeg, dest, r);
    EXPECT_NE(dynamic_cast<TJPEGGraphic*>(dest.Graphic()), nullptr);
    EXPECT_EQ(r, Rect(0, 0, 16, 8));
}

TEST_F(AutoAdjust, LibraryCorrectsJpegsOnly) {
    InstallFake();
    TIntf<IBJExifPrintManager> manager = NewBJExifPrintManager();
    QString version;
    manager->GetVersion(version);
    EXPECT_EQ(version, "EP 1.20");

    TPictureEx jpeg, dest, bitmap;
    MakeJpeg(jpeg);
    GetSafetyBitmap(bitmap).SetSize(4, 4);
    TBJExifNormalizeFilter filter;
    filter.SetEnabled(true);
    EXPECT_TRUE(filter.CanApply(&jpeg));
    EXPECT_FALSE(filter.CanApply(&bitmap));
    EXPECT_TRUE(filter.IsActive(&jpeg));

    std::feclearexcept(FE_ALL_EXCEPT);
    TRect r;
    filter.Apply(jpeg, dest, r);
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO), 0);
    EXPECT_GE(fake.sizeCalls, 1);
    // The shooting information came from the first call's size and the second call's bytes.
    EXPECT_EQ(fake.lastInfo, QByteArray::number(GetSafetyJPEG(jpeg).Data().size()).rightJustified(8, '0'));
    auto* out = dynamic_cast<TBitmap*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->PixelFormat(), pf24bit);
    EXPECT_EQ(r, Rect(0, 0, 16, 8));
    const TColor original = GetSafetyJPEG(jpeg).Bitmap().GetPixel(3, 3);
    EXPECT_EQ(out->GetPixel(3, 3),
              RGB(255 - GetRValue(original), 255 - GetGValue(original), 255 - GetBValue(original)));

    // A failing library call leaves the picture uncorrected.
    fake.imageResult = 7;
    filter.Apply(jpeg, dest, r);
    EXPECT_NE(dynamic_cast<TJPEGGraphic*>(dest.Graphic()), nullptr);
}

TEST_F(AutoAdjust, EffectorReportsSixStagesAndFallsBackToTheSource) {
    TBitmap source(5, 3, pf24bit);
    source.Canvas().FillSolid(Rect(0, 0, 5, 3), RGB(9, 99, 199));
    TBitmap dest;
    struct Steps : TPhasedProgressBase {
        int steps = 0;
        int32_t max = 0;
        void BeginPhase(int32_t min, int32_t m) override {
            max = m;
            TPhasedProgressBase::BeginPhase(min, m);
        }
        void ShowPosition(int32_t) override { ++steps; }
        void ShowRange(int32_t, int32_t, int32_t) override {}
    } progress;
    TGREffectBJExifNormalize e;
    e.SetSource(&source);
    e.SetDest(&dest);
    e.SetSourceRect(Rect(0, 0, 5, 3));
    e.SetProgress(&progress);
    e.Execute();
    EXPECT_EQ(progress.max, 6);
    EXPECT_EQ(progress.steps, 6);
    EXPECT_EQ(progress.Level(), 0);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    EXPECT_EQ(dest.GetPixel(4, 2), RGB(9, 99, 199));
}
