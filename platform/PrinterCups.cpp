// The printer backend on the CUPS print system: queues and their capabilities from Qt's CUPS
// printer information, paper sources and job submission through libcups.

#include "platform/Printer.h"

#include <QFile>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <ctime>
#include <cups/cups.h>
#include <cups/ppd.h>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace {

constexpr int MinUsableResolution = 150;

QString MissingQueueMessage(const QString& queue) {
    return QStringLiteral("プリンタ「%1」が見つかりません。").arg(queue);
}

// The libcups PPD reader is marked deprecated in favour of IPP queries, which do not carry a
// driver's own options and constraints; it is the reader the queue's drivers are written for.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

struct PpdCloser {
    void operator()(ppd_file_t* ppd) const { ppdClose(ppd); }
};

QString PpdText(const char* text) {
    // libcups turns every text into UTF-8 under the PPD's *LanguageEncoding; its fields are bounded.
    return QString::fromUtf8(text);
}

// The HWResolution a choice's PostScript code sets ("<</HWResolution[720 360]>>setpagedevice");
// empty when it sets none or the numbers are not plain ones.
QSize CodeResolution(const char* code) {
    constexpr int MaxDpi = 100000;
    const char* p = code ? std::strstr(code, "HWResolution") : nullptr;
    if (!p)
        return {};
    p += std::strlen("HWResolution");
    const auto skipSpace = [&] {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            ++p;
    };
    const auto number = [&](int& value) {
        skipSpace();
        if (*p < '0' || *p > '9')
            return false;
        value = 0;
        while (*p >= '0' && *p <= '9') {
            value = value * 10 + (*p - '0');
            if (value > MaxDpi)
                return false;
            ++p;
        }
        return true;
    };
    skipSpace();
    if (*p != '[')
        return {};
    ++p;
    int x = 0, y = 0;
    if (!number(x) || !number(y))
        return {};
    skipSpace();
    if (*p != ']' || x <= 0 || y <= 0)
        return {};
    return QSize(x, y);
}

// The borderless sheet of each size: another size of the same sheet that prints to every edge.
void FindBorderlessTwins(QList<TPpdSize>& sizes) {
    constexpr double Tolerance = 0.5; // points
    const auto borderless = [&](const TPpdSize& size) {
        return size.Margins.left() < Tolerance && size.Margins.top() < Tolerance &&
               size.Margins.right() < Tolerance && size.Margins.bottom() < Tolerance;
    };
    for (TPpdSize& size : sizes) {
        if (borderless(size))
            continue;
        for (const TPpdSize& other : sizes)
            if (&other != &size && borderless(other) &&
                std::abs(other.Points.width() - size.Points.width()) < Tolerance &&
                std::abs(other.Points.height() - size.Points.height()) < Tolerance) {
                size.Twin = other.Keyword;
                break;
            }
    }
}

std::optional<TPrinterDriver> ReadOpenedPpd(ppd_file_t& ppd) {
    TPrinterDriver driver;
    driver.Manufacturer = PpdText(ppd.manufacturer);
    driver.ModelName = PpdText(ppd.modelname);
    driver.NickName = PpdText(ppd.nickname);
    if (ppd_attr_t* attr = ppdFindAttr(&ppd, "StpDriverName", nullptr))
        driver.StpDriverName = PpdText(attr->value);
    for (int i = 0; i < ppd.num_filters; ++i)
        driver.Filters.append(PpdText(ppd.filters[i]));
    int choices = 0;
    std::map<QString, qsizetype> optionIndex;   // keyword: its place in driver.Options
    std::vector<std::set<QString>> choiceNames; // per option, the choices it has
    for (ppd_option_t* option = ppdFirstOption(&ppd); option; option = ppdNextOption(&ppd)) {
        if (driver.Options.size() >= TPrinterDriver::MaxOptions ||
            option->num_choices > TPrinterDriver::MaxChoices - choices)
            return std::nullopt;
        choices += option->num_choices;
        const QString keyword = PpdText(option->keyword);
        // A keyword declared again (in another group) is the same option: its further choices join
        // the first declaration, whose text and default stand, so no offered choice goes missing.
        auto [known, added] = optionIndex.try_emplace(keyword, driver.Options.size());
        if (added) {
            TPpdOption read;
            read.Keyword = keyword;
            read.Text = PpdText(option->text);
            read.DefaultChoice = PpdText(option->defchoice);
            driver.Options.append(std::move(read));
            choiceNames.emplace_back();
        }
        TPpdOption& same = driver.Options[known->second];
        for (int c = 0; c < option->num_choices; ++c) {
            const QString choice = PpdText(option->choices[c].choice);
            if (choiceNames[size_t(known->second)].insert(choice).second)
                same.Choices.append({choice, PpdText(option->choices[c].text), CodeResolution(option->choices[c].code)});
        }
    }
    if (ppd.num_consts > TPrinterDriver::MaxConstraints)
        return std::nullopt;
    for (int i = 0; i < ppd.num_consts; ++i) {
        const ppd_const_t& c = ppd.consts[i];
        driver.Constraints.append({PpdText(c.option1), PpdText(c.choice1), PpdText(c.option2), PpdText(c.choice2)});
    }
    const TPpdOption* pageSize = driver.Option(QStringLiteral("PageSize"));
    for (int i = 0; i < ppd.num_sizes; ++i) {
        const ppd_size_t& s = ppd.sizes[i];
        TPpdSize size;
        size.Keyword = PpdText(s.name);
        if (pageSize) {
            const int index = pageSize->IndexOf(size.Keyword);
            size.Text = index >= 0 ? pageSize->Choices[index].Text : size.Keyword;
        }
        size.Points = QSizeF(s.width, s.length);
        size.Margins = QMarginsF(s.left, s.length - s.top, s.width - s.right, s.bottom);
        driver.Sizes.append(std::move(size));
    }
    FindBorderlessTwins(driver.Sizes);
    return driver;
}

} // namespace

std::optional<TPrinterDriver> ReadPpdDriver(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > TPrinterDriver::MaxBytes)
        return std::nullopt;
    // The reader takes a file descriptor: the bytes go to an anonymous file in memory.
    const int fd = memfd_create("ppd", MFD_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n <= 0) {
            close(fd);
            return std::nullopt;
        }
        written += n;
    }
    cups_file_t* file = lseek(fd, 0, SEEK_SET) == 0 ? cupsFileOpenFd(fd, "r") : nullptr;
    if (!file) {
        close(fd);
        return std::nullopt;
    }
    std::unique_ptr<ppd_file_t, PpdCloser> ppd(ppdOpen2(file));
    cupsFileClose(file); // closes fd too
    if (!ppd)
        return std::nullopt;
    return ReadOpenedPpd(*ppd);
}

#pragma GCC diagnostic pop

namespace {

class CupsPrinterBackend : public TPrinterBackend {
public:
    ~CupsPrinterBackend() override {
        for (const auto& [queue, ppd] : ppds_)
            if (!ppd.file.isEmpty())
                QFile::remove(ppd.file);
    }

    QStringList Queues() override {
        // The print server is read afresh each time, so a changed CUPS_SERVER or client.conf counts.
        cupsSetServer(nullptr);
        margins_.clear();
        return QPrinterInfo::availablePrinterNames();
    }

    QString DefaultQueue() override { return QPrinterInfo::defaultPrinterName(); }

    TPrinterCaps Capabilities(const QString& queue) override {
        const QPrinterInfo info = QPrinterInfo::printerInfo(queue);
        if (info.isNull())
            throw EPrinter(MissingQueueMessage(queue));
        TPrinterCaps caps;
        caps.MakeAndModel = info.makeAndModel();
        caps.PageSizes = info.supportedPageSizes();
        if (info.defaultPageSize().isValid())
            caps.DefaultPageSize = info.defaultPageSize();
        caps.CustomPageSizes = info.supportsCustomPageSizes();
        const QList<QPrinter::DuplexMode> duplex = info.supportedDuplexModes();
        caps.Duplex = duplex.contains(QPrinter::DuplexLongSide) || duplex.contains(QPrinter::DuplexShortSide);
        // A queue that states no usable resolution is printed at the default one.
        const int resolution = QPrinter(info, QPrinter::HighResolution).resolution();
        caps.ResolutionX = caps.ResolutionY =
            resolution >= MinUsableResolution ? resolution : TPrinter::DefaultResolution;
        caps.InputSlots = InputSlots(queue);
        caps.Driver = Driver(queue);
        // A queue without a driver (a raw one) names no sheets: it hands the document to the device
        // as it is, so it takes the document's own sheet, whatever its size.
        if (!caps.Driver && caps.PageSizes.isEmpty()) {
            caps.PageSizes = StandardPageSizes();
            caps.CustomPageSizes = true;
        }
        return caps;
    }

    QMarginsF PrintableMargins(const QString& queue, const QPageSize& size,
                               QPageLayout::Orientation orientation) override {
        const auto key = std::make_tuple(queue, size.key(), size.size(QPageSize::Millimeter).width(),
                                         size.size(QPageSize::Millimeter).height(), int(orientation));
        auto it = margins_.find(key);
        if (it != margins_.end())
            return it->second;
        const QPrinterInfo info = QPrinterInfo::printerInfo(queue);
        if (info.isNull())
            throw EPrinter(MissingQueueMessage(queue));
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setPageSize(size);
        printer.setPageOrientation(orientation);
        const QPageLayout layout = printer.pageLayout();
        const QMarginsF mm = QPageLayout(size, orientation, layout.minimumMargins(), layout.units())
                                 .margins(QPageLayout::Millimeter);
        margins_.emplace(key, mm);
        return mm;
    }

    int Submit(const QString& queue, const QString& pdfFile, const QString& title,
               const TPrinterJobOptions& options) override {
        cups_option_t* list = nullptr;
        int count = 0;
        const QSizeF mm = options.PageSize.size(QPageSize::Millimeter);
        const QByteArray media =
            !options.PageSizeKeyword.isEmpty() ? options.PageSizeKeyword.toUtf8()
            : options.PageSize.id() != QPageSize::Custom
                ? options.PageSize.key().toUtf8()
                : QStringLiteral("Custom.%1x%2mm").arg(mm.width()).arg(mm.height()).toUtf8();
        count = cupsAddOption("media", media.constData(), count, &list);
        const char* sides = options.Duplex == DMDUP_VERTICAL     ? "two-sided-long-edge"
                            : options.Duplex == DMDUP_HORIZONTAL ? "two-sided-short-edge"
                                                                 : "one-sided";
        count = cupsAddOption("sides", sides, count, &list);
        const QByteArray copies = QByteArray::number(std::max(1, options.Copies));
        count = cupsAddOption("copies", copies.constData(), count, &list);
        const QByteArray slot = options.InputSlot.toUtf8();
        if (!slot.isEmpty())
            count = cupsAddOption("InputSlot", slot.constData(), count, &list);
        for (const auto& [option, choice] : options.DriverOptions)
            count = cupsAddOption(option.toUtf8().constData(), choice.toUtf8().constData(), count, &list);
        const int id =
            cupsPrintFile2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), pdfFile.toLocal8Bit().constData(),
                           title.toUtf8().constData(), count, list);
        cupsFreeOptions(count, list);
        if (id <= 0)
            throw EPrinter(QStringLiteral("プリンタ「%1」に印刷できませんでした。%2")
                               .arg(queue, QString::fromUtf8(cupsLastErrorString())));
        return id;
    }

    bool Cancel(const QString& queue, int jobId) override {
        return cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), jobId, 0) == IPP_STATUS_OK;
    }

private:
    struct FetchedPpd {
        QString file;   // our copy, reused on every fetch
        time_t time = 0; // the server's modification time of it
        std::shared_ptr<const TPrinterDriver> driver;
    };

    // The queue's PPD from the server; asked with the time of the copy held, so an unchanged one
    // costs a 304 answer and no parsing.
    std::shared_ptr<const TPrinterDriver> Driver(const QString& queue) {
        FetchedPpd& held = ppds_[queue];
        QByteArray name = held.file.toLocal8Bit();
        name.resize(std::max<qsizetype>(name.size() + 1, 1024), '\0');
        time_t time = held.time;
        const http_status_t status =
            cupsGetPPD3(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), &time, name.data(), size_t(name.size()));
        held.file = QString::fromLocal8Bit(name.constData());
        if (status == HTTP_STATUS_NOT_MODIFIED)
            return held.driver;
        held.driver.reset();
        held.time = 0;
        if (status != HTTP_STATUS_OK)
            return nullptr;
        QFile file(held.file);
        if (!file.open(QIODevice::ReadOnly) || file.size() > TPrinterDriver::MaxBytes)
            return nullptr;
        if (std::optional<TPrinterDriver> driver = ReadPpdDriver(file.readAll())) {
            held.driver = std::make_shared<const TPrinterDriver>(std::move(*driver));
            held.time = time;
        }
        return held.driver;
    }

    // The queue's paper sources from its "media-source" values; "auto" is the automatic choice that
    // every printer has.
    static QList<TPrinterInputSlot> InputSlots(const QString& queue) {
        QList<TPrinterInputSlot> result;
        cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr);
        if (!dest)
            return result;
        if (cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest)) {
            if (ipp_attribute_t* attr =
                    cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest, info, CUPS_MEDIA_SOURCE)) {
                for (int i = 0; i < ippGetCount(attr); ++i) {
                    const QString key = QString::fromUtf8(ippGetString(attr, i, nullptr));
                    if (key.isEmpty() || key == QLatin1String("auto"))
                        continue;
                    result.append({key, key, DMBIN_FIRSTSLOT + int(result.size())});
                }
            }
            cupsFreeDestInfo(info);
        }
        cupsFreeDests(1, dest);
        return result;
    }

    std::map<std::tuple<QString, QString, double, double, int>, QMarginsF> margins_;
    std::map<QString, FetchedPpd> ppds_;
};

} // namespace

std::unique_ptr<TPrinterBackend> CreateCupsPrinterBackend() {
    return std::make_unique<CupsPrinterBackend>();
}

namespace {
std::unique_ptr<TPrinter>& ProcessPrinter() {
    static std::unique_ptr<TPrinter> printer;
    return printer;
}
} // namespace

TPrinter& Printer() {
    auto& printer = ProcessPrinter();
    if (!printer)
        printer = std::make_unique<TPrinter>(CreateCupsPrinterBackend());
    return *printer;
}

void SetPrinterBackend(std::unique_ptr<TPrinterBackend> backend) {
    ProcessPrinter() = std::make_unique<TPrinter>(backend ? std::move(backend) : CreateCupsPrinterBackend());
}
