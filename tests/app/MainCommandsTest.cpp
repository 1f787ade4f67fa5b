// The main window's file and help commands beyond the document ones: export as a picture and the
// user papers' backup.

#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/UModeRegistry.h"
#include "core/UAppFrame.h"
#include "core/UPathUtil.h"
#include "app/dialogs/FComponentViewer.h"
#include "app/dialogs/FEditPaper10.h"
#include "app/dialogs/FEnvironment.h"
#include "app/dialogs/FEditPaperLists.h"
#include "app/dialogs/FURLEdit.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FLabelDataBrowser.h"
#include "app/dialogs/FTemplate2.h"
#include "app/dialogs/FTemplateBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/UProductDB.h"
#include "app/dialogs/FSelectFrame.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "platform/Picture.h"
#include "platform/ClassRegistry.h"
#include "platform/Settings.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QAbstractButton>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <QUrl>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMenu>
#include <QTemporaryDir>
#include <cstdlib>

// Receives what the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    UrlCatcher() {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "Open");
    }
    ~UrlCatcher() override {
        for (const char* scheme : {"file", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    // The last opened page's file name (or the whole address for the web).
    QString Last() const {
        if (opened.isEmpty())
            return {};
        return opened.last().isLocalFile() ? opened.last().fileName() : opened.last().toString();
    }
    QList<QUrl> opened;

public slots:
    void Open(const QUrl& url) { opened << url; }
};

namespace {

class MainCommandsTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow([this] { RegisterStandInLayout(&storedPages); });
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        data.reset();
        RegisterModeForm(mkLayout, {});
        TframeModeBarEx::ResetCurrentStep();
    }
    // A filled rectangle in the middle of the current face.
    void PutRectangle() {
        TLabelData& document = *main->Document();
        const TRect face = document.GetLayoutPaper()->GetFaceOuterRect(document.CurrentLabelNo);
        auto* rect = new TLORect(nullptr);
        rect->SetLogRect(TRect(face.Width() / 4, face.Height() / 4, face.Width() / 2, face.Height() / 2));
        rect->SetFillInside(true);
        rect->FillColor()->SetColor(RGB(200, 40, 40));
        TOwnedDOList objects;
        objects.Add(std::unique_ptr<TDrawObject>(rect));
        TDOList view;
        objects.ListObjects(view);
        document.StoreLabelObjects(document.CurrentLabelNo, view);
    }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir folder;
    TfrmMain* main = nullptr;
    int storedPages = 0;
};

TEST(PictureExportName, TheTypedExtensionDecidesElseTheFilter) {
    bool jpeg = true;
    EXPECT_EQ(PictureExportName(QStringLiteral("/t/a.BMP"), 2, jpeg), u"/t/a.BMP");
    EXPECT_FALSE(jpeg);
    EXPECT_EQ(PictureExportName(QStringLiteral("/t/a.jpeg"), 1, jpeg), u"/t/a.jpeg");
    EXPECT_TRUE(jpeg);
    EXPECT_EQ(PictureExportName(QStringLiteral("/t/a"), 1, jpeg), u"/t/a.bmp");
    EXPECT_FALSE(jpeg);
    EXPECT_EQ(PictureExportName(QStringLiteral("/t/a.png"), 2, jpeg), u"/t/a.png.jpg");
    EXPECT_TRUE(jpeg);
}

TEST_F(MainCommandsTest, ExportWritesTheFacePageAsBitmapOrJpeg) {
    // Off where there is no page to save.
    main->popupFile->popup(QPoint(0, 0));
    EXPECT_FALSE(main->actExport->isEnabled());
    main->popupFile->hide();
    EXPECT_EQ(main->actExport->text(), u"他形式保存(&H)...");
    EXPECT_TRUE(main->popupFile->actions().contains(main->actExport));

    main->actLayout->trigger();
    ASSERT_EQ(main->HostedKind(), mkLayout);
    EXPECT_TRUE(main->actExport->isEnabled());
    PutRectangle();
    TBitmap expected;
    DrawFacePicture(*main->Document(), main->Document()->CurrentLabelNo, expected);
    const QImage pixels = expected.ImageForPainting().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(pixels.isNull());

    // The bitmap filter adds ".bmp"; the JPEG filter under a typed ".bmp" still writes a bitmap.
    dialogs.files = {folder.filePath(QStringLiteral("page")), folder.filePath(QStringLiteral("typed.bmp"))};
    dialogs.filterIndexes = {1, 2};
    main->actExport->trigger();
    main->actExport->trigger();
    ASSERT_GE(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].Filter, u"ビットマップ (*.bmp)|*.bmp|JPEG イメージファイル (*.jpg)|*.jpg");
    EXPECT_EQ(dialogs.fileRequests[0].DefaultExt, u"bmp");
    for (const QString& name : {QStringLiteral("page.bmp"), QStringLiteral("typed.bmp")}) {
        QImageReader reader(folder.filePath(name));
        EXPECT_EQ(reader.format(), "bmp") << name.toStdString();
        EXPECT_EQ(reader.read().convertToFormat(QImage::Format_RGB32), pixels) << name.toStdString();
    }
    EXPECT_GE(storedPages, 2);

    // The JPEG filter adds ".jpg"; compression keeps each channel close.
    dialogs.files = {folder.filePath(QStringLiteral("photo"))};
    dialogs.filterIndexes = {2};
    main->actExport->trigger();
    QImageReader reader(folder.filePath(QStringLiteral("photo.jpg")));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage jpeg = reader.read().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(jpeg.size(), pixels.size());
    int worst = 0;
    for (int y = 0; y < jpeg.height(); y += 3)
        for (int x = 0; x < jpeg.width(); x += 3) {
            const QRgb a = jpeg.pixel(x, y);
            const QRgb b = pixels.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(worst, 48);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainCommandsTest, UserPapersGoToABackupAndComeBack) {
    TPapersV2& papers = *data->Papers();
    ASSERT_GT(papers.GetCount(), 0);
    const int systemCount = papers.GetCount();
    std::unique_ptr<TPaperInfo> mine(static_cast<TPaperInfo*>(papers.GetPaper(0)->NewInstance(nullptr)));
    mine->Assign(papers.GetPaper(0));
    mine->ReadOnly = false;
    mine->PaperName = QStringLiteral("わたしの用紙");
    papers.AddOrReplace(*mine);
    ASSERT_TRUE(SavePaperStore(papers));

    const QString backup = folder.filePath(QStringLiteral("mine"));
    dialogs.files = {backup + QStringLiteral(".ppb")};
    dialogs.answers = {mrOk};
    main->actExportPaper->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"ユーザー用紙情報を保存しました");
    EXPECT_EQ(dialogs.fileRequests.back().Title, u"ユーザー用紙情報の保存");
    EXPECT_EQ(dialogs.fileRequests.back().Filter, u"用紙情報のバックアップ(*.ppb)|*.ppb|すべてのファイル(*.*)|*.*");
    {
        TPapersV2 written(backup + QStringLiteral(".ppb"), true);
        ASSERT_EQ(written.GetCount(), 1);
        EXPECT_EQ(written.GetPaper(0)->PaperName, u"わたしの用紙");
    }

    // Gone from the store, then taken back from the backup; the store is saved at once.
    papers.Delete(papers.IndexOf(QStringLiteral("わたしの用紙")));
    ASSERT_TRUE(SavePaperStore(papers));
    ASSERT_EQ(papers.GetCount(), systemCount);
    dialogs.boxes.clear();
    dialogs.files = {backup + QStringLiteral(".ppb")};
    dialogs.answers = {mrOk};
    main->actImportPaper->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"ユーザー用紙情報を取り込みました");
    EXPECT_EQ(dialogs.fileRequests.back().Title, u"ユーザー用紙情報の選択");
    EXPECT_GE(papers.IndexOf(QStringLiteral("わたしの用紙")), 0);
    EXPECT_FALSE(papers.Modified());
    {
        TPapersV2 saved(papers.FileName(), true);
        EXPECT_EQ(saved.GetCount(), systemCount + 1);
    }

    // A damaged or foreign backup is named with the reader's own words and changes nothing.
    const QString damaged = folder.filePath(QStringLiteral("damaged.ppb"));
    QByteArray bytes = Bytes(backup + QStringLiteral(".ppb"));
    bytes.truncate(bytes.size() / 2);
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const QByteArray store = Bytes(papers.FileName());
    dialogs.boxes.clear();
    dialogs.files = {damaged};
    dialogs.answers = {mrOk};
    main->actImportPaper->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(u"ユーザー用紙情報を取り込めませんでした")) << dialogs.boxes[0].text.toStdString();
    EXPECT_EQ(EnglishWords(QString(dialogs.boxes[0].text).remove(QDir::toNativeSeparators(damaged))), QStringList());
    EXPECT_EQ(papers.GetCount(), systemCount + 1);
    EXPECT_EQ(Bytes(damaged), bytes);
    EXPECT_EQ(Bytes(papers.FileName()), store);

    // The store's own file is neither written nor read as a backup.
    dialogs.boxes.clear();
    dialogs.files = {papers.FileName(), papers.FileName()};
    dialogs.answers = {mrOk, mrOk};
    main->actExportPaper->trigger();
    main->actImportPaper->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(Bytes(papers.FileName()), store);
    EXPECT_EQ(papers.GetCount(), systemCount + 1);
}

} // namespace

namespace {

void CopyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files))
        QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name));
}

TEST_F(MainCommandsTest, HelpOpensThePageOfTheWindowAskedFromElseTheContents) {
    UrlCatcher desktop;
    const QString helpFile = TApplication::HelpFile();
    const auto restore = qScopeGuard([&] { TApplication::SetHelpFile(helpFile); });
    TApplication::SetHelpFile(ExeDir() + QStringLiteral("/quorlane.chm"));
    // No help folder: nothing opens.
    main->actHelp->trigger();
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_FALSE(ShowHtmlHelp(1, 8006));
    CopyFolder(QStringLiteral(QUORLANE_EXE_DIR "/quorlane.help"), ExeDir() + QStringLiteral("/quorlane.help"));
    EXPECT_EQ(main->actHelp->text(), u"Quorlaneの使い方(&C)");
    main->actHelp->trigger();
    EXPECT_EQ(desktop.Last(), u"index.html");

    // Paper selection, by F1 inside it and on the main window's own parts.
    main->actPaper->trigger();
    ASSERT_EQ(main->HostedKind(), mkPaper);
    QTest::keyClick(main->HostedForm(), Qt::Key_F1);
    EXPECT_EQ(desktop.Last(), u"8006.html");
    desktop.opened.clear();
    QTest::keyClick(main->StatusBar, Qt::Key_F1);
    EXPECT_EQ(desktop.Last(), u"8006.html");
    // Every mode (the editor's in its own test) and the windows the file menu opens have their own page.
    main->actSheet->trigger();
    QTest::keyClick(main->StatusBar, Qt::Key_F1);
    EXPECT_EQ(desktop.Last(), u"5011.html");
    main->actStartMenu->trigger();
    QTest::keyClick(main->HostedForm(), Qt::Key_F1);
    EXPECT_EQ(desktop.Last(), u"5012.html");
    {
        TfrmTemplate2 templates(main);
        for (const TfrmTemplate2::TPage page : {TfrmTemplate2::kPageIllust, TfrmTemplate2::kPageFile}) {
            templates.SetPage(page);
            templates.btnHelp->click();
            EXPECT_EQ(desktop.Last(), u"5013.html");
        }
        TfrmEnvironment environment(main);
        QTest::keyClick(&environment, Qt::Key_F1);
        EXPECT_EQ(desktop.Last(), u"5016.html");
        TfrmPrintDialog print(main);
        QTest::keyClick(&print, Qt::Key_F1);
        EXPECT_EQ(desktop.Last(), u"8004.html");
        TfrmSelectFrame frame(main);
        ASSERT_NE(frame.btnHelp, nullptr);
        frame.btnHelp->click();
        EXPECT_EQ(desktop.Last(), u"5054.html");
    }
    // A context without a page opens the contents.
    EXPECT_TRUE(ShowHtmlHelp(1, 4711));
    EXPECT_EQ(desktop.Last(), u"index.html");
    for (const QUrl& url : desktop.opened)
        EXPECT_TRUE(QFileInfo(url.toLocalFile()).isFile()) << url.toString().toStdString();
}

TEST_F(MainCommandsTest, HelpNoProgramCanShowIsToldWithThePagesFile) {
    const QString helpFile = TApplication::HelpFile();
    const auto restore = qScopeGuard([&] { TApplication::SetHelpFile(helpFile); });
    TApplication::SetHelpFile(ExeDir() + QStringLiteral("/quorlane.chm"));
    CopyFolder(QStringLiteral(QUORLANE_EXE_DIR "/quorlane.help"), ExeDir() + QStringLiteral("/quorlane.help"));
    // No launcher the desktop could start: nothing on the path.
    QTemporaryDir nothing;
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", QFile::encodeName(nothing.path()));
    const QString folder = QFileInfo(ExeDir() + QStringLiteral("/quorlane.help")).absoluteFilePath();
    const auto expectTold = [&](const QString& page) {
        ASSERT_FALSE(dialogs.boxes.empty());
        const QString text = dialogs.boxes.back().text;
        EXPECT_TRUE(text.startsWith(u"ヘルプを表示できませんでした。")) << qPrintable(text);
        EXPECT_TRUE(text.endsWith(u'\n' + folder + u'/' + page)) << qPrintable(text);
        dialogs.boxes.clear();
    };
    dialogs.answers = {mrOk};
    main->actHelp->trigger();
    expectTold(QStringLiteral("index.html"));
    main->actPaper->trigger();
    dialogs.answers = {mrOk};
    QTest::keyClick(main->HostedForm(), Qt::Key_F1);
    expectTold(QStringLiteral("8006.html"));
}

TEST_F(MainCommandsTest, TheMaintenanceWindowsSpeakJapanese) {
    // What each window shows a user: its title and the captions of its buttons and labels.
    const auto texts = [](QWidget& window) {
        QStringList shown{window.windowTitle()};
        for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
            shown << button->text();
        for (const QLabel* label : window.findChildren<QLabel*>())
            shown << label->text();
        return shown.join(u'\n');
    };
    // The captions the windows are given as they stand ("frmEditPaperGroup", "ReadOnly", "Cancel") are
    // the system's own; everything else a user reads is Japanese.
    TfrmEditPaperGroup group(main);
    TfrmEditPaperMaker maker(main);
    TfrmEditPhotoSize photoSizes(main);
    TfrmURLEdit url(main);
    TfrmEditPaper10 wizard(main);
    const std::pair<QWidget*, QString> windows[] = {{&group, "frmEditPaperGroup"}, {&maker, "frmEditPaperMaker"},
                                                    {&photoSizes, "frmEditPhotoSize"}, {&url, "Cancel"},
                                                    {&wizard, "ReadOnly"}};
    for (const auto& [window, own] : windows) {
        EXPECT_TRUE(texts(*window).contains(own)) << own.toStdString();
        EXPECT_EQ(EnglishWords(texts(*window).remove(own)), QStringList()) << window->objectName().toStdString();
    }
    // The component viewer keeps its own name; its button is the user's.
    TfrmComponentViewer viewer(main);
    EXPECT_EQ(EnglishWords(viewer.Button2->text()), QStringList());
    // A picture that cannot be drawn says so in the same words.
    TPicture picture;
    try {
        picture.LoadFromClipboardFormat(CF_ENHMETAFILE, QByteArray("no metafile"));
        ADD_FAILURE() << "a broken metafile loaded";
    } catch (const Exception& e) {
        EXPECT_EQ(EnglishWords(e.Message()), QStringList()) << e.Message().toStdString();
    }
}

TEST_F(MainCommandsTest, WebPagesOpenOnlyTheWebAndHideWithoutAnAddress) {
    UrlCatcher desktop;
    EXPECT_FALSE(OpenWebPage(QStringLiteral("file:///etc/passwd")));
    EXPECT_FALSE(OpenWebPage(QStringLiteral("javascript:alert(1)")));
    EXPECT_FALSE(OpenWebPage(QString()));
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_TRUE(OpenWebPage(QStringLiteral(" https://www.example.jp/a ")));
    EXPECT_EQ(desktop.Last(), u"https://www.example.jp/a");

    const auto shown = [this](QAction* action) {
        main->popupHelp->popup(QPoint(0, 0));
        const bool visible = action->isVisible();
        main->popupHelp->hide();
        return visible;
    };
    EXPECT_EQ(shown(main->actHomepage), !MakerHomePageURL().isEmpty());
    EXPECT_EQ(shown(main->actCDDBHomePage), !MusicInfoHomePageURL().isEmpty());
    WriteSettingString(QStringLiteral("OEMHomePageURL"), QStringLiteral("ftp://oem.example.jp/"));
    EXPECT_FALSE(shown(main->actOEMHomePage));
    WriteSettingString(QStringLiteral("OEMHomePageURL"), QStringLiteral("https://oem.example.jp/top"));
    EXPECT_TRUE(shown(main->actOEMHomePage));
    EXPECT_EQ(main->actOEMHomePage->text(), u"oem.example.jp のホームページ(&O)");
    main->actOEMHomePage->trigger();
    EXPECT_EQ(desktop.Last(), u"https://oem.example.jp/top");
}

} // namespace



namespace {

TEST(ApplyTemplateTest, RescalesOntoTheFaceFillsKnownFieldsAndRefusesAFaceWithoutArea) {
    RegisterPageClasses();
    RegisterLabelDataClasses();
    if (GetClass(TLOText::StaticClass().Name()) == nullptr)
        RegisterClass(TLOText::StaticClass());
    TLabelData document(nullptr);
    document.SetCurrentSheetNo(0);
    UseFourSlots(document);
    // A record has its ten fields from the start.
    document.ProductInfo()->Items()->GetItem(0)->Info()->Add(QStringLiteral("夏の記録"));
    const auto text = [](int number) {
        auto* field = new TLOText(nullptr);
        field->SetLogRect(TRect(100, 100, 300, 200));
        field->SetFieldType(ftProduct);
        field->SetFieldNo(number);
        field->Text()->Add(QStringLiteral("元の文字"));
        return field;
    };
    TOwnedDOList objects;
    auto* rect = new TLORect(nullptr);
    rect->SetLogRect(TRect(0, 0, 200, 250));
    objects.Add(std::unique_ptr<TDrawObject>(rect));
    objects.Add(std::unique_ptr<TDrawObject>(text(1)));
    objects.Add(std::unique_ptr<TDrawObject>(text(99)));
    TDOList view;
    objects.ListObjects(view);
    ASSERT_EQ(view.Count(), 3);
    // A template face without area changes nothing.
    EXPECT_FALSE(ApplyTemplate(document, 0, view, TRect(5, 5, 5, 400)));
    EXPECT_FALSE(document.HasLabelData(0));
    // The template's 400 x 500 face (at 300, 300) onto the face's outer rectangle.
    const TRect target = document.GetLayoutPaper()->GetFaceOuterRect(0);
    const auto scaled = [&](int l, int t, int r, int b) {
        return TRect(l * target.Width() / 400, t * target.Height() / 500, r * target.Width() / 400,
                     b * target.Height() / 500);
    };
    ASSERT_TRUE(ApplyTemplate(document, 0, view, TRect(300, 300, 700, 800)));
    TOwnedDOList stored;
    document.LoadLabelObjects(0, stored);
    EXPECT_EQ(stored.Count(), 3);
    // The objects as they were stored.
    std::vector<TRect> rects;
    QStringList texts;
    for (int i = 0; i < view.Count(); ++i) {
        TRect r;
        view[i]->GetLogRect(r);
        rects.push_back(r);
        if (auto* field = dynamic_cast<TLOText*>(view[i])) {
            ASSERT_EQ(field->Text()->Count(), 1) << i;
            texts << field->Text()->Strings(0);
        }
    }
    const auto near = [](const TRect& a, const TRect& b) {
        return std::abs(a.Left - b.Left) <= 1 && std::abs(a.Top - b.Top) <= 1 && std::abs(a.Right - b.Right) <= 1 &&
               std::abs(a.Bottom - b.Bottom) <= 1;
    };
    // The rectangle's bounds take its frame in: its centre lands where the template's did.
    const TRect frame = scaled(0, 0, 200, 250);
    EXPECT_LE(std::abs((rects[0].Left + rects[0].Right) - (frame.Left + frame.Right)), 2);
    EXPECT_LE(std::abs((rects[0].Top + rects[0].Bottom) - (frame.Top + frame.Bottom)), 2);
    EXPECT_TRUE(std::any_of(rects.begin(), rects.end(), [&](const TRect& r) { return near(r, scaled(100, 100, 300, 200)); }));
    // Item 1 fills; the record has no item 99, so that text stays.
    texts.sort();
    EXPECT_EQ(texts, QStringList({QStringLiteral("元の文字"), QStringLiteral("夏の記録")}));
}

TEST_F(MainCommandsTest, ATemplateGoesOnTheCurrentFaceAfterTheQuestion) {
    // The shipped content, found beside the program.
    AppFrame()->Macro().SetValue(QStringLiteral("ExeDir"), QStringLiteral(QUORLANE_EXE_DIR "/"));
    WriteSettingString(QStringLiteral("DefaultPaperName"), QStringLiteral("QL-CD2 CD/DVDラベル 2面 内径41mm"));
    TfrmTemplate2::LastChoice().reset();
    TfrmTemplate2::LastPage() = TfrmTemplate2::kPageIllust;
    ASSERT_TRUE(main->NewDocument());
    main->actLayout->trigger();
    ASSERT_EQ(main->HostedKind(), mkLayout);
    EXPECT_EQ(main->actTemplate->text(), u"ラベルテンプレートの呼び出し(&T)...");
    PutRectangle();
    TLabelData& document = *main->Document();
    ASSERT_EQ(document.GetLayoutPaper()->PaperName, u"QL-CD2 CD/DVDラベル 2面 内径41mm");
    const int face = document.CurrentLabelNo;
    const auto faceBytes = [&] {
        std::unique_ptr<TStream> stream = document.OpenLabelStream(face, false, true);
        return stream ? stream->ReadBytes(stream->GetSize()) : QByteArray();
    };
    const QByteArray before = faceBytes();
    ASSERT_FALSE(before.isEmpty());

    // No keeps the page as it was.
    dialogs.answers = {mrNo};
    main->actTemplate->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"この用紙のデータをすべて削除してからテンプレートを呼出します。\r\nよろしいですか？");
    EXPECT_EQ(faceBytes(), before);

    // Yes, then the first template chosen by keys.
    dialogs.answers = {mrYes};
    int offered = 0;
    QStringList genres;
    WhenModal([&](QWidget* window) {
        auto* chooser = qobject_cast<TfrmTemplate2*>(window);
        ASSERT_NE(chooser, nullptr);
        offered = chooser->TemplateBrowser()->Templates().GetCount();
        for (int i = 0; i < chooser->TemplateBrowser()->cmbGenre->count(); ++i)
            genres << chooser->TemplateBrowser()->cmbGenre->itemText(i);
        chooser->TemplateBrowser()->Browser()->SelectIndex(0);
        QTest::keyClick(chooser, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(chooser->Page(), TfrmTemplate2::kPageFile);
        QTest::keyClick(chooser, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(chooser->Page(), TfrmTemplate2::kPageIllust);
        QTest::keyClick(chooser->btnOk, Qt::Key_Return);
    });
    main->actTemplate->trigger();
    // A CD label is offered the CD templates only, not the album covers of the empty purpose.
    EXPECT_EQ(genres, QStringList{QStringLiteral("CDラベル")});
    ASSERT_GT(offered, 0);
    ASSERT_TRUE(TfrmTemplate2::LastChoice());
    TOwnedDOList expected;
    TRect templateFace;
    ASSERT_TRUE(LoadTemplatePage(*TfrmTemplate2::LastChoice(), expected, templateFace));
    TOwnedDOList stored;
    document.LoadLabelObjects(face, stored);
    EXPECT_EQ(stored.Count(), expected.Count());
    EXPECT_NE(faceBytes(), before);

    // A page of a saved document on the same paper (保存したファイルから): put on the face as it was
    // saved; the same file damaged after it was listed changes nothing and says so.
    const QString saved = folder.filePath(QStringLiteral("saved.qld"));
    {
        TLabelData copy(nullptr);
        copy.SetPaperInfo(*document.GetPaperInfo());
        TOwnedDOList page;
        document.LoadLabelObjects(face, page);
        auto rect = std::make_unique<TLORect>(nullptr);
        rect->SetLogRect(TRect(10, 10, 200, 200));
        page.Add(std::move(rect));
        TDOList view;
        page.ListObjects(view);
        copy.StoreLabelObjects(0, view);
        copy.SaveToFile(saved);
    }
    const auto chooseSaved = [&](bool damage) {
        WhenModal([&, damage](QWidget* window) {
            auto* chooser = qobject_cast<TfrmTemplate2*>(window);
            ASSERT_NE(chooser, nullptr);
            chooser->SetPage(TfrmTemplate2::kPageFile);
            chooser->LabelDataBrowser()->ChangeFolder(folder.path());
            for (int i = 0; i < chooser->LabelDataBrowser()->Templates().GetCount(); ++i)
                if (chooser->LabelDataBrowser()->Templates().GetItem(i).FileName == saved)
                    chooser->LabelDataBrowser()->Browser()->SelectIndex(i);
            if (damage)
                TestSupport::WriteFile(saved, QByteArray(2048, 'x'));
            QTest::keyClick(chooser->btnOk, Qt::Key_Return);
        });
        dialogs.boxes.clear();
        dialogs.answers = {mrYes, mrOk};
        main->actTemplate->trigger();
    };
    const QByteArray placedBefore = faceBytes();
    chooseSaved(false);
    ASSERT_TRUE(TfrmTemplate2::LastChoice());
    EXPECT_EQ(TfrmTemplate2::LastChoice()->FileName, saved);
    EXPECT_EQ(TfrmTemplate2::LastPage(), TfrmTemplate2::kPageFile);
    TOwnedDOList fromFile;
    document.LoadLabelObjects(face, fromFile);
    EXPECT_EQ(fromFile.Count(), stored.Count() + 1) << "the template's objects and the rectangle";
    EXPECT_NE(faceBytes(), placedBefore);
    const QByteArray fromSaved = faceBytes();
    chooseSaved(true);
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_TRUE(dialogs.boxes[1].text.startsWith(QStringLiteral("テンプレートを読み込めませんでした"))) << qPrintable(dialogs.boxes[1].text);
    EXPECT_EQ(faceBytes(), fromSaved) << "the face as it was";

    // The sheet window's button asks the same.
    main->actSheet->trigger();
    ASSERT_EQ(main->HostedKind(), mkSheet);
    auto* button = main->HostedForm()->findChild<QToolButton*>(QStringLiteral("btnTemplate"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), u"ﾃﾝﾌﾟﾚｰﾄ");
    dialogs.boxes.clear();
    dialogs.answers = {mrNo};
    button->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);

    // Without templates for the paper's purpose the window is not shown.
    AppFrame()->Macro().SetValue(QStringLiteral("ExeDir"), IncludeBackslash(ExeDir()));
    dialogs.boxes.clear();
    dialogs.answers = {mrOk};
    main->actTemplate->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"この用紙に適したテンプレートはありません");
}

} // namespace

namespace {

QString Caption(const QObject* object) {
    return QStringLiteral("%1 : %2").arg(object->objectName(), QString::fromLatin1(object->metaObject()->className()));
}

// The child of item captioned text, its children made first.
QTreeWidgetItem* ChildNamed(QTreeWidgetItem* item, const QString& text) {
    item->setExpanded(true);
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == text)
            return item->child(i);
    return nullptr;
}

TEST_F(MainCommandsTest, TheComponentViewerShowsTheLiveTreeFromTheSpecialMenu) {
    const auto shown = [this](QAction* action) {
        main->popupHelp->popup(QPoint(0, 0));
        const bool visible = action->isVisible();
        main->popupHelp->hide();
        return visible;
    };
    EXPECT_FALSE(shown(main->actComponentViewer));
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), true);
    EXPECT_TRUE(shown(main->actComponentViewer));
    EXPECT_EQ(main->actComponentViewer->text(), u"Component Viewer");

    TfrmComponentViewer viewer(main);
    QTreeWidgetItem* root = viewer.TreeView1->topLevelItem(0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), u"Application : TApplication");
    QTreeWidgetItem* module = ChildNamed(root, QStringLiteral("dataMain : TdataMain"));
    ASSERT_NE(module, nullptr);
    QTreeWidgetItem* frame = ChildNamed(module, QStringLiteral("AppFrame1 : TAppFrame"));
    ASSERT_NE(frame, nullptr);
    QTreeWidgetItem* macro = ChildNamed(frame, QStringLiteral("Macro : TStringList"));
    ASSERT_NE(macro, nullptr);
    viewer.TreeView1->setCurrentItem(macro);
    EXPECT_TRUE(viewer.DetailLines().contains(QStringLiteral("AppName=Quorlane"))) << viewer.DetailLines().join(u'|').toStdString();

    // Ordinals read as "n($hex)"; a picture tells its graphic and size.
    QTreeWidgetItem* window = ChildNamed(root, QStringLiteral("frmMain : TfrmMain"));
    ASSERT_NE(window, nullptr);
    QTreeWidgetItem* pack = ChildNamed(window, QStringLiteral("mipCommand : TMatrixImagePack"));
    ASSERT_NE(pack, nullptr);
    viewer.TreeView1->setCurrentItem(pack);
    EXPECT_TRUE(viewer.DetailLines().contains(QStringLiteral("CountCol = 16($10)")))
        << viewer.DetailLines().join(u'|').toStdString();
    QTreeWidgetItem* image = nullptr;
    pack->setExpanded(true);
    for (int i = 0; i < pack->childCount(); ++i)
        if (pack->child(i)->text(0).startsWith(QStringLiteral("Image : ")))
            image = pack->child(i);
    ASSERT_NE(image, nullptr);
    viewer.TreeView1->setCurrentItem(image);
    const QRegularExpression picture(QStringLiteral(R"(^T\w*Bitmap : \d+x\d+$)"));
    ASSERT_EQ(viewer.DetailLines().size(), 1);
    EXPECT_TRUE(picture.match(viewer.DetailLines().first()).hasMatch()) << viewer.DetailLines().first().toStdString();
    EXPECT_TRUE(viewer.Image1->isVisibleTo(&viewer)) << viewer.Image1->isHidden() << viewer.Image1->parentWidget()->isHidden() << (viewer.Image1->pixmap().isNull());

    // Refresh shows the mode form hosted since.
    main->actPaper->trigger();
    ASSERT_EQ(main->HostedKind(), mkPaper);
    viewer.Button2->click();
    window = ChildNamed(viewer.TreeView1->topLevelItem(0), QStringLiteral("frmMain : TfrmMain"));
    ASSERT_NE(window, nullptr);
    QTreeWidgetItem* panel = ChildNamed(window, QStringLiteral("FormPanel1 : TFormPanel"));
    ASSERT_NE(panel, nullptr);
    const QString hosted = Caption(main->HostedForm());
    EXPECT_NE(ChildNamed(panel, hosted), nullptr) << hosted.toStdString();
}

} // namespace

#include "MainCommandsTest.moc"
