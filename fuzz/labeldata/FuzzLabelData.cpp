// Fuzz target of documents: the input is taken for a document file. Whatever opens is read through
// (every sheet, face and preview, and each preview straight from the file), loaded as paper images
// onto a 2 x 3 paper upright and turned, saved elsewhere, and must reopen with as many sheets.

#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

// The faces asked for on a sheet: those of its layout paper, and one beyond.
void ReadSheet(TLabelData& doc, const QString& fileName) {
    const int faces = doc.GetLayoutPaper()->GetFaceCount() + 1;
    for (int f = 0; f < faces; ++f) {
        try {
            TOwnedDOList objects;
            doc.LoadLabelObjects(f, objects);
        } catch (const Exception&) {
            // A damaged page raises on its own.
        }
        try {
            TPictureEx picture;
            doc.GetPreview(f, picture);
        } catch (const Exception&) {
            // A damaged preview raises on its own.
        }
        try {
            TPictureEx picture;
            TLabelData::LoadPreviewFromFile(picture, fileName, doc.CurrentSheetNo(), f);
        } catch (const Exception&) {
            // So does one read from the file.
        }
    }
}

// A document of many faces is read through above already; as paper images only a few are asked for.
constexpr int kMaxImageFaces = 64;

// The document's pages as the paper images of a 2 x 3 paper, placed upright and turned.
void PlaceAsPaperImages(const TLabelData& doc, const QString& fileName) {
    if (doc.GetPaperInfo()->GetFaceCount() > kMaxImageFaces)
        return;
    TImagePaperInfo images(nullptr);
    try {
        LoadPaperImages(fileName, images);
    } catch (const Exception&) {
        // A page that cannot be read refuses the whole document.
        return;
    }
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    paper.FaceCountX = 2;
    paper.FaceCountY = 3;
    paper.FaceWidth = 910;
    paper.FaceHeight = 900;
    paper.LeftOffset = 100;
    paper.TopOffset = 100;
    for (const bool landscape : {false, true}) {
        paper.Landscape = landscape;
        TDrawSite site(nullptr);
        site.SetLogWidth(2100);
        site.SetLogHeight(2970);
        ApplyPaperImagesToFaces(site, paper, images, true, true);
        RemovePaperImageMarks(site);
    }
}

std::unique_ptr<QApplication>& App() {
    static std::unique_ptr<QApplication> app;
    return app;
}

} // namespace

// The replay ends the application while its thread still runs, so its font caches are freed.
extern "C" void QuorlaneFuzzFinish() {
    App().reset();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = [] {
        // Previews are drawn through a draw site, which is a widget.
        if (QApplication::instance() == nullptr) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "fuzz_labeldata";
            static char* argv[] = {name, nullptr};
            App() = std::make_unique<QApplication>(argc, argv);
        }
        RegisterEngineClasses();
        RegisterLabelDataClasses();
        for (const TMetaClass* meta : {&TLORect::StaticClass(), &TLOBackImage::StaticClass(),
                                       &TLODate::StaticClass(), &TLOAlbumPhoto::StaticClass()})
            if (!IsClassRegistered(*meta))
                RegisterClass(*meta);
        return true;
    }();
    (void)registered;
    const QString in = Folder().filePath(QStringLiteral("in.qld"));
    const QString out = Folder().filePath(QStringLiteral("out.qld"));
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QFile::remove(out);
    TLabelData doc(nullptr);
    try {
        doc.LoadFromFile(in);
    } catch (const ELabelData&) {
        return 0;
    }
    const int sheets = doc.GetSheetCount();
    for (int s = 0; s < sheets; ++s) {
        try {
            doc.SetCurrentSheetNo(s);
        } catch (const Exception&) {
            // A sheet storage that cannot be opened is refused as a whole.
            continue;
        }
        ReadSheet(doc, in);
    }
    PlaceAsPaperImages(doc, in);
    try {
        doc.SaveToFile(out);
    } catch (const ELabelData&) {
        return 0;
    }
    TLabelData again(nullptr);
    again.LoadFromFile(out);
    if (again.GetSheetCount() != sheets)
        std::abort();
    return 0;
}
