// Fuzz target of stored papers: the input is read as a paper component (plain, or behind a
// component-resource header). A paper the database would accept (sound sizes) has its faces
// asked for, checked for faces off the sheet and overlapping, and is written, read and written
// again: both written forms must be equal.

#include "papers/UPaperInfo.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentResource.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"

#include <cstdint>
#include <cstdlib>

namespace {

// Overlap tests rasterise each face; beyond this the work says nothing new.
constexpr int kMaxFacesChecked = 64;
constexpr int kMaxSideChecked = 4000;

QByteArray Write(TComponent* c) {
    TMemoryStream out;
    TWriter(out).WriteRootComponent(c);
    return out.Data();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (RegisterPaperClasses(), true);
    (void)registered;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    std::unique_ptr<TPaperInfo> paper;
    try {
        TMemoryStream stream(input);
        if (!input.isEmpty() && uint8_t(input[0]) == 0xFF)
            ReadResHeader(stream);
        paper = ReadComponentAs<TPaperInfo>(stream);
    } catch (const Exception&) {
        return 0;
    }
    if (!paper->IsSound())
        return 0;
    TFaceInfo face;
    const int count = paper->GetFaceCount();
    for (int i = 0; i < count; i += 1 + count / 16) {
        paper->GetFaceInfo(i, face);
        (void)paper->GetFaceOuterRect(i);
        (void)face.GetPrintHoleRect();
    }
    (void)paper->FindFaceOutsidePaper();
    if (count <= kMaxFacesChecked && paper->Width() <= kMaxSideChecked && paper->Height() <= kMaxSideChecked)
        (void)paper->FindOverlappingFace();

    paper->StorePurposeList = true;
    const QByteArray first = Write(paper.get());
    std::unique_ptr<TPaperInfo> again;
    try {
        TMemoryStream stream(first);
        again = ReadComponentAs<TPaperInfo>(stream);
    } catch (const Exception&) {
        std::abort(); // what we wrote must read back
    }
    again->StorePurposeList = true;
    if (Write(again.get()) != first)
        std::abort();
    return 0;
}
