// Feeds arbitrary text to the macro expansion and the token splitter. The input is a macro table (its
// lines up to the first empty line) followed by the text to expand, so tables with cycles, deep nesting
// and unclosed references come from the corpus. A clean EMacroString is fine; a crash, a hang or a guard
// left dirty is not.

#include "core/UMacroString.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.indexOf(QLatin1String("\n\n"));
    TMacroString table;
    table.SetText(split < 0 ? QString() : input.left(split));
    const QString text = split < 0 ? input : input.mid(split + 2);
    for (bool dequote : {true, false}) {
        table.AutoDequote = dequote;
        try {
            table.Expand(text);
        } catch (const EMacroString&) {
        }
        if (table.Resolving().Count() != 0)
            std::abort();
    }
    for (bool keepEmpty : {false, true}) {
        const auto tokens = keepEmpty ? SplitTokensKeepEmpty(text, QStringLiteral(" ,;"))
                                      : SplitTokens(text, QStringLiteral(" ,;"));
        qsizetype total = 0;
        for (int i = 0; i < tokens->Count(); ++i) {
            if (!keepEmpty && tokens->Strings(i).isEmpty())
                std::abort();
            total += tokens->Strings(i).size();
        }
        // Pieces never hold more than the text they came from.
        if (total > text.size())
            std::abort();
    }
    return 0;
}
