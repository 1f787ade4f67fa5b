#pragma once
// 128-bit identifiers of interfaces, events and plug-in categories, written as
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    std::array<uint8_t, 8> D4{};

    friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
    friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;

    bool IsNull() const { return *this == TGUID{}; }
    // Upper-case hexadecimal in braces.
    QString ToString() const;
    // Parses the braced form (braces optional); false on any other text.
    static bool TryParse(const QString& text, TGUID& out);
    // Parses or raises EConvertError.
    static TGUID FromString(const QString& text);
    // A fresh random identifier.
    static TGUID Create();
};

// For identifiers written into the source as literals; a malformed literal is a programming
// error caught by the tests that use it.
TGUID StringToGUID(const char* text);

template <>
struct std::hash<TGUID> {
    size_t operator()(const TGUID& g) const noexcept {
        uint64_t h = g.D1 ^ (uint64_t(g.D2) << 32) ^ (uint64_t(g.D3) << 48);
        for (uint8_t b : g.D4)
            h = h * 1099511628211ull ^ b;
        return static_cast<size_t>(h);
    }
};
