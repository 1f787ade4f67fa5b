#include "papers/UPPRDownload.h"

#include "core/UDocStorage.h"
#include "imaging/UZLIB.h"
#include "papers/UPapers.h"
#include "platform/Cp932.h"
#include "platform/CrashSafety.h"
#include "platform/Stream.h"

#include <QDate>
#include <QFile>
#include <QUrl>
#include <array>

const char kUpdateInfoSignature[] = "OVANDREXA VERSION UP FILE";

namespace {

constexpr int kInfoLines = 3;
constexpr int kMaxDigits = 9; // beyond this a number would not fit: read as 0, like any non-number
constexpr unsigned char kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr int64_t kCopyChunk = 1 << 20;

QList<QByteArray> SplitLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(bytes.mid(start));
    return lines;
}

bool IsBareFileName(const QByteArray& name) {
    if (name.isEmpty() || name.size() > 255 || name[0] == '.')
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}

int NumberOf(const QByteArray& token) {
    if (token.isEmpty() || token.size() > kMaxDigits)
        return 0;
    for (const char c : token)
        if (c < '0' || c > '9')
            return 0;
    return token.toInt();
}

bool StartsWith(const QString& fileName, const unsigned char* signature, qsizetype length) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(length);
    return head.size() == length && std::equal(head.begin(), head.end(), reinterpret_cast<const char*>(signature));
}

void CopyCapped(TStream& source, TStream& dest, int64_t cap) {
    const int64_t size = source.GetSize();
    if (size > cap)
        throw EPaperUpdate(DamagedUpdateFileMessage());
    QByteArray buffer(int(std::min(size, kCopyChunk)), Qt::Uninitialized);
    int64_t left = size;
    while (left > 0) {
        const int64_t chunk = std::min<int64_t>(left, buffer.size());
        source.ReadBuffer(buffer.data(), chunk);
        dest.WriteBuffer(buffer.constData(), chunk);
        left -= chunk;
    }
}

} // namespace

QString DamagedUpdateFileMessage() {
    return QStringLiteral("用紙情報更新ファイルが壊れています");
}

TDateTime ParseUpdateDate(const QByteArray& s) {
    const qsizetype n = s.size();
    qsizetype pos = 0;
    auto token = [&]() -> QByteArray {
        while (pos < n) {
            const auto c = static_cast<unsigned char>(s[pos]);
            if (c <= 0x20 || c == 0x7F)
                ++pos;
            else if (c == 0x81 && n - pos >= 2 && static_cast<unsigned char>(s[pos + 1]) == 0x40)
                pos += 2; // the full-width space
            else
                break;
        }
        if (pos >= n)
            return {};
        const qsizetype start = pos;
        const auto c = static_cast<unsigned char>(s[pos]);
        if (c >= '0' && c <= '9') {
            while (pos < n && s[pos] >= '0' && s[pos] <= '9')
                ++pos;
        } else if (Cp932::IsLeadByte(c) && n - pos >= 2) {
            pos += 2;
        } else {
            ++pos;
        }
        return s.mid(start, pos - start);
    };
    // year / month / day hour : minute : second (each separator one token of any kind)
    std::array<int, 6> parts{};
    for (int i = 0; i < 6; ++i) {
        parts[size_t(i)] = NumberOf(token());
        if (i != 2 && i != 5) // no separator between day and hour, none after the second
            token();
    }
    const auto [year, month, day, hour, minute, second] = parts;
    if (year < 1 || year > 9999 || !QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return 0;
    return DateTimeFromParts(year, month, day, hour, minute, second);
}

TDateTime ParseUpdateDate(const QString& text) {
    return ParseUpdateDate(Cp932::Encode(text));
}

QString FormatUpdateDate(TDateTime date) {
    return FormatDateTime(QStringLiteral("yyyy/mm/dd hh:nn:ss"), date);
}

bool ParseUpdateInfo(const QByteArray& bytes, TUpdateInfo& info) {
    const QList<QByteArray> lines = SplitLines(bytes);
    if (lines.size() != kInfoLines || lines[0].trimmed().compare(kUpdateInfoSignature, Qt::CaseInsensitive) != 0)
        return false;
    const QByteArray name = lines[2].trimmed();
    if (!IsBareFileName(name))
        return false;
    // "<pattern>,<date>": a comma list of which the first two items count.
    const QList<QByteArray> items = lines[1].split(',');
    TUpdateInfo read;
    bool ok = false;
    const int version = items[0].trimmed().toInt(&ok);
    read.Version = ok ? version : 0;
    read.Date = items.size() > 1 ? ParseUpdateDate(items[1]) : 0;
    read.FileName = QString::fromLatin1(name);
    info = read;
    return true;
}

QString MakeSiblingURL(const QString& infoURL, const QString& name) {
    const QUrl base(infoURL);
    const QUrl url = base.resolved(QUrl(name, QUrl::StrictMode));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url.toString();
}

QString MakeUpdateTempFile(const QString& prefix) {
    return CreateOwnedTempFile(WorkingCopyFolder(), prefix);
}

void PrepareUpdateFile(const QString& source, const QString& dest, int64_t maxUnpacked) {
    try {
        TFileStream in(source, fmOpenRead | fmShareDenyWrite);
        TFileStream out(dest, fmCreate);
        int32_t size = 0;
        if (ReadZLIBHeader(in, size)) {
            if (size < 0 || size > maxUnpacked)
                throw EPaperUpdate(DamagedUpdateFileMessage());
            ZLIBDecompressStream(in, out, size);
        } else if (StartsWith(source, kCompoundSignature, sizeof kCompoundSignature)) {
            CopyCapped(in, out, maxUnpacked);
        } else {
            throw EPaperUpdate(DamagedUpdateFileMessage());
        }
        if (!out.Flush())
            throw EPaperUpdate(DamagedUpdateFileMessage());
    } catch (const EPaperUpdate&) {
        QFile::resize(dest, 0);
        throw;
    } catch (const std::exception&) {
        QFile::resize(dest, 0);
        throw EPaperUpdate(DamagedUpdateFileMessage());
    }
}

std::unique_ptr<TPapersV2> OpenUpdateFile(const QString& fileName) {
    std::unique_ptr<TPapersV2> papers;
    try {
        papers = std::make_unique<TPapersV2>(fileName, true);
        papers->AddStandardExtraInfoBases();
    } catch (const std::exception&) {
        throw EPaperUpdate(DamagedUpdateFileMessage());
    }
    bool systemPaper = false;
    for (int i = 0; i < papers->GetCount() && !systemPaper; ++i)
        systemPaper = papers->GetPaper(i)->ReadOnly;
    if (!systemPaper || !papers->OpenWarning().isEmpty())
        throw EPaperUpdate(DamagedUpdateFileMessage());
    return papers;
}

void CheckUpdatePattern(TPapersV2& update, const QString& fileName, int offered, int current) {
    const int pattern = update.GetUpdateInfo().PPRNo;
    if (pattern != offered)
        throw EPaperUpdate(QStringLiteral("用紙情報更新ファイル「%1」のパターン番号（%2）が更新情報のパターン番号（%3）と"
                                          "一致しないため、更新できません。")
                               .arg(fileName)
                               .arg(pattern)
                               .arg(offered));
    if (pattern <= current)
        throw EPaperUpdate(QStringLiteral("用紙情報更新ファイル「%1」のパターン番号（%2）は現在の用紙情報（%3）より"
                                          "新しくないため、更新できません。")
                               .arg(fileName)
                               .arg(pattern)
                               .arg(current));
}

// ---------------------------------------------------------------------------------------------------
// TPPRDownload

TPPRDownload::TPPRDownload(TComponent* owner) : TComponent(owner), downloader_(new THTTPDownload(this)) {}

TPPRDownload::~TPPRDownload() {
    RemoveFiles();
}

void TPPRDownload::RemoveFiles() {
    for (QString* name : {&dataFile_, &packedFile_}) {
        if (!name->isEmpty())
            QFile::remove(*name);
        name->clear();
    }
}

bool TPPRDownload::Fetch(const QString& url, const QString& fileName, int64_t cap) {
    HttpClient::Limits limits;
    limits.MaxBytes = cap;
    limits.StallMs = limits_.StallMs;
    limits.TotalMs = limits_.TotalMs;
    downloader_->SetLimits(limits);
    downloader_->URL = url;
    downloader_->SetDownloadFileName(fileName);
    const bool ok = downloader_->Execute();
    if (!ok)
        failure_ = downloader_->FailureText();
    return ok && !aborted_;
}

bool TPPRDownload::CheckInfoFile() {
    aborted_ = false;
    failure_.clear();
    RemoveFiles();
    info_ = {};
    dataURL_.clear();
    if (!downloader_->Available()) {
        failure_ = downloader_->FailureText();
        return false;
    }
    if (!Fetch(UpdaterURL, {}, limits_.InfoBytes))
        return false;
    TUpdateInfo info;
    if (!ParseUpdateInfo(downloader_->DownloadFileStr(), info)) {
        failure_ = QStringLiteral("更新情報ファイルの内容が正しくありません。");
        return false;
    }
    const QString url = MakeSiblingURL(UpdaterURL, info.FileName);
    if (url.isEmpty()) {
        failure_ = QStringLiteral("更新情報ファイルの内容が正しくありません。");
        return false;
    }
    info_ = info;
    dataURL_ = url;
    return true;
}

bool TPPRDownload::DownloadPaperFile() {
    aborted_ = false;
    failure_.clear();
    RemoveFiles();
    if (dataURL_.isEmpty() || !downloader_->Available()) {
        failure_ = downloader_->FailureText();
        return false;
    }
    bool ok = false;
    try {
        packedFile_ = MakeUpdateTempFile(QStringLiteral("PPZ"));
        dataFile_ = MakeUpdateTempFile(QStringLiteral("PPR"));
        if (Fetch(dataURL_, packedFile_, limits_.DownloadBytes)) {
            PrepareUpdateFile(packedFile_, dataFile_, limits_.UnpackedBytes);
            CheckUpdatePattern(*OpenUpdateFile(dataFile_), info_.FileName, info_.Version);
            ok = true;
        }
    } catch (const Exception& e) {
        failure_ = e.Message();
    }
    if (aborted_) {
        ok = false;
        failure_ = HttpResultText(HttpClient::Result::Aborted, 0);
    }
    QFile::remove(packedFile_);
    packedFile_.clear();
    if (!ok && !dataFile_.isEmpty()) {
        QFile::remove(dataFile_);
        dataFile_.clear();
    }
    return ok;
}

void TPPRDownload::Abort() {
    aborted_ = true;
    downloader_->Abort();
}
