#include "papers/printing/UPrintSite.h"

#include "core/UAppFrame.h"
#include "imaging/UCanvas.h"

namespace {

const QString BandingSetting = QStringLiteral("Banding");
constexpr int DefaultBanding = 1;
// Above this an index is taken for a mistake, not a request to grow the flags.
constexpr int MaxFlagIndex = 1 << 20;

bool Flag(const std::vector<bool>& flags, int index) {
    return index >= 0 && size_t(index) < flags.size() && flags[size_t(index)];
}

void SetFlag(std::vector<bool>& flags, int index, bool value) {
    if (index < 0 || index > MaxFlagIndex)
        return;
    if (size_t(index) >= flags.size())
        flags.resize(size_t(index) + 1, false);
    flags[size_t(index)] = value;
}

} // namespace

bool TPrintSpec::IsFacePrinted(int index) const {
    return AllFaces || Flag(faces_, index);
}

void TPrintSpec::SetFacePrinted(int index, bool value) {
    SetFlag(faces_, index, value);
}

bool TPrintSpec::IsSheetPrinted(int index) const {
    return Flag(sheets_, index);
}

void TPrintSpec::SetSheetPrinted(int index, bool value) {
    SetFlag(sheets_, index, value);
}

int TPrintSpec::GetResolution(TCanvas& printerCanvas) const {
    if (Resolution != 0)
        return Resolution;
    if (ReadSettingInteger(BandingSetting, DefaultBanding) == 1)
        return PrintBandResolution;
    return GetCanvasPixelsPerInch(printerCanvas);
}

bool IsBandingEnabled() {
    return ReadSettingInteger(BandingSetting, DefaultBanding) != 0;
}
