#pragma once
// Paper stores the paper benchmarks build: numbered A4 label sheets as system papers, each with its
// "ExtraInfos" and "ExtraAlbumInfo" records, as an update or a large user's copy would bring them.

#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"

#include <QFile>
#include <QString>
#include <cstdint>

// "QL-00042 A4ラベル 3面": the name of paper i of every bench store.
inline QString BenchPaperName(int64_t i) {
    return QStringLiteral("QL-%1 A4ラベル %2面").arg(i, 5, 10, QLatin1Char('0')).arg(i % 40 + 1);
}

// Writes file anew with papers first .. first + count - 1 and their records; pattern is the store's
// PPRNo and changes the sheets' rows, so that two patterns differ in every paper they share.
inline void WriteBenchPaperStore(const QString& file, int64_t first, int64_t count, int pattern) {
    QFile::remove(file);
    TPapersV2 db(file, false);
    db.AddStandardExtraInfoBases();
    for (int64_t i = first; i < first + count; ++i) {
        TMatrixPaperInfo paper(nullptr);
        paper.PaperName = BenchPaperName(i);
        paper.GroupName = QStringLiteral("グループ%1").arg(i % 12);
        paper.ReadOnly = true;
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.FaceCountX = 2;
        paper.FaceCountY = int(5 + pattern % 2);
        paper.FaceWidth = 910;
        paper.FaceHeight = 550;
        paper.LeftOffset = 140;
        paper.TopOffset = 110;
        db.AddOrReplace(paper);
        TExPaperInfo extra(nullptr);
        extra.PaperName = paper.PaperName;
        extra.Company = QStringLiteral("会社%1").arg(i % 7);
        extra.Purpose = QStringLiteral("用途%1").arg(i % 5);
        db.PutExtraInfo(kExtraInfosTable, extra);
        TExAlbumInfo album(nullptr);
        album.PaperName = paper.PaperName;
        album.PhotoSize = QStringLiteral("L");
        album.PaperMemo = QStringLiteral("メモ");
        db.PutExtraInfo(kExtraAlbumInfoTable, album);
    }
    TPaperUpdate update(nullptr);
    update.PPRNo = pattern;
    db.SetUpdateInfo(update);
    db.Save();
}
