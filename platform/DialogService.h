#pragma once
// The common dialogs of the window system (message box, open, save, folder, colour, print) behind one
// replaceable service. Every dialog of the system is asked through DialogService::Instance(), so tests
// install a scripted service and never need a display or a person to click.

#include <QPageLayout>
#include <QPageSize>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

// The kinds of the class library's bitmap buttons; message boxes name their buttons by kind.
enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};

// How a modal window or dialog ended.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrAbort = 3;
inline constexpr TModalResult mrRetry = 4;
inline constexpr TModalResult mrIgnore = 5;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;
inline constexpr TModalResult mrAll = 8;
inline constexpr TModalResult mrNoToAll = 9;
inline constexpr TModalResult mrYesToAll = 10;

// What the window system's message dialog answers for a button of that kind: bkCustom is its
// yes-to-all button and bkClose its no-to-all button; bkHelp answers nothing.
TModalResult MessageDialogResult(TBitBtnKind kind);

struct TFileDialogRequest {
    QString Title;
    // The class library's filter: "description|patterns|description|patterns", patterns split by ";".
    QString Filter;
    int FilterIndex = 1; // 1-based; set to the filter chosen when the dialog ends with OK
    QString InitialDir;
    QString FileName;
    QString DefaultExt; // without the dot; added to a saved name that has no extension
    // The default extension of each filter, in filter order; choosing a filter in the dialog makes
    // its entry (when not empty) the default extension.
    QStringList FilterDefaultExts;
    bool AllowMultiSelect = false;
    // A save dialog asks before an existing file is chosen; off where the caller asks itself.
    bool OverwritePrompt = true;
};

struct TPrintDialogRequest {
    QString PrinterName; // empty: the default printer; set to the printer chosen
    int Copies = 1;
    bool Collate = false;
    int MinPage = 1;
    int MaxPage = 1;
    int FromPage = 0; // 0 with ToPage 0: all pages
    int ToPage = 0;
};

struct TPageSetupRequest {
    QString PrinterName; // the printer whose sheets are offered
    QPageSize PageSize;  // in and out
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    int Copies = 1; // in and out
    // The sheets offered, in the printer's order (the same list its set-up shows); empty: every
    // standard sheet.
    QList<QPageSize> Sizes;
};

class DialogService {
public:
    virtual ~DialogService() = default;

    // One button per kind, in order; defaultIndex and cancelIndex are positions in buttons (the button
    // Enter and Escape choose). Returns the modal result of the chosen button.
    virtual TModalResult MessageBox(const QString& text, const std::vector<TBitBtnKind>& buttons,
                                    int defaultIndex, int cancelIndex) = 0;
    // True with the chosen files (one unless AllowMultiSelect) when the user confirmed.
    virtual bool OpenFile(TFileDialogRequest& request, QStringList& fileNames) = 0;
    virtual bool SaveFile(TFileDialogRequest& request, QString& fileName) = 0;
    virtual bool SelectFolder(const QString& title, QString& folder) = 0;
    // The colour dialog's 16 custom colours, 0x00BBGGRR each.
    using TCustomColors = std::array<uint32_t, 16>;
    // color is 0x00BBGGRR, in and out; the custom colours are shown and come back as the user left
    // them (also when the dialog was cancelled).
    virtual bool SelectColor(uint32_t& color, TCustomColors& customColors) = 0;
    // Without custom colours of the caller's own.
    bool SelectColor(uint32_t& color);
    virtual bool Print(TPrintDialogRequest& request) = 0;
    // The printer's document properties: sheet, orientation and copies; true when the user
    // confirmed.
    virtual bool PageSetup(TPageSetupRequest& request) = 0;
    // The scanner to acquire from among devices (as the user reads them); index in (-1: none chosen
    // yet) and out. True when one was chosen. Every entry is for each service to answer: a default
    // that said "cancelled" left the program's own service without its scanner choice.
    virtual bool SelectScanner(const QStringList& devices, int& index) = 0;

    // OK and Cancel, OK the default and Cancel the escape; True for OK.
    bool Confirm(const QString& text);

    // The service in use: the window system's dialogs unless another was installed.
    static DialogService& Instance();
    // Installs a service (not owned; it must outlive its use); nullptr restores the window system's.
    static void SetInstance(DialogService* service);
    // The window system's own dialogs, whatever is installed.
    static DialogService& WindowSystem();
};

// The caption the message dialog gives a button of that kind ("OK", "キャンセル", "はい(&Y)"...).
QString BitBtnKindCaption(TBitBtnKind kind);

// The position of size among the offered sheets (equivalent, else within half a millimetre); -1
// when it is not there.
int PageSetupSizeIndex(const QList<QPageSize>& sizes, const QPageSize& size);

// Turns the class library's filter text into Qt's name filters ("desc (*.a *.b)").
QStringList FileDialogNameFilters(const QString& filter);

// The folder a file dialog opens in: the request's own, else the user's documents folder (else home),
// never the working directory the program happened to start in.
QString FileDialogStartFolder(const QString& initialDir);
