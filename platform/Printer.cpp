#include "platform/Printer.h"

#include "platform/Canvas.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <algorithm>
#include <cmath>
#include <optional>

const QString TPrinter::PdfPrinterName = QStringLiteral("PDF ファイル");

namespace {

constexpr double MmPerInch = 25.4;
constexpr int TenthsPerMm = 10;
constexpr int MaxCopies = 999;

int ToPixels(double mm, int dpi) {
    return int(std::lround(mm / MmPerInch * dpi));
}

int ToTenths(double mm) {
    return int(std::lround(mm * TenthsPerMm));
}

QString MissingPrinterMessage(const QString& name) {
    return QStringLiteral("プリンタ「%1」が見つかりません。").arg(name);
}

// A queue's sizes that have no standard paper code are numbered from here, in the queue's order,
// as a driver numbers its own sizes; the user size keeps DMPAPER_USER for itself.
constexpr int FirstQueueSizeCode = DMPAPER_USER + 1;

// A size's standard paper code; 0 for none (Qt answers DMPAPER_USER for every size it cannot name).
int StandardCode(const QPageSize& size) {
    const int id = size.windowsId();
    return id > 0 && id < DMPAPER_USER ? id : 0;
}

// The standard code of the queue's size at index when no earlier size has it: two sheets of one
// size (A4 and "A4 (Borderless)") cannot share a code, or the second could never be chosen.
int OwnStandardCode(const TPrinterCaps& caps, qsizetype index) {
    const int id = StandardCode(caps.PageSizes[index]);
    for (qsizetype i = 0; id != 0 && i < index; ++i)
        if (StandardCode(caps.PageSizes[i]) == id)
            return 0;
    return id;
}

// The code of the queue's size at index: its standard code, else one of the queue's own; 0 for a
// size past the codes left below the added forms'.
int16_t PaperCode(const TPrinterCaps& caps, qsizetype index) {
    if (const int id = OwnStandardCode(caps, index))
        return int16_t(id);
    qsizetype before = 0;
    for (qsizetype i = 0; i < index; ++i)
        before += OwnStandardCode(caps, i) == 0 ? 1 : 0;
    const qsizetype code = FirstQueueSizeCode + before;
    return int16_t(code < TPrinter::FirstAddedFormId ? code : 0);
}

// The code of one of the queue's sizes, the default one mostly; DMPAPER_USER for a size the queue
// does not list.
int16_t PaperCodeOf(const TPrinterCaps& caps, const QPageSize& size) {
    for (qsizetype i = 0; i < caps.PageSizes.size(); ++i)
        if (caps.PageSizes[i].isEquivalentTo(size) && caps.PageSizes[i].key() == size.key())
            if (const int16_t code = PaperCode(caps, i))
                return code;
    const int id = StandardCode(size);
    return int16_t(id > 0 ? id : DMPAPER_USER);
}

// The queue's size of a code from FirstQueueSizeCode on.
std::optional<QPageSize> QueueSizeOfCode(const TPrinterCaps& caps, int code) {
    for (qsizetype i = 0; i < caps.PageSizes.size(); ++i)
        if (OwnStandardCode(caps, i) == 0 && PaperCode(caps, i) == code)
            return caps.PageSizes[i];
    return std::nullopt;
}

// The buffer a finished job is copied through: a long album's PDF runs to hundreds of megabytes,
// and the job's memory must not grow with it.
constexpr qint64 CopyBufferBytes = qint64(1) << 20;

// Copies source over target through one bounded buffer; the old target stays whole when anything
// fails (the copy lands under a temporary name and is renamed at the end).
bool CopyFileBounded(const QString& source, const QString& target) {
    QFile in(source);
    QSaveFile out(target);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
        return false;
    QByteArray buffer(CopyBufferBytes, Qt::Uninitialized);
    qint64 copied = 0;
    for (;;) {
        const qint64 got = in.read(buffer.data(), buffer.size());
        if (got < 0)
            return false;
        if (got == 0)
            break;
        if (out.write(buffer.constData(), got) != got)
            return false;
        copied += got;
    }
    return copied == in.size() && out.commit();
}

} // namespace

int TPpdOption::IndexOf(const QString& choice) const {
    for (qsizetype i = 0; i < Choices.size(); ++i)
        if (Choices[i].Keyword == choice)
            return int(i);
    return -1;
}

const TPpdOption* TPrinterDriver::Option(const QString& keyword) const {
    for (const TPpdOption& option : Options)
        if (option.Keyword == keyword)
            return &option;
    return nullptr;
}

const TPpdSize* TPrinterDriver::Size(const QString& keyword) const {
    for (const TPpdSize& size : Sizes)
        if (size.Keyword == keyword)
            return &size;
    return nullptr;
}

bool TPrinterDriver::HasChoice(const QString& option, const QString& choice) const {
    const TPpdOption* found = Option(option);
    return found && found->IndexOf(choice) >= 0;
}

QString TPrinterDriver::Selected(const QString& option, const TDriverOptions& selected) const {
    for (const auto& [key, value] : selected)
        if (key == option)
            return value;
    const TPpdOption* found = Option(option);
    return found ? found->DefaultChoice : QString();
}

bool TPrinterDriver::HasFilter(const QString& program) const {
    for (const QString& filter : Filters)
        if (filter.section(u' ', -1) == program)
            return true;
    return false;
}

int TPrinterDriver::ChosenResolution(const TDriverOptions& selected) const {
    const bool qualityRules = Option(QStringLiteral("StpQuality")) &&
                              Selected(QStringLiteral("StpQuality"), selected) != QLatin1String("None");
    int finest = 0;
    for (const TPpdOption& option : Options) {
        if (qualityRules && option.Keyword == QLatin1String("Resolution"))
            continue;
        const int index = option.IndexOf(Selected(option.Keyword, selected));
        if (index >= 0) {
            const QSize r = option.Choices[index].Resolution;
            finest = std::max({finest, r.width(), r.height()});
        }
    }
    return finest;
}

namespace {

// A constraint's choice against a selection: a named choice matches itself, an empty one every
// choice that is switched on.
bool ConstraintMatches(const QString& constraint, const QString& actual) {
    if (!constraint.isEmpty())
        return constraint == actual;
    return !actual.isEmpty() && actual != QLatin1String("None") && actual != QLatin1String("False") &&
           actual != QLatin1String("Off");
}

} // namespace

bool TPrinterDriver::Excluded(const QString& option, const QString& choice,
                              const TDriverOptions& selected) const {
    for (const TPpdConstraint& c : Constraints) {
        if (c.Option1 == c.Option2)
            continue;
        if (c.Option2 == option && ConstraintMatches(c.Choice2, choice) &&
            ConstraintMatches(c.Choice1, Selected(c.Option1, selected)))
            return true;
        if (c.Option1 == option && ConstraintMatches(c.Choice1, choice) &&
            ConstraintMatches(c.Choice2, Selected(c.Option2, selected)))
            return true;
    }
    return false;
}

struct TPrinter::Job {
    QString printer;
    QString tempFile;
    TPrinterJobOptions options;
    std::unique_ptr<QPrinter> qprinter;
    std::unique_ptr<QPainter> painter;
    std::unique_ptr<TCanvas> canvas;
};

TPrinter::TPrinter(std::unique_ptr<TPrinterBackend> backend) : backend_(std::move(backend)) {}

TPrinter::~TPrinter() {
    DiscardJob();
}

void TPrinter::EnsureList() {
    if (!listRead_)
        Refresh();
}

void TPrinter::Refresh() {
    printers_ = backend_->Queues();
    printers_.removeAll(PdfPrinterName);
    printers_.append(PdfPrinterName);
    defaultQueue_ = backend_->DefaultQueue();
    caps_.clear();
    listRead_ = true;
    if (!current_.isEmpty() && !printers_.contains(current_)) {
        current_.clear();
        devMode_.clear();
    }
}

const QStringList& TPrinter::Printers() {
    EnsureList();
    return printers_;
}

QString TPrinter::DefaultPrinterName() {
    EnsureList();
    if (!defaultQueue_.isEmpty() && printers_.contains(defaultQueue_))
        return defaultQueue_;
    return printers_.first();
}

int TPrinter::PrinterIndex() {
    return int(Printers().indexOf(PrinterName()));
}

void TPrinter::SetPrinterIndex(int index) {
    EnsureList();
    if (index < -1 || index >= printers_.size())
        throw EPrinter(QStringLiteral("プリンタの番号 %1 は範囲外です。").arg(index));
    current_ = index < 0 ? QString() : printers_[index];
    devMode_.clear();
}

QString TPrinter::PrinterName() {
    EnsureList();
    return current_.isEmpty() ? DefaultPrinterName() : current_;
}

QString TPrinter::MakeAndModel() {
    const TPrinterCaps* caps = CachedCaps(PrinterName());
    return caps ? caps->MakeAndModel : QString();
}

void TPrinter::GetPrinter(QString& device, QString& driver, QString& port, QByteArray& devMode) {
    device = PrinterName();
    driver.clear();
    port.clear();
    devMode = DevMode();
}

void TPrinter::GetPrinter(QString& device, QString& driver, QString& port, QByteArray& devMode,
                          TDriverOptions& options) {
    GetPrinter(device, driver, port, devMode);
    options = driverOptions_;
}

void TPrinter::SetPrinter(const QString& device, const QString& driver, const QString& port,
                          const QByteArray& devMode) {
    SetPrinter(device, driver, port, devMode, {});
}

void TPrinter::SetPrinter(const QString& device, const QString&, const QString&, const QByteArray& devMode,
                          const TDriverOptions& options) {
    EnsureList();
    if (!printers_.contains(device))
        throw EPrinter(MissingPrinterMessage(device));
    current_ = device;
    devMode_ = devMode;
    driverOptions_ = options;
}

QString TPrinter::PpdKeyword(const QString& name, const QPageSize& size) {
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps || !caps->Driver)
        return {};
    const TPrinterDriver& driver = *caps->Driver;
    constexpr double Tolerance = 1.0; // points
    const QSizeF points = size.size(QPageSize::Point);
    const auto sameSheet = [&](const TPpdSize& s) {
        return std::abs(s.Points.width() - points.width()) < Tolerance &&
               std::abs(s.Points.height() - points.height()) < Tolerance;
    };
    // The name first: Qt may give a borderless twin its bordered sheet's standard key.
    for (const TPpdSize& s : driver.Sizes)
        if (sameSheet(s) && s.Text == size.name())
            return s.Keyword;
    if (driver.Size(size.key()))
        return size.key();
    for (const TPpdSize& s : driver.Sizes)
        if (sameSheet(s) && !s.Twin.isEmpty())
            return s.Keyword;
    for (const TPpdSize& s : driver.Sizes)
        if (sameSheet(s))
            return s.Keyword;
    return {};
}

bool TPrinter::PrintsBorderless(const QString& name, const QByteArray& devMode) {
    const TDevModeFields fields = TDevModeFields::Read(devMode);
    if (!(fields.Fields & DM_DEFAULTSOURCE) || fields.DefaultSource != DMBIN_BORDERLESS)
        return false;
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps || !caps->Driver)
        return false;
    if (caps->Driver->HasChoice(QStringLiteral("StpFullBleed"), QStringLiteral("True")))
        return true;
    const TPpdSize* size = caps->Driver->Size(PpdKeyword(name, PageSizeOf(name, fields)));
    return size && (!size->Twin.isEmpty() || size->Margins.isNull());
}

TDriverOptions TPrinter::ValidDriverOptions(const QString& name, const QByteArray& devMode,
                                            const TDriverOptions& options) {
    TDriverOptions valid;
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps || !caps->Driver)
        return valid;
    const TPrinterDriver& driver = *caps->Driver;
    // The sheet the job prints on takes part in the constraints; the DEVMODE carries it.
    TDriverOptions context = options;
    const QString sheet = PpdKeyword(name, PageSizeOf(name, TDevModeFields::Read(devMode)));
    if (!sheet.isEmpty()) {
        const TPpdSize* size = driver.Size(sheet);
        const bool twin = size && !size->Twin.isEmpty() && PrintsBorderless(name, devMode);
        SetDriverOption(context, QStringLiteral("PageSize"), twin ? size->Twin : sheet);
    }
    for (const auto& [option, choice] : options) {
        if (option == QLatin1String("PageSize") || option == QLatin1String("PageRegion") ||
            option == QLatin1String("InputSlot") || option == QLatin1String("Duplex"))
            continue;
        if (!driver.HasChoice(option, choice) || driver.Excluded(option, choice, context))
            continue;
        SetDriverOption(valid, option, choice);
    }
    return valid;
}

int TPrinter::Copies() {
    const TDevModeFields fields = TDevModeFields::Read(DevMode());
    return fields.Fields & DM_COPIES ? std::clamp<int>(fields.Copies, 1, MaxCopies) : 1;
}

int TPrinter::DrawnCopies() {
    return IsPdfPrinter(PrinterName()) ? Copies() : 1;
}

QByteArray TPrinter::DevMode() {
    if (devMode_.size() >= DevMode::AnsiSize)
        return devMode_;
    return DefaultDevMode(PrinterName());
}

QList<QPageSize> StandardPageSizes() {
    QList<QPageSize> sizes;
    for (const bool coded : {true, false})
        for (int id = 0; id <= int(QPageSize::LastPageSize); ++id) {
            const auto pageId = QPageSize::PageSizeId(id);
            if (pageId != QPageSize::Custom && (QPageSize::windowsId(pageId) > 0) == coded)
                sizes.append(QPageSize(pageId));
        }
    return sizes;
}

TPrinterCaps TPrinter::PdfCaps() {
    TPrinterCaps caps;
    caps.MakeAndModel = PdfPrinterName;
    // The sizes without a paper code get the printer's own codes after the coded ones.
    caps.PageSizes = StandardPageSizes();
    caps.CustomPageSizes = true;
    caps.ResolutionX = caps.ResolutionY = DefaultResolution;
    return caps;
}

const TPrinterCaps* TPrinter::CachedCaps(const QString& name) {
    auto it = caps_.find(name);
    if (it == caps_.end()) {
        std::optional<TPrinterCaps> caps;
        if (IsPdfPrinter(name)) {
            caps = PdfCaps();
        } else {
            try {
                caps = backend_->Capabilities(name);
            } catch (const EPrinter&) {
                // Not kept: the queue may come back.
                return nullptr;
            }
        }
        it = caps_.emplace(name, std::move(caps)).first;
    }
    return it->second ? &*it->second : nullptr;
}

TPrinterCaps TPrinter::Capabilities(const QString& name) {
    EnsureList();
    if (!printers_.contains(name))
        throw EPrinter(MissingPrinterMessage(name));
    if (const TPrinterCaps* caps = CachedCaps(name))
        return *caps;
    // Asked again so that the backend's own message says what went wrong.
    return backend_->Capabilities(name);
}

QByteArray TPrinter::DefaultDevMode(const QString& name) {
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps)
        return {};
    TDevModeFields f;
    f.DeviceName = name;
    f.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_DEFAULTSOURCE |
               DM_PRINTQUALITY | DM_YRESOLUTION;
    if (caps->Duplex)
        f.Fields |= DM_DUPLEX;
    f.PaperSize = PaperCodeOf(*caps, caps->DefaultPageSize);
    const QSizeF mm = caps->DefaultPageSize.size(QPageSize::Millimeter);
    f.PaperWidth = int16_t(ToTenths(mm.width()));
    f.PaperLength = int16_t(ToTenths(mm.height()));
    f.PrintQuality = int16_t(caps->ResolutionX);
    f.YResolution = int16_t(caps->ResolutionY);
    QByteArray bytes = DevMode::Empty();
    f.WriteTo(bytes);
    return bytes;
}

QByteArray TPrinter::MergeDevMode(const QString& name, const QByteArray& input, uint32_t mask) {
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps)
        return input;
    const TDevModeFields in = TDevModeFields::Read(input);
    TDevModeFields out = TDevModeFields::Read(DefaultDevMode(name));
    const uint32_t take = in.Fields & mask;
    if ((take & DM_ORIENTATION) &&
        (in.Orientation == DMORIENT_PORTRAIT || in.Orientation == DMORIENT_LANDSCAPE))
        out.Orientation = in.Orientation;
    if ((take & DM_PAPERWIDTH) && in.PaperWidth > 0)
        out.PaperWidth = in.PaperWidth;
    if ((take & DM_PAPERLENGTH) && in.PaperLength > 0)
        out.PaperLength = in.PaperLength;
    if (take & DM_PAPERSIZE) {
        bool known = in.PaperSize == DMPAPER_USER && caps->CustomPageSizes;
        for (qsizetype i = 0; i < caps->PageSizes.size(); ++i)
            known = known || PaperCode(*caps, i) == in.PaperSize;
        for (const TPaperForm& form : addedForms_[name])
            known = known || form.PaperID == in.PaperSize;
        if (known)
            out.PaperSize = in.PaperSize;
    }
    if (take & DM_COPIES)
        out.Copies = int16_t(std::clamp<int>(in.Copies, 1, MaxCopies));
    if (take & DM_DEFAULTSOURCE) {
        bool known = in.DefaultSource == DMBIN_AUTO;
        if (in.DefaultSource == DMBIN_BORDERLESS) {
            // Kept only where the sheet can go borderless; asked of the merged sheet.
            TDevModeFields asked = out;
            asked.Fields |= DM_DEFAULTSOURCE;
            asked.DefaultSource = DMBIN_BORDERLESS;
            QByteArray probe = DevMode::Empty();
            asked.WriteTo(probe);
            known = PrintsBorderless(name, probe);
        }
        for (const TPrinterInputSlot& slot : caps->InputSlots)
            known = known || slot.Id == in.DefaultSource;
        out.DefaultSource = known ? in.DefaultSource : int16_t(DMBIN_AUTO);
    }
    if ((take & DM_DUPLEX) && caps->Duplex && in.Duplex >= DMDUP_SIMPLEX && in.Duplex <= DMDUP_HORIZONTAL)
        out.Duplex = in.Duplex;
    out.Fields |= take;
    out.DeviceName = name;
    QByteArray bytes = input.size() >= DevMode::AnsiSize ? input : DevMode::Empty();
    out.WriteTo(bytes);
    return bytes;
}

QList<TPaperForm> TPrinter::Forms(const QString& name, const QByteArray&) {
    QList<TPaperForm> forms;
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps)
        return forms;
    for (qsizetype i = 0; i < caps->PageSizes.size(); ++i) {
        const QPageSize& size = caps->PageSizes[i];
        const QSizeF mm = size.size(QPageSize::Millimeter);
        if (const int16_t code = PaperCode(*caps, i))
            forms.append({size.name(), ToTenths(mm.width()), ToTenths(mm.height()), code});
    }
    forms += addedForms_[name];
    if (caps->CustomPageSizes)
        forms.append({QStringLiteral("ユーザー定義サイズ"), 0, 0, DMPAPER_USER});
    return forms;
}

bool TPrinter::AddForm(const QString& name, const QString& formName, int width, int height) {
    const TPrinterCaps* caps = CachedCaps(name);
    if (!caps || !caps->CustomPageSizes || width <= 0 || height <= 0)
        return false;
    QList<TPaperForm>& added = addedForms_[name];
    for (const TPaperForm& form : added)
        if (form.Name.compare(formName, Qt::CaseInsensitive) == 0)
            return false;
    int id = FirstAddedFormId;
    for (const auto& [printer, forms] : addedForms_)
        id += int(forms.size());
    added.append({formName, width, height, id});
    return true;
}

QPageSize TPrinter::PageSizeOf(const QString& name, const TDevModeFields& f) {
    const auto custom = [](int width, int length) {
        return QPageSize(QSizeF(width / double(TenthsPerMm), length / double(TenthsPerMm)),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    };
    if (f.Fields & DM_PAPERSIZE) {
        if (f.PaperSize == DMPAPER_USER) {
            if (f.PaperWidth > 0 && f.PaperLength > 0)
                return custom(f.PaperWidth, f.PaperLength);
        } else if (f.PaperSize >= FirstAddedFormId) {
            for (const TPaperForm& form : addedForms_[name])
                if (form.PaperID == f.PaperSize)
                    return custom(form.Width, form.Height);
        } else if (f.PaperSize >= FirstQueueSizeCode) {
            if (const TPrinterCaps* caps = CachedCaps(name))
                if (std::optional<QPageSize> size = QueueSizeOfCode(*caps, f.PaperSize))
                    return *size;
        } else {
            const QPageSize::PageSizeId id = QPageSize::id(int(f.PaperSize));
            if (id != QPageSize::Custom)
                return QPageSize(id);
        }
    } else if ((f.Fields & DM_PAPERWIDTH) && (f.Fields & DM_PAPERLENGTH) && f.PaperWidth > 0 &&
               f.PaperLength > 0) {
        return custom(f.PaperWidth, f.PaperLength);
    }
    const TPrinterCaps* caps = CachedCaps(name);
    return caps ? caps->DefaultPageSize : QPageSize(QPageSize::A4);
}

QPageSize TPrinter::PageSize() {
    return PageSizeOf(PrinterName(), TDevModeFields::Read(DevMode()));
}

QPageLayout::Orientation TPrinter::Orientation() {
    const TDevModeFields f = TDevModeFields::Read(DevMode());
    return (f.Fields & DM_ORIENTATION) && f.Orientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape
                                                                              : QPageLayout::Portrait;
}

void TPrinter::SetOrientation(QPageLayout::Orientation orientation) {
    QByteArray bytes = DevMode();
    if (bytes.size() < DevMode::AnsiSize)
        bytes = DevMode::Empty();
    TDevModeFields f = TDevModeFields::Read(bytes);
    f.Fields |= DM_ORIENTATION;
    f.Orientation = orientation == QPageLayout::Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    f.WriteTo(bytes);
    devMode_ = bytes;
    if (current_.isEmpty())
        current_ = PrinterName();
}

int TPrinter::FinestDrawingResolution(const QString& name, const TPrinterCaps& caps) {
    // Qt states 1200 dpi for queues whose drivers rasterise at 360 or 600: a page drawn finer than
    // the driver's raster only makes the job larger and slower.
    int wanted = DefaultResolution;
    if (caps.Driver && !IsPdfPrinter(name)) {
        const QByteArray devMode = DevMode();
        wanted = std::max(wanted, caps.Driver->ChosenResolution(ValidDriverOptions(name, devMode, driverOptions_)));
    }
    return wanted;
}

TPrinterGeometry TPrinter::Geometry() {
    const QString name = PrinterName();
    const TPrinterCaps* caps = CachedCaps(name);
    TPrinterGeometry g;
    if (caps) {
        const int finest = FinestDrawingResolution(name, *caps);
        g.DpiX = std::min(caps->ResolutionX > 0 ? caps->ResolutionX : DefaultResolution, finest);
        g.DpiY = std::min(caps->ResolutionY > 0 ? caps->ResolutionY : DefaultResolution, finest);
    }
    const QPageSize size = PageSize();
    const QPageLayout::Orientation orientation = Orientation();
    QSizeF mm = size.size(QPageSize::Millimeter);
    if (orientation == QPageLayout::Landscape)
        mm.transpose();
    g.PhysicalWidth = ToPixels(mm.width(), g.DpiX);
    g.PhysicalHeight = ToPixels(mm.height(), g.DpiY);
    // A printer that does not answer prints, as far as anyone can tell, on the whole sheet.
    QMarginsF margins;
    if (caps && !IsPdfPrinter(name)) {
        try {
            margins = backend_->PrintableMargins(name, size, orientation);
        } catch (const EPrinter&) {
            margins = QMarginsF();
        }
    }
    // Borderless printing goes to every edge: the twin sheet or the driver's full bleed.
    if (PrintsBorderless(name, DevMode()))
        margins = QMarginsF();
    g.OffsetX = ToPixels(margins.left(), g.DpiX);
    g.OffsetY = ToPixels(margins.top(), g.DpiY);
    g.PageWidth = std::max(0, g.PhysicalWidth - g.OffsetX - ToPixels(margins.right(), g.DpiX));
    g.PageHeight = std::max(0, g.PhysicalHeight - g.OffsetY - ToPixels(margins.bottom(), g.DpiY));
    return g;
}

void TPrinter::BeginDoc() {
    if (Printing())
        throw EPrinter(QStringLiteral("印刷中です。"));
    if (batch_ && aborted_)
        throw EPrinter(QStringLiteral("印刷は中止されました。"));
    if (batch_ && held_ && job_ && job_->printer == PrinterName()) {
        // The next job of the batch continues the same file on a new page.
        held_ = false;
        job_->qprinter->newPage();
        return;
    }
    DiscardJob();
    held_ = false;
    aborted_ = false;
    jobId_ = 0;
    const QString name = PrinterName();
    if (IsPdfPrinter(name) && outputFileName_.isEmpty())
        throw EPrinter(QStringLiteral("PDF ファイルの保存先が指定されていません。"));
    // Asked of the print system afresh before anything is drawn, so a queue gone since the list was
    // read stops the job at once with its message.
    EnsureList();
    if (!printers_.contains(name))
        throw EPrinter(MissingPrinterMessage(name));
    const TPrinterCaps caps = IsPdfPrinter(name) ? PdfCaps() : backend_->Capabilities(name);
    const TDevModeFields fields = TDevModeFields::Read(DevMode());

    auto job = std::make_unique<Job>();
    job->printer = name;
    job->options.PageSize = PageSize();
    job->options.Orientation = Orientation();
    if ((fields.Fields & DM_DUPLEX) && caps.Duplex)
        job->options.Duplex = fields.Duplex;
    job->options.Copies = Copies();
    if (fields.Fields & DM_DEFAULTSOURCE)
        for (const TPrinterInputSlot& slot : caps.InputSlots)
            if (slot.Id == fields.DefaultSource)
                job->options.InputSlot = slot.Key;
    if (!IsPdfPrinter(name)) {
        const QByteArray devMode = DevMode();
        job->options.PageSizeKeyword = PpdKeyword(name, job->options.PageSize);
        job->options.DriverOptions = ValidDriverOptions(name, devMode, driverOptions_);
        if (PrintsBorderless(name, devMode) && caps.Driver) {
            const TPpdSize* size = caps.Driver->Size(job->options.PageSizeKeyword);
            if (size && !size->Twin.isEmpty())
                job->options.PageSizeKeyword = size->Twin;
            else if (caps.Driver->HasChoice(QStringLiteral("StpFullBleed"), QStringLiteral("True")))
                SetDriverOption(job->options.DriverOptions, QStringLiteral("StpFullBleed"), QStringLiteral("True"));
        }
    }

    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/quorlane-print-XXXXXX.pdf"));
    temp.setAutoRemove(false);
    if (!temp.open())
        throw EPrinter(QStringLiteral("印刷用の一時ファイルを作れませんでした。"));
    job->tempFile = temp.fileName();
    temp.close();

    // A printer of its own with no queue behind it: QPrinter only writes the PDF.
    job->qprinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrinter& printer = *job->qprinter;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(job->tempFile);
    printer.setResolution(
        std::min(caps.ResolutionX > 0 ? caps.ResolutionX : DefaultResolution, FinestDrawingResolution(name, caps)));
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(job->options.PageSize, job->options.Orientation, QMarginsF()));
    printer.setDocName(title_);
    printer.setCreator(QStringLiteral("Quorlane"));
    job->painter = std::make_unique<QPainter>();
    if (!job->painter->begin(&printer)) {
        job->painter.reset();
        job->qprinter.reset();
        QFile::remove(job->tempFile);
        throw EPrinter(QStringLiteral("プリンタ「%1」の印刷を始められませんでした。").arg(name));
    }
    job->canvas = std::make_unique<TCanvas>(job->painter.get());
    job_ = std::move(job);
}

void TPrinter::NewPage() {
    if (!Printing())
        return;
    job_->canvas->FreeHandle();
    job_->qprinter->newPage();
}

TCanvas& TPrinter::Canvas() {
    if (!job_)
        throw EPrinter(QStringLiteral("印刷中ではありません。"));
    return *job_->canvas;
}

QString TPrinter::JobFileName() const {
    return job_ ? job_->tempFile : QString();
}

void TPrinter::DiscardJob() {
    if (!job_)
        return;
    job_->canvas.reset();
    if (job_->painter && job_->painter->isActive())
        job_->painter->end();
    job_->painter.reset();
    job_->qprinter.reset();
    if (!job_->tempFile.isEmpty())
        QFile::remove(job_->tempFile);
    job_.reset();
}

void TPrinter::Abort() {
    // A batch's held job is open too: an abort between two sheets drops the batch.
    if (!job_ || aborted_)
        return;
    aborted_ = true;
    job_->canvas->FreeHandle();
    // The canvas may still be in a drawer's hands (an abort from the progress window arrives while
    // objects draw): it stays until the next job, over a painter that no longer paints.
    if (job_->painter->isActive())
        job_->painter->end();
    QFile::remove(job_->tempFile);
}

void TPrinter::EndDoc() {
    if (!Printing())
        return;
    Job& job = *job_;
    job.canvas->FreeHandle();
    if (batch_ && IsPdfPrinter(job.printer)) {
        held_ = true;
        return;
    }
    const bool written = job.painter->end();
    const QString name = job.printer;
    const QString temp = job.tempFile;
    try {
        if (!written)
            throw EPrinter(QStringLiteral("プリンタ「%1」の印刷データを書けませんでした。").arg(name));
        if (IsPdfPrinter(name)) {
            if (!CopyFileBounded(temp, outputFileName_))
                throw EPrinter(
                    QStringLiteral("PDF ファイル「%1」を保存できませんでした。").arg(outputFileName_));
        } else {
            jobId_ = backend_->Submit(name, temp, title_, job.options);
        }
    } catch (...) {
        DiscardJob();
        throw;
    }
    DiscardJob();
}

void TPrinter::BeginPdfBatch() {
    if (batch_)
        return;
    if (Printing())
        throw EPrinter(QStringLiteral("印刷中です。"));
    DiscardJob();
    aborted_ = false;
    held_ = false;
    batch_ = true;
}

void TPrinter::EndPdfBatch() {
    if (!batch_)
        return;
    batch_ = false;
    if (job_ && held_ && !aborted_) {
        held_ = false;
        EndDoc();
        return;
    }
    held_ = false;
    DiscardJob();
}

bool TPrinter::CancelJob(const QString& printer, int jobId) {
    if (IsPdfPrinter(printer) || jobId <= 0)
        return false;
    return backend_->Cancel(printer, jobId);
}
