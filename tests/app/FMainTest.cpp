// The main window's document commands and mode switching, with a stand-in layout editor.

#include "app/FMain.h"
#include "app/UModeForm.h"
#include "app/FModeBar.h"
#include "app/FStartMenu.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FWaiting.h"
#include "controls/UBitmapButton.h"
#include "controls/UExButtons.h"
#include "papers/ULabelData.h"
#include "platform/Settings.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// What the main window asks of a layout editor, recorded.
class FakeLayout : public QWidget, public IModeForm {
public:
    explicit FakeLayout(QWidget* parent) : QWidget(parent) {}
    bool IsModified() const override { return modified; }
    void SetModified(bool value) override { modified = value; }
    void AttachDocument(TLabelData* document) override { attached = document; }
    // The page goes into the document, which now holds the change.
    void StorePage() override {
        if (modified && attached)
            attached->SetModified(true);
        modified = false;
    }
    bool InsertPicture(const QString& file) override {
        inserted = file;
        return file.endsWith(QLatin1String(".png"));
    }
    bool modified = false;
    TLabelData* attached = nullptr;
    QString inserted;
};

class MainWindowTest : public AppFixture {
protected:
    void SetUp() override {
        // In place of the layout editor that start-up registers.
        main = StartMainWindow([this] {
            RegisterModeForm(mkLayout, [this](IAppHost* host) {
                layout = new FakeLayout(host->HostWindow());
                return TModeFormMade{layout, layout};
            });
        });
        ASSERT_NE(main, nullptr);
        // The splash held the main window until it went.
        ASSERT_TRUE(main->isEnabled());
    }
    void TearDown() override {
        data.reset();
        RegisterModeForm(mkLayout, {});
        TframeModeBarEx::ResetCurrentStep();
    }
    QString Saved(const QString& name) {
        const QString path = folder.filePath(name);
        dialogs.files = {path};
        main->actSaveAs->trigger();
        return path;
    }

    QTemporaryDir folder;
    TfrmMain* main = nullptr;
    QPointer<FakeLayout> layout;
};

TEST_F(MainWindowTest, StartsInTheStartMenuWithAnUnnamedDocument) {
    EXPECT_EQ(main->HostedKind(), mkStartMenu);
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Quorlane - 新規作成"));
    EXPECT_EQ(TframeModeBarEx::CurrentStep(), TframeModeBarEx::kStepStart);
    auto* base = qobject_cast<TfrmStartMenuBase*>(main->HostedForm());
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->frameModeBar1->btnPaper->isEnabled());
    EXPECT_TRUE(base->frameModeBar1->btnStart->Down());
    EXPECT_EQ(base->frameModeBar1->btnExit->toolTip(), QStringLiteral("Quorlaneを終了します"));
    EXPECT_EQ(main->actExit->text(), QStringLiteral("Quorlaneの終了(&X)"));
    // A new document starts with paper selection.
    base->Inner()->btnNew->click();
    EXPECT_EQ(main->HostedKind(), mkPaper);
}

TEST_F(MainWindowTest, SaveQuestionAnswers) {
    main->actLayout->trigger();
    ASSERT_EQ(main->HostedKind(), mkLayout);
    layout->modified = true;
    dialogs.answers = {mrCancel};
    EXPECT_FALSE(main->QuerySave());
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("データが修正されています\r\n保存しますか？"));
    EXPECT_EQ(dialogs.boxes[0].buttons, (std::vector<TBitBtnKind>{bkYes, bkNo, bkCancel}));
    EXPECT_EQ(dialogs.boxes[0].defaultIndex, 0);
    EXPECT_EQ(dialogs.boxes[0].cancelIndex, 2);
    dialogs.answers = {mrNo};
    EXPECT_TRUE(main->QuerySave());
    // Yes saves; a cancelled save dialog leaves the document modified and the question unanswered.
    main->Document()->SetModified(true);
    dialogs.answers = {mrYes};
    dialogs.files = {QString()};
    EXPECT_FALSE(main->QuerySave());
    EXPECT_TRUE(main->Document()->Modified());
    const QString path = folder.filePath(QStringLiteral("answer.qld"));
    dialogs.answers = {mrYes};
    dialogs.files = {path};
    EXPECT_TRUE(main->QuerySave());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(main->Document()->Modified());
}

TEST_F(MainWindowTest, SaveAsNamesTheDocumentAndOpenReadsItBack) {
    main->actLayout->trigger();
    main->Document()->DataName = QStringLiteral("記念アルバム");
    main->Document()->SetModified(true);
    const QString path = Saved(QStringLiteral("album.qld"));
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(dialogs.fileRequests.back().DefaultExt, QStringLiteral("qld"));
    EXPECT_EQ(dialogs.fileRequests.back().Filter,
              QStringLiteral("Quorlaneデータ(*.qld)|*.qld|すべてのファイル(*.*)|*.*"));
    EXPECT_EQ(main->FileName(), path);
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Quorlane - album.qld"));

    main->actNew->trigger();
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Quorlane - 新規作成"));
    EXPECT_TRUE(main->Document()->DataName.isEmpty());
    ASSERT_TRUE(main->OpenDocument(path));
    EXPECT_EQ(main->Document()->DataName, QStringLiteral("記念アルバム"));
    EXPECT_EQ(main->HostedKind(), mkLayout);
    EXPECT_EQ(layout->attached, main->Document());
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Quorlane - album.qld"));
}

TEST_F(MainWindowTest, AFailedOpenLeavesTheOpenDocumentAsItWas) {
    main->actLayout->trigger();
    const QString good = Saved(QStringLiteral("good.qld"));
    TLabelData* before = main->Document();
    const QString bad = folder.filePath(QStringLiteral("bad.qld"));
    TestSupport::WriteFile(bad, QByteArray("not a document"));
    dialogs.answers = {mrOk};
    EXPECT_FALSE(main->OpenDocument(bad));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("指定されたファイルを開くことはできません\r\n")));
    EXPECT_EQ(main->Document(), before);
    EXPECT_EQ(main->FileName(), good);
    EXPECT_EQ(main->windowTitle(), QStringLiteral("Quorlane - good.qld"));
    EXPECT_EQ(main->HostedKind(), mkLayout);
    EXPECT_EQ(layout->attached, before);
}

TEST_F(MainWindowTest, ADroppedPictureGoesToTheEditorAndADocumentIsOpened) {
    main->actLayout->trigger();
    const QString document = Saved(QStringLiteral("dropped.qld"));
    main->actNew->trigger();
    main->actLayout->trigger();
    const QString photo = folder.filePath(QStringLiteral("photo.png"));
    TestSupport::WriteFile(photo, "picture");
    EXPECT_TRUE(TestSupport::DropOn(main, {photo, document}));
    EXPECT_EQ(layout->inserted, photo);
    EXPECT_TRUE(main->FileName().isEmpty()) << "the editor took the picture";
    EXPECT_TRUE(TestSupport::DropOn(main, {document}));
    EXPECT_EQ(main->FileName(), document);
}

TEST_F(MainWindowTest, ACancelledSaveQuestionKeepsTheStep) {
    main->actLayout->trigger();
    TframeModeBarEx bar(nullptr, main);
    bar.SetCurrentStep(TframeModeBarEx::kStepEdit);
    layout->modified = true;
    dialogs.answers = {mrCancel};
    bar.btnStart->click();
    EXPECT_EQ(main->HostedKind(), mkLayout);
    EXPECT_TRUE(bar.btnEdit->Down());
    EXPECT_FALSE(bar.btnStart->Down());
    EXPECT_EQ(TframeModeBarEx::CurrentStep(), TframeModeBarEx::kStepEdit);
    // The same through the action.
    dialogs.answers = {mrCancel};
    main->actStartMenu->trigger();
    EXPECT_EQ(main->HostedKind(), mkLayout);

    dialogs.answers = {mrNo};
    bar.btnStart->click();
    EXPECT_EQ(main->HostedKind(), mkStartMenu);
    EXPECT_EQ(TframeModeBarEx::CurrentStep(), TframeModeBarEx::kStepStart);
    EXPECT_EQ(dialogs.boxes.size(), 3u) << "one question per switch";
}

TEST_F(MainWindowTest, ClosingAsksAndSavesThePlacement) {
    main->Document()->SetModified(true);
    dialogs.answers = {mrCancel};
    EXPECT_FALSE(main->close());
    EXPECT_TRUE(main->isVisible());
    dialogs.answers = {mrNo};
    EXPECT_TRUE(main->close());
    EXPECT_TRUE(SettingsStore::ValueExists(QStringLiteral("Software\\Ovandrexa\\Quorlane\\1.0\\Settings"),
                                           QStringLiteral("frmMainWidth")));
}

TEST(WaitingWindow, RefusesTheUsersCloseAndAsksBeforeAborting) {
    FakeDialogService dialogs;
    TfrmWaitingText waiting;
    waiting.show();
    EXPECT_EQ(waiting.windowTitle(), QStringLiteral("処理中です。少しお待ちください．．．"));
    EXPECT_FALSE(waiting.close());
    EXPECT_TRUE(waiting.isVisible());
    // Escape asks only while the operation allows an abort.
    waiting.reject();
    EXPECT_TRUE(dialogs.boxes.empty());
    waiting.btnAbort->setEnabled(true);
    dialogs.answers = {mrCancel};
    waiting.reject();
    EXPECT_FALSE(waiting.AbortRequested());
    dialogs.answers = {mrOk};
    waiting.btnAbort->click();
    EXPECT_TRUE(waiting.AbortRequested());
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, QStringLiteral("処理を中断しますか？"));
    waiting.SetCounter(3, 12);
    EXPECT_EQ(waiting.lblCounter->text(), QStringLiteral("3/12"));
}

} // namespace
