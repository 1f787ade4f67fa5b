// Fuzz target of the template road: the input is taken for a document file chosen as a template.
// Each face of its first sheets is read as the template window reads a chosen page, put on the face
// of a label document (rescaled, fields filled, stored), read back and drawn. A document that does
// not open, or a page that raises, is a clean refusal; a crash, a leak, a face changed by a refused
// template or more objects read back than were put on it are not.

#include "app/dialogs/FTemplate2.h"
#include "fuzz/LabelFuzzSupport.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UProductDB.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/Bitmap.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// A round CD face of 120 x 120 mm on a 130 x 250 mm sheet of two; drawn at a tenth of its size.
constexpr int kFaceSize = 1200;
constexpr int kDrawScale = 10;
// Enough of a large document to reach every kind of page.
constexpr int kMaxSheets = 4;
constexpr int kMaxFaces = 8;

std::unique_ptr<QApplication>& App() {
    static std::unique_ptr<QApplication> app;
    return app;
}

std::unique_ptr<TLabelData>& Target() {
    static std::unique_ptr<TLabelData> doc;
    return doc;
}

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

void Start() {
    App() = StartFuzzApplication("fuzz_templateapply");
    RegisterLabelObjectClasses();
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(1300);
    paper.SetHeight(2500);
    paper.LeftOffset = 50;
    paper.TopOffset = 50;
    paper.FaceCountX = 1;
    paper.FaceCountY = 2;
    paper.FaceWidth = kFaceSize;
    paper.FaceHeight = kFaceSize;
    auto doc = NewLabelDocument(paper);
    // The record's first two fields filled; the others are there, empty.
    doc->ProductInfo()->Items()->GetItem(0)->Info()->Add(QStringLiteral("題名"));
    doc->ProductInfo()->Items()->GetItem(1)->Info()->Add(QStringLiteral("作者"));
    Target() = std::move(doc);
}

} // namespace

// The replay ends the application while its thread still runs, so its font caches are freed.
extern "C" void QuorlaneFuzzFinish() {
    Target().reset();
    App().reset();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = (Start(), true);
    (void)started;
    const QString file = Folder().filePath(QStringLiteral("template.qld"));
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        out.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    TLabelData& target = *Target();
    for (int sheet = 0; sheet < kMaxSheets; ++sheet) {
        for (int face = 0; face < kMaxFaces; ++face) {
            TOwnedDOList objects;
            TRect templateFace;
            try {
                if (!LoadTemplatePage(TTemplateInfo{file, sheet, face, false}, objects, templateFace))
                    break;
            } catch (const Exception&) {
                // A document or page that cannot be read is refused before the face is touched.
                break;
            }
            const int applied = objects.Count();
            TDOList view;
            objects.ListObjects(view);
            const bool before = target.HasLabelData(1);
            bool stored = false;
            try {
                stored = ApplyTemplate(target, 1, view, templateFace);
            } catch (const Exception&) {
                // An object whose stored form does not write is refused on its own.
                continue;
            }
            if (!stored) {
                if (target.HasLabelData(1) != before)
                    std::abort();
                continue;
            }
            TOwnedDOList back;
            try {
                target.LoadLabelObjects(1, back);
            } catch (const Exception&) {
                continue;
            }
            if (back.Count() > applied)
                std::abort();
            TFaceInfo info;
            target.GetLayoutPaper()->GetFaceInfo(1, info);
            TBitmap bitmap;
            try {
                DrawObjectsToBitmap(info, std::move(back), bitmap, kDrawScale);
            } catch (const Exception&) {
                // A picture that cannot be drawn reports it.
            }
        }
    }
    return 0;
}
