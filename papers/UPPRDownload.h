#pragma once
// The paper update as it arrives: the small info file that announces an update (signature, pattern
// number and date, the data file's name), the download of the data file beside it, and the checks
// an update file passes before it may be merged. Every byte from the server or from a chosen file is
// distrusted: sizes are capped, the data file's name must be a bare file name, a packed file is
// unpacked under a cap, and the result must open as a paper database with system papers and no
// damaged paper. Temporary files live in the private working-copy folder and go in every outcome.

#include "core/UAppUtil.h"
#include "core/UHTTPDownload.h"
#include "platform/Component.h"
#include "platform/Exception.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TPapersV2;

QUORLANE_EXCEPTION(EPaperUpdate, Exception)

// First line of an info file, compared without regard to case.
extern const char kUpdateInfoSignature[];
// The message for an update file that is not a sound paper database.
QString DamagedUpdateFileMessage();

// Caps of what an update may bring.
struct TPaperUpdateLimits {
    int64_t InfoBytes = int64_t(64) << 10;
    int64_t DownloadBytes = int64_t(64) << 20;
    int64_t UnpackedBytes = int64_t(256) << 20;
    int StallMs = 30'000;
    int TotalMs = 10 * 60'000;
};

struct TUpdateInfo {
    int Version = 0;
    TDateTime Date = 0;
    QString FileName;
};

// Reads an info file: exactly three lines (CR, LF or CR LF; one break after the last line adds
// none), the signature, "<pattern>,<date>", and a bare ASCII file name (letters, digits, ".", "_",
// "-"; not starting with "."). False when it is not one.
bool ParseUpdateInfo(const QByteArray& bytes, TUpdateInfo& info);
// The date of an info file ("2003/04/05 12:34:56": year, month, day, hour, minute, second, each a
// run of digits, separated by one character each; blanks before each part skipped). 0 for anything
// that is not a valid date and time.
TDateTime ParseUpdateDate(const QByteArray& cp932);
TDateTime ParseUpdateDate(const QString& text);
// The date as the update windows show it and the date parser reads it back ("yyyy/mm/dd hh:nn:ss").
QString FormatUpdateDate(TDateTime date);
// The data file's URL: name resolved against the info file's URL. Empty unless the result is http
// or https with a host.
QString MakeSiblingURL(const QString& infoURL, const QString& name);

// Makes a new file in the private working-copy folder for the update, named with prefix ("PPR",
// "PPZ") and this process, so that a later start removes it when this process dies.
QString MakeUpdateTempFile(const QString& prefix);
// Puts an update file (packed or a plain database) into dest as a plain database: unpacked when it
// holds the packed container's signature, copied when it holds the compound file's. Raises
// EPaperUpdate (damaged file message) for anything else, a packed size over maxUnpacked or damaged
// packed data; dest is then empty.
void PrepareUpdateFile(const QString& source, const QString& dest, int64_t maxUnpacked);
// Opens a prepared update read-only with the three extension tables. Raises EPaperUpdate (damaged
// file message) unless it opens with at least one system paper and none left out.
std::unique_ptr<TPapersV2> OpenUpdateFile(const QString& fileName);
// Raises EPaperUpdate (naming fileName) unless the update's own pattern number is the one the info
// file offered and newer than current: the info file alone would let an older data file take the
// system papers and the pattern number back.
void CheckUpdatePattern(TPapersV2& update, const QString& fileName, int offered, int current = -1);

class TPPRDownload : public TComponent {
    QUORLANE_CLASS(TPPRDownload, TComponent)

public:
    explicit TPPRDownload(TComponent* owner);
    // Removes the temporary files still there.
    ~TPPRDownload() override;

    THTTPDownload& Downloader() const { return *downloader_; }
    void SetLimits(const TPaperUpdateLimits& limits) { limits_ = limits; }

    QString UpdaterURL;

    // Fetches the info file at UpdaterURL; true when it describes an update (Version, Date and the
    // data URL are then set).
    bool CheckInfoFile();
    // Fetches the data file the info file named and prepares it as a plain database
    // (DownloadFileName); true when it passed every check. The packed download goes in every case;
    // on failure so does the data file.
    bool DownloadPaperFile();
    void Abort();
    bool Aborted() const { return aborted_; }

    // The prepared database after a successful DownloadPaperFile.
    const QString& DownloadFileName() const { return dataFile_; }
    // The data file named by the info file.
    const QString& DataFileName() const { return info_.FileName; }
    TDateTime Date() const { return info_.Date; }
    int Version() const { return info_.Version; }
    // Why the last call answered false, for the user.
    const QString& FailureText() const { return failure_; }
    // Removes the prepared database (after the merge or when given up).
    void RemoveFiles();

private:
    bool Fetch(const QString& url, const QString& fileName, int64_t cap);

    THTTPDownload* downloader_;
    TPaperUpdateLimits limits_;
    TUpdateInfo info_;
    QString dataURL_;
    QString dataFile_;
    QString packedFile_;
    QString failure_;
    bool aborted_ = false;
};
