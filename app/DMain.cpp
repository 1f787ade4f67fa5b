#include "app/DMain.h"
#include "app/UObjectDesigners.h"

#include "controls/UFillImage.h"
#include "core/UAppUtil.h"
#include "core/UDocStorage.h"
#include "core/UGlobalNotify.h"
#include "core/UPathUtil.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageCache.h"
#include "imaging/UImagePack.h"
#include "imaging/UPCDAccess.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/UTemporaryPicture.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UTextGhost.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/USimpleText.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULOFace.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UProductDB.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"

#include <QApplication>
#include <QPalette>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUrl>
#include <QWidget>
#include <algorithm>

namespace {

TdataMain*& CurrentDataMain() {
    static TdataMain* instance = nullptr;
    return instance;
}

struct MacroEntry {
    const char* name;
    const char* value; // UTF-8
};

// The application frame's macro table. The product database and the image cache live in the user's
// folders: the program's own folder is not writable here.
constexpr MacroEntry kMacros[] = {
    {"AppName", "Quorlane"},
    {"SysHelpFile", "$(ExeNameNoExt).chm"},
    {"SysMsgUnexpected", "予期しないエラーが発生しました$(CRLF)%s"},
    {"SysMsgTwainErr",
     "TWAINでエラーが発生しました。$(CRLF)TWAINドライバあるいはTWAIN機器に問題があると$(CRLF)"
     "思われます$(CRLF)「%s」"},
    {"SysMsgNotDefaultPrinter",
     "通常使うプリンタがセットされていません$(CRLF)コントロールパネルのプリンタを開いて設定してください"},
    {"SysMsgNotEnoughColor", "「$(AppName)」は、32,000色以上の$(CRLF)表示環境でご使用ください。$(CRLF)"
                             "正しく表示できないことがありますが起動しますか？"},
    {"SysMsgAlreadyRun", "$(AppName)は、すでに実行中です"},
    {"SysMutexID", "$(AppName).$(ShortVer).Skarvane.Japan"},
    {"SysMsgCDNotFound", "%sが見つかりません$(CRLF)$(AppName)のＣＤを正しくセットしてください。"},
    {"SysRegistryKey", "Software\\Ovandrexa\\Quorlane\\$(ShortVer)\\Settings"},
    {"SysKeyFile", "QUORLANE.EXE"},
    {"SysApplicationFolder", ""},
    {"SysInstallKey", "Quorlane.Application"},
    {"ProductDB", "$(UserPreferenceFolder)quorlane.cdb"},
    {"SystemPaperInfo", "$(ExeNameNoExt).ppr"},
    {"CoonsDistortionData", "$(ExeNameNoExt).cdd"},
    {"UserImageHistory", "$(SysRegistryKey)\\UserImageHistory"},
    {"OpenFileHistory", "$(SysRegistryKey)\\OpenFileHistory"},
    {"CDPathHistory", "$(SysRegistryKey)\\CDPathHistory"},
    {"WindowColors", "$(SysRegistryKey)\\WindowColors"},
    {"LabelDataHistory", "$(SysRegistryKey)\\LabelDataHistory"},
    {"TitleBarFormat", "$(AppName) - %s"},
    {"PrintTitleFormat", "%s - $(AppName)"},
    {"FindPaperHistory", "$(SysRegistryKey)\\FindPaperHistory"},
    {"UsedPaperHistory", "$(SysRegistryKey)\\UsedPaperHistory"},
    {"OpenDataFilter", "%sデータ(*.%s)|*.%s|すべてのファイル(*.*)|*.*"},
    {"UserPreferenceFolder", "$(AppDataDir)$(AppName)\\$(ShortVer)\\"},
    {"SystemPreferenceFolder", "$(ExeDir)"},
    {"ColorSpecHistory", "$(UserPreferenceFolder)ColorSpec.hst"},
    {"FindAlbumHistory", "$(SysRegistryKey)\\FindAlbumHistory"},
    {"ImageCacheFile", ""}, // the user's cache folder, set at start-up
    {"ImageFileExtentions", ".bmp;.jpg;.jpeg;.pcd;.wmf;.emf;.cbm;.gif;.png"},
    {"UserPaperInfo", "$(UserPreferenceFolder)UserPaper.ppr"},
    {"SysMsgNotPowerUsers", "「$(AppName)」の実行には$(CRLF)標準ユーザー（PowerUsers）以上の権限が必要です"},
    {"UserIllustHistory", "$(SysRegistryKey)\\UserIllustHistory"},
    {"UserPhotoHistory", "$(SysRegistryKey)\\UserPhotoHistory"},
};

constexpr TGUID kImportPluginCategory = GUIDLiteral("{0D01349C-343D-490A-A363-64130FB91C83}");
constexpr TGUID kSecondPluginCategory = GUIDLiteral("{07BEF9A3-18CD-4102-B55C-3228E2DC9123}");
const char* const kShadowFile = "AlbumShd.dat";
const char* const kEmptyText = "未入力";
constexpr int kDefaultCacheLimitMB = 0;
constexpr int kPreviewSize = 200;
const char* const kFolderPreviewCache = "Preview.ic";

// The style's disabled text is a light grey that all but vanishes on the forms' grey; a disabled
// label (縦書き while a photo is chosen) must stay readable, only quieter. Set before any window,
// since forms keep the colours they were made with.
constexpr QRgb kDisabledText = 0x6E6E6E;

void UseReadableDisabledText() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    QPalette palette = QApplication::palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor::fromRgb(kDisabledText));
    QApplication::setPalette(palette);
}

QString LocalMacro(const char* macro) {
    return ToLocalPath(ExpandMacros(QString::fromLatin1(macro)));
}

void RegisterStreamClasses() {
    RegisterPictureClasses();
    RegisterTemporaryPicture();
    RegisterImagePacks();
    RegisterEngineClasses();
    RegisterFaceClasses();
    RegisterPaperClasses();
    RegisterExtraInfoClasses();
    RegisterPaperDatabaseClasses();
    RegisterProductClasses();
    RegisterLabelDataClasses();
}

// The page-object designers: the object factory before the ghost designers, so that it is asked
// last, and the object-edit designers after them.
void RegisterPageObjects(TAppHostSource host) {
    RegisterLayoutObjects();
    RegisterGhostDesigners();
    RegisterObjectDesigners(DesignerList(), std::move(host));
}

HRESULT ResultOf(const std::function<void()>& body) {
    try {
        body();
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace

QString FileNotOpenedMessage(const QString& fileName) {
    return QStringLiteral("アプリケーションに必要なファイル「%1」が開けませんでした").arg(fileName);
}

QString FileReadOnlyMessage(const QString& fileName) {
    return QStringLiteral("実行に必要なファイル「%1」が読み取り専用になっています").arg(fileName);
}

// ---- purpose validator

bool TCDLabelPurposeValidator::IsObsolete(const QString& id) {
    return id == QLatin1String("MO") || id == QLatin1String("FD") || id == QLatin1String("CDCase");
}

void TCDLabelPurposeValidator::Normalize(const QString& id, QString& name) {
    name = id;
    if (id == QLatin1String("MO") || id == QLatin1String("FD"))
        name = QStringLiteral("MOSquare");
    else if (id == QLatin1String("CDCase"))
        name = QStringLiteral("CDCaseTray");
}

void TCDLabelPurposeValidator::Clean(TPurposeList& list) {
    for (int i = list.Count() - 1; i >= 0; --i)
        if (IsObsolete(list.GetItem(i)->ID))
            list.Delete(i);
}

// ---- client interface of plug-ins

HRESULT TSCAppFrameClient::GetAppName(QString& name) {
    return ResultOf([&] { name = ExpandMacros(QStringLiteral("$(AppName)")); });
}

HRESULT TSCAppFrameClient::GetRegistryKey(QString& key) {
    return ResultOf([&] { key = ExpandMacros(QStringLiteral("$(SysRegistryKey)")); });
}

HRESULT TSCAppFrameClient::GetActiveWindow(quintptr& window) {
    return ResultOf([&] {
        QWidget* active = QApplication::activeWindow();
        window = active ? quintptr(active->winId()) : 0;
    });
}

HRESULT TSCAppFrameClient::ExpandMacro(const QString& text, QString& expanded) {
    return ResultOf([&] { expanded = ExpandMacros(text); });
}

bool TSCAppFrameClient::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ISCClientV1>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

// ---- data module

TdataMain* dataMain() {
    return CurrentDataMain();
}

ISharedData* sharedData() {
    return CurrentDataMain();
}

TdataMain::TdataMain(TComponent* owner, const TDataMainOptions& options) : TComponent(owner) {
    SetName(QStringLiteral("dataMain"));
    UseReadableDisabledText();
    CurrentDataMain() = this;
    AppFrame1 = new TAppFrame(this);
    AppFrame1->SetName(QStringLiteral("AppFrame1"));
    AppFrame1->ExecuteCondition = ecNeedHighColor | ecNeedPrinter | ecExclusive | ecPowerUsers;
    AppFrame1->OnHelp = [this](uint16_t command, int32_t data, bool& callHelp) {
        return AppFrame1Help(command, data, callHelp);
    };
    AppFrame1->OnMessageBox = [this](const QString& message, const std::vector<TBitBtnKind>& buttons,
                                     int inDefault, int inCancel) {
        return AppFrame1MessageBox(message, buttons, inDefault, inCancel);
    };
    if (options.Environment)
        AppFrame1->SetEnvironment(options.Environment);
    GlobalNotify1 = new TGlobalNotify(this);
    GlobalNotify1->SetName(QStringLiteral("GlobalNotify1"));
    GlobalNotify1->OnIdle = [this](TObject* sender) { GlobalNotify1Idle(sender); };
    SetMacroTable();
    AppFrame1->Loaded();
    // The image cache lives in the user's cache folder.
    AppFrame1->Macro().SetValue(QStringLiteral("ImageCacheFile"), DefaultImageCacheFile());
    for (const auto& [name, value] : options.Macros)
        AppFrame1->Macro().SetValue(name, value);
    arguments_ = options.Arguments ? *options.Arguments : QCoreApplication::arguments().mid(1);
    DataModule1Create(options);
}

TdataMain::~TdataMain() {
    // The paper store's changes are saved as they are made; one still pending (a save that failed
    // then) is tried once more, and a failure now is told, not lost in silence.
    if (papers_ && !papers_->ReadOnly() && papers_->Modified())
        SavePaperStore(*papers_);
    if (windows_)
        windows_->DestroyWindows();
    UnregisterAll();
    if (TPurposeValidator::Validator() == validator_.get())
        TPurposeValidator::SetValidator(nullptr);
    validator_.reset();
    importPlugins_.reset();
    secondPlugins_.reset();
    imageCache_.reset();
    papers_.reset();
    if (CurrentDataMain() == this)
        CurrentDataMain() = nullptr;
}

void TdataMain::UnregisterAll() {
    // A second data module of the process (a test's, a new main window's) starts from nothing: what
    // this one registered goes with it, and the editor's hooks and move mode with its windows.
    if (windows_)
        windows_->UnregisterForms();
    if (designerMark_ >= 0)
        DesignerList().Truncate(designerMark_);
    designerMark_ = -1;
    SnapHook() = nullptr;
    ObjectCreatedHook() = nullptr;
    ObjectPlacedHook() = nullptr;
    MoveGhostOptions() = {};
}

TfrmMain* TdataMain::MainForm() const {
    return windows_ ? windows_->MainForm() : nullptr;
}

TfrmAbout* TdataMain::Splash() const {
    return windows_ ? windows_->Splash() : nullptr;
}

void TdataMain::SetMacroTable() {
    TStringList lines;
    for (const MacroEntry& entry : kMacros)
        lines.Add(QString::fromLatin1(entry.name) + QLatin1Char('=') + QString::fromUtf8(entry.value));
    AppFrame1->SetMacro(lines);
}

void TdataMain::DataModule1Create(const TDataMainOptions& options) {
    windows_ = options.Windows;
    client_ = TIntf<ISCClientV1>(new TSCAppFrameClient);
    const QString pluginFolder = LocalMacro("$(exeDir)Plugins");
    importPlugins_ = std::make_unique<TPluginList>(kImportPluginCategory);
    importPlugins_->LoadFromFolder(pluginFolder, client_.get());
    secondPlugins_ = std::make_unique<TPluginList>(kSecondPluginCategory);
    secondPlugins_->LoadFromFolder(pluginFolder, client_.get());
    validator_ = std::make_unique<TCDLabelPurposeValidator>();
    TPurposeValidator::SetValidator(validator_.get());
    RegisterStreamClasses();
    designerMark_ = DesignerList().Count();
    // The edit designers hand objects to the main window that is there when they are asked.
    RegisterPageObjects([this] { return windows_ ? windows_->Host() : nullptr; });
    if (windows_)
        windows_->RegisterForms();
    InstallFillImageMaker();
    if (!AppFrame1->CheckExecuteCondition())
        return;
    // This is the only running instance now: what dead ones left behind (working copies, the
    // temporaries of saves cut short beside the user's papers) can go.
    RemoveStaleStorageFiles({LocalMacro("$(UserPreferenceFolder)")});
    if (windows_)
        windows_->BeforeSharedData();
    if (!LoadSharedData())
        return;
    SetSimpleTextEmptyText(QString::fromUtf8(kEmptyText));
    if (windows_)
        windows_->CreateMainWindows();
    papersListener_ = std::make_shared<TPapersV2::ChangeListener>([this] {
        if (windows_)
            windows_->PapersChanged();
    });
    papers_->AddChangeListener(papersListener_);
    started_ = true;
}

void TdataMain::CheckFile(const QString& fileName, bool allowReadOnly) {
    const QFileInfo info(fileName);
    if (!info.isFile())
        throw EFileError(FileNotOpenedMessage(info.fileName()));
    // The owner's write bit, not access(): a read-only file stays read-only for the superuser too.
    if (!allowReadOnly && !(info.permissions() & QFileDevice::WriteOwner))
        throw EFileError(FileReadOnlyMessage(info.fileName()));
}

bool TdataMain::LoadSharedData() {
    QString opening;
    try {
        opening = LocalMacro("$(ImageCacheFile)");
        imageCache_ = std::make_unique<TImageCacheStorage>();
        imageCache_->Open(opening, false);
        ApplyCacheLimit();

        // The installed database is only read; the user's copy beside the other user data is
        // what changes are written to, and that copy must be writable.
        opening = LocalMacro("$(SystemPaperInfo)");
        CheckFile(opening, true);
        const QString userFolder = LocalMacro("$(UserPreferenceFolder)");
        QDir().mkpath(userFolder);
        const QString userCopy = JoinPath(userFolder, QFileInfo(opening).fileName());
        if (QFileInfo(userCopy).isFile()) {
            opening = userCopy;
            CheckFile(userCopy, false);
        }
        // A damaged copy is set aside there and named in the notice.
        papers_ = TPapersV2::OpenSystem(LocalMacro("$(SystemPaperInfo)"), userCopy);
        if (!papers_->StartNotice().isEmpty())
            AppShowMessage(papers_->StartNotice());

        opening = LocalMacro("$(ProductDB)");
        productDB_ = new TProductDB(this);
        productDB_->SetName(QStringLiteral("ProductDB"));
        productDB_->FileName = opening;
        productDB_->Open();
        if (!QFileInfo::exists(opening))
            productDB_->Save();

        opening = JoinPath(LocalMacro("$(ExeDir)"), QString::fromLatin1(kShadowFile));
        CheckFile(opening, true);
        LoadDefaultShadowPicture(opening);
        return true;
    } catch (const EFileError& e) {
        AppShowMessage(e.Message());
    } catch (const std::exception&) {
        AppShowMessage(FileNotOpenedMessage(QFileInfo(opening).fileName()));
    }
    return false;
}

bool SavePaperStore(TPapers& papers) {
    try {
        papers.Save();
        return true;
    } catch (const Exception& e) {
        AppShowMessage(e.Message());
        return false;
    }
}

void TdataMain::ApplyCacheLimit() {
    if (!imageCache_)
        return;
    int32_t limit = 0;
    if (ReadSettingBool(QStringLiteral("CacheEnabl"), true)) {
        limit = ReadSettingInteger(QStringLiteral("CacheLimit"), kDefaultCacheLimitMB);
        if (limit == 0)
            limit = TImageCacheStorage::kUnlimited;
    }
    imageCache_->Shrink(limit);
}

void TdataMain::ClearImageCache() {
    // The one cache object stays: the browsers' loader threads may be reading through it.
    if (!imageCache_)
        return;
    imageCache_->Clear();
    ApplyCacheLimit();
}

namespace {

// Thumbnails run on loader threads, where the Photo CD dialog must not open: Base/4 upright is
// decoded directly. False for other files.
bool LoadPhotoCDPreview(const QString& fileName, TPicture& picture) {
    if (QFileInfo(fileName).suffix().compare(QLatin1String("pcd"), Qt::CaseInsensitive) != 0)
        return false;
    TSafetyBitmap bitmap;
    LoadPCDFile(fileName, kPCDBase4, bitmap);
    picture.Assign(&bitmap);
    return true;
}

} // namespace

void LoadPreviewImage(TImageCacheStorage* cache, const QString& fileName, TPicture& picture) {
    picture.SetGraphic(nullptr);
    const QFileInfo file(fileName);
    const QString folderCache = JoinPath(file.absolutePath(), QString::fromLatin1(kFolderPreviewCache));
    if (QFileInfo(folderCache).isFile()) {
        TImageCacheStorage previews;
        previews.Open(folderCache, true);
        TImageCacheItem item;
        if (previews.LoadItem(file.fileName(), item) && item.Picture()->Graphic() &&
            !item.Picture()->Graphic()->Empty()) {
            picture.Assign(item.Picture());
            return;
        }
    }
    TImageCacheItem item;
    if (cache && cache->LoadItem(fileName, item) && item.IsValidFor(fileName)) {
        picture.Assign(item.Picture());
        return;
    }
    TPictureEx source;
    if (!LoadPhotoCDPreview(fileName, source)) {
        try {
            LoadPictureFile(nullptr, &source, fileName);
        } catch (const std::exception&) {
            source.LoadFromFile(fileName);
        }
    }
    // Aspect kept within the square.
    const int w = std::max(source.Width(), 1);
    const int h = std::max(source.Height(), 1);
    const int thumbW = w >= h ? kPreviewSize : std::max(1, int(int64_t(kPreviewSize) * w / h));
    const int thumbH = w >= h ? std::max(1, int(int64_t(kPreviewSize) * h / w)) : kPreviewSize;
    TSafetyBitmap thumbnail;
    thumbnail.SetPixelFormat(pf24bit);
    thumbnail.SetSize(thumbW, thumbH);
    DrawPictureThumbnail(&source, &thumbnail, clNone, true, clWhite);
    TPicture result;
    result.Assign(&thumbnail);
    if (cache && item.SetSourceFile(fileName)) {
        item.SetPicture(&result);
        cache->SaveItem(fileName, item);
    }
    picture.Assign(&result);
}

void TdataMain::GetPreviewImage(const QString& fileName, TPicture& picture) {
    LoadPreviewImage(imageCache_.get(), fileName, picture);
}

void TdataMain::GlobalNotify1Idle(TObject*) {
    if (idleHandled_ || !started_)
        return;
    idleHandled_ = true;
    if (windows_)
        windows_->FirstIdle(arguments_);
}

TModalResult TdataMain::AppFrame1MessageBox(const QString& message, const std::vector<TBitBtnKind>& buttons,
                                            int inDefault, int inCancel) {
    return DialogService::Instance().MessageBox(message, buttons, inDefault, inCancel);
}

bool TdataMain::AppFrame1Help(uint16_t command, int32_t data, bool& callHelp) {
    callHelp = false;
    return ShowHtmlHelp(command, data);
}

bool UseColorSpecHistory() {
    return ReadSettingBool(QStringLiteral("UseColorSpecHistory"), true);
}

bool ShowHtmlHelp(uint16_t command, int32_t data) {
    // Help ships as a folder of pages named by context number, beside the program as "<name>.help".
    const QString helpFile = TApplication::HelpFile();
    if (helpFile.isEmpty())
        return false;
    const QString folder = ToLocalPath(QFileInfo(helpFile).path() + QLatin1Char('/') +
                                       QFileInfo(helpFile).completeBaseName() + QStringLiteral(".help"));
    if (!QFileInfo(folder).isDir())
        return false;
    constexpr uint16_t kContextHelp = 1;
    QString page = QStringLiteral("index.html");
    // A context without a page of its own opens the contents.
    if (command == kContextHelp && QFileInfo(JoinPath(folder, QStringLiteral("%1.html").arg(data))).isFile())
        page = QStringLiteral("%1.html").arg(data);
    const QString file = JoinPath(folder, page);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        return true;
    // The desktop says why only on stderr (no launcher, or it could not be started): the user would
    // press the key again and again.
    AppShowMessage(HelpNotShownMessage(file));
    return false;
}

QString HelpNotShownMessage(const QString& file) {
    return QStringLiteral("ヘルプを表示できませんでした。ページを表示するプログラム(ブラウザー)が見つかりません。\n"
                          "次のファイルをブラウザーで開いてください。\n%1")
        .arg(file);
}
