// Fuzz target of the sheet-label clipboard format: the input is taken for the clipboard's bytes. What
// reads is pasted as the sheet window pastes it (size from the first name, objects kept on the page),
// stored as a face, read back, put on the clipboard again and read once more, and drawn. A clean
// EReadError is fine; a crash, a leak, objects left after a refusal or a size that does not survive
// the round trip are not.

#include "app/USheetLabel.h"
#include "fuzz/LabelFuzzSupport.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/Bitmap.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// A face of 100 x 60 mm; drawn at a tenth of its size.
constexpr int kFaceWidth = 1000;
constexpr int kFaceHeight = 600;
constexpr int kDrawScale = 10;

std::unique_ptr<QApplication>& App() {
    static std::unique_ptr<QApplication> app;
    return app;
}

std::unique_ptr<TLabelData>& Document() {
    static std::unique_ptr<TLabelData> doc;
    return doc;
}

void Start() {
    App() = StartFuzzApplication("fuzz_sheetlabel");
    RegisterLabelObjectClasses();
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(kFaceWidth);
    paper.SetHeight(kFaceHeight);
    paper.FaceCountX = paper.FaceCountY = 1;
    paper.FaceWidth = kFaceWidth;
    paper.FaceHeight = kFaceHeight;
    Document() = NewLabelDocument(paper);
}

} // namespace

// The replay ends the application while its thread still runs, so its font caches are freed.
extern "C" void QuorlaneFuzzFinish() {
    Document().reset();
    App().reset();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = (Start(), true);
    (void)started;
    TLabelData& doc = *Document();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TOwnedDOList pasted;
    std::optional<TSheetLabelSize> source;
    try {
        source = ReadSheetLabel(bytes, pasted);
    } catch (const Exception&) {
        if (!pasted.IsEmpty())
            std::abort();
        return 0;
    }
    if (source) {
        const auto again =
            ParseSheetLabelSizeName(SheetLabelSizeName(int(source->Width), int(source->Height)));
        if (!again || again->Width != source->Width || again->Height != source->Height)
            std::abort();
    }
    if (pasted.IsEmpty())
        return 0;
    if (!pasted[0]->Name().isEmpty())
        std::abort();
    (void)FacePasteQuestion(FacePasteConditions(source, kFaceWidth, kFaceHeight, doc.HasLabelData(0)));

    TDOList view;
    pasted.ListObjects(view);
    KeepObjectsInRect(view, TRect(0, 0, kFaceWidth, kFaceHeight));
    TOwnedDOList stored;
    try {
        doc.StoreLabelObjects(0, view);
        doc.LoadLabelObjects(0, stored);
    } catch (const Exception&) {
        // An object whose stored form does not read back is refused on its own.
        return 0;
    }
    if (stored.Count() > pasted.Count())
        std::abort();
    if (stored.IsEmpty())
        return 0;
    // Onto the clipboard and back: the size travels with the objects.
    TOwnedDOList copied;
    const auto carried = ReadSheetLabel(SheetLabelBytes(stored, kFaceWidth, kFaceHeight), copied);
    if (!carried || carried->Width != uint32_t(kFaceWidth) || carried->Height != uint32_t(kFaceHeight) ||
        copied.Count() != stored.Count())
        std::abort();
    TFaceInfo face;
    doc.GetLayoutPaper()->GetFaceInfo(0, face);
    TBitmap bitmap;
    try {
        DrawObjectsToBitmap(face, std::move(copied), bitmap, kDrawScale);
    } catch (const Exception&) {
        // A picture that cannot be drawn reports it.
    }
    return 0;
}
