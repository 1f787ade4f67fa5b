#pragma once
// The data module that brings the application up and takes it down: the application frame with its
// macro table, the start-up checks, the shared data (image cache, paper database, product database)
// and the main window; on the first idle moment it opens the document named on the command line or
// shows the start menu. It also holds the interface plug-ins receive from the host.

#include "app/USharedData.h"
#include "core/UAppFrame.h"
#include "core/UInterfaces.h"
#include "core/UPluginList.h"
#include "papers/UPurposeList.h"
#include "platform/Component.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QWidget;
class QImage;
class TGlobalNotify;
class TImagePack;
class TMatrixImagePack;
class TImageCacheStorage;
class TPapers;
class TPapersV2;
class TProductDB;
class TPicture;
class TfrmAbout;
class IAppHost;
class TfrmMain;

QUORLANE_EXCEPTION(EFileError, Exception)

// Old purposes of label papers, folded into their successors.
class TCDLabelPurposeValidator : public TPurposeValidator {
public:
    bool IsObsolete(const QString& id) override;
    void Normalize(const QString& id, QString& name) override;
    void Clean(TPurposeList& list) override;
};

// What plug-ins receive from the host. Each method returns S_OK or the error code of what failed in
// it: a plug-in cannot be handed an exception of ours.
struct ISCClientV1 : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{7BF0723E-2701-437A-B4CE-F65649F6838F}");
    virtual HRESULT GetAppName(QString& name) = 0;
    virtual HRESULT GetRegistryKey(QString& key) = 0;
    virtual HRESULT GetActiveWindow(quintptr& window) = 0;
    virtual HRESULT ExpandMacro(const QString& text, QString& expanded) = 0;
};

class TSCAppFrameClient : public TAutoFreeInterface, public virtual ISCClientV1 {
public:
    HRESULT GetAppName(QString& name) override;
    HRESULT GetRegistryKey(QString& key) override;
    HRESULT GetActiveWindow(quintptr& window) override;
    HRESULT ExpandMacro(const QString& text, QString& expanded) override;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;
};

// The windows a data module brings up, made by the composition unit (UAppWindows) so that the data
// module knows no form: it calls these at their moments of start-up, idle and take-down.
class IAppWindows {
public:
    virtual ~IAppWindows() = default;
    // The mode forms and property panels into their registries; Unregister takes out what Register put
    // (and every mode form, a stand-in too).
    virtual void RegisterForms() = 0;
    virtual void UnregisterForms() = 0;
    // Before the shared data loads: the splash and the picture limits the settings give.
    virtual void BeforeSharedData() = 0;
    // Once the shared data is there: the main window and the colour grid.
    virtual void CreateMainWindows() = 0;
    // The paper store changed (a merge may bring a new printer setting list).
    virtual void PapersChanged() = 0;
    // The first idle moment: the document named on the command line, else the start menu.
    virtual void FirstIdle(const QStringList& arguments) = 0;
    // The windows go before the data they show.
    virtual void DestroyWindows() = 0;
    virtual TfrmMain* MainForm() const = 0;
    // The main window as its forms see it; null while there is none.
    virtual IAppHost* Host() const = 0;
    virtual TfrmAbout* Splash() const = 0;
};

// How a data module starts; the program uses the defaults, tests set their own.
struct TDataMainOptions {
    // The machine the start-up checks ask; the real one when null.
    std::shared_ptr<TAppEnvironment> Environment;
    // Macro values set over the table (after the frame's own), e.g. another "ExeDir".
    std::vector<std::pair<QString, QString>> Macros;
    // The command line after the program's name; the application's when not set.
    std::optional<QStringList> Arguments;
    // The windows; without them the module starts its data alone.
    std::shared_ptr<IAppWindows> Windows;
};

class TdataMain : public TComponent, public ISharedData {
    QUORLANE_CLASS(TdataMain, TComponent)

public:
    // Runs the whole start-up; Started() tells whether it reached the main window.
    explicit TdataMain(TComponent* owner, const TDataMainOptions& options = {});
    ~TdataMain() override;

    TAppFrame* AppFrame1 = nullptr;
    TGlobalNotify* GlobalNotify1 = nullptr;

    bool Started() const { return started_; }
    bool IdleHandled() const { return idleHandled_; }
    TfrmMain* MainForm() const;
    TfrmAbout* Splash() const;
    TPapersV2* Papers() const override { return papers_.get(); }
    TImageCacheStorage* ImageCache() const override { return imageCache_.get(); }
    TProductDB* ProductDB() const override { return productDB_; }
    TPluginList* ImportPlugins() const override { return importPlugins_.get(); }
    TPluginList* SecondPlugins() const { return secondPlugins_.get(); }
    // What plug-ins are handed when created: the module's host object.
    IUnknownEx* PluginHost() const override { return client_.get(); }

    // Every message box of the application frame arrives here, and goes to the dialog service (whose
    // application box is the message window).
    TModalResult AppFrame1MessageBox(const QString& message, const std::vector<TBitBtnKind>& buttons,
                                     int inDefault, int inCancel);
    bool AppFrame1Help(uint16_t command, int32_t data, bool& callHelp);
    void GlobalNotify1Idle(TObject* sender);

    // A 200 x 200 thumbnail of a picture file, from the folder's "Preview.ic" or the image cache (made
    // and kept there when missing or stale). Runs on the browsers' loader thread: no widgets.
    // Loading errors pass to the caller.
    void GetPreviewImage(const QString& fileName, TPicture& picture) override;
    void ClearImageCache() override;
    void ApplyCacheLimit();

private:
    void DataModule1Create(const TDataMainOptions& options);
    void SetMacroTable();
    bool LoadSharedData();
    // Raises EFileError when the file is missing or, unless allowed, read-only.
    static void CheckFile(const QString& fileName, bool allowReadOnly);
    // Empties the registries and hooks that start-up filled.
    void UnregisterAll();

    bool idleHandled_ = false;
    bool started_ = false;
    std::unique_ptr<TCDLabelPurposeValidator> validator_;
    std::unique_ptr<TPluginList> importPlugins_;
    std::unique_ptr<TPluginList> secondPlugins_;
    TIntf<ISCClientV1> client_;
    std::unique_ptr<TImageCacheStorage> imageCache_;
    std::unique_ptr<TPapersV2> papers_;
    std::shared_ptr<std::function<void()>> papersListener_;
    TProductDB* productDB_ = nullptr; // owned as a component
    // What start-up added: the designer list's length before.
    int designerMark_ = -1;
    std::shared_ptr<IAppWindows> windows_;
    QStringList arguments_;
};

// The one data module (null before it is made and once it is gone).
TdataMain* dataMain();

// A 200 x 200 thumbnail of a picture file, from the folder's "Preview.ic" or cache (made and kept
// there when missing or stale; cache may be null). Safe on loader threads; loading errors pass to
// the caller.
void LoadPreviewImage(TImageCacheStorage* cache, const QString& fileName, TPicture& picture);

// The texts of the shared-data checks.
QString FileNotOpenedMessage(const QString& fileName);
QString FileReadOnlyMessage(const QString& fileName);

// The application's setting "UseColorSpecHistory".
bool UseColorSpecHistory();
// Shows help through the help folder when there is one: the context's page (HELP_CONTEXT), else or
// when it has none the contents. False without a help folder or when the desktop could not open it;
// the latter is told to the user, naming the page's file.
bool ShowHtmlHelp(uint16_t command, int32_t data);
QString HelpNotShownMessage(const QString& file);
