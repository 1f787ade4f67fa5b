// Fuzz target of documents: the input is taken for a document file. Whatever opens is read through
// (every sheet, face and preview, and each preview straight from the file), saved elsewhere, and
// must reopen with as many sheets.

#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULabelData.h"
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
