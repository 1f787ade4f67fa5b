#pragma once
// A printer backend for tests: queues with stated capabilities and margins, and a spool that keeps
// each submitted PDF. Install it with Install(); the process's printer then lists its queues.

#include "platform/Printer.h"

#include <QFile>
#include <map>
#include <vector>

class FakePrinterBackend : public TPrinterBackend {
public:
    struct Queue {
        TPrinterCaps caps;
        QMarginsF margins; // millimetres, the same for every sheet
    };
    struct SpooledJob {
        int id = 0;
        QString queue;
        QString title;
        QByteArray pdf;
        TPrinterJobOptions options;
    };

    std::map<QString, Queue> queues;
    QString defaultQueue;
    // The print system stops answering: no queues, capabilities refused.
    bool unreachable = false;
    bool refuseSubmit = false;
    std::vector<SpooledJob> spool;
    std::vector<int> cancelled;
    int nextId = 100;

    // A queue of 600 dpi with A4, A5 and B5, custom sizes, two trays and 5 mm margins.
    static Queue OfficeQueue() {
        Queue q;
        q.caps.MakeAndModel = QStringLiteral("Fake Office 600");
        q.caps.PageSizes = {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5), QPageSize(QPageSize::B5)};
        q.caps.DefaultPageSize = QPageSize(QPageSize::A4);
        q.caps.CustomPageSizes = true;
        q.caps.InputSlots = {{QStringLiteral("Tray1"), QStringLiteral("Tray 1"), DMBIN_FIRSTSLOT},
                             {QStringLiteral("Tray2"), QStringLiteral("Tray 2"), DMBIN_FIRSTSLOT + 1}};
        q.caps.Duplex = true;
        q.margins = QMarginsF(5, 5, 5, 5);
        return q;
    }

    // Adds the office queue without margins and makes it the process's current printer: a printer
    // with paper in it, whose jobs land whole in the spool.
    void UseOfficeQueue() {
        Queue office = OfficeQueue();
        office.margins = QMarginsF();
        queues[QStringLiteral("Office")] = office;
        defaultQueue = QStringLiteral("Office");
        Printer().Refresh();
        Printer().SetPrinter(QStringLiteral("Office"), {}, {}, {});
    }
    // A spooled job's PDF written to path, for the PDF tools.
    QString SpooledFile(size_t job, const QString& path) const {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(spool.at(job).pdf);
        return path;
    }

    // A queue whose driver is the PPD at path: its sheets (named as the PPD names them), its
    // driver, 1200 dpi as Qt reports for such queues, and 3 mm margins.
    static Queue PpdQueue(const QString& path) {
        Queue q;
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            if (std::optional<TPrinterDriver> driver = ReadPpdDriver(file.readAll()))
                q.caps.Driver = std::make_shared<const TPrinterDriver>(std::move(*driver));
        if (q.caps.Driver) {
            q.caps.MakeAndModel = q.caps.Driver->NickName;
            for (const TPpdSize& size : q.caps.Driver->Sizes)
                q.caps.PageSizes.append(QPageSize(size.Points, QPageSize::Point, size.Text));
        }
        q.caps.DefaultPageSize = QPageSize(QPageSize::A4);
        q.caps.ResolutionX = q.caps.ResolutionY = 1200;
        q.margins = QMarginsF(3, 3, 3, 3);
        return q;
    }

    // Installs a fresh backend as the process's printer; the pointer stays valid until the next
    // install.
    static FakePrinterBackend* Install() {
        auto backend = std::make_unique<FakePrinterBackend>();
        FakePrinterBackend* raw = backend.get();
        SetPrinterBackend(std::move(backend));
        return raw;
    }

    QStringList Queues() override {
        QStringList names;
        if (!unreachable)
            for (const auto& [name, queue] : queues)
                names.append(name);
        return names;
    }
    QString DefaultQueue() override { return unreachable ? QString() : defaultQueue; }
    TPrinterCaps Capabilities(const QString& queue) override { return Find(queue).caps; }
    QMarginsF PrintableMargins(const QString& queue, const QPageSize&, QPageLayout::Orientation) override {
        return Find(queue).margins;
    }
    int Submit(const QString& queue, const QString& pdfFile, const QString& title,
               const TPrinterJobOptions& options) override {
        Find(queue);
        if (refuseSubmit)
            throw EPrinter(QStringLiteral("プリンタ「%1」に印刷できませんでした。").arg(queue));
        QFile file(pdfFile);
        if (!file.open(QIODevice::ReadOnly))
            throw EPrinter(QStringLiteral("no file"));
        spool.push_back({nextId, queue, title, file.readAll(), options});
        return nextId++;
    }
    bool Cancel(const QString&, int jobId) override {
        cancelled.push_back(jobId);
        return true;
    }

private:
    const Queue& Find(const QString& queue) {
        auto it = queues.find(queue);
        if (unreachable || it == queues.end())
            throw EPrinter(QStringLiteral("プリンタ「%1」が見つかりません。").arg(queue));
        return it->second;
    }
};
