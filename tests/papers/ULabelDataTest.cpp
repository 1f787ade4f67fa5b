#include "papers/ULabelData.h"

#include "core/UDocStorage.h"
#include "core/USupportUtil.h"
#include "imaging/UEncodedImage.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/UZLIB.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"
#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

void Register() {
    RegisterLabelDataClasses();
    RegisterPictureClasses();
    RegisterTestClasses();
    for (const TMetaClass* meta :
         {&TLOBackImage::StaticClass(), &TLODate::StaticClass(), &TLOAlbumPhoto::StaticClass()})
        if (GetClass(meta->Name()) == nullptr)
            RegisterClass(*meta);
}

// Root reads files whatever their rights say: meanwhile this thread gives up overriding them.
class WithoutOverridingRights {
public:
    WithoutOverridingRights() {
        ::syscall(SYS_capget, &header_, saved_);
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        ::syscall(SYS_capset, &header_, reduced);
    }
    ~WithoutOverridingRights() { ::syscall(SYS_capset, &header_, saved_); }
    WithoutOverridingRights(const WithoutOverridingRights&) = delete;
    WithoutOverridingRights& operator=(const WithoutOverridingRights&) = delete;

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2] = {};
};

std::unique_ptr<TLOBackImage> MakeBackground(TColor color, const TRect& r) {
    auto background = std::make_unique<TLOBackImage>(nullptr);
    background->SetLogRect(r);
    background->FillColor()->SetColor(color);
    return background;
}

TStringList SheetNames(TLabelData& doc) {
    TStringList names;
    doc.GetSheetNames(names);
    return names;
}

// A page of one red rectangle at r.
void StoreRect(TLabelData& doc, int face, const TRect& r) {
    TOwnedDOList objects;
    auto rect = std::make_unique<TTestRect>(nullptr);
    rect->SetLogRect(r);
    objects.Add(std::move(rect));
    TDOList view;
    objects.ListObjects(view);
    doc.StoreLabelObjects(face, view);
}

void CollectStreams(TDocStorage& storage, const QString& prefix, std::map<QString, QByteArray>& out) {
    TStringList streams;
    storage.GetStreamNames(streams);
    for (int i = 0; i < streams.Count(); ++i)
        out[prefix + streams[i]] = ReadElementBytes(&storage, streams[i]);
    TStringList storages;
    storage.GetStorageNames(storages);
    for (int i = 0; i < storages.Count(); ++i) {
        TDocStorage sub(&storage, storages[i], false);
        CollectStreams(sub, prefix + storages[i] + QStringLiteral("\\"), out);
    }
}

std::map<QString, QByteArray> StreamsOf(const QString& fileName) {
    TFileStorage file(fileName, 0);
    std::map<QString, QByteArray> out;
    CollectStreams(file, QString(), out);
    return out;
}

} // namespace

TEST(LabelData, NewDocumentHasThreeNamedSheetsAndIsUnmodified) {
    Register();
    TLabelData doc(nullptr);
    EXPECT_EQ(doc.GetSheetCount(), 3);
    EXPECT_EQ(doc.CurrentSheetNo(), 0);
    EXPECT_TRUE(doc.SeparatelyDesign);
    EXPECT_FALSE(doc.Modified());
    const TStringList names = SheetNames(doc);
    ASSERT_EQ(names.Count(), 3);
    EXPECT_EQ(names[0], QStringLiteral("新規シート1"));
    EXPECT_EQ(names[2], QStringLiteral("新規シート3"));
    EXPECT_FALSE(doc.Modified());
}

TEST(LabelData, SheetNamesFillGapsAndCopiesCount) {
    Register();
    TLabelData doc(nullptr);
    doc.SetCurrentSheetNo(1);
    doc.DeleteSheet(1);
    doc.AddSheet();
    EXPECT_EQ(doc.SheetName(), QStringLiteral("新規シート2"));
    doc.SetCurrentSheetNo(0);
    doc.SetSheetName(QStringLiteral("A"));
    doc.CopySheet();
    EXPECT_EQ(doc.SheetName(), QStringLiteral("Aのコピー1"));
    doc.SetCurrentSheetNo(0);
    doc.CopySheet();
    EXPECT_EQ(doc.SheetName(), QStringLiteral("Aのコピー2"));
    EXPECT_EQ(doc.GetSheetCount(), 5);
}

TEST(LabelData, DeletingSheetsKeepsASensibleCurrentSheet) {
    Register();
    TLabelData doc(nullptr);
    doc.SetCurrentSheetNo(2);
    doc.DeleteSheet(2);
    EXPECT_EQ(doc.CurrentSheetNo(), 1);
    EXPECT_EQ(doc.SheetName(), QStringLiteral("新規シート2"));

    TLabelData other(nullptr);
    other.DeleteSheet(0);
    EXPECT_EQ(other.CurrentSheetNo(), 0);
    EXPECT_EQ(other.SheetName(), QStringLiteral("新規シート2"));

    // Deleting another sheet keeps the current one, with its unstored name.
    TLabelData third(nullptr);
    third.SetCurrentSheetNo(1);
    third.SetSheetName(QStringLiteral("kept"));
    third.DeleteSheet(0);
    EXPECT_EQ(third.CurrentSheetNo(), 0);
    EXPECT_EQ(third.SheetName(), QStringLiteral("kept"));
    EXPECT_EQ(SheetNames(third)[0], QStringLiteral("kept"));
}

TEST(LabelData, FacesStoreLoadAndClear) {
    Register();
    TLabelData doc(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2000);
    paper.SetHeight(3000);
    paper.FaceCountX = 2;
    paper.FaceCountY = 1;
    paper.FaceWidth = 800;
    paper.FaceHeight = 1000;
    doc.SetPaperInfo(paper);
    // The layout paper is one face over the whole sheet.
    EXPECT_EQ(doc.GetLayoutPaper()->GetFaceCount(), 1);
    EXPECT_EQ(doc.GetLayoutPaper()->GetFaceOuterRect(0), TRect(0, 0, 2000, 3000));

    EXPECT_FALSE(doc.HasLabelData(0));
    StoreRect(doc, 0, TRect(5000, 100, 5200, 300));
    EXPECT_TRUE(doc.HasLabelData(0));
    TOwnedDOList loaded;
    doc.LoadLabelObjects(0, loaded);
    ASSERT_EQ(loaded.Count(), 1);
    // Off the page: brought back so that its centre lies inside.
    TRect r;
    loaded[0]->GetLogRect(r);
    EXPECT_LE((r.Left + r.Right) / 2, 2000 - 10);

    TDOList none;
    doc.StoreLabelObjects(0, none);
    EXPECT_FALSE(doc.HasLabelData(0));

    // Without separate design every face uses entry 0; ClearLabel takes the index as it is.
    StoreRect(doc, 0, TRect(0, 0, 10, 10));
    doc.SeparatelyDesign = false;
    EXPECT_TRUE(doc.HasLabelData(1));
    doc.ClearLabel(1);
    EXPECT_TRUE(doc.HasLabelData(0));
    doc.ClearLabel(0);
    EXPECT_FALSE(doc.HasLabelData(0));
}

TEST(LabelData, FewerFacesDropTheLastFaceEntries) {
    Register();
    TLabelData doc(nullptr);
    for (int i = 0; i < 3; ++i)
        StoreRect(doc, i, TRect(0, 0, 10, 10));
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1000);
    paper.SetHeight(1000);
    paper.FaceCountX = paper.FaceCountY = 1;
    paper.FaceWidth = paper.FaceHeight = 500;
    doc.SetPaperInfo(paper);
    EXPECT_TRUE(doc.HasLabelData(0));
    EXPECT_FALSE(doc.HasLabelData(1));
    EXPECT_FALSE(doc.HasLabelData(2));
}

TEST(LabelData, SaveOpenSaveKeepsEveryStream) {
    Register();
    QImage plain(64, 48, QImage::Format_RGB32);
    plain.fill(qRgb(200, 40, 90));
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && plain.save(&buffer, "JPEG", 90));
    const QByteArray photoBytes = buffer.data();
    QTemporaryDir dir;
    const QString first = dir.filePath("first.qld");
    const QString second = dir.filePath("second.qld");
    {
        TLabelData doc(nullptr);
        doc.DataName = QStringLiteral("旅行");
        doc.FrontCover = true;
        StoreRect(doc, 0, TRect(100, 100, 600, 400));
        doc.SetCurrentSheetNo(2);
        doc.SetSheetName(QStringLiteral("最後"));
        TOwnedDOList page;
        auto rect = std::make_unique<TTestRect>(nullptr);
        rect->SetLogRect(TRect(10, 10, 60, 40));
        page.Add(std::move(rect));
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetLogRect(TRect(100, 100, 500, 400));
        TJPEGImage jpeg;
        jpeg.SetData(photoBytes);
        photo->PhotoImageObj()->Picture()->SetGraphic(&jpeg);
        page.Add(std::move(photo));
        TDOList pageView;
        page.ListObjects(pageView);
        doc.StoreLabelObjects(0, pageView);
        EXPECT_TRUE(doc.Modified());
        doc.SaveToFile(first);
        EXPECT_FALSE(doc.Modified());
        EXPECT_TRUE(doc.HasPreview(0));
    }
    TLabelData doc(nullptr);
    doc.LoadFromFile(first);
    EXPECT_TRUE(doc.LoadWarnings().isEmpty());
    EXPECT_FALSE(doc.Modified());
    EXPECT_EQ(doc.CurrentSheetNo(), 2);
    EXPECT_EQ(doc.SheetName(), QStringLiteral("最後"));
    EXPECT_EQ(doc.DataName, QStringLiteral("旅行"));
    EXPECT_TRUE(doc.FrontCover);
    // A face loaded and stored unchanged keeps its bytes once packed again. Its photo keeps its
    // JPEG file undecoded until it is drawn.
    TOwnedDOList objects;
    doc.LoadLabelObjects(0, objects);
    ASSERT_EQ(objects.Count(), 2);
    auto* photo = dynamic_cast<TLOAlbumPhoto*>(objects[0]);
    ASSERT_NE(photo, nullptr) << "the page was handed topmost first";
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(photo->PhotoImageObj()->Picture()->Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_FALSE(jpeg->Decoded());
    EXPECT_EQ(jpeg->Data(), photoBytes);
    TBitmap drawn;
    drawn.SetPixelFormat(pf24bit);
    drawn.SetSize(40, 30);
    jpeg->Draw(drawn.Canvas(), TRect(0, 0, 40, 30));
    EXPECT_NEAR(GetRValue(drawn.GetPixel(20, 15)), 200, 8);
    TDOList view;
    for (int i = objects.Count() - 1; i >= 0; --i)
        view.Add(objects[i]);
    doc.StoreLabelObjects(0, view);
    doc.SaveToFile(second);

    const auto a = StreamsOf(first);
    const auto b = StreamsOf(second);
    ASSERT_EQ(a.size(), b.size());
    for (const auto& [path, bytes] : a) {
        ASSERT_TRUE(b.count(path)) << path.toStdString();
        EXPECT_EQ(b.at(path), bytes) << path.toStdString();
    }
    // Faces are packed once: their streams start with the container's signature.
    const QByteArray face = a.at(QStringLiteral("Sheets\\NameList2\\NameList0"));
    EXPECT_TRUE(face.startsWith("ZLIBCompress"));
    // The preview is a PNG picture within 360 pixels.
    TPictureEx preview;
    ASSERT_TRUE(TLabelData::LoadPreviewFromFile(preview, second, 0, 0));
    ASSERT_NE(preview.Graphic(), nullptr);
    EXPECT_LE(preview.Graphic()->Width(), 360);
    EXPECT_LE(preview.Graphic()->Height(), 360);
    EXPECT_FALSE(TLabelData::LoadPreviewFromFile(preview, second, 1, 0));
    EXPECT_FALSE(TLabelData::LoadPreviewFromFile(preview, second, 7, 0));
}

TEST(LabelData, AFailedOpenLeavesTheDocumentAsItWas) {
    Register();
    QTemporaryDir dir;
    const QString junk = dir.filePath("junk.qld");
    WriteFile(junk, QByteArray("not a compound file at all"));
    const QString noList = dir.filePath("nolist.qld");
    {
        TFileStorage file(noList, ModeCreate);
        WriteElementBytes(&file, QStringLiteral("DataInfo"), QByteArray("x"));
    }
    TLabelData doc(nullptr);
    doc.SetSheetName(QStringLiteral("mine"));
    for (const QString& name : {junk, noList}) {
        const QByteArray before = ReadFile(name);
        try {
            doc.LoadFromFile(name);
            ADD_FAILURE() << "opened " << name.toStdString();
        } catch (const ELabelData& e) {
            EXPECT_TRUE(e.Message().contains(name));
        }
        EXPECT_EQ(ReadFile(name), before);
        EXPECT_TRUE(doc.Modified());
        EXPECT_EQ(doc.SheetName(), QStringLiteral("mine"));
        EXPECT_EQ(doc.GetSheetCount(), 3);
    }
}

TEST(LabelData, EachKindOfOpenFailureReachesTheCallerWithTheFile) {
    Register();
    QTemporaryDir dir;
    const QString good = dir.filePath("good.qld");
    TLabelData(nullptr).SaveToFile(good);
    const QString locked = dir.filePath("locked.qld");
    QFile::copy(good, locked);
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const QString truncated = dir.filePath("truncated.qld");
    WriteFile(truncated, ReadFile(good).left(600));
    const QString cutShort = dir.filePath("cutshort.qld");
    QFile::copy(good, cutShort);
    WriteFile(cutShort + ".changing", "");
    const QString noList = dir.filePath("nolist.qld");
    {
        TFileStorage file(noList, ModeCreate);
        WriteElementBytes(&file, QStringLiteral("DataInfo"), QByteArray("x"));
    }
    const QString pipe = dir.filePath("pipe.qld");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString corpus = SourcePath(QStringLiteral("fuzz/labeldata/corpus/"));
    const std::pair<QString, TOpenFault> cases[] = {
        {dir.filePath("missing.qld"), TOpenFault::Missing},
        {dir.filePath("nofolder/doc.qld"), TOpenFault::Missing},
        {dir.path(), TOpenFault::Folder},
        {locked, TOpenFault::Permission},
        {corpus + "not_compound", TOpenFault::NotCompoundFile},
        {pipe, TOpenFault::NotCompoundFile},
        {truncated, TOpenFault::DamagedFile},
        {cutShort, TOpenFault::DamagedFile},
        {noList, TOpenFault::DamagedPart},
        {corpus + "sheet_is_a_stream", TOpenFault::DamagedPart},
    };
    for (const auto& [name, fault] : cases) {
        TLabelData doc(nullptr);
        std::optional<WithoutOverridingRights> rights;
        if (fault == TOpenFault::Permission)
            rights.emplace();
        try {
            doc.LoadFromFile(name);
            ADD_FAILURE() << name.toStdString() << " opened";
        } catch (const ELabelDataOpen& e) {
            EXPECT_EQ(e.Fault(), fault) << name.toStdString() << ": " << e.what();
            EXPECT_EQ(e.FileName(), name);
            EXPECT_TRUE(e.Message().contains(name) && e.Message().contains(e.Cause()));
        }
    }
}

TEST(LabelData, DamagedPartsKeepDefaultsAndDamagedFacesKeepTheirBytes) {
    Register();
    QTemporaryDir dir;
    const QString good = dir.filePath("good.qld");
    {
        TLabelData doc(nullptr);
        doc.SetCurrentSheetNo(1);
        doc.SaveToFile(good);
    }
    // Damage DataInfo, sheet 1's Info and a face stream; claim a sheet far beyond the list.
    const QString bad = dir.filePath("bad.qld");
    QFile::copy(good, bad);
    const QByteArray damagedFace =
        QByteArray("ZLIBCompress\x1a", 13) + QByteArray("\xff\xff\xff\x7f", 4) + "zz";
    {
        TFileStorage file(bad, 2);
        WriteElementBytes(&file, QStringLiteral("DataInfo"), QByteArray("\xff\x0a\x00garbage", 10));
        TDocStorage sheet(&file, QStringLiteral("Sheets\\NameList1"), false);
        WriteElementBytes(&sheet, QStringLiteral("Info"), QByteArray("\xff\x0a\x00INFO\x00", 8));
        WriteElementBytes(&sheet, QStringLiteral("NameList"),
                          QByteArray("\x01\x00\x00\x00NameList0\r\n", 15));
        WriteElementBytes(&sheet, QStringLiteral("NameList0"), damagedFace);
        file.Storage()->Commit(true);
    }
    TLabelData doc(nullptr);
    doc.LoadFromFile(bad);
    // Sheet 1's Info is told on opening, before that sheet is shown.
    ASSERT_EQ(doc.LoadWarnings().size(), 2);
    EXPECT_TRUE(doc.LoadWarnings()[1].contains(QStringLiteral("シート2: Info")));
    EXPECT_EQ(doc.CurrentSheetNo(), 0);
    doc.SetCurrentSheetNo(1);
    TOwnedDOList objects;
    EXPECT_THROW(doc.LoadLabelObjects(0, objects), Exception);
    TDOList none;
    doc.StoreLabelObjects(0, none);
    EXPECT_TRUE(doc.HasLabelData(0));
    const QString saved = dir.filePath("saved.qld");
    doc.SaveToFile(saved);
    EXPECT_EQ(StreamsOf(saved).at(QStringLiteral("Sheets\\NameList1\\NameList0")), damagedFace);
}

TEST(LabelData, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    Register();
    QTemporaryDir dir;
    const QString target = dir.filePath("doc.qld");
    TLabelData doc(nullptr);
    doc.SaveToFile(target);
    const QByteArray before = ReadFile(target);
    doc.SetSheetName(QStringLiteral("changed"));
    // A "folder" that is a file cannot be written into, whatever the rights.
    const QString notFolder = dir.filePath("plain");
    WriteFile(notFolder, QByteArray("x"));
    const QString unwritable = notFolder + QStringLiteral("/doc.qld");
    try {
        doc.SaveToFile(unwritable);
        ADD_FAILURE() << "saved into a read-only folder";
    } catch (const ELabelData& e) {
        EXPECT_TRUE(e.Message().contains(unwritable));
    }
    EXPECT_TRUE(doc.Modified());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_EQ(ReadFile(target), before);
}

TEST(LabelData, EmptyPagesGetEmptyPreviews) {
    Register();
    TLabelData doc(nullptr);
    TPictureEx picture;
    doc.GetPreview(0, picture);
    EXPECT_EQ(picture.Graphic(), nullptr);
    EXPECT_FALSE(doc.HasPreview(0));
}

TEST(LabelData, DamagedCorpusDocumentsOpenPartlyOrFailWithTheirMessage) {
    Register();
    const QString corpus = SourcePath(QStringLiteral("fuzz/labeldata/corpus/"));
    for (const char* name :
         {"no_sheet_list", "empty_sheet_list", "missing_sheet_storage", "sheet_is_a_stream", "truncated_half",
          "not_compound"}) {
        TLabelData doc(nullptr);
        try {
            doc.LoadFromFile(corpus + name);
            ADD_FAILURE() << name << " opened";
        } catch (const ELabelData& e) {
            EXPECT_TRUE(e.Message().contains(corpus + name)) << name;
        }
    }
    struct Partly {
        const char* name;
        int current;
        int warnings;
    };
    // The sound document was saved on sheet 1; without its "DataInfo" sheet 0 is current.
    for (const Partly& p : {Partly{"damaged_datainfo", 0, 1}, Partly{"far_current_sheet", 2, 0},
                            Partly{"damaged_paperinfo", 1, 1}}) {
        TLabelData doc(nullptr);
        doc.LoadFromFile(corpus + p.name);
        EXPECT_EQ(doc.GetSheetCount(), 3) << p.name;
        EXPECT_EQ(doc.CurrentSheetNo(), p.current) << p.name;
        EXPECT_EQ(doc.LoadWarnings().size(), p.warnings) << p.name;
    }
    {
        // Each unreadable part of a sheet keeps its default; one warning names them all.
        TLabelData doc(nullptr);
        doc.LoadFromFile(corpus + "damaged_paperinfo");
        ASSERT_EQ(doc.LoadWarnings().size(), 1);
        for (const char* part : {"PaperInfo", "PaperExtraInfo", "PaperImageInfo", "PaperExtraAlbum"})
            EXPECT_TRUE(doc.LoadWarnings()[0].contains(QLatin1String(part))) << part;
        doc.SetCurrentSheetNo(0);
        // The paper that could not be read takes no page with it.
        EXPECT_TRUE(doc.HasLabelData(0));
    }
    TLabelData doc(nullptr);
    doc.LoadFromFile(corpus + "face_claims_4gb");
    TOwnedDOList objects;
    EXPECT_THROW(doc.LoadLabelObjects(0, objects), Exception);
    doc.LoadFromFile(corpus + "preview_no_picture");
    TPictureEx picture;
    EXPECT_THROW(doc.GetPreview(0, picture), Exception);
}

TEST(LabelData, BackgroundsFillTheirFaceAndPlainWhiteOnesAreNotStored) {
    Register();
    TLabelData doc(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1200);
    paper.SetHeight(800);
    doc.SetPaperInfo(paper);
    {
        TOwnedDOList objects;
        objects.Add(MakeBackground(clWhite, TRect(0, 0, 1200, 800)));
        TDOList view;
        objects.ListObjects(view);
        doc.StoreLabelObjects(0, view);
        EXPECT_FALSE(doc.HasLabelData(0));
    }
    TOwnedDOList objects;
    auto rect = std::make_unique<TTestRect>(nullptr);
    rect->SetLogRect(TRect(10, 10, 50, 50));
    objects.Add(std::move(rect));
    objects.Add(MakeBackground(clWhite, TRect(0, 0, 1200, 800)));
    objects.Add(MakeBackground(clRed, TRect(30, 30, 90, 90)));
    TDOList view;
    objects.ListObjects(view);
    doc.StoreLabelObjects(0, view);
    TOwnedDOList loaded;
    doc.LoadLabelObjects(0, loaded);
    // The white background is left out, the red one takes the face it is loaded onto.
    ASSERT_EQ(loaded.Count(), 2);
    auto* background = dynamic_cast<TLOBackImage*>(loaded[0]);
    ASSERT_NE(background, nullptr);
    TRect r;
    background->GetLogRect(r);
    EXPECT_EQ(r, TRect(30, 30, 1230, 830)); // the face's size
    EXPECT_EQ(background->GetFaceInfo().GetOuterRect(), TRect(0, 0, 1200, 800));
    EXPECT_NE(dynamic_cast<TTestRect*>(loaded[1]), nullptr);
}

// A sheet printed from the reverse side shows the paper's images mirrored; backgrounds fill what the
// printer reaches.
TEST(LabelData, PreviewsMirrorBackSidesAndFitBackgroundsToThePrintableArea) {
    Register();
    FakePrinterBackend* printer = FakePrinterBackend::Install();
    printer->queues["Office"] = FakePrinterBackend::OfficeQueue(); // A4, 5 mm margins
    printer->defaultQueue = "Office";
    const auto restore = qScopeGuard([] { SetPrinterBackend(nullptr); });
    ASSERT_TRUE(HasDefaultPrinter());

    TLabelData doc(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1200);
    paper.SetHeight(1200);
    doc.SetPaperInfo(paper);
    doc.FaceSides = fsBack;
    TImagePaperInfo images(nullptr);
    TOwnedDOList list;
    auto mark = std::make_unique<TTestRect>(nullptr);
    mark->SetLogRect(TRect(100, 500, 300, 700));
    mark->SetFillColor(clBlue);
    list.Add(std::move(mark));
    images.SetImageObjects(0, list);
    doc.SetPaperImageInfo(&images);
    TOwnedDOList page;
    page.Add(MakeBackground(clRed, TRect(0, 0, 1200, 1200)));
    TDOList view;
    page.ListObjects(view);
    doc.StoreLabelObjects(0, view);

    TPictureEx picture;
    doc.GetPreview(0, picture);
    auto* png = dynamic_cast<TEncodedImage*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    const QImage preview = png->Image();
    ASSERT_EQ(preview.size(), QSize(360, 360));
    const auto near = [&](int x, int y, TColor expected) {
        const TColor c = PixelAt(preview, x, y);
        for (int shift : {0, 8, 16})
            if (std::abs(int((c >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 8)
                return false;
        return true;
    };
    // 0.3 pixels a unit: the mark moved from the left (x 100..300) to the right (900..1100).
    EXPECT_TRUE(near(300, 180, clBlue));
    EXPECT_TRUE(near(60, 180, clRed));
    // The background covers (50, 50, 1150, 1150), not the paper's edges.
    for (const QPoint& p : {QPoint(180, 6), QPoint(6, 180), QPoint(354, 180), QPoint(180, 354)})
        EXPECT_TRUE(near(p.x(), p.y(), clWhite)) << p.x() << "," << p.y();
    for (const QPoint& p : {QPoint(180, 20), QPoint(20, 180), QPoint(340, 180), QPoint(180, 340)})
        EXPECT_TRUE(near(p.x(), p.y(), clRed)) << p.x() << "," << p.y();
}

TEST(LabelData, FacesPackedOnWorkersAreASerialPacksBytesInPlace) {
    Register();
    QThreadPool* pool = QThreadPool::globalInstance();
    const int threads = pool->maxThreadCount();
    pool->setMaxThreadCount(2); // four faces in flight: the save waits for the oldest
    const auto restore = qScopeGuard([&] { pool->setMaxThreadCount(threads); });
    QTemporaryDir dir;
    const QString file = dir.filePath("many.qld");
    constexpr int kSheets = 12;
    {
        TLabelData doc(nullptr);
        for (int s = 0; s < kSheets; ++s) {
            if (s < doc.GetSheetCount())
                doc.SetCurrentSheetNo(s);
            else
                doc.AddSheet();
            StoreRect(doc, 0, TRect(10 + s, 10, 60 + s, 40));
        }
        doc.SaveToFile(file);
    }
    const auto streams = StreamsOf(file);
    for (int s = 0; s < kSheets; ++s) {
        const QByteArray stored = streams.at(QStringLiteral("Sheets\\NameList%1\\NameList0").arg(s));
        TMemoryStream packed(stored);
        int32_t size = 0;
        ASSERT_TRUE(ReadZLIBHeader(packed, size));
        TMemoryStream plain(ZLIBDecompressToBytes(packed, size));
        TMemoryStream serial;
        ZLIBCompressStream(plain, serial, TCompressionLevel::clMax);
        EXPECT_EQ(serial.Data(), stored) << s;
    }
    TLabelData doc(nullptr);
    doc.LoadFromFile(file);
    for (int s = 0; s < kSheets; ++s) {
        doc.SetCurrentSheetNo(s);
        TOwnedDOList objects;
        doc.LoadLabelObjects(0, objects);
        ASSERT_EQ(objects.Count(), 1);
        TRect r;
        static_cast<TTestRect*>(objects[0])->GetLogRect(r);
        EXPECT_EQ(r.Left, 10 + s);
    }
}

TEST(LabelData, APageTakenFromATemplateLeavesItUnchanged) {
    Register();
    QTemporaryDir dir;
    const QString file = dir.filePath("card.qlt");
    {
        TLabelData doc(nullptr);
        StoreRect(doc, 0, TRect(100, 100, 600, 400));
        doc.SaveToFile(file);
    }
    const QByteArray before = ReadFile(file);
    {
        TLabelData scratch(nullptr);
        scratch.LoadFromFile(file);
        TOwnedDOList objects;
        scratch.LoadLabelObjects(0, objects);
        EXPECT_EQ(objects.Count(), 1);
        StoreRect(scratch, 0, TRect(0, 0, 10, 10)); // changes the working copy only
        TPictureEx picture;
        EXPECT_TRUE(TLabelData::LoadPreviewFromFile(picture, file, 0, 0));
    }
    EXPECT_EQ(ReadFile(file), before);
}

TEST(LabelData, DatesFollowTheDocumentAndEmptyPhotosStayOutOfPreviews) {
    Register();
    TLabelData doc(nullptr);
    doc.LastPrint = 100.5;
    doc.LastSave = 200.25;
    TOwnedDOList objects;
    for (TDateUpdateFlag flag : {dufNo, dufOpen, dufPrint, dufSave}) {
        auto date = std::make_unique<TLODate>(nullptr);
        date->SetLogRect(TRect(0, 0, 100, 50));
        date->SetDate(5);
        date->SetUpdateFlag(flag);
        objects.Add(std::move(date));
    }
    TDOList view;
    objects.ListObjects(view);
    doc.StoreLabelObjects(0, view);
    TOwnedDOList loaded;
    doc.LoadLabelObjects(0, loaded);
    ASSERT_EQ(loaded.Count(), 4);
    const std::map<TDateUpdateFlag, TDateTime> expected = {
        {dufNo, 5}, {dufOpen, doc.OpenTime}, {dufPrint, 100.5}, {dufSave, 200.25}};
    for (int i = 0; i < loaded.Count(); ++i) {
        auto* date = dynamic_cast<TLODate*>(loaded[i]);
        ASSERT_NE(date, nullptr);
        EXPECT_EQ(date->Date(), expected.at(date->UpdateFlag())) << int(date->UpdateFlag());
    }

    // A photo slot still waiting for its picture is not part of the preview.
    TLabelData album(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1200);
    paper.SetHeight(1200);
    album.SetPaperInfo(paper);
    TOwnedDOList page;
    auto slot = std::make_unique<TLOAlbumPhoto>(nullptr);
    slot->SetLogRect(TRect(100, 100, 1100, 1100));
    page.Add(std::move(slot));
    TDOList pageView;
    page.ListObjects(pageView);
    album.StoreLabelObjects(0, pageView);
    TPictureEx picture;
    album.GetPreview(0, picture);
    auto* png = dynamic_cast<TEncodedImage*>(picture.Graphic());
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(PixelAt(png->Image(), 180, 180), clWhite);
}
