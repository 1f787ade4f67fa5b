#pragma once
// The main window: it owns the one document, hosts one mode form at a time (start menu, paper
// selection, layout editor, sheet window, print mode) and carries the document commands. Each mode
// form reaches the main window, and is reached by it, through one small interface; a mode whose form
// is not registered has its action disabled.

#include "app/UAppHost.h"
#include "core/UInterfaces.h"
#include "platform/DialogService.h"

#include <QIcon>
#include <QPointer>
#include <QWidget>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class TBitmap;
class TComponent;
class TDropFile;
class TFormPanel;
class THistoryManager;
class TImagePack;
class TLabelData;
class TMatrixImagePack;
class TObject;
class IModeForm;
class TfrmMain;
struct ImPaperPrintSetting;


class TfrmMain : public QWidget, public IAppHost, public IComponentHolder {
    Q_OBJECT

public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    TFormPanel* FormPanel1;
    QStatusBar* StatusBar;
    QPushButton* btnStartupFinished;
    QMenu* popupFile;
    QMenu* popupHelp;
    QMenu* mnuRecent;
    TDropFile* DropFile1;
    THistoryManager* hmOpenFile;
    THistoryManager* hmFileFolder;

    QAction* actStartMenu;
    QAction* actPaper;
    QAction* actLayout;
    QAction* actSheet;
    QAction* actPrintPaperPanel;
    QAction* actNew;
    QAction* actOpen;
    QAction* actSave;
    QAction* actSaveAs;
    QAction* actExit;
    QAction* actAbout;
    QAction* actPrint;
    QAction* actPrinterSetup;
    QAction* actPaperInfoToPrinter;
    QAction* actEnvironment;
    // The environment window on its internet page.
    QAction* actEnvProxy;
    QAction* actUpdatePaper;
    // Shown only with the setting "EnableSpecialMenu" on.
    QAction* actAdvancedURL;
    // Hands the object it carries (EditObject) to the hosted form's property editing.
    QAction* actEditObject;
    // The extended paper-selection switch (checkable); in the help menu only while "EnableSpecialMenu"
    // is on.
    QAction* actAdvancedPaper;
    QAction* actTemplate;
    QAction* actExport;
    QAction* actImportPaper;
    QAction* actExportPaper;
    QAction* actHelp;
    // The component viewer; in the help menu only while "EnableSpecialMenu" is on.
    QAction* actComponentViewer;
    QAction* actHomepage;
    QAction* actOEMHomePage;
    QAction* actCDDBHomePage;

    // Pictures the hosted forms use.
    std::vector<QIcon> ilCommand;
    std::vector<QIcon> ilStyle;
    TMatrixImagePack* ipDialogPattern;
    TMatrixImagePack* mipCommand;
    TMatrixImagePack* mipModeBar;
    TMatrixImagePack* mipDateFont;

    // The components the window owns (history managers, drop target, picture packs).
    TComponent* OwnedComponents() const override { return components_.get(); }
    TLabelData* Document() const override { return document_.get(); }
    // The document the editor left for the paper step, kept so that the edit step can go back to
    // it while no other paper was chosen; null otherwise.
    TLabelData* LeftDocument() const override { return leftDocument_.get(); }
    // Makes the left document the open one again (its file name too); false without one.
    bool ReturnToLeftDocument() override;
    // The document's file; empty while it is unnamed.
    const QString& FileName() const override { return saveRequest_.FileName; }

    // The save question, then a new unnamed document on the default paper. False when the question
    // was cancelled or the paper database has no paper.
    bool NewDocument() override;
    // Opens a document (an empty name asks with the open dialog). The file is read into a new
    // document, which replaces the old one only once it was read.
    bool OpenDocument(const QString& fileName);
    // Asks to save a modified document: false when the user cancelled.
    bool QuerySave();
    // The save question for the mode bars: true when the document may go (it then counts as saved).
    bool ClearModified() override;
    void UpdateCaption();
    // Enters a mode; false when it was not entered (not registered, the hosted form refused, or the
    // save question was cancelled). True when the mode was hosted already. keepDocument: the start
    // menu or paper selection takes the open document instead of a new one.
    bool EnterModeKind(TModeKind kind, bool keepDocument = false) override;

    void SwitchModeForm(QWidget* form, IModeForm* mode, TModeKind kind);
    void LeaveMode();
    void EnterMode();
    bool CanLeaveMode();
    QWidget* HostedForm() const;
    IModeForm* HostedMode() const;
    // mkModeCount when nothing is hosted.
    TModeKind HostedKind() const;

    // Prints the sheets the print dialog chose under the printing window; false when the user
    // stopped it. With no sheet chosen for this document the print mode is entered instead.
    bool PrintDocument() override;

    // Executes actEditObject carrying object (the object designers route every edit here).
    void EditObject(TObject* object) override;

    // The printer set-up window (or the system's printer choice when "UseSystemPrinterDialog" is
    // on); a hosted editor or print mode shows the outcome.
    void PrinterSetup();
    // Sets the current printer up for the document's paper: its size and orientation.
    void PaperInfoToPrinter();
    // Reads the printer list again; when it changed, the paper is applied to the printer again.
    void PrintersChanged();
    // Made from the paper database's "PrinterSetting" list.
    ImPaperPrintSetting* PaperPrintSetting() const { return paperPrintSetting_.get(); }
    void LoadPaperPrintSetting();

    // Puts a template or a saved page on the current face (the template window).
    void CallTemplate();
    // Saves the current face's page as a bitmap or JPEG picture the user names.
    void ExportPicture();
    // Merges the user papers of a backup file into the paper database and saves it at once.
    void ImportUserPapers();
    // Writes the paper database's user papers into a backup file (the old file replaced only once
    // the new one is complete).
    void ExportUserPapers();

    // Help for widget (F1 there, or its window's help button): the page of its help context, else
    // the contents.
    void ShowHelpFor(const QWidget* widget);
    // The environment window (on its internet page with proxyPage); after OK the cache limit is
    // applied and a hosted layout editor is left and entered again, so that it reads the settings.
    void ShowEnvironment(bool proxyPage);
    // The paper update window over the data module's papers.
    void UpdatePaper();
    // The address of the paper update ("PPRUpdaterURL") in its edit window.
    void EditUpdaterURL();

    // A drop of files on the window.
    void DropFiles(const QStringList& files);
    // A part of the document a mode form could not read (a damaged page): told at once, or while a
    // document is being opened, once together with the document's other unread parts.
    void ReportUnreadPart(const QString& part) override;

    // What the hosted forms are given (IAppHost).
    QWidget* HostWindow() override { return this; }
    QMenu* FileMenu() const override { return popupFile; }
    QMenu* HelpMenu() const override { return popupHelp; }
    QAction* Action(THostAction action) const override;
    const std::vector<QIcon>& CommandIcons() const override { return ilCommand; }
    TMatrixImagePack* CommandImages() const override { return mipCommand; }
    TMatrixImagePack* ModeBarImages() const override { return mipModeBar; }
    void SetStatusPanels(const QObject* owner, const QStringList& widest) override;
    void ReleaseStatusPanels(const QObject* owner) override;
    bool HasStatusPanels(const QObject* owner) const override;
    void SetStatusText(const QObject* owner, int panel, const QString& text) override;
    void ShowStatusMessage(const QString& text) override;
    // A status panel the hosted form set (null past the last).
    QLabel* StatusPanel(int panel) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* MakeAction(const char* name, const QString& caption, const QString& hint = {},
                        const QKeySequence& shortcut = {});
    void UpdateModeActions();
    void FilePopup();
    void HelpPopup();
    void SpecialMenuPopup();
    bool Save();
    void SaveAs();
    // Prints the chosen sheets onto the current printer as it stands (the file printer's file
    // chosen already); false when the user stopped it.
    bool PrintChosenSheets();
    bool MakeNewDocument();
    void AddToHistory(const QString& fileName);
    void ApplicationStateChanged(Qt::ApplicationState state);

    std::unique_ptr<TComponent> components_;
    std::unique_ptr<TLabelData> document_;
    std::unique_ptr<TLabelData> leftDocument_;
    QString leftFileName_;
    TFileDialogRequest openRequest_;
    TFileDialogRequest saveRequest_;
    // mkModeCount while nothing is hosted (set by the constructor: the modes are not known here).
    TModeKind hostedKind_;
    // What the hosted form answers to; it goes with the form (FormPanel1 deletes the form it replaces).
    IModeForm* hostedMode_ = nullptr;
    TIntf<ImPaperPrintSetting> paperPrintSetting_;
    TObject* editedObject_ = nullptr;
    // While a document is opened: the parts that could not be read, told once at the end.
    bool opening_ = false;
    QStringList unreadParts_;
    // Files opened this run whose document could not be read whole: saved only under another name,
    // so that none is replaced by less than it held.
    QStringList damagedFiles_;
    bool IsDamagedFile(const QString& fileName) const;
    // The hosted form's status panels and the form they belong to.
    const QObject* statusOwner_ = nullptr;
    std::vector<QPointer<QLabel>> statusPanels_;
};

// The main window (null before it is made and once it is gone).
TfrmMain* frmMain();

// The file a picture export writes and whether it is a JPEG: a typed ".bmp", ".jpg" or ".jpeg"
// decides, else the chosen filter (1 bitmap, any other JPEG) does and its extension is added.
QString PictureExportName(const QString& typed, int filterIndex, bool& jpeg);
// The face's page over the face at 100 percent, as shown without the paper's own pictures.
void DrawFacePicture(TLabelData& document, int face, TBitmap& bitmap);

// Opens an http or https address in the web browser; false for any other address or when the
// desktop could not open it.
bool OpenWebPage(const QString& address);
// The maker's home page and the music-information service's, as the build was configured (empty:
// the menu entry is hidden).
QString MakerHomePageURL();
QString MusicInfoHomePageURL();

// "データが修正されています\r\n保存しますか？"
QString SaveQuestionText();
// "指定されたファイルを開くことはできません"
QString OpenFailedText();

// What the user is told when a document could not be opened (saving false) or saved: the headline,
// the file's name, the cause in Japanese and the system's own text as a detail line.
QString DocumentFaultText(bool saving, const QString& fileName, const std::exception& fault);
// The cause of a failed document open or save, in Japanese.
QString DocumentFaultCause(bool saving, const QString& fileName, const std::exception& fault);
