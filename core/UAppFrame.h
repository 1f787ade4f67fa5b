#pragma once
// The application frame: the one object that ties the application to its environment. It owns the
// macro table every text, file location and registry key is expanded from, runs the start-up checks,
// shows every message box, turns unhandled exceptions into the system's own message, keeps settings
// and window placements, and finds the content data on disk or on a content disc.
//
// Free functions reach the frame through the process-wide AppFrame() and all work without one.

#include "core/UMacroString.h"
#include "core/UMessageHook.h"
#include "platform/Component.h"
#include "platform/DialogService.h"
#include "platform/Object.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QObject;
class QWidget;

enum TExecuteConditionFlag : unsigned {
    ecNeedHighColor = 1u << 0,
    ecNeedPrinter = 1u << 1,
    ecExclusive = 1u << 2,
    ecPowerUsers = 1u << 3,
};
// A set of TExecuteConditionFlag.
using TExecuteCondition = unsigned;

using TExceptionEvent = std::function<void(TObject* sender, const std::exception& e)>;
using TOnMessageBox = std::function<TModalResult(
    const QString& message, const std::vector<TBitBtnKind>& buttons, int inDefault, int inCancel)>;
using TOnCDNotFound = std::function<void(const QString& displayName, bool& outRetry)>;
using THelpEvent = std::function<bool(uint16_t command, int32_t data, bool& callHelp)>;

// What the frame asks of the machine it runs on; tests hand the frame a fake.
class TAppEnvironment {
public:
    virtual ~TAppEnvironment() = default;
    // Bits per pixel of the screen.
    virtual int ScreenColorBits();
    // The user may run the application: the user's data and settings folders are writable.
    virtual bool IsPowerUser();
    // A default printer can be selected; printing to a PDF file always can.
    virtual bool HasDefaultPrinter();
    // Takes the single-instance lock named name for the life of the process; false when another live
    // instance holds it.
    virtual bool AcquireInstance(const QString& name);
    // The roots of the mounted volumes that may hold content (they stand in for drive letters), the
    // system's root volume first.
    virtual QStringList Volumes();
};

class TAppFrame : public TComponent {
    QUORLANE_CLASS(TAppFrame, TComponent)

public:
    explicit TAppFrame(TComponent* owner);
    ~TAppFrame() override;
    static void DeclareProperties(TPropertyBuilder<TAppFrame>& p);

    TMacroString& Macro() { return macro_; }
    // Copies the lines.
    void SetMacro(const TStringList& lines);

    TExecuteCondition ExecuteCondition = 0;
    TExceptionEvent OnException;
    TOnMessageBox OnMessageBox;
    TOnCDNotFound OnCDNotFound;
    THookEvent OnSendMessage;
    THookEvent OnPostMessage;
    THelpEvent OnHelp;

    // Finishes setting up once the macro table is filled: built-in macros, application title and help
    // file, the exception handler and the message hooks.
    void Loaded() override;

    // Shows msg (macros expanded) with one button per kind; inDefault and inCancel are positions in
    // buttons. Through OnMessageBox when set, else the window system's message dialog.
    TModalResult MessageBox(const QString& msg, const std::vector<TBitBtnKind>& buttons, int inDefault,
                            int inCancel);
    // Runs the start-up checks of ExecuteCondition; false (after the matching message) means stop.
    bool CheckExecuteCondition();
    // Shows an exception as the system's own message ("$(SysMsgUnexpected)", "$(SysMsgTwainErr)").
    void HandleException(TObject* sender, const std::exception& e);

    // The full path of a content file (or of the first file matching a mask such as "Data\Frame\*.*")
    // given relative to a content folder; empty when it is nowhere. With a display name the user is asked
    // for the content disc until it is found or the user gives up ("@" names no file in particular).
    QString FindSourceFile(const QString& fileName, const QString& displayName);
    // The content folder the user chose (setting "CDPath").
    QString GetCDPath();
    void SetCDPath(const QString& path);
    // The content folder found last.
    const QString& SourceFolder() const { return sourceFolder_; }

    TAppEnvironment& Environment() { return *environment_; }
    void SetEnvironment(std::shared_ptr<TAppEnvironment> environment);

private:
    void SetBuiltInMacros();
    TModalResult ShowText(const QString& text, const std::vector<TBitBtnKind>& buttons, int inDefault,
                          int inCancel);
    void SendMessageHook(tagMSG& message);
    void PostMessageHook(tagMSG& message);

    QString ExpandOrEmpty(const QString& text);
    bool IsSource(const QString& folder);
    QString SearchFolder(const QString& folder, const QString& fileName);
    QString SearchDiskSiblings(const QString& folder, const QString& fileName);
    QString SearchSource(const QString& folder, const QString& fileName);
    QString SearchInstallFolder(const QString& fileName, QString& installFolder);
    QString DriveScan(const QString& subPath, const QString& fileName, QString& hitFolder);
    QString SourceScan(const QString& fileName, const QString& installFolder);
    QString SearchPass(const QString& fileName);

    TMacroString macro_;
    QString sourceFolder_;
    std::shared_ptr<TAppEnvironment> environment_;
    bool hooked_ = false;
    bool ownsExceptionEvent_ = false;
};

// The frame created last (nullptr once it is destroyed).
TAppFrame* AppFrame();

// The fix against leaked font handles of one old Windows release (fonts selected under scaled
// mappings). Qt's fonts are value objects that leak nothing and a program here never patches its own
// code, so there is nothing to install; start-up still calls it where the setting "FixGDILeak" asks.
void InstallGDIFix();

// Text with the frame's macros expanded; text unchanged without a frame.
QString ExpandMacros(const QString& text);

// Brings the application forward and shows msg through the frame; without a frame, msg as it is in the
// window system's message dialog. Returns the modal result.
TModalResult AppMessageBox(const QString& msg, const std::vector<TBitBtnKind>& buttons, int inDefault,
                           int inCancel);
// OK and Cancel; true when OK was chosen.
bool AppConfirm(const QString& msg);
// OK only.
void AppShowMessage(const QString& msg);

// Values directly under the registry key "$(SysRegistryKey)". Reading gives defaultValue without a frame,
// without a key name, or when the key or the value is missing; writing creates the key and writes
// nothing without a frame or key name.
bool ReadSettingBool(const QString& name, bool defaultValue);
int ReadSettingInteger(const QString& name, int defaultValue);
QString ReadSettingString(const QString& name, const QString& defaultValue);
void WriteSettingBool(const QString& name, bool value);
void WriteSettingInteger(const QString& name, int value);
void WriteSettingString(const QString& name, const QString& value);

// Expands the macros in the published string and string-list properties of component, of the objects
// its object properties refer to, and of every component it owns, recursively; each object once, so
// objects that refer to each other are no endless walk. Nothing without a frame.
void ExpandComponentMacros(TComponent* component);
// The same for Qt's windows and controls: their writable text properties (window title, text, tool
// tips...) and their children.
void ExpandComponentMacros(QObject* object);

// Writes <Name>Left, <Name>Top, <Name>Width and <Name>Height of the form's normal (restored) placement,
// Name being the form's object name, and <Name>Maximized.
void SaveFormPlacement(QWidget* form);
// Places the form as stored, by default centred on the screen at the default size (at most the screen's
// available area). A stored placement that lies off every screen is moved onto the available area, one
// larger than its screen is made to fit it, its window frame included (fitted again once the window
// system frames the shown window); a window stored maximised is maximised again.
void RestoreFormPlacement(QWidget* form, int defaultWidth, int defaultHeight);

// Replaces the first "%s" of format by value, literally: the rest of format and value are not looked at,
// so a stray "%" can never fail.
QString FillFirstPlaceholder(const QString& format, const QString& value);
