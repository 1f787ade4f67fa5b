// Printing through a print server of the test's own: a private cupsd (its configuration, spool,
// socket and backend in a temporary folder) with a queue that keeps each job's document in a
// folder, and one that is stopped so that its jobs wait.

#include "core/UPhasedProgress.h"
#include "core/USupportUtil.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UPrintSite.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"
#include "tests/TestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cups/cups.h>
#include <gtest/gtest.h>

namespace {

// Deadlines only matter when something is wrong: a loaded two-core machine running the sanitised
// build may take many seconds to start the server and run a job.
constexpr int kStartMilliseconds = 60000;
constexpr int kJobMilliseconds = 60000;
constexpr int kStopMilliseconds = 10000;
constexpr int kProbeConnectMilliseconds = 1000;
constexpr int kQueueCount = 2;

class TQuietProgress : public TPhasedProgressBase {
protected:
    void ShowPosition(int32_t) override {}
    void ShowRange(int32_t, int32_t, int32_t) override {}
};

bool WaitFor(const std::function<bool()>& done, int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// The queues the server on the socket answers with, or -1 while it does not answer. The socket file
// appears before the server listens on it, so its existence alone does not say the server is up.
int ServerQueueCount(const QString& socket) {
    http_t* http = httpConnect2(socket.toUtf8().constData(), 0, nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, kProbeConnectMilliseconds, nullptr);
    if (!http)
        return -1;
    ipp_t* response = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_PRINTERS), "/");
    int count = -1;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
        count = 0;
        for (ipp_attribute_t* name = ippFindAttribute(response, "printer-name", IPP_TAG_NAME); name;
             name = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME))
            ++count;
    }
    ippDelete(response);
    httpClose(http);
    return count;
}

// The copies and media a job of the server carries.
std::pair<int, QString> JobCopiesAndMedia(const QString& socket, int job) {
    std::pair<int, QString> result{0, {}};
    http_t* http = httpConnect2(socket.toUtf8().constData(), 0, nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, kProbeConnectMilliseconds, nullptr);
    if (!http)
        return result;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(job).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ipp_t* response = cupsDoRequest(http, request, "/");
    if (ipp_attribute_t* copies = ippFindAttribute(response, "copies", IPP_TAG_INTEGER))
        result.first = ippGetInteger(copies, 0);
    if (ipp_attribute_t* media = ippFindAttribute(response, "media", IPP_TAG_ZERO))
        result.second = QString::fromUtf8(ippGetString(media, 0, nullptr));
    ippDelete(response);
    httpClose(http);
    return result;
}

class CupsPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin", "/usr/bin"});
        REQUIRE_CHECKER(!cupsd.isEmpty(), "cupsd");
        ASSERT_TRUE(dir.isValid());
        root = dir.path();
        // Filters and backends run as the print system's own user: it must reach the folders.
        QFile(root).setPermissions(QFile::permissions(root) | QFile::ReadOther | QFile::ExeOther |
                                   QFile::ReadGroup | QFile::ExeGroup);
        for (const char* sub : {"conf", "spool/tmp", "cache", "state", "log", "bin/backend", "out"})
            QDir(root).mkpath(sub);
        QFile(Path("out")).setPermissions(QFileDevice::Permissions(0x7777));
        for (const char* sub : {"filter", "daemon", "cgi-bin", "notifier", "monitor"})
            QFile::link(QStringLiteral("/usr/lib/cups/") + sub, Path("bin/") + sub);
        // CUPS 2.4 finishes a raw job on a file: device without writing it, so the documents go
        // through a backend of our own. It writes each document under another name and renames it
        // when complete, so that the test never reads one half written.
        TestSupport::WriteFile(
            Path("bin/backend/keep"),
            "#!/bin/sh\n"
            "[ $# -eq 0 ] && { echo 'direct keep \"Unknown\" \"Keep jobs\"'; exit 0; }\n"
            "dir=\"${DEVICE_URI#keep:}\"\n"
            "part=\"$dir/.job$1.part\"\n"
            "if [ -n \"$6\" ]; then cat \"$6\" > \"$part\"; else cat > \"$part\"; fi || exit 1\n"
            "mv \"$part\" \"$dir/job$1\"\n");
        QFile(Path("bin/backend/keep"))
            .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        TestSupport::WriteFile(Path("conf/cupsd.conf"),
                               QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\n"
                                              "Browsing No\nDefaultAuthType None\n"
                                              "<Location />\n  Order allow,deny\n  Allow all\n"
                                              "</Location>\n")
                                   .arg(Socket())
                                   .toUtf8());
        TestSupport::WriteFile(
            Path("conf/cups-files.conf"),
            QStringLiteral(
                "ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                "StateDir %1/state\nServerBin %1/bin\nDataDir /usr/share/cups\n"
                "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\nPageLog %1/log/page_log\n")
                .arg(root)
                .toUtf8());
        TestSupport::WriteFile(Path("conf/printers.conf"),
                               QStringLiteral("<DefaultPrinter Keep>\nDeviceURI keep:%1\nState Idle\n"
                                              "Accepting Yes\n</Printer>\n"
                                              "<Printer Held>\nDeviceURI keep:%1\nState Stopped\n"
                                              "Accepting Yes\n</Printer>\n")
                                   .arg(Path("out"))
                                   .toUtf8());
        server.setProgram(cupsd);
        server.setArguments({"-f", "-c", Path("conf/cupsd.conf"), "-s", Path("conf/cups-files.conf")});
        server.start();
        ASSERT_TRUE(server.waitForStarted());
        const bool answering =
            WaitFor([&] { return ServerQueueCount(Socket()) == kQueueCount || server.waitForFinished(0); },
                    kStartMilliseconds);
        ASSERT_TRUE(answering && server.state() == QProcess::Running)
            << TestSupport::ReadFile(Path("log/error_log")).toStdString();
        savedServer = qgetenv("CUPS_SERVER");
        qputenv("CUPS_SERVER", Socket().toUtf8());
        SetPrinterBackend(nullptr);
    }
    void TearDown() override {
        StopServer();
        if (savedServer.isNull())
            qunsetenv("CUPS_SERVER");
        else
            qputenv("CUPS_SERVER", savedServer);
        SetPrinterBackend(nullptr);
    }
    void StopServer() {
        if (server.state() == QProcess::NotRunning)
            return;
        server.terminate();
        if (!server.waitForFinished(kStopMilliseconds)) {
            server.kill();
            server.waitForFinished();
        }
    }
    QString Path(const QString& relative) const { return root + "/" + relative; }
    QString Socket() const { return Path("cups.sock"); }

    QString cupsd;
    QTemporaryDir dir;
    QString root;
    QProcess server;
    QByteArray savedServer;
};

} // namespace

TEST_F(CupsPrintTest, PrintsToAPrivateServerCancelsAWaitingJobAndFallsBackToPdfWhenItStops) {
    RegisterLabelDataClasses();
    RegisterTestClasses();
    Printer().Refresh();
    EXPECT_TRUE(Printer().Printers().contains(QStringLiteral("Keep")));
    EXPECT_TRUE(Printer().Printers().contains(TPrinter::PdfPrinterName));
    EXPECT_EQ(Printer().DefaultPrinterName(), QStringLiteral("Keep"));

    // A4 with one red rectangle from (200, 300).
    TLabelData doc(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    doc.SetPaperInfo(paper);
    {
        TOwnedDOList objects;
        auto rect = std::make_unique<TTestRect>(nullptr);
        rect->SetLogRect(TRect(200, 300, 800, 700));
        objects.Add(std::move(rect));
        TDOList view;
        objects.ListObjects(view);
        doc.StoreLabelObjects(0, view);
    }
    TPrintSpec spec;
    spec.AllFaces = true;
    spec.SetSheetPrinted(0, true);
    TQuietProgress progress;
    const auto print = [&](const QString& queue) {
        Printer().SetPrinter(queue, {}, {}, {});
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        return Printer().JobId();
    };

    const int id = print(QStringLiteral("Keep"));
    ASSERT_GT(id, 0);
    const QString kept = Path(QStringLiteral("out/job%1").arg(id));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(kept) && QFile(kept).size() > 0; }, kJobMilliseconds))
        << TestSupport::ReadFile(Path("log/error_log")).toStdString();
    EXPECT_TRUE(TestSupport::ReadFile(kept).startsWith("%PDF"));
    if (TestSupport::HasPdftoppm()) {
        const QImage page = TestSupport::RasterisePdf(kept, 254);
        ASSERT_FALSE(page.isNull());
        const QColor inside = page.pixelColor(500, 500);
        EXPECT_TRUE(inside.red() > 200 && inside.green() < 60 && inside.blue() < 60);
        const QColor outside = page.pixelColor(190, 500);
        EXPECT_TRUE(outside.red() > 240 && outside.green() > 240 && outside.blue() > 240);
    }

    // The printer's copies and sheet go with the job.
    {
        QByteArray devMode = Printer().DefaultDevMode(QStringLiteral("Keep"));
        TDevModeFields fields = TDevModeFields::Read(devMode);
        fields.Copies = 3;
        fields.PaperSize = DMPAPER_A4;
        fields.Fields |= DM_COPIES | DM_PAPERSIZE;
        fields.WriteTo(devMode);
        Printer().SetPrinter(QStringLiteral("Keep"), {}, {}, devMode);
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        const auto [copies, media] = JobCopiesAndMedia(Socket(), Printer().JobId());
        EXPECT_EQ(copies, 3);
        EXPECT_TRUE(media.contains(QStringLiteral("a4"), Qt::CaseInsensitive)) << media.toStdString();
        Printer().SetPrinter(QStringLiteral("Keep"), {}, {}, {});
    }

    // Two sheets are two jobs.
    spec.SetSheetPrinted(1, true);
    const int last = print(QStringLiteral("Keep"));
    spec.SetSheetPrinted(1, false);
    EXPECT_EQ(last, id + 3);
    for (const int job : {id + 2, id + 3}) {
        const QString file = Path(QStringLiteral("out/job%1").arg(job));
        EXPECT_TRUE(WaitFor([&] { return QFile::exists(file) && QFile(file).size() > 0; }, kJobMilliseconds))
            << job;
    }

    // A job waiting on a stopped queue is cancelled once; it never reaches the folder.
    const int waiting = print(QStringLiteral("Held"));
    ASSERT_GT(waiting, 0);
    EXPECT_TRUE(Printer().CancelJob(QStringLiteral("Held"), waiting));
    EXPECT_FALSE(Printer().CancelJob(QStringLiteral("Held"), waiting));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("out/job%1").arg(waiting))));

    // The server goes away: printing to its queue fails naming it, and only the PDF printer is left.
    StopServer();
    Printer().SetPrinter(QStringLiteral("Keep"), {}, {}, {});
    try {
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        ADD_FAILURE() << "printed without a server";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Keep"))) << e.Message().toStdString();
    }
    Printer().Refresh();
    EXPECT_EQ(Printer().Printers(), QStringList{TPrinter::PdfPrinterName});
    EXPECT_TRUE(HasDefaultPrinter());
    EXPECT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
}
