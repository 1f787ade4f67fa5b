#include "tests/PrivateCupsd.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <cups/cups.h>
#include <functional>

namespace {

constexpr int StopMilliseconds = 10000;
constexpr int ProbeConnectMilliseconds = 1000;
constexpr int AdminMilliseconds = 60000;
const char* const DriverFolder = "/usr/lib/cups/driver/";

// Plain file helpers: the benchmarks build this server too, without the test library.
void WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray ReadText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The queues the server on the socket answers with, or -1 while it does not answer. The socket file
// appears before the server listens on it, so its existence alone does not say the server is up.
int ServerQueueCount(const QString& socket) {
    http_t* http = httpConnect2(socket.toUtf8().constData(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED,
                                1, ProbeConnectMilliseconds, nullptr);
    if (!http)
        return -1;
    ipp_t* response = cupsDoRequest(http, ippNewRequest(IPP_OP_CUPS_GET_PRINTERS), "/");
    int count = -1;
    if (response && ippGetStatusCode(response) <= IPP_STATUS_OK_CONFLICTING) {
        count = 0;
        for (ipp_attribute_t* name = ippFindAttribute(response, "printer-name", IPP_TAG_NAME); name;
             name = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME))
            ++count;
    } else if (response && ippGetStatusCode(response) == IPP_STATUS_ERROR_NOT_FOUND) {
        count = 0; // a server without queues
    }
    ippDelete(response);
    httpClose(http);
    return count;
}

} // namespace

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

PrivateCupsd::PrivateCupsd() : root_(dir_.path()) {
    // Filters and backends run as the print system's own user: it must reach the folders.
    QFile(root_).setPermissions(QFile::permissions(root_) | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                QFile::ExeGroup);
    for (const char* sub : {"conf", "spool/tmp", "cache", "state", "log", "bin/backend", "out"})
        QDir(root_).mkpath(QString::fromLatin1(sub));
    QFile(Path("out")).setPermissions(QFileDevice::Permissions(0x7777));
    for (const char* sub : {"filter", "daemon", "cgi-bin", "notifier", "monitor", "driver"})
        QFile::link(QStringLiteral("/usr/lib/cups/") + QLatin1String(sub), Path("bin/") + QLatin1String(sub));
    // CUPS 2.4 finishes a raw job on a file: device without writing it, so the documents go through
    // a backend of our own.
    WriteText(Path("bin/backend/keep"),
                           "#!/bin/sh\n"
                           "[ $# -eq 0 ] && { echo 'direct keep \"Unknown\" \"Keep jobs\"'; exit 0; }\n"
                           "dir=\"${DEVICE_URI#keep:}\"\n"
                           "printf '%s\\n' \"$5\" > \"$dir/.opts$1.part\" && mv \"$dir/.opts$1.part\" \"$dir/opts$1\"\n"
                           "part=\"$dir/.job$1.part\"\n"
                           "if [ -n \"$6\" ]; then cat \"$6\" > \"$part\"; else cat > \"$part\"; fi || exit 1\n"
                           "mv \"$part\" \"$dir/job$1\"\n");
    QFile(Path("bin/backend/keep"))
        .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                        QFile::ReadOther | QFile::ExeOther);
    WriteText(Path("conf/cupsd.conf"),
                           QStringLiteral("Listen %1\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                                          "DefaultAuthType None\n<Location />\n  Order allow,deny\n  Allow all\n"
                                          "</Location>\n<Location /admin>\n  Order allow,deny\n  Allow all\n"
                                          "</Location>\n")
                               .arg(Socket())
                               .toUtf8());
    WriteText(
        Path("conf/cups-files.conf"),
        QStringLiteral("ServerRoot %1/conf\nRequestRoot %1/spool\nTempDir %1/spool/tmp\nCacheDir %1/cache\n"
                       "StateDir %1/state\nServerBin %1/bin\nDataDir /usr/share/cups\n"
                       "ErrorLog %1/log/error_log\nAccessLog %1/log/access_log\nPageLog %1/log/page_log\n")
            .arg(root_)
            .toUtf8());
}

PrivateCupsd::~PrivateCupsd() {
    Stop();
    if (serverSet_) {
        if (savedServer_.isNull())
            qunsetenv("CUPS_SERVER");
        else
            qputenv("CUPS_SERVER", savedServer_);
        cupsSetServer(nullptr);
    }
}

QString PrivateCupsd::Executable() {
    return QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/sbin", "/usr/bin"});
}

bool PrivateCupsd::HasVendorDrivers() {
    return QFileInfo(QLatin1String(DriverFolder) + QLatin1String("escpr")).isExecutable() &&
           QFileInfo(QLatin1String(DriverFolder) + QLatin1String("gutenprint.5.3")).isExecutable();
}

bool PrivateCupsd::Start(const QString& printersConf, int queues) {
    QString conf = printersConf;
    conf.replace(QStringLiteral("%OUT%"), QStringLiteral("keep:") + Path("out"));
    WriteText(Path("conf/printers.conf"), conf.toUtf8());
    server_.setProgram(Executable());
    server_.setArguments({"-f", "-c", Path("conf/cupsd.conf"), "-s", Path("conf/cups-files.conf")});
    server_.start();
    if (!server_.waitForStarted())
        return false;
    const bool answering =
        WaitFor([&] { return ServerQueueCount(Socket()) == queues || server_.waitForFinished(0); }, StartMilliseconds);
    if (!answering || server_.state() != QProcess::Running)
        return false;
    if (!serverSet_) {
        savedServer_ = qgetenv("CUPS_SERVER");
        serverSet_ = true;
    }
    qputenv("CUPS_SERVER", Socket().toUtf8());
    cupsSetServer(nullptr);
    return true;
}

void PrivateCupsd::Stop() {
    if (server_.state() == QProcess::NotRunning)
        return;
    server_.terminate();
    if (!server_.waitForFinished(StopMilliseconds)) {
        server_.kill();
        server_.waitForFinished();
    }
}

bool PrivateCupsd::AddQueue(const QString& name, const QString& model) {
    QProcess admin;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CUPS_SERVER"), Socket());
    admin.setProcessEnvironment(env);
    admin.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args{"-p", name, "-E", "-v", QStringLiteral("keep:") + Path("out")};
    if (!model.isEmpty())
        args << "-m" << model;
    const QString lpadmin =
        QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {"/usr/sbin", "/sbin", "/usr/bin"});
    admin.start(lpadmin, args);
    const bool done = admin.waitForFinished(AdminMilliseconds);
    lastAdmin_ = QString::fromLocal8Bit(admin.readAll());
    return done && admin.exitStatus() == QProcess::NormalExit && admin.exitCode() == 0;
}

QString PrivateCupsd::WaitForJob(int id) const {
    const QString file = Path(QStringLiteral("out/job%1").arg(id));
    return WaitFor([&] { return QFile::exists(file); }, JobMilliseconds) ? file : QString();
}

QString PrivateCupsd::JobOptions(int id) const {
    return QString::fromUtf8(ReadText(Path(QStringLiteral("out/opts%1").arg(id)))).trimmed();
}

std::pair<int, QString> PrivateCupsd::JobCopiesAndMedia(int id) const {
    std::pair<int, QString> result{0, {}};
    http_t* http = httpConnect2(Socket().toUtf8().constData(), 0, nullptr, AF_UNSPEC, HTTP_ENCRYPTION_IF_REQUESTED,
                                1, ProbeConnectMilliseconds, nullptr);
    if (!http)
        return result;
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(id).toUtf8();
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

QString PrivateCupsd::Log() const {
    return QString::fromUtf8(ReadText(Path("log/error_log"))) + lastAdmin_;
}
