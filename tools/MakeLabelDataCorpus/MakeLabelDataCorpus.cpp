// Writes the corpus of fuzz/labeldata: a small sound document made by our own writer, documents
// whose structure is sound but whose parts are damaged (no sheet list, junk where a component
// belongs, classes nobody knows, a packed face claiming more than any page, a preview that is no
// picture, a current sheet far beyond the list), and byte-level damage of the sound one.
//
// Usage: MakeLabelDataCorpus <fuzz folder>

#include "core/UDocStorage.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentResource.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

QString gCorpus;
QString gWork;

void Put(const QString& name, const QByteArray& bytes) {
    QFile f(gCorpus + '/' + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw Exception("cannot write " + f.fileName());
}

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception("cannot read " + file);
    return f.readAll();
}

QString MakeSound() {
    const QString file = gWork + "/sound.qld";
    TLabelData doc(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1000);
    paper.SetHeight(700);
    paper.FaceCountX = 2;
    paper.FaceCountY = 1;
    paper.FaceWidth = 400;
    paper.FaceHeight = 600;
    doc.ChangePaperInfo(paper);
    TOwnedDOList objects;
    auto rect = std::make_unique<TLORect>(nullptr);
    rect->SetLogRect(TRect(100, 100, 500, 400));
    objects.Add(std::move(rect));
    TDOList view;
    objects.ListObjects(view);
    doc.StoreLabelObjects(0, view);
    doc.SetCurrentSheetNo(1);
    doc.StoreLabelObjects(0, view);
    doc.SaveToFile(file);
    return file;
}

// An album page: a background over a binding strip, a paper image printed mirrored on back sides.
QString MakeAlbum() {
    const QString file = gWork + "/album.qld";
    TLabelData doc(nullptr);
    doc.FaceSides = fsBoth;
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1000);
    paper.SetHeight(700);
    paper.Landscape = true;
    doc.ChangePaperInfo(paper);
    TExAlbumInfo album(nullptr);
    album.SetLeftMargin(120);
    doc.SetPaperExtraAlbum(&album);
    TImagePaperInfo images(nullptr);
    TOwnedDOList list;
    auto mark = std::make_unique<TLORect>(nullptr);
    mark->SetLogRect(TRect(50, 50, 150, 250));
    list.Add(std::move(mark));
    images.SetImageObjects(0, list);
    doc.SetPaperImageInfo(&images);
    TOwnedDOList objects;
    auto background = std::make_unique<TLOBackImage>(nullptr);
    background->FillColor()->SetColor(clAqua);
    background->SetFrameWidth(20);
    objects.Add(std::move(background));
    auto date = std::make_unique<TLODate>(nullptr);
    date->SetLogRect(TRect(300, 300, 600, 400));
    date->SetUpdateFlag(dufSave);
    objects.Add(std::move(date));
    auto slot = std::make_unique<TLOAlbumPhoto>(nullptr);
    slot->SetLogRect(TRect(100, 100, 400, 300));
    objects.Add(std::move(slot));
    TDOList view;
    objects.ListObjects(view);
    for (int sheet = 0; sheet < 2; ++sheet) {
        doc.SetCurrentSheetNo(sheet);
        doc.StoreLabelObjects(0, view);
    }
    doc.SaveToFile(file);
    return file;
}

// A copy of the sound document changed in place by change.
void Variant(const QString& sound, const QString& name, const std::function<void(TFileStorage&)>& change) {
    const QString file = gWork + '/' + name;
    QFile::remove(file);
    if (!QFile::copy(sound, file))
        throw Exception("cannot copy " + sound);
    {
        TFileStorage storage(file, 2);
        change(storage);
        storage.Storage()->Commit(true);
    }
    Put(name, ReadAll(file));
}

QByteArray Res(const QString& name, TComponent* c) {
    TMemoryStream out;
    WriteComponentRes(out, name, c);
    return out.Data();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeLabelDataCorpus <fuzz folder>\n");
        return 2;
    }
    gCorpus = QString::fromLocal8Bit(argv[1]) + "/labeldata/corpus";
    QDir().mkpath(gCorpus);
    try {
        RegisterEngineClasses();
        RegisterLabelDataClasses();
        RegisterClass(TLORect::StaticClass());
        RegisterClass(TLOBackImage::StaticClass());
        RegisterClass(TLODate::StaticClass());
        RegisterClass(TLOAlbumPhoto::StaticClass());
        QTemporaryDir work;
        gWork = work.path();
        const QString sound = MakeSound();
        const QByteArray bytes = ReadAll(sound);
        Put("sound", bytes);
        Put("album_background", ReadAll(MakeAlbum()));
        Put("truncated_half", bytes.left(bytes.size() / 2));
        Put("truncated_header", bytes.left(600));
        Put("not_compound", QByteArray("ZLIBCompress\x1a not a document", 28));
        for (int i = 0; i < 8; ++i) {
            QByteArray flipped = bytes;
            const qsizetype at = (qsizetype(i) * 7919 + 513) % flipped.size();
            flipped[at] = char(flipped[at] ^ 0x5a);
            Put(QStringLiteral("flip%1").arg(i), flipped);
        }
        const QByteArray junkRes("\xff\x0a\x00JUNK\x00\x30\x10\x08\x00\x00\x00TPF0junk", 22);
        Variant(sound, "no_sheet_list", [](TFileStorage& s) { s.DeleteElement("Sheets\\NameList"); });
        Variant(sound, "empty_sheet_list", [](TFileStorage& s) {
            WriteElementBytes(&s, "Sheets\\NameList", QByteArray("\x05\x00\x00\x00", 4));
        });
        Variant(sound, "missing_sheet_storage", [](TFileStorage& s) {
            WriteElementBytes(&s, "Sheets\\NameList", QByteArray("\x09\x00\x00\x00NameList7\r\n", 15));
        });
        Variant(sound, "sheet_is_a_stream", [](TFileStorage& s) {
            WriteElementBytes(&s, "Sheets\\NameList", QByteArray("\x09\x00\x00\x00NameList\r\n", 14));
        });
        Variant(sound, "damaged_datainfo",
                [&](TFileStorage& s) { WriteElementBytes(&s, "DataInfo", junkRes); });
        Variant(sound, "far_current_sheet", [](TFileStorage& s) {
            TDataInfo info(nullptr);
            info.CurrentSheetNo = 99;
            WriteElementBytes(&s, "DataInfo", Res("DataInfo", &info));
        });
        Variant(sound, "damaged_info",
                [&](TFileStorage& s) { WriteElementBytes(&s, "Sheets\\NameList0\\Info", junkRes); });
        Variant(sound, "damaged_paperinfo", [&](TFileStorage& s) {
            WriteElementBytes(&s, "Sheets\\NameList0\\PaperInfo", junkRes);
            WriteElementBytes(&s, "Sheets\\NameList0\\PaperExtraInfo", junkRes);
            WriteElementBytes(&s, "Sheets\\NameList0\\PaperImageInfo", junkRes);
            WriteElementBytes(&s, "Sheets\\NameList0\\PaperExtraAlbum", junkRes);
        });
        Variant(sound, "unknown_class", [](TFileStorage& s) {
            const QByteArray body("TPF0\x0aTLDObjects\x00\x00\x0cTNoSuchClass\x00\x00\x00\x00", 34);
            TMemoryStream face;
            face.WriteBytes(QByteArray("\xff\x0a\x00LABELDATA\x00\x30\x10", 15));
            face.WriteUInt32(uint32_t(body.size()));
            face.WriteBytes(body);
            WriteElementBytes(&s, "Sheets\\NameList0\\NameList0", face.Data());
        });
        Variant(sound, "face_claims_4gb", [](TFileStorage& s) {
            WriteElementBytes(&s, "Sheets\\NameList0\\NameList0",
                              QByteArray("ZLIBCompress\x1a\xff\xff\xff\xff\x78\x9c\x03\x00", 21));
            WriteElementBytes(&s, "Sheets\\NameList1\\NameList0",
                              QByteArray("ZLIBCompress\x1a\xff\xff\xff\x7f\x78\x9c\x03\x00", 21));
        });
        Variant(sound, "preview_no_picture", [](TFileStorage& s) {
            WriteElementBytes(&s, "Sheets\\NameList0\\Preview0",
                              QByteArray("\x09TPNGImage\x05\x00\x00\x00junk!", 19));
            WriteElementBytes(&s, "Sheets\\NameList1\\Preview0", QByteArray("BM\xff\xff\xff\x7fjunk", 10));
        });
    } catch (const Exception& e) {
        std::fprintf(stderr, "MakeLabelDataCorpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
