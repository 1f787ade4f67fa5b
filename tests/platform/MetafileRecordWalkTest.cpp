// The player's record walk against libUEMF's record printers (an independent reader): every
// metafile the outside writers made, and every fuzz seed the player plays to its end record,
// walks to the same record types, offsets and sizes.

#include "platform/MetafilePlayer.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <gtest/gtest.h>

#ifdef QUORLANE_HAVE_UEMF
#include <uemf.h>
#include <uwmf.h>
#include <uemf_print.h>
#include <uwmf_print.h>
#endif

namespace {

using TRecords = std::vector<TMetafilePlayReport::TRecord>;

#ifdef QUORLANE_HAVE_UEMF
// What libUEMF's printers say of each record: the walk goes on by the size each printer returns.
// EMF types are the record types; WMF types are the low byte of the function number.
TRecords LibuemfWalk(const QByteArray& data, bool wmf) {
    const char* contents = data.constData();
    const char* end = contents + data.size();
    testing::internal::CaptureStdout();
    // A WMF's records start after its headers, whose size the header printer returns.
    int64_t offset = wmf ? wmfheader_print(contents, end) : 0;
    for (int record = 0; offset >= 0 && offset < data.size() && (offset > 0 || !wmf); ++record) {
        const int size = wmf ? U_wmf_onerec_print(contents, end, record, size_t(offset))
                             : U_emf_onerec_print(contents, const_cast<char*>(end), record, int(offset));
        if (size <= 0)
            break;
        offset += size;
    }
    fflush(stdout);
    const QString printed = QString::fromStdString(testing::internal::GetCapturedStdout());
    TRecords records;
    static const QRegularExpression line(QStringLiteral(R"(record:\s*\d+\s+type:(\d+)\s+offset:\s*(\d+)\s+rsize:\s*(\d+))"));
    for (auto it = line.globalMatch(printed); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        records.push_back({m.captured(1).toInt(), m.captured(2).toLongLong(), m.captured(3).toLongLong()});
    }
    return records;
}
#endif

} // namespace

TEST(MetafileRecordWalk, EveryRecordIsWhereLibuemfFindsIt) {
#ifndef QUORLANE_HAVE_UEMF
    REQUIRE_CHECKER(false, "libUEMF (libuemf-dev)");
#else
    QStringList paths;
    for (const char* folder : {"tests/data/metafile", "fuzz/metafile/corpus"}) {
        const QDir dir(TestSupport::SourcePath(QString::fromLatin1(folder)));
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            paths << dir.filePath(name);
    }
    int compared = 0, records = 0;
    for (const QString& path : paths) {
        const QByteArray data = TestSupport::ReadFile(path);
        TMetafilePlayer::THeader header;
        if (data.size() > (1 << 20) || !TMetafilePlayer::ReadHeader(data, header))
            continue;
        TMetafilePlayReport report;
        report.KeepRecords = true;
        QImage image(64, 48, QImage::Format_RGB32);
        TCanvas canvas(&image);
        if (!TMetafilePlayer::Play(canvas, data, TRect(0, 0, 64, 48), &report) || report.Stopped)
            continue; // damaged on purpose: the readers may part where the damage starts
        SCOPED_TRACE(path.toStdString());
        const bool wmf = header.Format != TMetafilePlayer::mfEnhanced;
        TRecords ours = report.Records;
        if (wmf)
            for (TMetafilePlayReport::TRecord& record : ours)
                record.Type &= 0xFF;
        const TRecords theirs = LibuemfWalk(data, wmf);
        ASSERT_EQ(ours.size(), theirs.size());
        for (size_t i = 0; i < ours.size(); ++i) {
            EXPECT_EQ(ours[i].Type, theirs[i].Type) << "record " << i;
            EXPECT_EQ(ours[i].Offset, theirs[i].Offset) << "record " << i;
            EXPECT_EQ(ours[i].Size, theirs[i].Size) << "record " << i;
        }
        ++compared;
        records += int(ours.size());
    }
    // The writers' six files and the hand-made seeds, not a walk that found nothing to compare.
    EXPECT_GE(compared, 12);
    EXPECT_GE(records, 400);
#endif
}
