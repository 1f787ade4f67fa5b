#pragma once
// Little-endian fields of stored formats (compound files, bitmaps, icons, metafiles, component
// streams), read and written a byte at a time so neither alignment nor the host's order matters.
// The caller has checked that the bytes are there.

#include <QByteArray>
#include <QtEndian>
#include <cstdint>

inline uint16_t GetLE16(const void* p) {
    return qFromLittleEndian<uint16_t>(p);
}
inline uint32_t GetLE32(const void* p) {
    return qFromLittleEndian<uint32_t>(p);
}
inline uint64_t GetLE64(const void* p) {
    return qFromLittleEndian<uint64_t>(p);
}
inline int16_t GetLEInt16(const void* p) {
    return qFromLittleEndian<int16_t>(p);
}
inline int32_t GetLEInt32(const void* p) {
    return qFromLittleEndian<int32_t>(p);
}

inline void PutLE16(void* p, uint16_t v) {
    qToLittleEndian(v, p);
}
inline void PutLE32(void* p, uint32_t v) {
    qToLittleEndian(v, p);
}
inline void PutLE64(void* p, uint64_t v) {
    qToLittleEndian(v, p);
}

inline void AppendLE16(QByteArray& out, uint16_t v) {
    char b[2];
    PutLE16(b, v);
    out.append(b, 2);
}
inline void AppendLE32(QByteArray& out, uint32_t v) {
    char b[4];
    PutLE32(b, v);
    out.append(b, 4);
}
