// The start-up: what stops it, what it makes, and what it leaves for the first idle moment.

#include "app/DMain.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/FSheet.h"
#include "app/UEditModePanel.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FAbout.h"
#include "controls/StaffRoll.h"
#include "core/UDocStorage.h"
#include "imaging/UImageCache.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UPurposeList.h"
#include "platform/ClassRegistry.h"
#include "platform/CrashSafety.h"
#include "platform/PropertyRegistry.h"
#include "platform/Settings.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace {

using DataMainTest = AppFixture;

const QString kSettingsKey = QStringLiteral("Software\\Ovandrexa\\Quorlane\\1.0\\Settings");

// An A4 paper of the user's own, added to the store.
void AddUserPaper(TPapersV2& papers, const QString& name) {
    TMatrixPaperInfo paper(nullptr);
    paper.PaperName = name;
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    papers.AddOrReplace(paper);
}

void MakeReadOnly(const QString& path) {
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
}

TEST_F(DataMainTest, StartsWithTheSharedDataAndTheMainWindow) {
    TdataMain& d = Start();
    ASSERT_TRUE(d.Started());
    ASSERT_NE(d.MainForm(), nullptr);
    EXPECT_EQ(environment->lockName, QStringLiteral("Quorlane.1.0.Skarvane.Japan"));
    ASSERT_NE(d.Papers(), nullptr);
    EXPECT_GT(d.Papers()->GetCount(), 0);
    EXPECT_TRUE(d.ImageCache()->IsOpen());
    // The product database is written on the first run, in the user's folder.
    EXPECT_TRUE(QFileInfo::exists(UserFolder() + QStringLiteral("/quorlane.cdb")));
    EXPECT_EQ(d.MainForm()->windowTitle(), QStringLiteral("Quorlane"));
    d.MainForm()->UpdateCaption();
    EXPECT_EQ(d.MainForm()->windowTitle(), QStringLiteral("Quorlane - 新規作成"));
    EXPECT_NE(TPurposeValidator::Validator(), nullptr);
    EXPECT_EQ(DefaultShadowPicture()->Width(), 256) << "the shipped shadow";
    EXPECT_EQ(ImageDispLimitSize(), 800);
    EXPECT_TRUE(dialogs.boxes.empty());
    // Stored pages can be read, and the tools can make objects.
    ASSERT_NE(GetClass(QStringLiteral("TLOText")), nullptr);
    EXPECT_EQ(GetClass(QStringLiteral("TLOText"))->Name(), QStringLiteral("TLOWizardText"));
    std::unique_ptr<TDrawObject> made(DesignerList().CreateObject(QStringLiteral("TLORect")));
    EXPECT_NE(made, nullptr);
}

TEST_F(DataMainTest, WhatStartUpRegisteredGoesWithTheModule) {
    const int designersBefore = DesignerList().Count();
    ASSERT_NE(StartMainWindow(), nullptr);
    ASSERT_TRUE(IsModeFormRegistered(mkLayout));
    ASSERT_TRUE(IsEditModePanelRegistered(emPhoto));
    EXPECT_GT(DesignerList().Count(), designersBefore);
    MoveGhostOptions().CircumMove = true;
    SnapHook() = [](TObject*, const TPoint&, TPoint&) {};
    data.reset();
    for (int kind = 0; kind < mkModeCount; ++kind)
        EXPECT_FALSE(IsModeFormRegistered(TModeKind(kind))) << kind;
    for (int mode = 0; mode < emModeCount; ++mode)
        EXPECT_FALSE(IsEditModePanelRegistered(TEditMode(mode))) << mode;
    EXPECT_EQ(DesignerList().Count(), designersBefore);
    EXPECT_FALSE(bool(SnapHook()));
    EXPECT_FALSE(bool(ObjectCreatedHook()));
    EXPECT_FALSE(bool(ObjectPlacedHook()));
    EXPECT_TRUE(MoveGhostOptions() == TMoveGhostOptions{});
    // A second module of the process starts as the first did.
    ASSERT_NE(StartMainWindow(), nullptr);
    EXPECT_TRUE(IsEditModePanelRegistered(emPhoto));
    std::unique_ptr<TDrawObject> made(DesignerList().CreateObject(QStringLiteral("TLORect")));
    EXPECT_NE(made, nullptr);
}

TEST_F(DataMainTest, ANewModulesEditorsOpenWithTheAutomaticZoomWhateverTheLastOnesLeft) {
    // A form the main window lets go is freed once the event loop comes round.
    const auto freeLeftForms = [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); };
    TfrmMain* first = StartMainWindow();
    ASSERT_NE(first, nullptr);
    TfrmLayout* editor = OpenLayoutEditor(first);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->AutoScale());
    editor->SetZoom(200);
    first->actSheet->trigger();
    auto* sheet = qobject_cast<TfrmSheet*>(first->HostedForm());
    ASSERT_NE(sheet, nullptr);
    sheet->SetZoom(200);
    freeLeftForms();
    // Within the run the next editor keeps the zoom the last one left.
    first->actLayout->trigger();
    editor = HostedEditor(first);
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->AutoScale());
    EXPECT_EQ(editor->Scale(), 200);
    // This editor is closed but not yet freed when the module goes.
    first->actSheet->trigger();
    data.reset();

    TfrmMain* second = StartMainWindow();
    ASSERT_NE(second, nullptr);
    editor = OpenLayoutEditor(second);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->AutoScale());
    EXPECT_NE(editor->Scale(), 200);
    second->actSheet->trigger();
    sheet = qobject_cast<TfrmSheet*>(second->HostedForm());
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->AutoScale());
}

TEST_F(DataMainTest, FailedChecksAndMissingFilesStopBeforeTheMainWindow) {
    environment->instanceFree = false;
    dialogs.answers = {mrOk};
    EXPECT_FALSE(Start().Started());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("Quorlaneは、すでに実行中です"));
    EXPECT_EQ(data->Splash(), nullptr) << "nothing further is made";
    data.reset();

    environment->instanceFree = true;
    QFile::remove(ExeDir() + QStringLiteral("/AlbumShd.dat"));
    dialogs.answers = {mrOk};
    EXPECT_FALSE(Start().Started());
    EXPECT_EQ(data->MainForm(), nullptr);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, FileNotOpenedMessage(QStringLiteral("AlbumShd.dat")));
    EXPECT_EQ(dialogs.boxes[1].text,
              QStringLiteral("アプリケーションに必要なファイル「AlbumShd.dat」が開けませんでした"));
}

TEST_F(DataMainTest, OnlyTheUsersPaperCopyMustBeWritable) {
    // A read-only shadow picture and installed database are fine.
    MakeReadOnly(ExeDir() + QStringLiteral("/AlbumShd.dat"));
    MakeReadOnly(ExeDir() + QStringLiteral("/quorlane.ppr"));
    EXPECT_TRUE(Start().Started());
    data.reset();

    // The copy the database writes to is not.
    QDir().mkpath(UserFolder());
    const QString copy = UserFolder() + QStringLiteral("/quorlane.ppr");
    ASSERT_TRUE(QFile::copy(ExeDir() + QStringLiteral("/quorlane.ppr"), copy));
    MakeReadOnly(copy);
    dialogs.answers = {mrOk};
    EXPECT_FALSE(Start().Started());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text,
              QStringLiteral("実行に必要なファイル「quorlane.ppr」が読み取り専用になっています"));
}

TEST_F(DataMainTest, StartUpSweepsDeadProcessesFilesAndNamesADamagedPaperCopy) {
    // A working copy of this running process, and one of a process that is gone.
    QProcess gone;
    gone.start(QStringLiteral("/bin/true"));
    ASSERT_TRUE(gone.waitForStarted());
    const qint64 gonePid = gone.processId();
    gone.waitForFinished();
    const QString live = CreateOwnedTempFile(WorkingCopyFolder(), QStringLiteral("mtf"));
    QString dead = live;
    dead.replace(QStringLiteral("mtf%1-").arg(QCoreApplication::applicationPid()),
                 QStringLiteral("mtf%1-").arg(gonePid));
    ASSERT_TRUE(QFile::copy(live, dead));

    QDir().mkpath(UserFolder());
    const QString copy = UserFolder() + QStringLiteral("/quorlane.ppr");
    TestSupport::WriteFile(copy, QByteArray(3000, 'x'));
    dialogs.answers = {mrOk};
    ASSERT_TRUE(Start().Started());
    EXPECT_FALSE(QFileInfo::exists(dead));
    EXPECT_TRUE(QFileInfo::exists(live));
    QFile::remove(live);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(copy + QStringLiteral(".damaged"))) << qPrintable(dialogs.boxes[0].text);
    EXPECT_EQ(TestSupport::ReadFile(copy + QStringLiteral(".damaged")), QByteArray(3000, 'x'));
    EXPECT_GT(data->Papers()->GetCount(), 0) << "the installed papers";

    // A change is saved at once; one whose save failed is tried at exit, and a failure told.
    AddUserPaper(*data->Papers(), QStringLiteral("mine"));
    EXPECT_TRUE(SavePaperStore(*data->Papers()));
    AddUserPaper(*data->Papers(), QStringLiteral("pending"));
    const QByteArray saved = TestSupport::ReadFile(copy);
    {
        TFileStorage holder(copy, 0x12);
        dialogs.answers = {mrOk};
        data.reset();
    }
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(dialogs.boxes[1].text.startsWith(QStringLiteral("用紙データを保存できませんでした"))) << qPrintable(dialogs.boxes[1].text);
    EXPECT_EQ(TestSupport::ReadFile(copy), saved);
    TPapersV2 reopened(copy, true);
    EXPECT_GE(reopened.IndexOf(QStringLiteral("mine")), 0);
}

TEST_F(DataMainTest, UnreadableUserPapersAreNamedAtStartAndKeptByTheNextSave) {
    QDir().mkpath(UserFolder());
    const QString copy = UserFolder() + QStringLiteral("/quorlane.ppr");
    ASSERT_TRUE(QFile::copy(ExeDir() + QStringLiteral("/quorlane.ppr"), copy));
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // Two paper streams garbage in an otherwise sound copy.
    QStringList damaged;
    const QByteArray garbage("\xff\x0a\x00PAPER\x00\x30\x10\x08\x00\x00\x00TPF0junk", 23);
    int installed = 0;
    {
        TFileStorage file(copy, 2);
        TDocStorage papers(&file, QStringLiteral("Papers"), false);
        TStringList streams;
        papers.GetStreamNames(streams);
        installed = streams.Count();
        ASSERT_GE(installed, 2);
        damaged = {streams[1], streams[installed - 1]};
        for (const QString& stream : damaged)
            WriteElementBytes(&papers, stream, garbage);
        file.Storage()->Commit(true);
    }
    dialogs.answers = {mrOk};
    ASSERT_TRUE(Start().Started());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const QString told = dialogs.boxes[0].text;
    EXPECT_TRUE(told.contains(copy)) << qPrintable(told);
    for (const QString& stream : damaged)
        EXPECT_TRUE(told.contains(stream)) << qPrintable(told);
    EXPECT_EQ(data->Papers()->GetCount(), installed - 2);

    // A change saved at once keeps the unread papers' bytes.
    AddUserPaper(*data->Papers(), QStringLiteral("mine"));
    EXPECT_TRUE(SavePaperStore(*data->Papers()));
    data.reset();
    TFileStorage saved(copy, 0);
    for (const QString& stream : damaged)
        EXPECT_EQ(ReadElementBytes(&saved, QStringLiteral("Papers\\") + stream), garbage);
}

TEST_F(DataMainTest, CacheLimitFollowsTheSettings) {
    SettingsStore::WriteBool(kSettingsKey, QStringLiteral("CacheEnabl"), false);
    SettingsStore::WriteInteger(kSettingsKey, QStringLiteral("CacheLimit"), 20);
    Start();
    EXPECT_EQ(data->ImageCache()->LimitMB(), 0);
    SettingsStore::WriteBool(kSettingsKey, QStringLiteral("CacheEnabl"), true);
    data->ApplyCacheLimit();
    EXPECT_EQ(data->ImageCache()->LimitMB(), 20);
    SettingsStore::WriteInteger(kSettingsKey, QStringLiteral("CacheLimit"), 0);
    data->ApplyCacheLimit();
    EXPECT_EQ(data->ImageCache()->LimitMB(), TImageCacheStorage::kUnlimited);
}

TEST_F(DataMainTest, FirstIdleRunsOnceAndASplashClosesOnceIdle) {
    Start({QStringLiteral("/no/such/file.qld")});
    ASSERT_TRUE(data->Started());
    QPointer<TfrmAbout> splash = data->Splash();
    ASSERT_TRUE(splash);
    EXPECT_EQ(splash->Mode(), TfrmAbout::kModeSplash);
    RunUntilIdleHandled();
    EXPECT_TRUE(data->IdleHandled());
    // A missing file is no document to open: nothing was asked.
    EXPECT_TRUE(dialogs.boxes.empty());
    ASSERT_TRUE(splash) << "the splash stays until its time is up";
    splash->RequestClose();
    EXPECT_TRUE(splash->isVisible()) << "a splash closes only when next idle";
    RunLoopUntil([&] { return !splash; });
    EXPECT_FALSE(splash);
    EXPECT_TRUE(data->MainForm()->isEnabled());
}

TEST_F(DataMainTest, ADocumentOnTheCommandLineIsOpenedOnFirstIdle) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("start.qld"));
    {
        TLabelData document(nullptr);
        document.DataName = QStringLiteral("起動時");
        document.SaveToFile(path);
    }
    Start({path});
    RunUntilIdleHandled();
    TfrmMain* main = data->MainForm();
    EXPECT_EQ(main->FileName(), path);
    EXPECT_EQ(main->Document()->DataName, QStringLiteral("起動時"));
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Quorlane - start.qld"));
    // It opens in the layout editor.
    EXPECT_EQ(main->HostedKind(), mkLayout);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(DataMainTest, PreviewsComeFromTheFolderCacheOrAreMadeAndKept) {
    Start();
    QTemporaryDir folder;
    const QString photo = folder.filePath(QStringLiteral("wide.png"));
    QImage wide(400, 100, QImage::Format_RGB32);
    wide.fill(Qt::red);
    ASSERT_TRUE(wide.save(photo));
    TPicture preview;
    data->GetPreviewImage(photo, preview);
    EXPECT_EQ(preview.Width(), 200);
    EXPECT_EQ(preview.Height(), 50);
    TImageCacheItem kept;
    ASSERT_TRUE(data->ImageCache()->LoadItem(photo, kept));
    EXPECT_TRUE(kept.IsValidFor(photo));

    // A folder's own preview cache is asked first, by file name.
    {
        TImageCacheStorage previews;
        previews.Open(folder.filePath(QStringLiteral("Preview.ic")), false);
        TSafetyBitmap small;
        small.SetSize(10, 12);
        TPicture picture;
        picture.Assign(&small);
        TImageCacheItem item;
        item.SetPicture(&picture);
        ASSERT_TRUE(previews.SaveItem(QStringLiteral("wide.png"), item));
    }
    data->GetPreviewImage(photo, preview);
    EXPECT_EQ(preview.Width(), 10);
    EXPECT_EQ(preview.Height(), 12);
}

TEST(AboutBox, ModesTimerAndClosing) {
    TfrmAbout about;
    EXPECT_EQ(about.Mode(), TfrmAbout::kModeAbout);
    EXPECT_FALSE(about.Timer1->isActive());
    about.show();
    EXPECT_TRUE(about.lblVersion->isVisible());
    EXPECT_EQ(about.lblVersion->text(), ExpandMacros(QStringLiteral("$(LongVer)")));
    about.RequestClose();
    EXPECT_FALSE(about.isVisible()) << "the about box closes at once";

    TfrmAbout credits;
    credits.SetMode(TfrmAbout::kModeCredits);
    EXPECT_TRUE(credits.Timer1->isActive());
    EXPECT_EQ(credits.Timer1->interval(), 100);
    EXPECT_TRUE(credits.StaffRoll1->isHidden());
}

TEST(ProgramBitmaps, EveryPackLoadsWithItsCells) {
    TComponent owner(nullptr);
    const struct {
        const char* name;
        int cells;
        int width; // of one cell
        int height;
    } packs[] = {{"mipModeBar", 6, 64, 32},    {"mipCommand", 16, 48, 24},    {"mipDateFont", 14, 16, 24},
                 {"mipNew", 4, 200, 64},       {"mipOpenExit", 8, 200, 64},   {"mipAbout", 1, 400, 300},
                 {"ipLogoStart", 1, 560, 160}, {"ipDialogPattern", 1, 32, 32}};
    for (const auto& p : packs) {
        TMatrixImagePack* pack = CreateResourcePack(&owner, QString::fromLatin1(p.name), p.cells);
        const QImage last = PackCellImage(pack, p.cells - 1);
        EXPECT_EQ(last.size(), QSize(p.width, p.height)) << p.name;
        EXPECT_TRUE(PackCellImage(pack, p.cells).isNull()) << p.name;
    }
    EXPECT_EQ(LoadImageList(QStringLiteral("ILCOMMANDON")).size(), 16u);
    EXPECT_EQ(LoadImageList(QStringLiteral("ILSTYLEON")).size(), 8u);
}

TEST(PurposeValidatorTest, FoldsOldPurposes) {
    TCDLabelPurposeValidator validator;
    QString name;
    validator.Normalize(QStringLiteral("FD"), name);
    EXPECT_EQ(name, QStringLiteral("MOSquare"));
    validator.Normalize(QStringLiteral("CDCase"), name);
    EXPECT_EQ(name, QStringLiteral("CDCaseTray"));
    validator.Normalize(QStringLiteral("CDLabel"), name);
    EXPECT_EQ(name, QStringLiteral("CDLabel"));
    TPurposeList list;
    for (const char* id : {"MO", "CDLabel", "CDCase"}) {
        TPurposeInfo item(nullptr);
        item.ID = QString::fromLatin1(id);
        list.AddUnique(item);
    }
    validator.Clean(list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.GetItem(0)->ID, QStringLiteral("CDLabel"));
}

} // namespace
