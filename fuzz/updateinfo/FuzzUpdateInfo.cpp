// Fuzz target of the paper update's info file: the input is what a server answered. A file that
// is taken names a bare file name that resolves beside the info file on the same server, and its
// date, when not 0, formats and reads back to itself. The date parser alone is run on the input too.

#include "papers/UPPRDownload.h"

#include <QByteArray>
#include <QUrl>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)ParseUpdateDate(bytes);
    TUpdateInfo info;
    if (!ParseUpdateInfo(bytes, info))
        return 0;
    if (info.FileName.isEmpty() || info.FileName.contains(QLatin1Char('/')))
        std::abort();
    const QString url = MakeSiblingURL(QStringLiteral("https://update.quorlane.example/papers/info.vup"), info.FileName);
    if (QUrl(url).host() != QLatin1String("update.quorlane.example") ||
        !QUrl(url).path().startsWith(QLatin1String("/papers/")))
        std::abort();
    if (info.Date != 0 && ParseUpdateDate(FormatUpdateDate(info.Date)) != info.Date)
        std::abort();
    return 0;
}
