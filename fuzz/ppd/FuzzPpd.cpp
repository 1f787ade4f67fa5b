// Feeds arbitrary bytes as a queue's PPD: read within its bounds or refused, and what was read is
// asked the questions the vendor settings ask (choices, constraints, borderless twins). Nothing may
// read past the bytes or past the lists.

#include "platform/Printer.h"

#include <cstdint>
#include <cstdlib>

// libcups's PPD reader loses a few copied strings of a PPD that repeats some of its header
// keywords; the loss is bounded by the PPD's size and not ours to free.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:_ppdOpen\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<TPrinterDriver> driver = ReadPpdDriver(bytes);
    if (!driver)
        return 0;
    if (driver->Options.size() > TPrinterDriver::MaxOptions ||
        driver->Constraints.size() > TPrinterDriver::MaxConstraints)
        std::abort();
    qsizetype choices = 0;
    TDriverOptions selected;
    for (const TPpdOption& option : driver->Options) {
        choices += option.Choices.size();
        if (!option.Choices.isEmpty())
            selected.append({option.Keyword, option.Choices.last().Keyword});
    }
    if (choices > TPrinterDriver::MaxChoices)
        std::abort();
    for (const TPpdOption& option : driver->Options)
        for (const TPpdChoice& choice : option.Choices) {
            driver->Excluded(option.Keyword, choice.Keyword, selected);
            if (!driver->HasChoice(option.Keyword, choice.Keyword))
                std::abort();
        }
    for (const TPpdSize& size : driver->Sizes)
        if (!size.Twin.isEmpty() && !driver->Size(size.Twin))
            std::abort();
    return 0;
}
