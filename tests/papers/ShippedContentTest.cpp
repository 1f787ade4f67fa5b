// The content that ships (Data/ and Sample/Photo beside the executable, drawn by tools/MakeContent):
// every catalogue read through the catalogue readers, every entry a readable picture or template.

#include "core/UAppFrame.h"
#include "imaging/UEncodedImage.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/UImageFont.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULODecoString.h"
#include "imaging/UImagePack.h"
#include "papers/ULabelData.h"
#include "papers/UMaterialCatalog.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString kExeDir = QStringLiteral(QUORLANE_EXE_DIR);
constexpr QRgb kWindow = 0xFFF0F0F0;
constexpr QRgb kOutside = 0xFF907060; // $607090 as red, green, blue

class NoVolumes : public TAppEnvironment {
public:
    QStringList Volumes() override { return {}; }
};

// The program folder as the application frame sees it.
class ShippedContent : public ::testing::Test {
protected:
    ShippedContent() {
        frame.SetEnvironment(std::make_shared<NoVolumes>());
        frame.Macro().SetValue(QStringLiteral("ExeDir"), kExeDir + QLatin1Char('/'));
    }
    TAppFrame frame{nullptr};
};

// A picture file's pixels, through the picture classes the program loads them with.
QImage Pixels(const QString& file) {
    TPictureEx picture;
    picture.LoadFromFile(file);
    if (const auto* encoded = dynamic_cast<const TEncodedImage*>(picture.Graphic()))
        return encoded->Image().convertToFormat(QImage::Format_RGB32);
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(picture.Graphic()))
        return bitmap->Pixels().ToImage().convertToFormat(QImage::Format_RGB32);
    TBitmap drawn(picture.Width(), picture.Height(), pf24bit);
    if (picture.Graphic() != nullptr)
        picture.Graphic()->Draw(drawn.Canvas(), TRect(0, 0, picture.Width(), picture.Height()));
    return drawn.Pixels().ToImage().convertToFormat(QImage::Format_RGB32);
}

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            n += row[x] == colour;
    }
    return n;
}

// Every file's ID, and back from the ID to the file.
void ExpectIdsBothWays(TImageIDList& ids, const QString& file, QSet<QString>& seen) {
    const QString id = ids.GetFileID(file);
    EXPECT_EQ(id.size(), 4) << qPrintable(file);
    EXPECT_FALSE(seen.contains(id)) << qPrintable(id);
    seen.insert(id);
    const QString back = ids.FindFileByID(id);
    ASSERT_FALSE(back.isEmpty()) << qPrintable(id);
    EXPECT_EQ(FindCatalogFile(back + QStringLiteral(".*")), file) << qPrintable(id);
}

} // namespace

TEST_F(ShippedContent, FramesAreReadablePicturesWithExactSeeThroughColours) {
    const TShadeList list(FindCatalogFile(QStringLiteral("Data\\Frame\\Frame.dat")));
    ASSERT_TRUE(list.ErrorText().isEmpty()) << qPrintable(list.ErrorText());
    ASSERT_EQ(list.GetCount(), 3);
    int frames = 0, alphaGenres = 0, withOutside = 0;
    for (int g = 0; g < list.GetCount(); ++g) {
        const TShadeInfo* genre = list.GetInfo(g);
        const QString folder = FindCatalogFolder(genre->Folder);
        ASSERT_FALSE(folder.isEmpty()) << qPrintable(genre->Folder);
        alphaGenres += genre->AlphaFrame;
        for (int i = 0; i < genre->GetCount(); ++i, ++frames) {
            TShadeItem item;
            ASSERT_TRUE(genre->GetItem(i, item));
            const QImage thumb = Pixels(folder + item.Thumbnail);
            const QImage picture = Pixels(folder + item.Picture);
            const QImage third = Pixels(folder + item.Shade);
            ASSERT_FALSE(thumb.isNull() || picture.isNull() || third.isNull()) << qPrintable(item.Picture);
            EXPECT_LE(std::max(thumb.width(), thumb.height()), 200);
            // Print resolution of an L-size photo.
            EXPECT_EQ(std::max(picture.width(), picture.height()), 1500);
            EXPECT_EQ(third.size(), picture.size());
            int x = 0;
            int y = 0;
            int wrong = 0;
            if (genre->AlphaFrame) {
                // Grey vignettes: opaque in the middle, see-through at the corners.
                EXPECT_EQ(qGray(third.pixel(third.width() / 2, third.height() / 2)), 255);
                EXPECT_EQ(qGray(third.pixel(0, 0)), 0);
                continue;
            }
            EXPECT_EQ(picture.pixel(picture.width() / 2, picture.height() / 2), kWindow)
                << qPrintable(item.Picture);
            // The shadow covers exactly what is not outside: white there, black through the holes.
            for (y = 0; y < picture.height(); ++y)
                for (x = 0; x < picture.width(); ++x) {
                    const bool outside = picture.pixel(x, y) == kOutside;
                    wrong += qGray(third.pixel(x, y)) != (outside ? 0 : 255);
                }
            EXPECT_EQ(wrong, 0) << qPrintable(item.Picture);
            const int holes = CountColour(picture, kOutside);
            withOutside += holes > 0;
            // The thumbnail keeps holes where the frame has them.
            EXPECT_EQ(CountColour(thumb, kOutside) > 0, holes > 0) << qPrintable(item.Thumbnail);
        }
    }
    EXPECT_EQ(frames, 20);
    EXPECT_EQ(alphaGenres, 1);
    EXPECT_GE(withOutside, 3);
}

TEST_F(ShippedContent, FiguresAndBackgroundsResolveAndTheirIdsGoBothWays) {
    const TShadeList figures(FindCatalogFile(QStringLiteral("Data\\Figure\\Figure.dat")));
    ASSERT_TRUE(figures.ErrorText().isEmpty());
    TImageIDList figureIds(FindCatalogFile(QStringLiteral("Data\\Figure\\Figure.ids")));
    ASSERT_TRUE(figureIds.ErrorText().isEmpty());
    QSet<QString> seen;
    int count = 0;
    for (int g = 0; g < figures.GetCount(); ++g) {
        const TShadeInfo* genre = figures.GetInfo(g);
        const QString folder = FindCatalogFolder(genre->Folder);
        for (int i = 0; i < genre->GetCount(); ++i, ++count) {
            TShadeItem item;
            ASSERT_TRUE(genre->GetItem(i, item));
            const QImage mask = Pixels(folder + item.Picture);
            const QImage blurred = Pixels(folder + item.Shade);
            ASSERT_FALSE(mask.isNull() || blurred.isNull() || Pixels(folder + item.Thumbnail).isNull());
            EXPECT_EQ(mask.size(), blurred.size());
            // A grey mask, black around the figure, white over a good part of it; the blur softens the
            // edge.
            EXPECT_EQ(mask.pixel(0, 0), 0xFF000000u);
            EXPECT_GT(CountColour(mask, 0xFFFFFFFF), mask.width() * mask.height() / 5)
                << qPrintable(item.Picture);
            EXPECT_NE(blurred, mask);
            ExpectIdsBothWays(figureIds, folder + item.Thumbnail, seen);
        }
    }
    EXPECT_EQ(count, 10);

    const TBackGroundList backgrounds(FindCatalogFile(QStringLiteral("Data\\BackGrnd\\BackGrnd.dat")));
    ASSERT_TRUE(backgrounds.ErrorText().isEmpty());
    TImageIDList backgroundIds(FindCatalogFile(QStringLiteral("Data\\BackGrnd\\BackGrnd.ids")));
    ASSERT_EQ(backgrounds.GetCount(), 1);
    const TBackGroundInfo* genre = backgrounds.GetInfo(0);
    count = 0;
    int tiled = 0;
    for (int s = 0; s < genre->GetSubGenreCount(); ++s) {
        TBackGroundSubGenre sub;
        ASSERT_TRUE(genre->GetSubGenre(s, sub));
        const QString folder = FindCatalogFolder(sub.Folder);
        ASSERT_FALSE(folder.isEmpty()) << qPrintable(sub.Folder);
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
            ++count;
            tiled += sub.Tile;
            EXPECT_FALSE(Pixels(file.filePath()).isNull()) << qPrintable(file.filePath());
            int g = -1;
            int found = -1;
            EXPECT_TRUE(backgrounds.FindFile(file.filePath(), g, found));
            EXPECT_EQ(found, s);
            ExpectIdsBothWays(backgroundIds, file.filePath(), seen);
        }
    }
    EXPECT_EQ(count, 30);
    EXPECT_EQ(tiled, 14);
}

TEST_F(ShippedContent, ImageFontsDrawDecoratedTextsOverWhatLiesBelow) {
    FreeImageFontPack();
    ASSERT_EQ(ImageFontPack().GetCount(), 3 * kImageFontGlyphs);
    for (int font = 1; font <= 3; ++font) {
        TLODecoString text(nullptr);
        text.SetText(QStringLiteral("Ag"));
        text.SetFontNo(font);
        text.SetLogRect(TRect(0, 0, 1, 80));
        QImage page(200, 80, QImage::Format_RGB32);
        page.fill(QColor(0x20, 0x80, 0x40));
        TCanvas canvas(&page);
        text.DrawDecoString(canvas, TRect(0, 0, 200, 80));
        canvas.FreeHandle();
        // The letters cover part of the page; around them the page shows through.
        const int shown = CountColour(page, qRgb(0x20, 0x80, 0x40));
        EXPECT_GT(shown, 200 * 80 / 3) << font;
        EXPECT_LT(shown, 200 * 80 - 500) << font;
        EXPECT_EQ(page.pixel(1, 1), qRgb(0x20, 0x80, 0x40)) << font;
    }
    FreeImageFontPack();
}

TEST_F(ShippedContent, IllustrationsLieOnTheirSeeThroughGrey) {
    const IniFile catalogue(FindCatalogFile(QStringLiteral("Data\\Illust\\Illust.dat")));
    EXPECT_EQ(catalogue.SectionNames(), (QStringList{QStringLiteral("OnePoint"), QStringLiteral("Panel")}));
    int count = 0;
    for (const QString& section : catalogue.SectionNames()) {
        EXPECT_FALSE(catalogue.ReadString(section, QStringLiteral("Name")).isEmpty());
        const QString folder = FindCatalogFolder(catalogue.ReadString(section, QStringLiteral("Dir")));
        ASSERT_FALSE(folder.isEmpty()) << qPrintable(section);
        for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files, QDir::Name)) {
            ++count;
            const QImage picture = Pixels(file.filePath());
            ASSERT_FALSE(picture.isNull());
            EXPECT_EQ(picture.pixel(0, 0), kWindow) << qPrintable(file.filePath());
            EXPECT_LT(CountColour(picture, kWindow), picture.width() * picture.height())
                << qPrintable(file.filePath());
        }
    }
    EXPECT_EQ(count, 40);
    const QStringList photos = QDir(kExeDir + QStringLiteral("/Sample/Photo")).entryList(QDir::Files);
    EXPECT_GE(photos.size(), 3);
    for (const QString& photo : photos)
        EXPECT_FALSE(Pixels(kExeDir + QStringLiteral("/Sample/Photo/") + photo).isNull());
}

TEST_F(ShippedContent, TemplatesOpenAndFitAFaceOfAShippedPaper) {
    RegisterLabelDataClasses();
    RegisterLayoutObjects();
    const TPapersV2 papers(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    TTemplateGroup group;
    group.Open(QStringLiteral("Data\\Cover\\Cover.dat"));
    ASSERT_FALSE(group.NotFound());
    TImageIDList ids(FindCatalogFile(QStringLiteral("Data\\Cover\\Cover.ids")));
    const IniFile catalogue(FindCatalogFile(QStringLiteral("Data\\Cover\\Cover.dat")));
    QSet<QString> seen;
    int count = 0;
    int photoPlaces = 0;
    for (const QString& purpose : catalogue.SectionNames()) {
        group.SetSection(purpose);
        QStringList names;
        group.GetNames(names);
        ASSERT_FALSE(names.isEmpty()) << qPrintable(purpose);
        for (int i = 0; i < names.size(); ++i) {
            QString folder;
            ASSERT_TRUE(group.GetFolder(i, folder)) << qPrintable(names[i]);
            // As the template browser lists a genre: any paper, pages of the face's purpose.
            TFaceInfo filter;
            filter.FacePurpose = purpose;
            TTemplateList list;
            list.Scan(folder, &filter);
            ASSERT_GT(list.GetCount(), 0) << qPrintable(folder);
            for (int t = 0; t < list.GetCount(); ++t, ++count) {
                const TTemplateInfo& info = list.GetItem(t);
                EXPECT_FALSE(info.WholeFile);
                const QString id = ids.GetTemplateID(info);
                EXPECT_EQ(id.size(), 4) << qPrintable(info.FileName);
                EXPECT_FALSE(seen.contains(id));
                seen.insert(id);
                TPicture preview;
                EXPECT_TRUE(
                    TLabelData::LoadPreviewFromFile(preview, info.FileName, info.SheetIndex, info.FaceIndex));

                TLabelData doc(nullptr);
                doc.LoadFromFile(info.FileName);
                EXPECT_TRUE(doc.LoadWarnings().isEmpty()) << qPrintable(doc.LoadWarnings().join(u'\n'));
                doc.SetCurrentSheetNo(info.SheetIndex);
                ASSERT_GE(papers.IndexOf(doc.GetPaperInfo()->PaperName), 0) << qPrintable(info.FileName);
                const TRect face = doc.GetPaperInfo()->GetFaceOuterRect(info.FaceIndex);
                TOwnedDOList objects;
                doc.LoadLabelObjects(info.FaceIndex, objects);
                ASSERT_GE(objects.Count(), 3);
                for (int o = 0; o < objects.Count(); ++o) {
                    // A photo's place is an empty album photo, for the cover's photo commands.
                    if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(objects[o])) {
                        EXPECT_TRUE(photo->PhotoImageObj()->IsEmpty()) << qPrintable(info.FileName);
                        EXPECT_TRUE(photo->FitOuter());
                        ++photoPlaces;
                    }
                    TRect r;
                    objects[o]->GetLogRect(r);
                    // The drawn bounds take in the outline's last unit.
                    EXPECT_TRUE(r.Left >= face.Left - 1 && r.Top >= face.Top - 1 &&
                                r.Right <= face.Right + 1 && r.Bottom <= face.Bottom + 1)
                        << qPrintable(info.FileName) << " object " << o;
                }
            }
        }
    }
    EXPECT_EQ(count, 10);
    EXPECT_EQ(photoPlaces, 2);
}

TEST(ShippedContentBuild, TwoRunsGiveEqualBytes) {
    QTemporaryDir out;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SOURCE_DATE_EPOCH", "0");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORLANE_MAKECONTENT),
            {out.path(), QStringLiteral(QUORLANE_SYSTEM_PAPERS), out.filePath(QStringLiteral("sheets"))});
    ASSERT_TRUE(p.waitForFinished(120000) && p.exitCode() == 0) << p.readAllStandardError().constData();
    int files = 0;
    for (const char* top : {"Data", "Sample"}) {
        QDirIterator it(kExeDir + QLatin1Char('/') + QLatin1String(top), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString shipped = it.next();
            QFile a(shipped);
            QFile b(out.path() + shipped.mid(kExeDir.size()));
            ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)) << qPrintable(shipped);
            EXPECT_EQ(a.readAll(), b.readAll()) << qPrintable(shipped);
            ++files;
        }
    }
    EXPECT_GT(files, 150);
}
