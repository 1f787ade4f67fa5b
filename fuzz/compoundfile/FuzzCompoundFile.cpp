// Feeds arbitrary bytes to the compound-file reader. Whatever opens must read completely, take a
// round of changes, and reopen after commit: a file we accepted and then wrote must stay valid.

#include "platform/CompoundFile.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr uint32_t RO = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr uint32_t RW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

// Reads every stream below stg; depth is bounded because a checked tree holds no loops.
void ReadAll(CompoundStorage& stg, int depth) {
    std::vector<uint8_t> buffer(64 * 1024);
    for (const STATSTG& st : stg.EnumElements()) {
        if (st.type == STGTY_STREAM) {
            auto s = stg.OpenStream(st.name, RO);
            uint64_t total = 0;
            while (uint64_t n = s->Read(buffer.data(), buffer.size()))
                total += n;
            if (total != st.size)
                std::abort();
        } else if (depth < 64) {
            auto sub = stg.OpenStorage(st.name, RO);
            ReadAll(*sub, depth + 1);
        }
    }
}

void Change(CompoundStorage& root) {
    const auto elements = root.EnumElements();
    for (const STATSTG& st : elements) {
        if (st.type == STGTY_STREAM) {
            auto s = root.OpenStream(st.name, RW);
            s->Seek(0, CompoundStream::SeekEnd);
            const char tail[5000] = {1};
            s->Write(tail, st.size % 2 ? 5000 : 7);
            s->SetSize(st.size / 2);
            break;
        }
    }
    if (!elements.empty())
        root.DestroyElement(elements.back().name);
    auto added = root.CreateStream(QStringLiteral("added"), STGM_CREATE | RW);
    added->Write("fuzz", 4);
    root.CreateStorage(QStringLiteral("box"), STGM_CREATE | RW);
    root.Commit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QByteArray written;
    try {
        auto bytes = std::make_unique<MemoryLockBytes>(input);
        MemoryLockBytes* memory = bytes.get();
        auto root = StgOpenStorageOnLockBytes(std::move(bytes), RW);
        ReadAll(*root, 0);
        Change(*root);
        written = memory->Data();
    } catch (const EOleSysError&) {
        return 0; // a clean rejection
    }
    try {
        auto again = StgOpenStorageOnLockBytes(std::make_unique<MemoryLockBytes>(written), RO);
        ReadAll(*again, 0);
    } catch (const EOleSysError&) {
        std::abort(); // we wrote a file we cannot read back
    }
    return 0;
}
