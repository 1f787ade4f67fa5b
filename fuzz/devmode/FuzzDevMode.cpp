// Feeds arbitrary bytes as a stored DEVMODE: taken as an ANSI record, turned wide and back, its
// fields read and merged for the PDF printer the way a driver would. Nothing may read past the
// bytes, and the ANSI-wide-ANSI round trip must give the same record (names are re-encoded, so only
// the numeric parts are compared).

#include "papers/printing/UmDeviceMode.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace DevMode;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TIntf<ImDeviceMode> dm = CreateDeviceMode();
    dm->SetFromHandle(bytes);
    const QByteArray ansi = dm->GetAnsiDevMode();
    const int extra = ReadWord(ansi, DriverExtraOffset);
    if (ansi.size() != AnsiSize + extra)
        std::abort();
    dm->GetDevModeW();
    if (dm->GetSize() != WideSize + extra)
        std::abort();
    const QByteArray back = dm->GetAnsiDevMode();
    if (back.size() != ansi.size() ||
        back.mid(AnsiBlockOffset, BlockSize) != ansi.mid(AnsiBlockOffset, BlockSize) ||
        back.mid(AnsiTailOffset) != ansi.mid(AnsiTailOffset))
        std::abort();
    const TDevModeFields fields = TDevModeFields::Read(back);
    QByteArray written = back;
    fields.WriteTo(written);
    if (written.size() != back.size())
        std::abort();
    const QByteArray merged = Printer().MergeDevMode(TPrinter::PdfPrinterName, back, 0xFFFFFFFF);
    if (merged.size() != back.size())
        std::abort();
    return 0;
}
