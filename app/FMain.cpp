#include "app/FMain.h"
#include "app/UModeForm.h"

#include "app/DMain.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FAbout.h"
#include "app/dialogs/FComponentViewer.h"
#include "app/dialogs/FEnvironment.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FPrinterSetting.h"
#include "app/dialogs/FPrinting.h"
#include "app/dialogs/FTemplate2.h"
#include "app/dialogs/FURLEdit.h"
#include "app/dialogs/FUpdatePaper.h"
#include "app/dialogs/FWaiting.h"
#include "app/dialogs/UPaperEditing.h"
#include "controls/UFormPanel.h"
#include "controls/UModalPopup.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UDropFile.h"
#include "core/UHistoryManager.h"
#include "core/UPhasedProgress.h"
#include "imaging/UImagePack.h"
#include "imaging/UJPEGImage.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/printing/UPrintSite.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Printer.h"
#include "platform/StorageError.h"
#include "platform/Stream.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <array>
#include <optional>

namespace {

TfrmMain*& CurrentMain() {
    static TfrmMain* main = nullptr;
    return main;
}

std::array<TModeFormMaker, mkModeCount>& ModeMakers() {
    static std::array<TModeFormMaker, mkModeCount> makers;
    return makers;
}

constexpr int kStepAngle = 30;
constexpr int kModeBarGlyphs = 6;
constexpr int kCommandGlyphs = 16;
constexpr int kDateGlyphs = 14;
// The first start's window, made smaller on smaller screens.
constexpr int kFirstWidth = 1200;
constexpr int kFirstHeight = 840;
const char* const kDocumentExt = "qld";
const char* const kUnnamed = "新規作成";

constexpr uint16_t kHelpContext = 1;
constexpr uint16_t kHelpFinder = 0x000B;

// F1 anywhere in the application: the help of the widget with the focus (else of the active window).
class HelpKeyFilter : public QObject {
public:
    explicit HelpKeyFilter(TfrmMain* main) : QObject(main), main_(main) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (!key->matches(QKeySequence::HelpContents) || key->isAutoRepeat())
            return false;
        QWidget* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            widget = QApplication::focusWidget();
        if (!widget)
            widget = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                       : QApplication::activeWindow();
        main_->ShowHelpFor(widget);
        return true;
    }

private:
    TfrmMain* main_;
};

QString OEMHomePageURL() {
    return ReadSettingString(QStringLiteral("OEMHomePageURL"), MakerHomePageURL());
}

} // namespace

QString SaveQuestionText() {
    return QStringLiteral("データが修正されています\r\n保存しますか？");
}

QString OpenFailedText() {
    return QStringLiteral("指定されたファイルを開くことはできません");
}

namespace {

QString FaultMessage(const std::exception& fault) {
    if (const auto* own = dynamic_cast<const Exception*>(&fault))
        return own->Message();
    return QString::fromLocal8Bit(fault.what());
}

// The system's text without the document's own headline ("文書「…」を開けません。"), which the
// message tells better.
QString FaultDetail(const std::exception& fault) {
    if (const auto* open = dynamic_cast<const ELabelDataOpen*>(&fault))
        return open->Detail().trimmed();
    QString text = FaultMessage(fault);
    if (text.startsWith(QStringLiteral("文書「"))) {
        const qsizetype end = text.indexOf(QStringLiteral("。"), text.indexOf(QStringLiteral("」")));
        if (end >= 0)
            text = text.mid(end + 1);
    }
    return text.trimmed();
}

} // namespace

QString DocumentFaultCause(bool saving, const QString& fileName, const std::exception& fault) {
    if (const auto* open = dynamic_cast<const ELabelDataOpen*>(&fault)) {
        // The document tells the kind of the fault; an empty file is told apart from a foreign one.
        switch (open->Fault()) {
        case TOpenFault::Missing:
            return QStringLiteral("ファイルが見つかりません");
        case TOpenFault::Folder:
            return QStringLiteral("ファイルではなくフォルダです");
        case TOpenFault::Permission:
            return QStringLiteral("ファイルを読む権限がありません");
        case TOpenFault::InUse:
            return QStringLiteral("ほかのプログラムが変更中です");
        case TOpenFault::NotCompoundFile:
            return QFileInfo(fileName).size() == 0 ? QStringLiteral("ファイルが空です")
                                                   : QStringLiteral("別の形式のファイルです");
        case TOpenFault::DamagedFile:
            return QStringLiteral("ファイルが壊れています");
        case TOpenFault::DamagedPart:
            return QStringLiteral("ファイルが壊れています（%1）").arg(open->Cause());
        case TOpenFault::Other:
            return QStringLiteral("ファイルを読み込めません");
        }
    }
    const auto* storage = dynamic_cast<const EOleSysError*>(&fault);
    const QString message = FaultMessage(fault);
    // The storage's code where the exception still carries it, else its text inside the message.
    const auto is = [&](HRESULT code) {
        return (storage != nullptr && storage->ErrorCode() == code) || message.contains(StorageErrorMessage(code));
    };
    if (is(STG_E_MEDIUMFULL))
        return QStringLiteral("ディスクの空き容量が不足しています");
    if (is(STG_E_ACCESSDENIED) || is(STG_E_SHAREVIOLATION) || is(STG_E_LOCKVIOLATION))
        return saving ? QStringLiteral("保存先が読み取り専用か、書き込む権限がありません")
                      : QStringLiteral("ファイルを読む権限がありません");
    const QFileInfo info(fileName);
    if (saving) {
        if (!info.absoluteDir().exists() || is(STG_E_PATHNOTFOUND))
            return QStringLiteral("保存先のフォルダが見つかりません");
        if (info.isDir())
            return QStringLiteral("同じ名前のフォルダがあります");
        return QStringLiteral("ファイルを書き込めませんでした");
    }
    if (!info.exists() || is(STG_E_FILENOTFOUND) || is(STG_E_PATHNOTFOUND))
        return QStringLiteral("ファイルが見つかりません");
    if (info.isDir())
        return QStringLiteral("ファイルではなくフォルダです");
    return QStringLiteral("ファイルを読み込めません");
}

namespace {

// Files compare by where they are: a link or another spelling of the path is the same file.
QString FileKey(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QString DamagedFileSaveText(const QString& fileName) {
    return QStringLiteral("「%1」は一部を読み込めなかった文書のファイルです。\r\n"
                          "元のファイルを残すため、別の名前を付けて保存してください。")
        .arg(QFileInfo(fileName).fileName());
}

} // namespace

QString DocumentFaultText(bool saving, const QString& fileName, const std::exception& fault) {
    QStringList lines;
    lines << (saving ? QStringLiteral("ファイルを保存できませんでした") : OpenFailedText());
    lines << QStringLiteral("ファイル: %1").arg(QDir::toNativeSeparators(fileName));
    lines << QStringLiteral("原因: %1").arg(DocumentFaultCause(saving, fileName, fault));
    const QString detail = FaultDetail(fault);
    if (!detail.isEmpty())
        lines << QStringLiteral("詳細: %1").arg(detail);
    return lines.join(QStringLiteral("\r\n"));
}

void RegisterModeForm(TModeKind kind, TModeFormMaker maker) {
    ModeMakers()[size_t(kind)] = std::move(maker);
    if (TfrmMain* main = CurrentMain())
        QMetaObject::invokeMethod(
            main, [main] { main->UpdateCaption(); }, Qt::QueuedConnection);
}

bool IsModeFormRegistered(TModeKind kind) {
    return bool(ModeMakers()[size_t(kind)]);
}

TfrmMain* frmMain() {
    return CurrentMain();
}

TfrmMain::TfrmMain(QWidget* parent) : QWidget(parent), components_(std::make_unique<TComponent>(nullptr)), hostedKind_(mkModeCount) {
    setObjectName(QStringLiteral("frmMain"));
    CurrentMain() = this;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    // Until the first mode form arrives (a message of the first idle moment may come before it), the
    // panel shows the window's colour.
    FormPanel1->setAttribute(Qt::WA_OpaquePaintEvent, false);
    FormPanel1->setAutoFillBackground(true);
    layout->addWidget(FormPanel1, 1);
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    layout->addWidget(StatusBar);
    btnStartupFinished = new QPushButton(this);
    btnStartupFinished->setObjectName(QStringLiteral("btnStartupFinished"));
    btnStartupFinished->hide();

    actStartMenu = MakeAction("actStartMenu", QStringLiteral("スタートメニュー(&W)..."));
    actPaper = MakeAction("actPaper", QStringLiteral("用紙選択(&P)"));
    actLayout = MakeAction("actLayout", QStringLiteral("ラベル表示(&L)"),
                           QStringLiteral("ラベル表示画面に切替えます"));
    actSheet = MakeAction("actSheet", QStringLiteral("ラベルシート表示(&S)"),
                          QStringLiteral("シート表示画面に切替えます"));
    actPrintPaperPanel = MakeAction("actPrintPaperPanel", QString());
    actNew = MakeAction("actNew", QStringLiteral("新規作成(&N)..."),
                        QStringLiteral("新しくラベルシートを開きます"), QKeySequence(Qt::CTRL | Qt::Key_N));
    actOpen =
        MakeAction("actOpen", QStringLiteral("開く(&O)..."), QStringLiteral("保存されているデータを開きます"),
                   QKeySequence(Qt::CTRL | Qt::Key_O));
    actSave = MakeAction("actSave", QStringLiteral("保存(&S)"), QStringLiteral("編集したデータを保存します"),
                         QKeySequence(Qt::CTRL | Qt::Key_S));
    actSaveAs = MakeAction("actSaveAs", QStringLiteral("名前を付けて保存(&A)..."));
    actExit = MakeAction("actExit", QStringLiteral("$(AppName)の終了(&X)"));
    actAbout = MakeAction("actAbout", QStringLiteral("バージョン情報(&A)..."));
    actPrint = MakeAction("actPrint", QStringLiteral("印刷(&P)..."),
                          QStringLiteral("ラベルシートを印刷します"), QKeySequence(Qt::CTRL | Qt::Key_P));
    actPrinterSetup = MakeAction("actPrinterSetup", QStringLiteral("プリンタ設定(&R)..."));
    actPaperInfoToPrinter = MakeAction("actPaperInfoToPrinter", QString());
    actTemplate = MakeAction("actTemplate", QStringLiteral("ラベルテンプレートの呼び出し(&T)..."));
    actExport = MakeAction("actExport", QStringLiteral("他形式保存(&H)..."));
    actImportPaper = MakeAction("actImportPaper", QStringLiteral("ユーザー用紙情報の取り込み(&I)..."));
    actExportPaper = MakeAction("actExportPaper", QStringLiteral("ユーザー用紙情報の保存(&Y)..."));
    actHelp = MakeAction("actHelp", QStringLiteral("$(AppName)の使い方(&C)"));
    actComponentViewer = MakeAction("actComponentViewer", QStringLiteral("Component Viewer"));
    actComponentViewer->setVisible(false);
    actHomepage = MakeAction("actHomepage", QStringLiteral("Ovandrexaのホームページ(&H)"));
    actOEMHomePage = MakeAction("actOEMHomePage", QStringLiteral("ホームページ(&O)"));
    actCDDBHomePage = MakeAction("actCDDBHomePage", QStringLiteral("音楽情報サービスのホームページ(&M)"));
    actEnvironment = MakeAction("actEnvironment", QStringLiteral("環境設定(&E)..."));
    actEnvProxy = MakeAction("actEnvProxy", QStringLiteral("環境設定"));
    actUpdatePaper = MakeAction("actUpdatePaper", QStringLiteral("用紙情報の更新(&U)..."));
    actAdvancedURL = MakeAction("actAdvancedURL", QStringLiteral("用紙更新情報のURL変更..."));

    const std::pair<QAction*, TModeKind> modes[] = {{actStartMenu, mkStartMenu},
                                                    {actPaper, mkPaper},
                                                    {actLayout, mkLayout},
                                                    {actSheet, mkSheet},
                                                    {actPrintPaperPanel, mkPrint}};
    // The kind is copied out of the pair: not every compiler lets a lambda capture a structured binding.
    for (const auto& mode : modes) {
        const TModeKind kind = mode.second;
        connect(mode.first, &QAction::triggered, this,
                [this, kind] { TApplication::Guard(nullptr, [&] { EnterModeKind(kind); }); });
    }
    connect(actNew, &QAction::triggered, this, [this] {
        TApplication::Guard(nullptr, [&] {
            // Until paper selection exists a new document goes straight to the layout editor.
            if (NewDocument())
                EnterModeKind(IsModeFormRegistered(mkPaper) ? mkPaper : mkLayout);
        });
    });
    connect(actOpen, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { OpenDocument(QString()); }); });
    connect(actSave, &QAction::triggered, this, [this] { TApplication::Guard(nullptr, [&] { Save(); }); });
    connect(actSaveAs, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { SaveAs(); }); });
    connect(actExit, &QAction::triggered, this, [this] {
        if (CanLeaveMode())
            close();
    });
    connect(actPrint, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { PrintDocument(); }); });
    actEditObject = MakeAction("actEditObject", QString());
    connect(actEditObject, &QAction::triggered, this, [this] {
        if (IModeForm* form = HostedMode();
            form != nullptr && HostedKind() == mkLayout && editedObject_ != nullptr)
            form->EditObjectProperty(editedObject_);
    });
    connect(actPrinterSetup, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { PrinterSetup(); }); });
    connect(actPaperInfoToPrinter, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { PaperInfoToPrinter(); }); });
    connect(actTemplate, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { CallTemplate(); }); });
    connect(actExport, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { ExportPicture(); }); });
    connect(actImportPaper, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { ImportUserPapers(); }); });
    connect(actExportPaper, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { ExportUserPapers(); }); });
    connect(actHelp, &QAction::triggered, this, [] { ShowHtmlHelp(kHelpFinder, 0); });
    connect(actComponentViewer, &QAction::triggered, this, [this] {
        TfrmComponentViewer viewer(this);
        viewer.exec();
    });
    connect(actHomepage, &QAction::triggered, this, [] { OpenWebPage(MakerHomePageURL()); });
    connect(actOEMHomePage, &QAction::triggered, this, [] { OpenWebPage(OEMHomePageURL()); });
    connect(actCDDBHomePage, &QAction::triggered, this, [] { OpenWebPage(MusicInfoHomePageURL()); });
    connect(actEnvironment, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { ShowEnvironment(false); }); });
    connect(actEnvProxy, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { ShowEnvironment(true); }); });
    connect(actUpdatePaper, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { UpdatePaper(); }); });
    connect(actAdvancedURL, &QAction::triggered, this,
            [this] { TApplication::Guard(nullptr, [&] { EditUpdaterURL(); }); });
    connect(actAbout, &QAction::triggered, this, [this] {
        TfrmAbout about(this);
        const Qt::KeyboardModifiers keys = QApplication::queryKeyboardModifiers();
        const bool credits = (keys & Qt::ShiftModifier) && (keys & Qt::ControlModifier);
        about.SetMode(credits ? TfrmAbout::kModeCredits : TfrmAbout::kModeAbout);
        about.exec();
    });

    hmOpenFile = new THistoryManager(components_.get());
    hmOpenFile->SetName(QStringLiteral("hmOpenFile"));
    hmOpenFile->SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    hmFileFolder = new THistoryManager(components_.get());
    hmFileFolder->SetName(QStringLiteral("hmFileFolder"));
    hmFileFolder->SetRegistryKey(QStringLiteral("$(SysRegistryKey)\\FileFolderHistory"));

    popupFile = new QMenu(this);
    popupFile->setObjectName(QStringLiteral("popupFile"));
    popupFile->addAction(actNew);
    popupFile->addAction(actOpen);
    mnuRecent = popupFile->addMenu(QStringLiteral("最近使ったファイル(&D)"));
    mnuRecent->setObjectName(QStringLiteral("mnuRecent"));
    auto* recentAnchor = new QAction(mnuRecent);
    mnuRecent->addAction(recentAnchor);
    hmOpenFile->SetMenuItem(recentAnchor);
    hmOpenFile->OnMenuClick = [this](TObject*, const QString& text) {
        QTimer::singleShot(0, this,
                           [this, text] { TApplication::Guard(nullptr, [&] { OpenDocument(text); }); });
    };
    popupFile->addSeparator();
    popupFile->addAction(actTemplate);
    popupFile->addSeparator();
    popupFile->addAction(actSave);
    popupFile->addAction(actSaveAs);
    popupFile->addAction(actExport);
    popupFile->addSeparator();
    // Reached by menu too, not only by its shortcut.
    popupFile->addAction(actPrint);
    popupFile->addAction(actPrinterSetup);
    popupFile->addAction(actEnvironment);
    popupFile->addAction(actUpdatePaper);
    popupFile->addSeparator();
    popupFile->addAction(actImportPaper);
    popupFile->addAction(actExportPaper);
    popupFile->addSeparator();
    QAction* launcher = popupFile->addAction(QStringLiteral("$(AppName)の起動(&W)..."));
    connect(launcher, &QAction::triggered, actStartMenu, &QAction::trigger);
    popupFile->addSeparator();
    popupFile->addAction(actExit);
    connect(popupFile, &QMenu::aboutToShow, this, [this] { FilePopup(); });
    popupHelp = new QMenu(this);
    popupHelp->setObjectName(QStringLiteral("popupHelp"));
    popupHelp->addAction(actHelp);
    popupHelp->addSeparator();
    popupHelp->addAction(actHomepage);
    popupHelp->addAction(actOEMHomePage);
    popupHelp->addAction(actCDDBHomePage);
    popupHelp->addSeparator();
    popupHelp->addAction(actAbout);
    actAdvancedPaper = MakeAction("actAdvancedPaper", QStringLiteral("用紙選択機能の拡張"));
    actAdvancedPaper->setCheckable(true);
    actAdvancedPaper->setVisible(false);
    popupHelp->insertAction(actAbout, actAdvancedPaper);
    popupHelp->insertAction(actAbout, actComponentViewer);
    connect(actAdvancedPaper, &QAction::triggered, this, [this](bool checked) {
        SetAdvancedPaperMode(checked);
        if (auto* paperSelect = dynamic_cast<TfrmPaperSelectBase*>(HostedForm()))
            paperSelect->UpdatePanelButtons();
    });
    // The setting may change while the program runs: read it each time the menu opens.
    connect(popupHelp, &QMenu::aboutToShow, this, [this] {
        const bool special = ReadSettingBool(QStringLiteral("EnableSpecialMenu"), false);
        actAdvancedPaper->setVisible(special);
        actComponentViewer->setVisible(special);
        actAdvancedPaper->setChecked(AdvancedPaperMode());
    });
    connect(popupHelp, &QMenu::aboutToShow, this, [this] { HelpPopup(); });
    HelpPopup();
    popupHelp->insertAction(actAbout, actAdvancedURL);
    actAdvancedURL->setVisible(false);
    connect(popupHelp, &QMenu::aboutToShow, this, [this] { SpecialMenuPopup(); });

    DropFile1 = new TDropFile(components_.get());
    DropFile1->SetName(QStringLiteral("DropFile1"));
    DropFile1->OnDrop = [this](TObject*) {
        const TStringList& files = DropFile1->Files();
        QStringList names;
        for (int i = 0; i < files.Count(); ++i)
            names.append(files.Strings(i));
        TApplication::Guard(nullptr, [&] { DropFiles(names); });
    };

    ipDialogPattern = CreateResourcePack(components_.get(), QStringLiteral("ipDialogPattern"), 1);
    mipCommand = CreateResourcePack(components_.get(), QStringLiteral("mipCommand"), kCommandGlyphs);
    mipModeBar = CreateResourcePack(components_.get(), QStringLiteral("mipModeBar"), kModeBarGlyphs);
    mipDateFont = CreateResourcePack(components_.get(), QStringLiteral("mipDateFont"), kDateGlyphs);

    // Creation proper.
    // A help button shows its window's help.
    SetHelpButtonClick([this](QObject* sender) { ShowHelpFor(qobject_cast<QWidget*>(sender)); });
    FormPanel1->SetTrapHelp(true);
    qApp->installEventFilter(new HelpKeyFilter(this));
    SetFormBackgroundImagePack(ipDialogPattern);
    ShowApplicationHints(ReadSettingBool(QStringLiteral("DefaultShowHint"), true));
    DropFile1->SetWindow(this);
    setWindowTitle(TApplication::Title());
    document_ = std::make_unique<TLabelData>(nullptr, dataMain() ? dataMain()->ProductDB() : nullptr);
    SetupForm(this);
    ilCommand = LoadImageList(QStringLiteral("ILCOMMANDON"));
    ilStyle = LoadImageList(QStringLiteral("ILSTYLEON"));
    const QString filter =
        FillFirstPlaceholder(ExpandMacros(QStringLiteral("$(OpenDataFilter)")), TApplication::Title())
            .replace(QStringLiteral("%s"), QString::fromLatin1(kDocumentExt));
    openRequest_.Filter = filter;
    saveRequest_.Filter = filter;
    saveRequest_.DefaultExt = QString::fromLatin1(kDocumentExt);
    TMoveGhostOptions& ghostMode = MoveGhostOptions();
    ghostMode.StepAngle = kStepAngle;
    ghostMode.CircumRotate = true;
    ghostMode.CircumPhased = true;
    SetPhotoDateImagePack(mipDateFont);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) { ApplicationStateChanged(state); });
    LoadPaperPrintSetting();
    UpdateModeActions();
    // Where the user left it; a first start takes most of the screen, not a fixed small window.
    RestoreFormPlacement(this, kFirstWidth, kFirstHeight);
    show();
}

TfrmMain::~TfrmMain() {
    FormPanel1->SetForm(nullptr);
    if (FormBackgroundImagePack() == ipDialogPattern)
        SetFormBackgroundImagePack(nullptr);
    SetPhotoDateImagePack(nullptr);
    if (CurrentMain() == this)
        CurrentMain() = nullptr;
    if (TApplication::MainForm() == this)
        TApplication::SetMainForm(nullptr);
}

QAction* TfrmMain::Action(THostAction action) const {
    switch (action) {
    case haStartMenu: return actStartMenu;
    case haNew: return actNew;
    case haOpen: return actOpen;
    case haSave: return actSave;
    case haPrint: return actPrint;
    case haTemplate: return actTemplate;
    case haExit: return actExit;
    case haLayout: return actLayout;
    case haSheet: return actSheet;
    case haPrinterSetup: return actPrinterSetup;
    case haPaperInfoToPrinter: return actPaperInfoToPrinter;
    }
    return nullptr;
}

void TfrmMain::SetStatusPanels(const QObject* owner, const QStringList& widest) {
    // Room beside the widest text for the panel's sunken frame.
    constexpr int kPadding = 8;
    for (const QPointer<QLabel>& panel : statusPanels_)
        delete panel.data();
    statusPanels_.clear();
    statusOwner_ = widest.isEmpty() ? nullptr : owner;
    const QFontMetrics metrics(StatusBar->font());
    for (int i = 0; i < widest.size(); ++i) {
        auto* panel = new QLabel(StatusBar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (!widest[i].isEmpty())
            panel->setFixedWidth(metrics.horizontalAdvance(widest[i]) + kPadding);
        StatusBar->addWidget(panel, widest[i].isEmpty() ? 1 : 0);
        statusPanels_.push_back(panel);
    }
}

void TfrmMain::ReleaseStatusPanels(const QObject* owner) {
    if (owner != nullptr && owner == statusOwner_)
        SetStatusPanels(nullptr, {});
}

bool TfrmMain::HasStatusPanels(const QObject* owner) const {
    return owner != nullptr && owner == statusOwner_ && !statusPanels_.empty();
}

void TfrmMain::SetStatusText(const QObject* owner, int panel, const QString& text) {
    if (HasStatusPanels(owner) && panel >= 0 && size_t(panel) < statusPanels_.size() && statusPanels_[size_t(panel)])
        statusPanels_[size_t(panel)]->setText(text);
}

QLabel* TfrmMain::StatusPanel(int panel) const {
    return panel >= 0 && size_t(panel) < statusPanels_.size() ? statusPanels_[size_t(panel)].data() : nullptr;
}

void TfrmMain::ShowStatusMessage(const QString& text) {
    StatusBar->showMessage(text);
}

void TfrmMain::EditObject(TObject* object) {
    editedObject_ = object;
    try {
        actEditObject->trigger();
    } catch (...) {
        editedObject_ = nullptr;
        throw;
    }
    editedObject_ = nullptr;
}

QAction* TfrmMain::MakeAction(const char* name, const QString& caption, const QString& hint,
                              const QKeySequence& shortcut) {
    auto* action = new QAction(ExpandMacros(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        addAction(action);
    }
    return action;
}

void TfrmMain::UpdateModeActions() {
    actStartMenu->setEnabled(IsModeFormRegistered(mkStartMenu));
    actPaper->setEnabled(IsModeFormRegistered(mkPaper));
    actLayout->setEnabled(IsModeFormRegistered(mkLayout));
    actSheet->setEnabled(IsModeFormRegistered(mkSheet));
    actPrintPaperPanel->setEnabled(IsModeFormRegistered(mkPrint));
    // Until paper selection exists a new document goes to the layout editor.
    actNew->setEnabled(IsModeFormRegistered(mkPaper) || IsModeFormRegistered(mkLayout));
    // While the user chooses what to do or on what paper there is nothing to save or print:
    // the commands are off from the first show (not only once the file menu was opened), and
    // any other mode gives them back, shortcuts and buttons included.
    const bool choosing = HostedKind() == mkStartMenu || HostedKind() == mkPaper;
    for (QAction* action : {actSave, actSaveAs, actPrint, actExport, actTemplate})
        action->setEnabled(!choosing);
}

QWidget* TfrmMain::HostedForm() const {
    return FormPanel1->Form();
}

IModeForm* TfrmMain::HostedMode() const {
    return FormPanel1->Form() ? hostedMode_ : nullptr;
}

TModeKind TfrmMain::HostedKind() const {
    return FormPanel1->Form() ? hostedKind_ : mkModeCount;
}

bool TfrmMain::CanLeaveMode() {
    IModeForm* mode = HostedMode();
    return !mode || mode->CloseQuery();
}

bool TfrmMain::PrintDocument() {
    if (!HasChosenSheets(document_.get())) {
        // Nothing chosen for this document yet: the sheets are chosen in the print mode, and there
        // in its print dialog.
        if (HostedKind() == mkPrint)
            HostedMode()->OpenPrintDialog();
        else
            EnterModeKind(mkPrint, true);
        return false;
    }
    TPrinter& printer = Printer();
    if (!printer.IsPdfPrinter(printer.PrinterName()) || printer.InPdfBatch())
        return PrintChosenSheets();
    // The print command on the file printer asks for its file as the print dialog does, and the
    // chosen sheets go into that one file.
    if (!ChoosePdfOutputFile(FileName()))
        return false;
    printer.BeginPdfBatch();
    bool completed = false;
    try {
        completed = PrintChosenSheets();
        if (!completed)
            printer.Abort();
        printer.EndPdfBatch();
    } catch (...) {
        printer.Abort();
        printer.EndPdfBatch();
        throw;
    }
    return completed;
}

bool TfrmMain::PrintChosenSheets() {
    LeaveMode();
    document_->LastPrint = NowDateTime();
    TModalPopup popup([](QWidget* owner) { return new TfrmPrinting(owner); }, this);
    auto* printing = static_cast<TfrmPrinting*>(popup.Form());
    const QString name =
        FileName().isEmpty() ? QString::fromUtf8(kUnnamed) : QFileInfo(FileName()).fileName();
    Printer().SetTitle(FillFirstPlaceholder(ExpandMacros(QStringLiteral("$(PrintTitleFormat)")), name));
    TSTDPhasedProgress progress(printing->ProgressBar1);
    TPrintSpec spec;
    FillPrintSpec(spec);
    TPrintSite site(nullptr, document_.get(), &progress, &spec);
    printing->OnAbort = [&site] { site.Abort(); };
    try {
        site.Print();
    } catch (...) {
        printing->OnAbort = nullptr;
        throw;
    }
    printing->OnAbort = nullptr;
    return !site.Aborted();
}

void TfrmMain::LoadPaperPrintSetting() {
    paperPrintSetting_.Reset();
    TPapersV2* papers = dataMain() ? dataMain()->Papers() : nullptr;
    if (!papers)
        return;
    TStringList lines;
    papers->LoadGlobalInfo(QStringLiteral("PrinterSetting"), lines);
    QStringList list;
    for (int i = 0; i < lines.Count(); ++i)
        list.append(lines.Strings(i));
    paperPrintSetting_ = CreatePaperPrintSetting(list, 0);
}

void TfrmMain::PaperInfoToPrinter() {
    TWatchCursor cursor;
    const TMatrixPaperInfo* paper = document_->GetLayoutPaper();
    if (!paperPrintSetting_ || !paper)
        return;
    TIntf<ImPrinterConfiguration> configuration = CreatePrinterConfiguration();
    paperPrintSetting_->ApplyPaperToPrinter(configuration.get(), *paper, QString());
    const TExAlbumInfo* album = document_->GetPaperExtraAlbum();
    SetVendorPaperSource(*configuration, album && album->FullPaint);
    configuration->ApplyToPrinter();
}

void TfrmMain::PrintersChanged() {
    // The print system has no change notice: the list is compared on each return to the
    // application, and a changed list gets the paper applied again (a printer may have come back).
    const QStringList before = Printer().Printers();
    RefreshPrinters();
    if (Printer().Printers() != before)
        actPaperInfoToPrinter->trigger();
}

void TfrmMain::PrinterSetup() {
    if (ReadSettingBool(QStringLiteral("UseSystemPrinterDialog"), false)) {
        TPrintDialogRequest request;
        request.PrinterName = Printer().PrinterName();
        if (DialogService::Instance().Print(request) && !request.PrinterName.isEmpty() &&
            request.PrinterName != Printer().PrinterName())
            Printer().SetPrinter(request.PrinterName, {}, {}, {});
    } else {
        TfrmPrinterSetting dialog(this);
        const TMatrixPaperInfo* paper = document_->GetLayoutPaper();
        const TExAlbumInfo* album = document_->GetPaperExtraAlbum();
        dialog.Setup(paperPrintSetting_.get(), paper, album && album->FullPaint ? 1 : 0,
                     PaperFillsItsFace(paper));
        dialog.exec();
    }
    if (HostedKind() == mkLayout) {
        LeaveMode();
        EnterMode();
    } else if (HostedKind() == mkPrint) {
        HostedMode()->RefreshPreview();
    }
}

void TfrmMain::LeaveMode() {
    if (HostedKind() == mkLayout)
        HostedMode()->StorePage();
}

void TfrmMain::EnterMode() {
    if (HostedKind() == mkLayout)
        HostedMode()->AttachDocument(document_.get());
}

void TfrmMain::SwitchModeForm(QWidget* form, IModeForm* mode, TModeKind kind) {
    LeaveMode();
    FormPanel1->SetForm(form);
    hostedMode_ = mode;
    hostedKind_ = kind;
    StatusBar->clearMessage();
    UpdateModeActions();
    EnterMode();
}

bool TfrmMain::EnterModeKind(TModeKind kind, bool keepDocument) {
    UpdateModeActions();
    if (HostedKind() == kind)
        return true;
    const TModeFormMaker& maker = ModeMakers()[size_t(kind)];
    if (!maker || !CanLeaveMode())
        return false;
    const TModeKind from = HostedKind();
    const bool fresh = kind == mkStartMenu || kind == mkPaper;
    if (kind != mkPaper)
        leftDocument_.reset();
    if (fresh && !keepDocument && from != mkStartMenu && from != mkPaper) {
        // A cancelled save question keeps the mode and the document.
        if (!QuerySave())
            return false;
        if (kind == mkPaper) {
            // Kept aside with its stored page: the edit step goes back to it unless a paper is chosen.
            if (from == mkPrint)
                HostedMode()->DetachDocument();
            else
                LeaveMode();
            leftFileName_ = saveRequest_.FileName;
            leftDocument_ = std::move(document_);
        }
        MakeNewDocument();
        // The editor about to go showed the new document's page and made its frames; they are made
        // again where the page is shown next, so nothing of them is stored now.
        if (HostedKind() == mkLayout) {
            document_->FaceInit = false;
            document_->FaceModified = false;
            HostedMode()->SetModified(false);
        }
    }
    UndoList().Clear();
    if (kind == mkPrint) {
        LeaveMode();
        if (from == mkLayout && document_->FaceModified)
            HostedMode()->SetModified(true);
    }
    document_->SheetMode = kind == mkSheet;
    const TModeFormMade made = maker(this);
    SwitchModeForm(made.form, made.mode, kind);
    if (kind == mkSheet)
        HostedMode()->AttachDocument(document_.get());
    return true;
}

bool TfrmMain::QuerySave() {
    IModeForm* mode = HostedMode();
    const bool modified = document_->Modified() || (HostedKind() == mkLayout && mode->IsModified());
    if (!modified)
        return true;
    switch (AppMessageBox(SaveQuestionText(), {bkYes, bkNo, bkCancel}, 0, 2)) {
    case mrYes:
        actSave->trigger();
        return !document_->Modified() && !(HostedKind() == mkLayout && HostedMode()->IsModified());
    case mrNo:
        return true;
    default:
        return false;
    }
}

bool TfrmMain::ClearModified() {
    if (!QuerySave())
        return false;
    document_->SetModified(false);
    if (HostedKind() == mkLayout)
        HostedMode()->SetModified(false);
    return true;
}

bool TfrmMain::NewDocument() {
    if (!QuerySave())
        return false;
    leftDocument_.reset();
    return MakeNewDocument();
}

bool TfrmMain::ReturnToLeftDocument() {
    if (!leftDocument_)
        return false;
    if (HostedKind() == mkPrint)
        HostedMode()->DetachDocument();
    document_ = std::move(leftDocument_);
    saveRequest_.FileName = leftFileName_;
    UpdateCaption();
    if (HostedKind() == mkLayout || HostedKind() == mkSheet)
        HostedMode()->AttachDocument(document_.get());
    UndoList().Clear();
    actPaperInfoToPrinter->trigger();
    return true;
}

bool TfrmMain::MakeNewDocument() {
    TPapersV2* papers = dataMain() ? dataMain()->Papers() : nullptr;
    if (!papers || papers->GetCount() == 0)
        return false;
    int index = papers->IndexOf(ReadSettingString(QStringLiteral("DefaultPaperName"), QString()));
    if (index < 0)
        index = 0;
    const TPaperInfo* stored = papers->GetPaper(index);
    std::unique_ptr<TPaperInfo> paper(static_cast<TPaperInfo*>(stored->NewInstance(nullptr)));
    paper->Assign(stored);
    paper->Landscape = ReadSettingBool(QStringLiteral("DefaultLandScape"), false);
    const bool separately = dynamic_cast<TFreePaperInfo*>(paper.get()) != nullptr ||
                            ReadSettingBool(QStringLiteral("DefaultDesign"), true);
    const auto extra = papers->GetExtraInfo(QStringLiteral("ExtraInfos"), paper->PaperName);
    const auto images = papers->GetExtraInfo(QStringLiteral("PaperImages"), paper->PaperName);
    const auto album = papers->GetExtraInfo(QStringLiteral("ExtraAlbumInfo"), paper->PaperName);

    if (HostedKind() == mkPrint)
        HostedMode()->DetachDocument();
    saveRequest_.FileName.clear();
    auto document = std::make_unique<TLabelData>(nullptr, dataMain() ? dataMain()->ProductDB() : nullptr);
    document->SetCurrentSheetNo(0);
    document->FaceInit = true;
    document->SetCurrentSheetNo(1);
    document->FaceInit = true;
    document->SetCurrentSheetNo(2);
    document->FaceInit = false;
    document->ChangePaperInfo(*paper);
    document->SeparatelyDesign = separately;
    document->SetPaperImageInfo(dynamic_cast<const TImagePaperInfo*>(images.get()));
    document->SetPaperExtraInfo(dynamic_cast<const TExPaperInfo*>(extra.get()));
    document->SetPaperExtraAlbum(dynamic_cast<const TExAlbumInfo*>(album.get()));
    document->SetModified(false);
    document_ = std::move(document);
    UpdateCaption();
    if (HostedKind() == mkLayout || HostedKind() == mkSheet) {
        HostedMode()->AttachDocument(document_.get());
        HostedMode()->SetModified(false);
    }
    UndoList().Clear();
    actPaperInfoToPrinter->trigger();
    return true;
}

bool TfrmMain::OpenDocument(const QString& fileName) {
    if (!QuerySave())
        return false;
    QString name = fileName;
    if (name.isEmpty()) {
        QStringList chosen;
        if (!DialogService::Instance().OpenFile(openRequest_, chosen) || chosen.isEmpty())
            return false;
        name = chosen.first();
    }
    std::unique_ptr<TLabelData> document;
    QStringList unread;
    {
        // The waiting window goes before any message.
        std::optional<TModalPopup> popup;
        popup.emplace([](QWidget* owner) { return new TfrmWaitingText(owner); }, this);
        try {
            // Read aside: a file that cannot be read leaves the open document, its name and mode alone.
            document = std::make_unique<TLabelData>(nullptr, dataMain() ? dataMain()->ProductDB() : nullptr);
            document->LoadFromFile(name);
            unread = document->LoadWarnings();
            // The pages the switch shows are read before the switch: a damaged one opens empty and is
            // told about, its bytes kept.
            const int faces = document->GetLayoutPaper() ? document->GetLayoutPaper()->GetFaceCount() : 0;
            for (int face = 0; face < faces; ++face) {
                try {
                    // Kept for the form that shows the page: it is not unpacked twice.
                    document->ReadAheadLabelObjects(face);
                } catch (const Exception&) {
                    unread << QStringLiteral("シート%1のページ").arg(document->CurrentSheetNo() + 1);
                    break;
                }
            }
        } catch (const std::exception& fault) {
            popup.reset();
            hmOpenFile->Remove(name);
            AppMessageBox(DocumentFaultText(false, name, fault), {bkOK}, 0, 0);
            return false;
        }
    }
    if (HostedKind() == mkPrint)
        HostedMode()->DetachDocument();
    leftDocument_.reset();
    document_ = std::move(document);
    saveRequest_.FileName = name;
    UpdateCaption();
    if (HostedKind() == mkLayout)
        HostedMode()->SetModified(false);
    UndoList().Clear();
    opening_ = true;
    unreadParts_.clear();
    const auto quiet = qScopeGuard([this] { opening_ = false; });
    const TModeKind kind = document_->SheetMode ? mkSheet : mkLayout;
    const bool hosted = HostedKind() == kind;
    EnterModeKind(kind);
    const bool entered = !hosted && HostedKind() == kind;
    UndoList().Clear();
    AddToHistory(name);
    // A form already hosted was not entered again: it still holds the old document. One entered now
    // was handed this one and has read its page.
    if (HostedKind() == mkLayout || HostedKind() == mkSheet) {
        if (!entered)
            HostedMode()->AttachDocument(document_.get());
        HostedMode()->SetModified(false);
    }
    actPaperInfoToPrinter->trigger();
    opening_ = false;
    for (const QString& part : unreadParts_)
        if (!unread.contains(part))
            unread << part;
    // Parts the document could not read would be saved as their defaults: the file is kept.
    const bool keepFile = !document_->LoadWarnings().isEmpty();
    if (keepFile && !IsDamagedFile(name))
        damagedFiles_ << FileKey(name);
    if (!unread.isEmpty())
        AppMessageBox(QStringLiteral("「%1」の一部を読み込めませんでした。読み込めなかった部分は空のまま表示されます。\r\n"
                                     "読み込めなかった部分: %2")
                              .arg(QFileInfo(name).fileName(), unread.join(QStringLiteral("、"))) +
                          (keepFile ? QStringLiteral("\r\n元のファイルを残すため、保存するときは別の名前を付けてください。")
                                    : QString()),
                      {bkOK}, 0, 0);
    return true;
}

bool TfrmMain::IsDamagedFile(const QString& fileName) const {
    return damagedFiles_.contains(FileKey(fileName));
}

void TfrmMain::ReportUnreadPart(const QString& part) {
    if (opening_) {
        if (!unreadParts_.contains(part))
            unreadParts_ << part;
        return;
    }
    AppMessageBox(QStringLiteral("%1を読み込めませんでした。ファイルが壊れています。\r\n"
                                 "読み込めなかった部分は空のまま表示され、元のデータは残されます。")
                      .arg(part),
                  {bkOK}, 0, 0);
}

void TfrmMain::AddToHistory(const QString& fileName) {
    hmOpenFile->Add(fileName);
    hmFileFolder->Add(QFileInfo(fileName).absolutePath());
}

bool TfrmMain::Save() {
    if (saveRequest_.FileName.isEmpty()) {
        SaveAs();
        return !document_->Modified();
    }
    if (IsDamagedFile(saveRequest_.FileName)) {
        AppMessageBox(DamagedFileSaveText(saveRequest_.FileName), {bkOK}, 0, 0);
        SaveAs();
        return !document_->Modified() && !IsDamagedFile(saveRequest_.FileName);
    }
    const QString name = saveRequest_.FileName;
    {
        // The waiting window goes before any message.
        std::optional<TModalPopup> popup;
        popup.emplace([](QWidget* owner) { return new TfrmWaitingText(owner); }, this);
        auto* waiting = static_cast<TfrmWaitingText*>(popup->Form());
        TSTDPhasedProgress progress(waiting ? waiting->ProgressBar1 : nullptr);
        try {
            LeaveMode();
            document_->LastSave = NowDateTime();
            document_->SaveToFile(name, &progress);
        } catch (const std::exception& fault) {
            popup.reset();
            // The old file stays as it was and the document stays modified.
            AppMessageBox(DocumentFaultText(true, name, fault), {bkOK}, 0, 0);
            return false;
        }
    }
    UpdateCaption();
    AddToHistory(name);
    return true;
}

void TfrmMain::SaveAs() {
    QString name;
    TFileDialogRequest request = saveRequest_;
    if (!DialogService::Instance().SaveFile(request, name) || name.isEmpty())
        return;
    if (IsDamagedFile(name)) {
        AppMessageBox(DamagedFileSaveText(name), {bkOK}, 0, 0);
        return;
    }
    repaint();
    const QString previous = saveRequest_.FileName;
    saveRequest_.FileName = name;
    bool saved = false;
    try {
        saved = Save();
    } catch (...) {
        saveRequest_.FileName = previous;
        throw;
    }
    // A failed save keeps the name the document had.
    if (!saved)
        saveRequest_.FileName = previous;
}

void TfrmMain::UpdateCaption() {
    const QString name = saveRequest_.FileName.isEmpty() ? QString::fromUtf8(kUnnamed)
                                                         : QFileInfo(saveRequest_.FileName).fileName();
    setWindowTitle(FillFirstPlaceholder(ExpandMacros(QStringLiteral("$(TitleBarFormat)")), name));
    UpdateModeActions();
}

void TfrmMain::DropFiles(const QStringList& files) {
    if (files.isEmpty())
        return;
    const QString file = files.first();
    if (HostedKind() == mkLayout && HostedMode()->InsertPicture(file))
        return;
    OpenDocument(file);
}

// ---- templates

void TfrmMain::CallTemplate() {
    TMatrixPaperInfo* paper = document_->GetLayoutPaper();
    const int face = document_->CurrentLabelNo;
    if (!paper || face < 0 || face >= paper->GetFaceCount())
        return;
    TfrmTemplate2 window(this);
    TFaceInfo info;
    paper->GetFaceInfo(face, info);
    // The layout paper's one face carries no use: the templates offered are those for the use of
    // the chosen paper's faces (a CD label's, not the album covers of the empty use).
    if (const TPaperInfo* chosen = document_->GetPaperInfo(); chosen && chosen->GetFaceCount() > 0)
        info.FacePurpose = chosen->GetFacePurpose(std::min(face, chosen->GetFaceCount() - 1));
    window.SetFace(info, paper->PaperName);
    if (!window.HasTemplates()) {
        AppMessageBox(QStringLiteral("この用紙に適したテンプレートはありません"), {bkOK}, 0, 0);
        return;
    }
    std::optional<bool> content = HostedMode() ? HostedMode()->HasPageContent() : std::nullopt;
    if (!content)
        content = document_->HasLabelData(face);
    if (*content && AppMessageBox(QStringLiteral("この用紙のデータをすべて削除してからテンプレートを呼出します。\r\n"
                                                 "よろしいですか？"),
                                  {bkYes, bkNo}, 0, 1) != mrYes)
        return;
    if (window.exec() != QDialog::Accepted)
        return;
    // The page is read whole before the face is touched: a file that cannot be read changes nothing.
    TOwnedDOList objects;
    TRect templateFace;
    bool read = false;
    try {
        TWatchCursor cursor;
        read = window.GetSelection(objects, templateFace);
    } catch (const std::exception& fault) {
        AppMessageBox(QStringLiteral("テンプレートを読み込めませんでした\r\n詳細: %1").arg(FaultMessage(fault)), {bkOK}, 0, 0);
        return;
    }
    if (!read) {
        AppMessageBox(QStringLiteral("選択したページはファイルにありません。ファイルが変更された可能性があります"), {bkOK}, 0, 0);
        return;
    }
    TWatchCursor cursor;
    LeaveMode();
    TDOList view;
    objects.ListObjects(view);
    if (!ApplyTemplate(*document_, face, view, templateFace)) {
        EnterMode();
        AppMessageBox(QStringLiteral("このテンプレートは使用できません"), {bkOK}, 0, 0);
        return;
    }
    // The new page is the face's as it is: no frames of the paper's slots are made over it.
    document_->FaceInit = true;
    document_->FaceModified = false;
    if (HostedKind() == mkLayout) {
        HostedMode()->AttachDocument(document_.get());
        HostedMode()->SetModified(true);
    } else if (HostedKind() == mkSheet) {
        HostedMode()->AttachDocument(document_.get());
    }
    UndoList().Clear();
}

// ---- export as a picture and the user papers' backup

namespace {

const char* const kPictureFilter = "ビットマップ (*.bmp)|*.bmp|JPEG イメージファイル (*.jpg)|*.jpg";
const char* const kPaperBackupFilter = "用紙情報のバックアップ(*.ppb)|*.ppb|すべてのファイル(*.*)|*.*";
constexpr int kExportJpegQuality = 90;

// The paper database's own file: a backup written or read there would be the store itself.
bool IsSameFile(const QString& a, const QString& b) {
    const QString left = QFileInfo(a).canonicalFilePath();
    return !left.isEmpty() && left == QFileInfo(b).canonicalFilePath();
}

QString ReaderMessage(const std::exception& fault) {
    if (const auto* own = dynamic_cast<const Exception*>(&fault))
        return own->Message();
    return QString::fromLocal8Bit(fault.what());
}

} // namespace

QString PictureExportName(const QString& typed, int filterIndex, bool& jpeg) {
    const QString suffix = QFileInfo(typed).suffix().toLower();
    if (suffix == QLatin1String("bmp")) {
        jpeg = false;
        return typed;
    }
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        jpeg = true;
        return typed;
    }
    jpeg = filterIndex != 1;
    QString name = typed;
    if (!name.endsWith(QLatin1Char('.')))
        name += QLatin1Char('.');
    return name + (jpeg ? QStringLiteral("jpg") : QStringLiteral("bmp"));
}

void DrawFacePicture(TLabelData& document, int face, TBitmap& bitmap) {
    TMatrixPaperInfo* paper = document.GetLayoutPaper();
    if (!paper || face < 0 || face >= paper->GetFaceCount())
        throw Exception(QStringLiteral("この用紙には面がありません"));
    TOwnedDOList objects;
    document.LoadShownObjects(face, objects, false);
    TFaceInfo info;
    paper->GetFaceInfo(face, info);
    DrawObjectsToBitmap(info, std::move(objects), bitmap, 100);
}

void TfrmMain::ExportPicture() {
    TFileDialogRequest SavePictureDialog1;
    SavePictureDialog1.Filter = QString::fromUtf8(kPictureFilter);
    SavePictureDialog1.DefaultExt = QStringLiteral("bmp");
    SavePictureDialog1.FilterDefaultExts = {QStringLiteral("bmp"), QStringLiteral("jpg")};
    QString typed;
    if (!DialogService::Instance().SaveFile(SavePictureDialog1, typed) || typed.isEmpty())
        return;
    bool jpeg = false;
    const QString name = PictureExportName(typed, SavePictureDialog1.FilterIndex, jpeg);
    TMemoryStream bytes;
    {
        TWatchCursor cursor;
        LeaveMode();
        TBitmap bitmap;
        DrawFacePicture(*document_, document_->CurrentLabelNo, bitmap);
        if (jpeg) {
            TJPEGGraphic picture;
            picture.SetCompressionQuality(kExportJpegQuality);
            picture.Assign(bitmap);
            picture.SaveToStream(bytes);
        } else {
            bitmap.SaveToStream(bytes);
        }
    }
    // Written aside and put in place whole: a failure leaves a file of that name as it was.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.Data()) != bytes.Data().size() || !file.commit()) {
        AppMessageBox(QStringLiteral("画像を保存できませんでした\r\nファイル: %1\r\n詳細: %2")
                          .arg(QDir::toNativeSeparators(name), file.errorString()),
                      {bkOK}, 0, 0);
    }
}

void TfrmMain::ImportUserPapers() {
    TPapersV2* papers = dataMain() ? dataMain()->Papers() : nullptr;
    if (!papers)
        return;
    TFileDialogRequest OpenUserPaperDialog;
    OpenUserPaperDialog.Title = QStringLiteral("ユーザー用紙情報の選択");
    OpenUserPaperDialog.Filter = QString::fromUtf8(kPaperBackupFilter);
    OpenUserPaperDialog.DefaultExt = QStringLiteral("ppb");
    QStringList chosen;
    if (!DialogService::Instance().OpenFile(OpenUserPaperDialog, chosen) || chosen.isEmpty())
        return;
    const QString name = chosen.first();
    if (IsSameFile(name, papers->FileName())) {
        AppMessageBox(QStringLiteral("使用中の用紙情報そのものは取り込めません\r\nファイル: %1")
                          .arg(QDir::toNativeSeparators(name)),
                      {bkOK}, 0, 0);
        return;
    }
    // A store that cannot be written says so before anything is merged.
    if (papers->ReadOnly()) {
        SavePaperStore(*papers);
        return;
    }
    {
        TWatchCursor cursor;
        try {
            // The backup is read whole by the merge before the store changes; a damaged or foreign
            // file leaves the store as it was.
            TPapersV2 source(name, true);
            source.AddStandardExtraInfoBases();
            papers->MergeUpdate(source, true, {}, false);
        } catch (const std::exception& fault) {
            AppMessageBox(QStringLiteral("ユーザー用紙情報を取り込めませんでした\r\nファイル: %1\r\n詳細: %2")
                              .arg(QDir::toNativeSeparators(name), ReaderMessage(fault)),
                          {bkOK}, 0, 0);
            return;
        }
    }
    if (!SavePaperStore(*papers))
        return;
    AppMessageBox(QStringLiteral("ユーザー用紙情報を取り込みました"), {bkOK}, 0, 0);
}

void TfrmMain::ExportUserPapers() {
    TPapersV2* papers = dataMain() ? dataMain()->Papers() : nullptr;
    if (!papers)
        return;
    TFileDialogRequest SaveUserPaperDialog;
    SaveUserPaperDialog.Title = QStringLiteral("ユーザー用紙情報の保存");
    SaveUserPaperDialog.Filter = QString::fromUtf8(kPaperBackupFilter);
    SaveUserPaperDialog.DefaultExt = QStringLiteral("ppb");
    QString name;
    if (!DialogService::Instance().SaveFile(SaveUserPaperDialog, name) || name.isEmpty())
        return;
    if (IsSameFile(name, papers->FileName())) {
        AppMessageBox(QStringLiteral("使用中の用紙情報には保存できません\r\nファイル: %1")
                          .arg(QDir::toNativeSeparators(name)),
                      {bkOK}, 0, 0);
        return;
    }
    {
        TWatchCursor cursor;
        try {
            // A new database saved to the name: written aside and renamed over an old file only
            // once it is complete.
            TPapersV2 backup(QString(), name);
            backup.AddStandardExtraInfoBases();
            backup.MergeUpdate(*papers, true, {}, false);
            backup.Save();
        } catch (const std::exception& fault) {
            AppMessageBox(QStringLiteral("ユーザー用紙情報を保存できませんでした\r\nファイル: %1\r\n詳細: %2")
                              .arg(QDir::toNativeSeparators(name), ReaderMessage(fault)),
                          {bkOK}, 0, 0);
            return;
        }
    }
    AppMessageBox(QStringLiteral("ユーザー用紙情報を保存しました"), {bkOK}, 0, 0);
}

// ---- help and web pages

QString MakerHomePageURL() {
    return QStringLiteral(QUORLANE_HOMEPAGE_URL);
}

QString MusicInfoHomePageURL() {
    return QStringLiteral(QUORLANE_MUSIC_INFO_URL);
}

bool OpenWebPage(const QString& address) {
    const QUrl url(address.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return false;
    return QDesktopServices::openUrl(url);
}

void TfrmMain::ShowHelpFor(const QWidget* widget) {
    const int context = widget ? HelpContextOf(widget) : 0;
    ShowHtmlHelp(context ? kHelpContext : kHelpFinder, context);
}

void TfrmMain::HelpPopup() {
    // An entry without a web address is hidden: there is nowhere for it to go.
    const auto usable = [](const QString& address) {
        const QUrl url(address.trimmed(), QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        return url.isValid() && !url.host().isEmpty() &&
               (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    };
    actHomepage->setVisible(usable(MakerHomePageURL()));
    const QString oem = OEMHomePageURL();
    actOEMHomePage->setVisible(usable(oem));
    if (usable(oem))
        actOEMHomePage->setText(QStringLiteral("%1 のホームページ(&O)").arg(QUrl(oem.trimmed()).host()));
    actCDDBHomePage->setVisible(usable(MusicInfoHomePageURL()));
}

void TfrmMain::FilePopup() {
    mnuRecent->setEnabled(hmOpenFile->GetItems().Count() > 0);
    const bool choosing = HostedKind() == mkStartMenu || HostedKind() == mkPaper;
    for (QAction* action : {actSave, actSaveAs, actPrint, actExport, actTemplate})
        action->setEnabled(!choosing);
}

void TfrmMain::ApplicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) {
        TApplication::Guard(nullptr, [&] { PrintersChanged(); });
        return;
    }
    // A drag that loses the application is dropped, not committed.
    GhostList().ClearGhosts();
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    bool allowed = false;
    TApplication::Guard(nullptr, [&] { allowed = QuerySave(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    SaveFormPlacement(this);
    event->accept();
    // The application ends with its main window, whatever other windows are still open.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

void TfrmMain::SpecialMenuPopup() {
    // Hidden whatever their state unless the special menu is enabled.
    actAdvancedURL->setVisible(ReadSettingBool(QStringLiteral("EnableSpecialMenu"), false));
}

void TfrmMain::ShowEnvironment(bool proxyPage) {
    TfrmEnvironment form(this);
    form.ShowProxyPage(proxyPage);
    if (form.exec() != QDialog::Accepted)
        return;
    if (TdataMain* data = dataMain())
        data->ApplyCacheLimit();
    if (HostedKind() == mkLayout) {
        LeaveMode();
        EnterMode();
    }
}

void TfrmMain::UpdatePaper() {
    TdataMain* data = dataMain();
    if (!data || !data->Papers())
        return;
    // The store's change listeners rebuild the print setting and a hosted paper selection once a
    // merge is in.
    TfrmUpdatePaper form(this, data->Papers());
    form.OnInternetSettings = [this] { actEnvProxy->trigger(); };
    form.exec();
}

void TfrmMain::EditUpdaterURL() {
    TfrmURLEdit form(this);
    form.SetURL(ReadSettingString(QStringLiteral("PPRUpdaterURL"), DefaultPaperUpdaterURL()));
    if (form.exec() == QDialog::Accepted)
        WriteSettingString(QStringLiteral("PPRUpdaterURL"), form.URL());
}
