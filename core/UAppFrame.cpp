#include "core/UAppFrame.h"

#include "core/UPathUtil.h"
#include "core/USupportUtil.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/InstanceLock.h"
#include "platform/Settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMetaProperty>
#include <QScreen>
#include <QStandardPaths>
#include <QStorageInfo>
#include <QTemporaryFile>
#include <QWidget>
#include <algorithm>
#include <unordered_set>

namespace {

TAppFrame*& CurrentFrame() {
    static TAppFrame* frame = nullptr;
    return frame;
}

// The registry's classes root, per user, as the settings store holds it.
const QString kClassesRoot = QStringLiteral("Software\\Classes\\");
// The unnamed (default) value of a key, named as registry exports name it.
const QString kDefaultValue = QStringLiteral("@");

QString SettingsKey() {
    TAppFrame* frame = AppFrame();
    return frame ? frame->Macro().Expand(QStringLiteral("$(SysRegistryKey:inessential)")) : QString();
}

void WriteSetting(const QString& name, const QString& value) {
    const QString key = SettingsKey();
    if (key.isEmpty())
        return;
    try {
        SettingsStore::WriteString(key, name, value);
    } catch (const Exception& e) {
        // A setting that cannot be stored is lost, as a registry key that cannot be opened would be;
        // the application goes on.
        qWarning("setting %s not written: %s", qPrintable(name), e.what());
    }
}

bool HasWildcards(const QString& name) {
    return name.contains(u'*') || name.contains(u'?');
}

// Content discs and folders were written for a file system that ignores case: an element that does not
// exist as spelled is matched without regard to case (the spelling as given is tried first). Where
// several spellings exist side by side, each is tried until the whole path leads to what is wanted.
QString FindNoCase(const QString& current, const QStringList& elements, qsizetype index,
                   const std::function<bool(const QFileInfo&)>& wanted) {
    if (index == elements.size())
        return wanted(QFileInfo(current)) ? current : QString();
    const QString& element = elements[index];
    QStringList candidates;
    if (QFileInfo::exists(JoinPath(current, element)))
        candidates.append(element);
    for (const QString& entry :
         QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
        if (entry != element && entry.compare(element, Qt::CaseInsensitive) == 0)
            candidates.append(entry);
    }
    for (const QString& candidate : candidates) {
        const QString found = FindNoCase(JoinPath(current, candidate), elements, index + 1, wanted);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

QString FindFileNoCase(const QString& base, const QString& relative) {
    return FindNoCase(base, relative.split(PathDelim, Qt::SkipEmptyParts), 0,
                      [](const QFileInfo& info) { return info.isFile(); });
}

QString FindFolderNoCase(const QString& base, const QString& relative) {
    return FindNoCase(base, relative.split(PathDelim, Qt::SkipEmptyParts), 0,
                      [](const QFileInfo& info) { return info.isDir(); });
}

bool IsWritableFolder(const QString& folder) {
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("writable-XXXXXX")));
    return probe.open();
}

// A rectangle that shows too little of itself on every screen to be grabbed is off screen.
constexpr int kMinVisible = 32;

QRect OntoAvailableArea(QRect r) {
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect visible = r.intersected(screen->availableGeometry());
        if (visible.width() >= std::min(kMinVisible, r.width()) &&
            visible.height() >= std::min(kMinVisible, r.height()))
            return r;
    }
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return r;
    const QRect area = primary->availableGeometry();
    r.setSize(r.size().boundedTo(area.size()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
    return r;
}

} // namespace

// ---- environment

int TAppEnvironment::ScreenColorBits() {
    return GetScreenColorBits();
}

bool TAppEnvironment::IsPowerUser() {
    // The settings must be writable, and so must the folder the user's own files go to
    // ("$(AppDataDir)").
    return ::IsPowerUser() &&
           IsWritableFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

bool TAppEnvironment::HasDefaultPrinter() {
    return ::HasDefaultPrinter();
}

bool TAppEnvironment::AcquireInstance(const QString& name) {
    return TInstanceLock::AcquireForProcess(name);
}

QStringList TAppEnvironment::Volumes() {
    QStringList roots;
    const QString system = QStorageInfo::root().rootPath();
    if (!system.isEmpty())
        roots.append(system);
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || roots.contains(root))
            continue;
        // Kernel and runtime file systems hold no content; removable media are mounted below
        // /media, /mnt or /run/media.
        const bool pseudo =
            root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) ||
            (root.startsWith(QLatin1String("/run")) && !root.startsWith(QLatin1String("/run/media")));
        if (!pseudo)
            roots.append(root);
    }
    return roots;
}

// ---- frame

TAppFrame::TAppFrame(TComponent* owner)
    : TComponent(owner), environment_(std::make_shared<TAppEnvironment>()) {
    macro_.SetValue(QStringLiteral("AppName"), QStringLiteral("Project"));
    CurrentFrame() = this;
}

TAppFrame::~TAppFrame() {
    if (CurrentFrame() == this)
        CurrentFrame() = nullptr;
    if (hooked_) {
        SendMessageHookList().Remove(this, &TAppFrame::SendMessageHook);
        PostMessageHookList().Remove(this, &TAppFrame::PostMessageHook);
    }
    if (ownsExceptionEvent_ && !CurrentFrame())
        TApplication::SetOnException(nullptr);
}

void TAppFrame::DeclareProperties(TPropertyBuilder<TAppFrame>& p) {
    p.Strings("Macro", [](TAppFrame& f) -> TStringList* { return &f.macro_; });
    p.Set("ExecuteCondition", &TAppFrame::ExecuteCondition, &TAppFrame::ExecuteCondition,
          {QStringLiteral("ecNeedHighColor"), QStringLiteral("ecNeedPrinter"), QStringLiteral("ecExclusive"),
           QStringLiteral("ecPowerUsers")},
          QStringLiteral("TExecuteCondition"))
        .Default(0);
}

void TAppFrame::SetMacro(const TStringList& lines) {
    macro_.Assign(lines);
}

void TAppFrame::SetEnvironment(std::shared_ptr<TAppEnvironment> environment) {
    environment_ = environment ? std::move(environment) : std::make_shared<TAppEnvironment>();
}

void TAppFrame::SetBuiltInMacros() {
    const QString exe = QCoreApplication::applicationFilePath();
    const QFileInfo exeInfo(exe);
    auto set = [this](const char* name, const QString& value) {
        macro_.SetValue(QString::fromLatin1(name), value);
    };
    if (macro_.Values(QStringLiteral("SysKeyFile")).isEmpty())
        set("SysKeyFile", exeInfo.fileName());
    if (macro_.Values(QStringLiteral("SysApplicationFolder")).isEmpty())
        set("SysApplicationFolder", exeInfo.completeBaseName());
    set("CRLF", QStringLiteral("\r\n"));
    set("Quote", QStringLiteral("\""));
    set("ExeDir", IncludeBackslash(exeInfo.absolutePath()));
    set("ExeNameNoExt", JoinPath(exeInfo.absolutePath(), exeInfo.completeBaseName()));
    QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (appData.isEmpty())
        appData = JoinPath(QDir::homePath(), QStringLiteral("Documents"));
    set("AppDataDir", IncludeBackslash(appData));
    QString shortVer = QStringLiteral("1.0");
    QString longVer = QStringLiteral("1.0.0.0");
    TFileVer version(exe);
    TFileVersion v{};
    if (version.GetFileVersion(v)) {
        shortVer = QStringLiteral("%1.%2").arg(v[0]).arg(v[1]);
        longVer = shortVer + QStringLiteral(".%1.%2").arg(v[2]).arg(v[3]);
    }
    set("ShortVer", shortVer);
    set("LongVer", longVer);
}

void InstallGDIFix() {}

void TAppFrame::Loaded() {
    TComponent::Loaded();
    SetBuiltInMacros();
    if (ReadSettingBool(QStringLiteral("FixGDILeak"), true))
        InstallGDIFix();
    TApplication::SetTitle(ExpandMacros(QStringLiteral("$(AppName)")));
    TApplication::SetHelpFile(ExpandMacros(QStringLiteral("$(SysHelpFile:inessential)")));
    // The frame in charge when the exception comes shows it; one that is gone cannot.
    TApplication::SetOnException([](TObject* sender, const std::exception& e) {
        if (TAppFrame* frame = AppFrame())
            frame->HandleException(sender, e);
        else
            DialogService::Instance().MessageBox(QString::fromUtf8(e.what()), {bkOK}, 0, 0);
    });
    ownsExceptionEvent_ = true;
    if (!hooked_) {
        SendMessageHookList().Add(this, &TAppFrame::SendMessageHook);
        PostMessageHookList().Add(this, &TAppFrame::PostMessageHook);
        hooked_ = true;
    }
}

void TAppFrame::SendMessageHook(tagMSG& message) {
    if (OnSendMessage)
        OnSendMessage(message);
}

void TAppFrame::PostMessageHook(tagMSG& message) {
    if (OnPostMessage)
        OnPostMessage(message);
}

TModalResult TAppFrame::MessageBox(const QString& msg, const std::vector<TBitBtnKind>& buttons, int inDefault,
                                   int inCancel) {
    return ShowText(ExpandMacros(msg), buttons, inDefault, inCancel);
}

TModalResult TAppFrame::ShowText(const QString& text, const std::vector<TBitBtnKind>& buttons, int inDefault,
                                 int inCancel) {
    if (OnMessageBox)
        return OnMessageBox(text, buttons, inDefault, inCancel);
    return DialogService::Instance().MessageBox(text, buttons, inDefault, inCancel);
}

bool TAppFrame::CheckExecuteCondition() {
    if ((ExecuteCondition & ecNeedHighColor) && environment_->ScreenColorBits() <= 8) {
        if (AppMessageBox(QStringLiteral("$(SysMsgNotEnoughColor)"), {bkYes, bkNo}, 0, 0) == mrNo)
            return false;
    }
    if ((ExecuteCondition & ecPowerUsers) && !environment_->IsPowerUser()) {
        AppMessageBox(QStringLiteral("$(SysMsgNotPowerUsers)"), {bkOK}, 0, 0);
        return false;
    }
    if ((ExecuteCondition & ecNeedPrinter) && !environment_->HasDefaultPrinter()) {
        AppMessageBox(QStringLiteral("$(SysMsgNotDefaultPrinter)"), {bkOK}, 0, 0);
        return false;
    }
    if (ExecuteCondition & ecExclusive) {
        // Linux has no session-global namespace to choose, so the name is used as it is.
        if (!environment_->AcquireInstance(ExpandMacros(QStringLiteral("$(SysMutexID)")))) {
            AppMessageBox(QStringLiteral("$(SysMsgAlreadyRun)"), {bkOK}, 0, 0);
            return false;
        }
    }
    return true;
}

void TAppFrame::HandleException(TObject* sender, const std::exception& e) {
    if (OnException) {
        OnException(sender, e);
        return;
    }
    const auto* ours = dynamic_cast<const Exception*>(&e);
    const QString message = ours ? ours->Message() : QString::fromUtf8(e.what());
    const bool twain = ours && qstrcmp(ours->ClassName(), "ETwain") == 0;
    QString format;
    try {
        format =
            ExpandMacros(twain ? QStringLiteral("$(SysMsgTwainErr)") : QStringLiteral("$(SysMsgUnexpected)"));
    } catch (const EMacroString&) {
        // A table without the message still shows what went wrong.
        format = QStringLiteral("%s");
    }
    // The text is final: the message may itself hold "$(" (macro errors quote their text) and must not be
    // expanded a second time.
    TApplication::BringToFront();
    ShowText(FillFirstPlaceholder(format, message), {bkOK}, 0, 0);
}

QString TAppFrame::GetCDPath() {
    return ReadSettingString(QStringLiteral("CDPath"), QString());
}

void TAppFrame::SetCDPath(const QString& path) {
    WriteSettingString(QStringLiteral("CDPath"), path);
}

// ---- content lookup

QString TAppFrame::ExpandOrEmpty(const QString& text) {
    return macro_.Expand(text);
}

bool TAppFrame::IsSource(const QString& folder) {
    const QString keyFile = ToLocalPath(ExpandOrEmpty(QStringLiteral("$(SysKeyFile:inessential)")));
    if (folder.isEmpty() || keyFile.isEmpty())
        return false;
    return !FindFileNoCase(folder, keyFile).isEmpty();
}

QString TAppFrame::SearchFolder(const QString& folder, const QString& fileName) {
    if (folder.isEmpty())
        return QString();
    const QString relative = ToLocalPath(fileName);
    if (!HasWildcards(relative)) {
        return FindFileNoCase(folder, relative);
    }
    const qsizetype slash = relative.lastIndexOf(PathDelim);
    const QString dirPart = slash < 0 ? QString() : relative.left(slash);
    QString mask = relative.mid(slash + 1);
    // "*.*" meant every file where it was written, names without a dot included.
    if (mask == QLatin1String("*.*"))
        mask = QStringLiteral("*");
    if (HasWildcards(dirPart))
        return QString();
    QString result;
    // Of several spellings of the folder, the first that holds a match answers.
    FindNoCase(folder, dirPart.split(PathDelim, Qt::SkipEmptyParts), 0, [&](const QFileInfo& info) {
        if (!info.isDir())
            return false;
        const QStringList matches = QDir(info.filePath()).entryList({mask}, QDir::Files, QDir::Name);
        if (matches.isEmpty())
            return false;
        result = JoinPath(info.filePath(), matches.constFirst());
        return true;
    });
    return result;
}

QString TAppFrame::SearchDiskSiblings(const QString& folder, const QString& fileName) {
    const QFileInfo info(ExcludeBackslash(folder));
    if (!info.fileName().startsWith(QLatin1String("disk"), Qt::CaseInsensitive))
        return QString();
    for (int n = 1; n <= 9; ++n) {
        const QString sibling = FindFolderNoCase(info.absolutePath(), QStringLiteral("disk%1").arg(n));
        if (!IsSource(sibling))
            continue;
        const QString path = SearchFolder(sibling, fileName);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QString TAppFrame::SearchSource(const QString& folder, const QString& fileName) {
    if (!IsSource(folder))
        return QString();
    const QString path = SearchFolder(folder, fileName);
    return path.isEmpty() ? SearchDiskSiblings(folder, fileName) : path;
}

QString TAppFrame::SearchInstallFolder(const QString& fileName, QString& installFolder) {
    installFolder.clear();
    const QString installKey = ExpandOrEmpty(QStringLiteral("$(SysInstallKey:inessential)"));
    if (installKey.isEmpty())
        return QString();
    const QString key = kClassesRoot + installKey + QStringLiteral("\\srcDir");
    if (!SettingsStore::KeyExists(key))
        return QString();
    installFolder = SettingsStore::ReadString(key, kDefaultValue);
    QString path = SearchSource(installFolder, fileName);
    for (int i = 0; path.isEmpty() && i <= 9; ++i) {
        installFolder = SettingsStore::ReadString(key, QStringLiteral("srcDir%1").arg(i));
        if (installFolder.isEmpty())
            break;
        path = SearchSource(installFolder, fileName);
    }
    return path;
}

QString TAppFrame::DriveScan(const QString& subPath, const QString& fileName, QString& hitFolder) {
    const QString relative = ToLocalPath(subPath);
    for (const QString& root : environment_->Volumes()) {
        const QString folder = relative.isEmpty() ? root : FindFolderNoCase(root, relative);
        const QString path = SearchSource(folder, fileName);
        if (!path.isEmpty()) {
            hitFolder = folder;
            return path;
        }
    }
    hitFolder.clear();
    return QString();
}

QString TAppFrame::SourceScan(const QString& fileName, const QString& installFolder) {
    QString hit;
    if (!DriveScan(QString(), fileName, hit).isEmpty())
        return hit;
    if (!installFolder.isEmpty()) {
        // The install folder's place on its own volume, looked for on every other volume.
        const QString absolute = QFileInfo(installFolder).absoluteFilePath();
        const QString root = IncludeBackslash(QStorageInfo(absolute).rootPath());
        QString relative = absolute.startsWith(root) ? absolute.mid(root.size()) : absolute;
        while (relative.startsWith(PathDelim))
            relative.remove(0, 1);
        if (!relative.isEmpty() && !DriveScan(IncludeBackslash(relative), fileName, hit).isEmpty())
            return hit;
    }
    const QString appFolder = ExpandOrEmpty(QStringLiteral("$(SysApplicationFolder:inessential)"));
    if (!appFolder.isEmpty() && !DriveScan(appFolder + QLatin1Char('\\'), fileName, hit).isEmpty())
        return hit;
    return QString();
}

QString TAppFrame::SearchPass(const QString& fileName) {
    QString exeDir = ExpandOrEmpty(QStringLiteral("$(ExeDir:inessential)"));
    if (exeDir.isEmpty())
        exeDir = QCoreApplication::applicationDirPath();
    QString path = SearchFolder(exeDir, fileName);
    if (path.isEmpty())
        path = SearchSource(GetCDPath(), fileName);
    if (path.isEmpty())
        path = SearchSource(sourceFolder_, fileName);
    if (!path.isEmpty())
        return path;
    QString installFolder;
    path = SearchInstallFolder(fileName, installFolder);
    if (!path.isEmpty()) {
        sourceFolder_ = installFolder;
        return path;
    }
    sourceFolder_ = SourceScan(fileName, installFolder);
    // Searched as a source, so that a hit in a disk sibling of the folder is found again.
    return SearchSource(sourceFolder_, fileName);
}

QString TAppFrame::FindSourceFile(const QString& fileName, const QString& displayName) {
    QString path = SearchPass(fileName);
    while (path.isEmpty() && !displayName.isEmpty()) {
        const QString display =
            displayName == QLatin1String("@") ? QStringLiteral("必要なファイル") : displayName;
        bool retry = true;
        if (OnCDNotFound) {
            OnCDNotFound(display, retry);
        } else {
            const QString text =
                FillFirstPlaceholder(ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")), display);
            TApplication::BringToFront();
            retry = ShowText(text, {bkYes, bkCancel}, 0, 1) != mrCancel;
        }
        if (!retry)
            break;
        path = SearchPass(fileName);
    }
    return path;
}

// ---- free functions

TAppFrame* AppFrame() {
    return CurrentFrame();
}

QString ExpandMacros(const QString& text) {
    TAppFrame* frame = AppFrame();
    return frame ? frame->Macro().Expand(text) : text;
}

TModalResult AppMessageBox(const QString& msg, const std::vector<TBitBtnKind>& buttons, int inDefault,
                           int inCancel) {
    TApplication::BringToFront();
    if (TAppFrame* frame = AppFrame())
        return frame->MessageBox(msg, buttons, inDefault, inCancel);
    return DialogService::Instance().MessageBox(msg, buttons, inDefault, inCancel);
}

bool AppConfirm(const QString& msg) {
    return AppMessageBox(msg, {bkOK, bkCancel}, 0, 1) == mrOk;
}

void AppShowMessage(const QString& msg) {
    AppMessageBox(msg, {bkOK}, 0, 0);
}

bool ReadSettingBool(const QString& name, bool defaultValue) {
    const QString key = SettingsKey();
    return key.isEmpty() ? defaultValue : SettingsStore::ReadBool(key, name, defaultValue);
}

int ReadSettingInteger(const QString& name, int defaultValue) {
    const QString key = SettingsKey();
    return key.isEmpty() ? defaultValue : SettingsStore::ReadInteger(key, name, defaultValue);
}

QString ReadSettingString(const QString& name, const QString& defaultValue) {
    const QString key = SettingsKey();
    return key.isEmpty() ? defaultValue : SettingsStore::ReadString(key, name, defaultValue);
}

void WriteSettingBool(const QString& name, bool value) {
    WriteSetting(name, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void WriteSettingInteger(const QString& name, int value) {
    WriteSetting(name, QString::number(value));
}

void WriteSettingString(const QString& name, const QString& value) {
    WriteSetting(name, value);
}

namespace {

bool ExpandText(QString& text) {
    if (!text.contains(QLatin1String("$(")))
        return false;
    text = ExpandMacros(text);
    return true;
}

void ExpandPersistent(TPersistent* object, std::unordered_set<const void*>& visited) {
    if (!object || !visited.insert(object).second)
        return;
    for (const TPropInfo* prop : GetPropList(object)) {
        if (!prop->IsStored(object))
            continue;
        switch (prop->Kind()) {
        case TPropKind::String:
        case TPropKind::WideString: {
            QString text = prop->GetString(object);
            if (prop->CanWrite() && ExpandText(text))
                prop->SetString(object, text);
            break;
        }
        case TPropKind::Strings:
            if (TStringList* lines = prop->GetStrings(object)) {
                QString text = lines->Text();
                if (ExpandText(text))
                    lines->SetText(text);
            }
            break;
        case TPropKind::Object:
        case TPropKind::Collection:
            ExpandPersistent(prop->GetObject(object), visited);
            break;
        case TPropKind::Component:
            ExpandPersistent(prop->GetComponent(object), visited);
            break;
        default:
            break;
        }
    }
    if (auto* component = dynamic_cast<TComponent*>(object)) {
        for (int i = 0; i < component->ComponentCount(); ++i)
            ExpandPersistent(component->Components(i), visited);
    }
}

void ExpandQObject(QObject* object, std::unordered_set<const void*>& visited) {
    if (!object || !visited.insert(object).second)
        return;
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty prop = meta->property(i);
        if (!prop.isWritable() || !prop.isStored())
            continue;
        if (prop.metaType().id() == QMetaType::QString) {
            QString text = prop.read(object).toString();
            if (ExpandText(text))
                prop.write(object, text);
        } else if (prop.metaType().id() == QMetaType::QStringList) {
            QStringList list = prop.read(object).toStringList();
            bool changed = false;
            for (QString& text : list)
                changed = ExpandText(text) || changed;
            if (changed)
                prop.write(object, list);
        }
    }
    for (QObject* child : object->children())
        ExpandQObject(child, visited);
    // Actions belong to the widgets that show them without being their children.
    if (auto* widget = qobject_cast<QWidget*>(object)) {
        for (QAction* action : widget->actions())
            ExpandQObject(action, visited);
    }
}

} // namespace

void ExpandComponentMacros(TComponent* component) {
    if (!AppFrame())
        return;
    std::unordered_set<const void*> visited;
    ExpandPersistent(component, visited);
}

void ExpandComponentMacros(QObject* object) {
    if (!AppFrame())
        return;
    std::unordered_set<const void*> visited;
    ExpandQObject(object, visited);
}

void SaveFormPlacement(QWidget* form) {
    if (!form)
        return;
    QRect r(form->pos(), form->size());
    const bool maximized = form->isMaximized() || form->isFullScreen();
    if (maximized) {
        // The normal geometry is the client area; the position is kept as the frame's, like pos().
        const QRect normal = form->normalGeometry();
        if (normal.isValid())
            r = QRect(normal.topLeft() - (form->geometry().topLeft() - form->pos()), normal.size());
    }
    const QString name = form->objectName();
    WriteSettingInteger(name + QStringLiteral("Left"), r.left());
    WriteSettingInteger(name + QStringLiteral("Top"), r.top());
    WriteSettingInteger(name + QStringLiteral("Width"), r.width());
    WriteSettingInteger(name + QStringLiteral("Height"), r.height());
    WriteSettingBool(name + QStringLiteral("Maximized"), maximized);
}

namespace {

// The window system's frame around a window's client area; none until the window is framed.
QMargins FrameMargins(const QWidget* form) {
    const QRect frame = form->frameGeometry();
    const QRect client = form->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

// A window at r (its frame's top left, its client size) with its frame held inside area.
QRect FitFramed(QRect r, const QMargins& frame, const QRect& area) {
    r.setSize(r.size().boundedTo(area.size().shrunkBy(frame)).expandedTo(QSize(1, 1)));
    const QSize framed = r.size().grownBy(frame);
    r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() + 1 - framed.width())));
    r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - framed.height())));
    return r;
}

void PlaceFramed(QWidget* form, const QRect& r) {
    QScreen* on = QGuiApplication::screenAt(r.center());
    if (!on)
        on = QGuiApplication::primaryScreen();
    if (!on)
        return;
    const QRect fit = FitFramed(r, FrameMargins(form), on->availableGeometry());
    if (fit.topLeft() != form->pos())
        form->move(fit.topLeft());
    if (fit.size() != form->size())
        form->resize(fit.size());
}

// The frame is known only once the window system has framed the shown window: the placement is
// fitted again then, so the frame (title bar, borders) does not push the window's foot, its
// status bar, off the screen. Again whenever the frame changes (leaving the maximised state), never
// when the user moves the window.
class TFrameFitter : public QObject {
public:
    explicit TFrameFitter(QWidget* form) : QObject(form), form_(form) {
        setObjectName(QStringLiteral("FrameFitter"));
        form->installEventFilter(this);
    }
    // The placement is fitted with the frame known now; later frames fit it again.
    void Fit() {
        fitted_ = FrameMargins(form_);
        PlaceFramed(form_, QRect(form_->pos(), form_->size()));
    }

    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (form_->isVisible() && !(form_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen |
                                                                Qt::WindowMinimized)) &&
                FrameMargins(form_) != fitted_)
                Fit();
            break;
        default:
            break;
        }
        return false;
    }

private:
    QWidget* form_;
    QMargins fitted_;
};

} // namespace

void RestoreFormPlacement(QWidget* form, int defaultWidth, int defaultHeight) {
    if (!form)
        return;
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, defaultWidth, defaultHeight);
    const int w = std::min(area.width(), defaultWidth);
    const int h = std::min(area.height(), defaultHeight);
    const QString name = form->objectName();
    int height = ReadSettingInteger(name + QStringLiteral("Height"), h);
    int width = ReadSettingInteger(name + QStringLiteral("Width"), w);
    const int top = ReadSettingInteger(name + QStringLiteral("Top"), area.top() + (area.height() - h) / 2);
    const int left = ReadSettingInteger(name + QStringLiteral("Left"), area.left() + (area.width() - w) / 2);
    // A damaged setting must not make the window vanish.
    if (width <= 0 || height <= 0) {
        width = w;
        height = h;
    }
    QRect r = OntoAvailableArea(QRect(left, top, width, height));
    // A placement stored on a larger screen is brought within the screen it now lies on.
    QScreen* on = QGuiApplication::screenAt(r.center());
    if (!on)
        on = screen;
    if (on)
        r = FitFramed(r, FrameMargins(form), on->availableGeometry());
    form->move(r.topLeft());
    form->resize(r.size());
    auto* fitter = form->findChild<TFrameFitter*>(QStringLiteral("FrameFitter"), Qt::FindDirectChildrenOnly);
    (fitter ? fitter : new TFrameFitter(form))->Fit();
    if (ReadSettingBool(name + QStringLiteral("Maximized"), false))
        form->setWindowState(form->windowState() | Qt::WindowMaximized);
}

QString FillFirstPlaceholder(const QString& format, const QString& value) {
    const qsizetype at = format.indexOf(QLatin1String("%s"));
    if (at < 0)
        return format;
    return format.left(at) + value + format.mid(at + 2);
}
