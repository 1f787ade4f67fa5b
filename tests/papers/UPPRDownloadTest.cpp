#include "papers/UPPRDownload.h"

#include "core/UDocStorage.h"
#include "imaging/UZLIB.h"
#include "papers/UPapers.h"
#include "tests/HttpTestServer.h"
#include "tests/TestSupport.h"
#include "tests/papers/PapersTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using TestSupport::ReadFile;
using TestSupport::WriteFile;

namespace {

const QByteArray kInfo = "ovandrexa version up file\r\n12,2003/04/05 12:34:56\r\ndata.ppz\r\n";

// An update database of pattern number: system papers "A" and "New", or only a user paper.
void WriteUpdateDatabase(const QString& file, int pattern, bool systemPapers = true) {
    QFile::remove(file);
    TPapersV2 db(file, false);
    db.AddStandardExtraInfoBases();
    for (const char* name : {"A", "New"}) {
        auto paper = MakeGridPaper(QString::fromLatin1(name), 2, 1);
        paper->ReadOnly = systemPapers;
        db.AddOrReplace(*paper);
    }
    TPaperUpdate update(nullptr);
    update.PPRNo = pattern;
    db.SetUpdateInfo(update);
    db.Save();
}

QByteArray Packed(const QByteArray& plain) {
    TMemoryStream source, dest;
    source.WriteBuffer(plain.constData(), plain.size());
    source.SetPosition(0);
    ZLIBCompressStream(source, dest, TCompressionLevel::clDefault);
    return QByteArray(static_cast<const char*>(dest.Memory()), int(dest.GetSize()));
}

// This process's update temporaries in the working-copy folder.
QStringList OwnUpdateTemporaries() {
    QStringList own;
    for (const QString& prefix : {QStringLiteral("PPR"), QStringLiteral("PPZ")})
        own += QDir(WorkingCopyFolder()).entryList({QStringLiteral("%1%2-*").arg(prefix).arg(::getpid())}, QDir::Files);
    return own;
}

} // namespace

TEST(UpdateInfo, ThreeLinesSignaturePatternDateAndABareFileName) {
    TUpdateInfo info;
    ASSERT_TRUE(ParseUpdateInfo(kInfo, info));
    EXPECT_EQ(info.Version, 12);
    EXPECT_EQ(info.Date, DateTimeFromParts(2003, 4, 5, 12, 34, 56));
    EXPECT_EQ(info.FileName, "data.ppz");
    EXPECT_TRUE(ParseUpdateInfo("OVANDREXA VERSION UP FILE\n3,2003/04/05\ndata.PPR", info));
    EXPECT_EQ(info.Date, DateTimeFromParts(2003, 4, 5));
    EXPECT_TRUE(ParseUpdateInfo("OVANDREXA VERSION UP FILE\rx,\rdata.ppz\n", info));
    EXPECT_EQ(info.Version, 0);
    EXPECT_EQ(info.Date, 0);

    for (const char* bad : {"OVANDREXA VERSION UP FILE\n1,2003/04/05\ndata.ppz\n\n", // a fourth line
                            "OVANDREXA VERSION UP\n1,2003/04/05\ndata.ppz", "",
                            "OVANDREXA VERSION UP FILE\n1,2003/04/05\n../data.ppz",
                            "OVANDREXA VERSION UP FILE\n1,2003/04/05\nhttp://elsewhere/x.ppz",
                            "OVANDREXA VERSION UP FILE\n1,2003/04/05\n.ppz", "OVANDREXA VERSION UP FILE\n1\n",
                            "OVANDREXA VERSION UP FILE\n1,2003/04/05\nda ta.ppz"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseUpdateInfo(bad, info));
    }
}

TEST(UpdateInfo, DatesAreReadPartByPartAndAnImpossibleOneIsZero) {
    EXPECT_EQ(ParseUpdateDate(QStringLiteral("\u3000 2003/04/05\t12:34:56")), DateTimeFromParts(2003, 4, 5, 12, 34, 56));
    EXPECT_EQ(ParseUpdateDate(QStringLiteral("2003年04月05 1時2分3")), DateTimeFromParts(2003, 4, 5, 1, 2, 3));
    for (const char* bad : {"2003/02/30", "2003/04/05 24:00:00", "0/1/1", "12345678901/1/1", "", "yesterday"}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(ParseUpdateDate(QString::fromLatin1(bad)), 0);
    }
    const TDateTime date = DateTimeFromParts(2026, 12, 8, 7, 5, 9);
    EXPECT_EQ(FormatUpdateDate(date), "2026/12/08 07:05:09");
    EXPECT_EQ(ParseUpdateDate(FormatUpdateDate(date)), date);

    EXPECT_EQ(MakeSiblingURL("http://h:8/a/b/info.vup", "data.ppz"), "http://h:8/a/b/data.ppz");
    EXPECT_EQ(MakeSiblingURL("https://h/info.vup?x=1", "data.ppz"), "https://h/data.ppz");
    EXPECT_EQ(MakeSiblingURL("file:///a/info.vup", "data.ppz"), "");
}

TEST(UpdateFile, PackedIsUnpackedPlainCopiedAndAnythingElseRefused) {
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain.ppr"), packed = dir.filePath("packed.ppz"), dest = dir.filePath("out");
    WriteUpdateDatabase(plain, 9);
    const QByteArray bytes = ReadFile(plain);
    WriteFile(packed, Packed(bytes));

    PrepareUpdateFile(packed, dest, 256 << 20);
    EXPECT_EQ(ReadFile(dest), bytes);
    PrepareUpdateFile(plain, dest, 256 << 20);
    EXPECT_EQ(ReadFile(dest), bytes);
    EXPECT_EQ(OpenUpdateFile(dest)->GetUpdateInfo().PPRNo, 9);

    QByteArray claim = Packed(bytes);
    claim[13] = 0; // the stored length: 1 GiB claimed for a small stream
    claim[14] = 0;
    claim[15] = 0;
    claim[16] = 0x40;
    QByteArray cut = Packed(bytes);
    cut.chop(cut.size() / 2);
    QByteArray flipped = Packed(bytes);
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x5A);
    // Inflates to far more than the 1,000 bytes it claims: stopped at the claim.
    QByteArray bomb = Packed(QByteArray(8 << 20, '\0'));
    bomb[13] = char(0xE8);
    bomb[14] = 0x03;
    bomb[15] = 0;
    bomb[16] = 0;
    for (const QByteArray& bad : {QByteArray("<html>404</html>"), claim, cut, flipped, bomb, bytes.left(600)}) {
        WriteFile(packed, bad);
        try {
            PrepareUpdateFile(packed, dest, 256 << 20);
            OpenUpdateFile(dest);
            ADD_FAILURE() << "accepted " << bad.size() << " bytes";
        } catch (const EPaperUpdate& e) {
            EXPECT_EQ(e.Message(), DamagedUpdateFileMessage());
        }
    }
    // A database of user papers only is no update.
    WriteUpdateDatabase(plain, 9, false);
    EXPECT_THROW(OpenUpdateFile(plain), EPaperUpdate);
}

TEST(PPRDownload, FetchesTheInfoAndTheDataBesideItAndLeavesNoTemporary) {
    QTemporaryDir dir;
    WriteUpdateDatabase(dir.filePath("u.ppr"), 12);
    const QByteArray database = ReadFile(dir.filePath("u.ppr"));
    QByteArray info = kInfo, data = Packed(database);
    HttpTestServer server([&](const HttpTestServer::Request& request) {
        if (request.Target.endsWith("info.vup"))
            return HttpTestServer::Reply{200, info};
        if (request.Target.endsWith("/a/b/data.ppz") || request.Target.endsWith("/a/b/data.ppr"))
            return HttpTestServer::Reply{200, data};
        return HttpTestServer::Reply{404, "<html></html>"};
    });
    TPPRDownload download(nullptr);
    download.UpdaterURL = server.Url("/a/b/info.vup");
    ASSERT_TRUE(download.CheckInfoFile()) << download.FailureText().toStdString();
    EXPECT_EQ(download.Version(), 12);
    EXPECT_EQ(download.Date(), DateTimeFromParts(2003, 4, 5, 12, 34, 56));
    ASSERT_TRUE(download.DownloadPaperFile()) << download.FailureText().toStdString();
    EXPECT_EQ(ReadFile(download.DownloadFileName()), database);
    EXPECT_EQ(OwnUpdateTemporaries().size(), 1) << "only the prepared database";
    download.RemoveFiles();
    EXPECT_TRUE(OwnUpdateTemporaries().isEmpty());

    // A plain database passes too.
    info.replace("data.ppz", "data.ppr");
    data = database;
    ASSERT_TRUE(download.CheckInfoFile());
    ASSERT_TRUE(download.DownloadPaperFile());
    EXPECT_EQ(ReadFile(download.DownloadFileName()), database);

    // An error page, damage, or an abort: false, and nothing left behind.
    data = "<html>busy</html>";
    EXPECT_FALSE(download.DownloadPaperFile());
    EXPECT_EQ(download.FailureText(), DamagedUpdateFileMessage());
    EXPECT_TRUE(OwnUpdateTemporaries().isEmpty());
    data = Packed(database);
    download.Downloader().OnConnect = [&] { download.Abort(); };
    EXPECT_FALSE(download.DownloadPaperFile());
    EXPECT_TRUE(download.Aborted());
    EXPECT_TRUE(OwnUpdateTemporaries().isEmpty());
    download.Downloader().OnConnect = nullptr;

    info = "OVANDREXA VERSION UP FILE\n12,2003/04/05\n\n";
    EXPECT_FALSE(download.CheckInfoFile());
    EXPECT_FALSE(download.FailureText().isEmpty());
    download.UpdaterURL = server.Url("/missing/info.txt");
    EXPECT_FALSE(download.CheckInfoFile());
    EXPECT_NE(download.FailureText().indexOf("404"), -1);
}

TEST(PPRDownload, WithoutANetworkNothingIsFetched) {
    THTTPDownload::SetNetworkProbe([] { return false; });
    TPPRDownload download(nullptr);
    THTTPDownload::SetNetworkProbe(nullptr);
    HttpTestServer server([](const HttpTestServer::Request&) { return HttpTestServer::Reply{200, kInfo}; });
    download.UpdaterURL = server.Url("/info.vup");
    EXPECT_FALSE(download.Downloader().Available());
    EXPECT_FALSE(download.CheckInfoFile());
    EXPECT_TRUE(server.Requests().isEmpty());
    EXPECT_EQ(download.Downloader().BytesPercent(), 0);
}
