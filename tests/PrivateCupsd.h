#pragma once
// A print server of the test's own: a private cupsd with its configuration, spool, socket and
// backend in a temporary folder, reached through CUPS_SERVER while it runs. Its "keep" backend
// writes each job's options (argv[5]) to optsN and its document to jobN in the out folder, the
// document under another name first so a test never reads one half written. Queues are made from
// printers.conf lines at start, or with lpadmin afterwards, from a model the installed drivers
// list (lpadmin -m), so the filters of the real drivers run.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <utility>

// Asks done every 50 ms until it holds (true) or milliseconds pass (false).
bool WaitFor(const std::function<bool()>& done, int milliseconds);

class PrivateCupsd {
public:
    // Deadlines only matter when something is wrong: a loaded machine running the sanitised build
    // may take many seconds to start the server and run a job.
    static constexpr int StartMilliseconds = 60000;
    static constexpr int JobMilliseconds = 90000;

    PrivateCupsd();
    ~PrivateCupsd();
    PrivateCupsd(const PrivateCupsd&) = delete;
    PrivateCupsd& operator=(const PrivateCupsd&) = delete;

    // The cupsd program; empty when it is not installed.
    static QString Executable();
    // The driver programs whose PPDs the vendor tests use (printer-driver-escpr and
    // printer-driver-gutenprint).
    static bool HasVendorDrivers();

    // Starts the server with printers.conf text (queue lines may use %OUT% for keep:<out folder>)
    // and waits until it answers with that many queues. Points CUPS_SERVER at it until the end.
    bool Start(const QString& printersConf = QString(), int queues = 0);
    // Stops the server (CUPS_SERVER still points at its socket: the print system is gone).
    void Stop();
    bool Running() const { return server_.state() == QProcess::Running; }

    // Adds an enabled queue printing to the keep backend; model is a driver's URI as lpinfo -m
    // lists it ("gutenprint.5.3://bjc-PIXMA-iP4300/expert"), empty for a raw queue. False with the
    // reason in Log() when lpadmin refuses.
    bool AddQueue(const QString& name, const QString& model);

    QString Path(const QString& relative) const { return root_ + QLatin1Char('/') + relative; }
    QString Socket() const { return Path(QStringLiteral("cups.sock")); }
    // The file of job id, once the backend has written all of it; empty after the deadline.
    QString WaitForJob(int id) const;
    // The options cupsd gave the job's backend ("media=TL MediaType=PMPHOTO_HIGH ... PageSize=TL").
    QString JobOptions(int id) const;
    // The copies and media the server holds for job id ({0, ""} when it does not answer).
    std::pair<int, QString> JobCopiesAndMedia(int id) const;
    // The server's error log and what lpadmin said last.
    QString Log() const;

private:
    QTemporaryDir dir_;
    QString root_;
    QProcess server_;
    QByteArray savedServer_;
    bool serverSet_ = false;
    QString lastAdmin_;
};
