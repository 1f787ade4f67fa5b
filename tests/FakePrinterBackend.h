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
        q.caps.InputSlots = {{QStringLiteral("Tray1"), QStringLiteral("Tray 1"), DMBIN_USER + 1},
                             {QStringLiteral("Tray2"), QStringLiteral("Tray 2"), DMBIN_USER + 2}};
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
