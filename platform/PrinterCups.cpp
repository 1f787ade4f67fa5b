// The printer backend on the CUPS print system: queues and their capabilities from Qt's CUPS
// printer information, paper sources and job submission through libcups.

#include "platform/Printer.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <cups/cups.h>
#include <algorithm>
#include <map>
#include <tuple>

namespace {

constexpr int MinUsableResolution = 150;

QString MissingQueueMessage(const QString& queue) {
    return QStringLiteral("プリンタ「%1」が見つかりません。").arg(queue);
}

class CupsPrinterBackend : public TPrinterBackend {
public:
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
            options.PageSize.id() != QPageSize::Custom
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
                    result.append({key, key, DMBIN_USER + 1 + int(result.size())});
                }
            }
            cupsFreeDestInfo(info);
        }
        cupsFreeDests(1, dest);
        return result;
    }

    std::map<std::tuple<QString, QString, double, double, int>, QMarginsF> margins_;
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
