#pragma once
// A reader of version 3 compound files with one FAT sector that only follows the published layout,
// for checking what the engine wrote and for damaging files on purpose: FAT from the header's DIFAT
// slots, then the directory chain.

#include "platform/CompoundFileVolume.h"

#include <QByteArray>
#include <QString>
#include <cstring>
#include <vector>

inline uint32_t U32(const QByteArray& b, qsizetype at) {
    uint32_t v;
    std::memcpy(&v, b.constData() + at, 4);
    return v;
}
inline void SetU32(QByteArray& b, qsizetype at, uint32_t v) {
    std::memcpy(b.data() + at, &v, 4);
}

struct RawFile {
    QByteArray bytes;
    std::vector<uint32_t> fat;
    std::vector<uint32_t> dirSectors;
    explicit RawFile(const QByteArray& b) : bytes(b) {
        for (uint32_t i = 0; i < U32(bytes, 44) && i < 109; ++i) {
            const uint32_t sector = U32(bytes, 76 + 4 * i);
            for (int k = 0; k < 128; ++k)
                fat.push_back(U32(bytes, (sector + 1) * 512 + 4 * k));
        }
        dirSectors = Chain(U32(bytes, 48));
    }
    // The sectors from start up to the end of the chain (stopping after as many as the FAT has).
    std::vector<uint32_t> Chain(uint32_t start) const {
        std::vector<uint32_t> out;
        for (uint32_t s = start; s < fat.size() && out.size() < fat.size(); s = fat[s])
            out.push_back(s);
        return out;
    }
    // Where the FAT entry of a sector lies in the file (in the first FAT sector).
    qsizetype FatOffset(uint32_t sector) const { return (U32(bytes, 76) + 1) * 512 + 4 * sector; }
    qsizetype MiniFatOffset(uint32_t unit) const { return (U32(bytes, 60) + 1) * 512 + 4 * unit; }
    // Lets the chain from start run on into the chain from next instead of ending, as writers that
    // end chains late leave them (mini: a chain of the first mini FAT sector).
    void RunOn(uint32_t start, uint32_t next, bool mini = false) {
        if (!mini) {
            const uint32_t last = Chain(start).back();
            fat[last] = next;
            SetU32(bytes, FatOffset(last), next);
            return;
        }
        uint32_t last = start;
        for (int steps = 0; steps < 128 && U32(bytes, MiniFatOffset(last)) < 128; ++steps)
            last = U32(bytes, MiniFatOffset(last));
        SetU32(bytes, MiniFatOffset(last), next);
    }
    qsizetype EntryOffset(uint32_t id) const { return (dirSectors[id / 4] + 1) * 512 + (id % 4) * 128; }
    QString Name(uint32_t id) const {
        const qsizetype at = EntryOffset(id);
        const int units = static_cast<uint8_t>(bytes[at + 64]) / 2 - 1;
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + at), units);
    }
    // The entry of that name, or 0 (the root's) when there is none.
    uint32_t Find(const QString& name) const {
        for (uint32_t id = 1; id < dirSectors.size() * 4; ++id) {
            if (Name(id) == name)
                return id;
        }
        return 0;
    }
    uint32_t Field(uint32_t id, int offset) const { return U32(bytes, EntryOffset(id) + offset); }
    uint8_t Color(uint32_t id) const { return static_cast<uint8_t>(bytes[EntryOffset(id) + 67]); }
};
