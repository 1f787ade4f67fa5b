#pragma once
// The printing framework's printer: the list of printers (the CUPS queues plus a PDF-file printer
// that is always there), the current printer with its DEVMODE, its page geometry, and print jobs.
//
// Every job is drawn by QPrinter as a full-page PDF at the printer's resolution into a temporary
// file. At the end of the job the PDF printer moves that file to the chosen output file; a queue
// gets it through the backend (libcups), which answers the job id. QPrinter cannot abort PDF
// output, so aborting is ours: the unsubmitted file is deleted, a submitted job cancelled.
//
// The current printer is described the way the system's code exchanges it: a device name, a driver
// name (always empty here), a port (always empty) and the DEVMODE bytes. The DEVMODE fields marked
// in dmFields set the job's paper (dmPaperSize through QPageSize's Windows ids; 256 is dmPaperWidth
// x dmPaperLength in 0.1 mm), orientation, copies, duplex and paper source (dmDefaultSource: 7
// automatic, else one of the queue's input slots).
//
// Geometry answers what a printer device context did: the physical sheet, the printable area and
// its offset, all in device pixels of each axis's resolution. The job's painter covers the whole
// sheet, so drawing at device (0, 0) lands on the paper's corner, not on the printable area's.

#include "platform/DevMode.h"
#include "platform/Exception.h"

#include <QByteArray>
#include <QList>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <utility>

class QPainter;
class QPrinter;
class TCanvas;

// Printer failures carry a Japanese message that names the printer.
QUORLANE_EXCEPTION(EPrinter, Exception)

struct TPrinterInputSlot {
    QString Key;  // what the queue calls it ("Tray1"), passed as the job's InputSlot
    QString Name; // shown to users
    int Id = 0;   // its dmDefaultSource code: DMBIN_FIRSTSLOT + its index
};

// A printer driver's description as its PPD gives it: the options a job may carry, their
// choices, what excludes what, and its sheets. Read by ReadPpdDriver; the vendor settings work
// over it. Texts are as the PPD has them (translated where it says so), names are its keywords.
struct TPpdChoice {
    QString Keyword;
    QString Text;
    // The raster resolution the choice sets (its code's HWResolution); empty when it sets none.
    QSize Resolution;
};

struct TPpdOption {
    QString Keyword;
    QString Text;
    QString DefaultChoice;
    QList<TPpdChoice> Choices;
    // Index of a choice by keyword; -1 when the option has none of that name.
    int IndexOf(const QString& choice) const;
};

// *UIConstraints: Option1=Choice1 excludes Option2=Choice2; an empty choice stands for every choice
// but "None", "False" and "Off".
struct TPpdConstraint {
    QString Option1;
    QString Choice1;
    QString Option2;
    QString Choice2;
};

struct TPpdSize {
    QString Keyword;
    QString Text;
    QSizeF Points;     // width and length in 1/72 inch
    QMarginsF Margins; // unprintable margins in 1/72 inch
    // The borderless size of the same sheet (zero margins), empty when there is none.
    QString Twin;
};

struct TPrinterDriver {
    // Bounds on what a PPD may hold; a larger one is no driver at all (printing works as before).
    static constexpr qint64 MaxBytes = qint64(4) << 20;
    static constexpr int MaxOptions = 512;
    static constexpr int MaxChoices = 2048;
    static constexpr int MaxConstraints = 50000;

    QString Manufacturer;
    QString ModelName;
    QString NickName;
    QString StpDriverName;     // a Gutenprint driver's family and model ("escp2-r800")
    QStringList Filters;       // *cupsFilter programs
    QList<TPpdOption> Options; // in the PPD's order
    QList<TPpdConstraint> Constraints;
    QList<TPpdSize> Sizes;

    const TPpdOption* Option(const QString& keyword) const;
    const TPpdSize* Size(const QString& keyword) const;
    bool HasChoice(const QString& option, const QString& choice) const;
    // The choice option=choice is excluded by one of the selected options (the default choices
    // stand in for options not selected).
    bool Excluded(const QString& option, const QString& choice, const TDriverOptions& selected) const;
    // The selection of option: the selected choice, else the PPD's default.
    QString Selected(const QString& option, const TDriverOptions& selected) const;
    bool HasFilter(const QString& program) const;
    // The finest resolution the selected choices set (dots per inch on the finer axis); 0 when none
    // sets one. A Gutenprint quality other than "None" overrides the Resolution option.
    int ChosenResolution(const TDriverOptions& selected) const;
};

// Reads a PPD. No driver (nullopt) when the bytes are no PPD or exceed the bounds above.
std::optional<TPrinterDriver> ReadPpdDriver(const QByteArray& ppd);

// What a printer offers.
struct TPrinterCaps {
    QString MakeAndModel;
    QList<QPageSize> PageSizes;
    QPageSize DefaultPageSize = QPageSize(QPageSize::A4);
    bool CustomPageSizes = false;
    int ResolutionX = 600;
    int ResolutionY = 600;
    QList<TPrinterInputSlot> InputSlots;
    bool Duplex = false;
    // The queue's driver from its PPD; null for a queue without one (raw, IPP Everywhere, PDF).
    std::shared_ptr<const TPrinterDriver> Driver;
};

// What a queue is told about a job beside its PDF.
struct TPrinterJobOptions {
    QPageSize PageSize;
    QPageLayout::Orientation Orientation = QPageLayout::Portrait;
    int16_t Duplex = DMDUP_SIMPLEX;
    QString InputSlot; // the slot's key; empty: automatic
    int Copies = 1;    // the print system makes them (a PDF file is written once)
    // The driver's name of the sheet (a PPD keyword such as "TA4"); empty: PageSize's own key.
    QString PageSizeKeyword;
    // The driver's own settings (never PageSize, InputSlot or Duplex, which the fields above carry).
    TDriverOptions DriverOptions;
};

// Every sheet Qt knows: those with a paper code first, then those without (ISO B5, A7, the large and
// architectural sizes), each group in Qt's order. What a printer offers that takes any sheet.
QList<QPageSize> StandardPageSizes();

// The print system behind the printer list. The CUPS backend is the real one; tests install fakes.
class TPrinterBackend {
public:
    virtual ~TPrinterBackend() = default;
    // The queues' names; empty when there are none or the print system does not answer.
    virtual QStringList Queues() = 0;
    // The print system's default queue; empty when it has none.
    virtual QString DefaultQueue() = 0;
    // Raises EPrinter when the queue is unknown or the print system does not answer.
    virtual TPrinterCaps Capabilities(const QString& queue) = 0;
    // The unprintable margins of a sheet, in millimetres of the page as oriented.
    virtual QMarginsF PrintableMargins(const QString& queue, const QPageSize& size,
                                       QPageLayout::Orientation orientation) = 0;
    // Hands a finished PDF to a queue; the job id. Raises EPrinter when the queue refuses it.
    virtual int Submit(const QString& queue, const QString& pdfFile, const QString& title,
                       const TPrinterJobOptions& options) = 0;
    // Cancels a submitted job; false when the print system refused.
    virtual bool Cancel(const QString& queue, int jobId) = 0;
};

// The backend on libcups and Qt's CUPS printer information.
std::unique_ptr<TPrinterBackend> CreateCupsPrinterBackend();

// A printer form kept for the rest of the run (a paper size the system added by name).
struct TPaperForm {
    QString Name;
    int Width = 0;  // 0.1 mm
    int Height = 0; // 0.1 mm
    int PaperID = 0;
};

// Sizes and offsets of the current printer's sheet in device pixels, per axis.
struct TPrinterGeometry {
    int DpiX = 600;
    int DpiY = 600;
    int PhysicalWidth = 0;  // PHYSICALWIDTH
    int PhysicalHeight = 0; // PHYSICALHEIGHT
    int OffsetX = 0;        // PHYSICALOFFSETX
    int OffsetY = 0;        // PHYSICALOFFSETY
    int PageWidth = 0;      // HORZRES: the printable width
    int PageHeight = 0;     // VERTRES
};

class TPrinter {
public:
    // The name of the PDF-file printer, listed last.
    static const QString PdfPrinterName;
    // The resolution of PDF output and of queues that report none, and the finest a queue's job is
    // drawn at unless its driver's chosen settings ask for more.
    static constexpr int DefaultResolution = 600;
    // Codes of forms added by name start above every paper code QPageSize knows.
    static constexpr int FirstAddedFormId = 512;

    explicit TPrinter(std::unique_ptr<TPrinterBackend> backend);
    ~TPrinter();
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // --- the list ---
    // The queues as last read, then the PDF printer.
    const QStringList& Printers();
    // Reads the list again (the framework's printer made afresh); the current printer stays when it
    // is still listed, else the default becomes current.
    void Refresh();
    bool IsPdfPrinter(const QString& name) const { return name == PdfPrinterName; }
    // The print system's default queue, else the first queue, else the PDF printer.
    QString DefaultPrinterName();
    // Index in Printers(); -1 selects the default printer.
    int PrinterIndex();
    void SetPrinterIndex(int index);

    // --- the current printer ---
    QString PrinterName();
    QString MakeAndModel();
    // The current printer's four values. The DEVMODE is the one set, else the printer's default.
    void GetPrinter(QString& device, QString& driver, QString& port, QByteArray& devMode);
    // The same with the driver settings set with it.
    void GetPrinter(QString& device, QString& driver, QString& port, QByteArray& devMode,
                    TDriverOptions& options);
    // Makes device current (its name as listed) with the given DEVMODE; empty bytes take the
    // printer's default. Raises EPrinter for a name not listed. The driver settings are cleared.
    void SetPrinter(const QString& device, const QString& driver, const QString& port,
                    const QByteArray& devMode);
    // The same with driver settings (kept as given; the job carries those its driver accepts).
    void SetPrinter(const QString& device, const QString& driver, const QString& port,
                    const QByteArray& devMode, const TDriverOptions& options);
    QByteArray DevMode();
    const TDriverOptions& DriverOptions() const { return driverOptions_; }
    // The copies a job on the current printer makes: its DEVMODE's, on every printer.
    int Copies();
    // The copies a job draws itself: the PDF printer's file holds each sheet as often as asked; a
    // queue is told the copies and makes them from one.
    int DrawnCopies();

    // --- what a driver answered ---
    // Raises EPrinter for a name not listed or a queue that does not answer.
    TPrinterCaps Capabilities(const QString& name);
    // The printer's default DEVMODE (ANSI layout); empty when the printer does not answer.
    QByteArray DefaultDevMode(const QString& name);
    // The DEVMODE merged the way a driver does: the fields of input marked in mask are taken, held
    // to what the printer supports, over the printer's defaults. Unknown printer: input unchanged.
    QByteArray MergeDevMode(const QString& name, const QByteArray& input, uint32_t mask);
    // The driver settings a printer's driver takes: a choice it lacks, one its constraints exclude
    // (under the other settings and the DEVMODE's sheet) and PageSize, InputSlot and Duplex are
    // dropped. None for a printer without a driver.
    TDriverOptions ValidDriverOptions(const QString& name, const QByteArray& devMode,
                                      const TDriverOptions& options);
    // The driver's keyword of one of the printer's sheets: the one of the same key, else of the
    // same name and size, else the bordered one of the same size; empty without a driver.
    QString PpdKeyword(const QString& name, const QPageSize& size);
    // The DEVMODE asks for borderless printing and the printer can: its sheet has a borderless
    // twin, or its driver prints to the edge on request (StpFullBleed).
    bool PrintsBorderless(const QString& name, const QByteArray& devMode);
    // The printer's paper forms in its order, then the forms added by name, then the user size
    // (256) when it takes custom sizes. Empty for a printer that does not answer.
    QList<TPaperForm> Forms(const QString& name, const QByteArray& devMode = {});
    // Adds a named form for the rest of the run; false when the printer takes no custom sizes.
    bool AddForm(const QString& name, const QString& formName, int width, int height);

    // --- geometry of the current printer under its DEVMODE (or the one set for the job) ---
    TPrinterGeometry Geometry();
    QPageSize PageSize();
    // The sheet a DEVMODE asks of a printer: its paper code, its user size, or the printer's default.
    QPageSize PageSizeOf(const QString& name, const TDevModeFields& fields);
    QPageLayout::Orientation Orientation();
    // Changes the current DEVMODE's orientation.
    void SetOrientation(QPageLayout::Orientation orientation);

    // --- jobs ---
    void SetTitle(const QString& title) { title_ = title; }
    const QString& Title() const { return title_; }
    // Where the PDF printer writes; a job on it without a file raises EPrinter.
    void SetOutputFileName(const QString& fileName) { outputFileName_ = fileName; }
    const QString& OutputFileName() const { return outputFileName_; }
    // Raises EPrinter when a job is open or its file cannot be made.
    void BeginDoc();
    void NewPage();
    // Finishes the job and delivers it; on failure nothing is left behind and EPrinter is raised.
    void EndDoc();
    // Ends the job undelivered (a submitted one is cancelled); nothing when no job is open.
    void Abort();
    bool Printing() const { return job_ != nullptr && !aborted_ && !held_; }
    bool Aborted() const { return aborted_; }
    // The open job's canvas over the whole sheet; raises EPrinter without a job.
    TCanvas& Canvas();
    // Gathers the PDF printer's jobs into one file: each job's pages follow the previous job's, and
    // the file is delivered once, by EndPdfBatch. Queues keep one job per sheet. An abort within the
    // batch drops all of it.
    void BeginPdfBatch();
    // Delivers the batch (nothing when it printed no page or was aborted); raises EPrinter as
    // EndDoc does, leaving nothing behind.
    void EndPdfBatch();
    bool InPdfBatch() const { return batch_; }
    // The job id the last delivered job got from its queue; 0 for the PDF printer or none.
    int JobId() const { return jobId_; }
    // Cancels a job that a queue was given (a held or waiting one); false when the print system
    // refused or the printer is the PDF printer.
    bool CancelJob(const QString& printer, int jobId);
    // The temporary PDF of the open job (tests and the job peeker look at it).
    QString JobFileName() const;

    TPrinterBackend& Backend() { return *backend_; }

private:
    struct Job;
    const TPrinterCaps* CachedCaps(const QString& name);
    static TPrinterCaps PdfCaps();
    // The finest the current printer's job is drawn at (never finer than the queue states):
    // DefaultResolution unless the driver's chosen settings rasterise finer.
    int FinestDrawingResolution(const QString& name, const TPrinterCaps& caps);
    void EnsureList();
    void DiscardJob();

    std::unique_ptr<TPrinterBackend> backend_;
    bool listRead_ = false;
    QStringList printers_;
    QString defaultQueue_;
    QString current_;
    QByteArray devMode_;
    TDriverOptions driverOptions_;
    std::map<QString, std::optional<TPrinterCaps>> caps_;
    std::map<QString, QList<TPaperForm>> addedForms_;
    QString title_;
    QString outputFileName_;
    std::unique_ptr<Job> job_;
    bool aborted_ = false;
    int jobId_ = 0;
    bool batch_ = false;
    // The batch's finished job, waiting for the next one or the batch's end.
    bool held_ = false;
};

// The process's printer, made with the CUPS backend on first use.
TPrinter& Printer();
// Replaces the process's printer by one on the given backend (tests); null restores CUPS.
void SetPrinterBackend(std::unique_ptr<TPrinterBackend> backend);
