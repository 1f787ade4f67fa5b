// The user's paper store as an update meets it: ApplyUpdate of an update database (every paper
// with its "ExtraInfos" and "ExtraAlbumInfo" records) into the shipped papers and into a large
// store, the scratch copy and the save to the user's copy included; and opening a large user's
// copy at start-up the way the program does. Run on one core (taskset -c 0), Release. Targets:
//   ApplyUpdate 500 into the shipped database   < 200 ms
//   ApplyUpdate 500 into 5,000                  < 800 ms
//   ApplyUpdate 5,000 into 5,000                < 4 s
//   opening a 5,000-paper user's copy           < 150 ms

#include "bench/PaperStoreSupport.h"
#include "papers/UPapers.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

// A store of storeCount papers (0: the shipped database) and an update of updateCount papers, half
// of them replacing papers of the store.
struct Files {
    QString store;
    QString update;
};

Files Prepare(int64_t storeCount, int64_t updateCount) {
    Files files;
    files.store = Folder().filePath(QStringLiteral("store-%1.ppr").arg(storeCount));
    files.update = Folder().filePath(QStringLiteral("update-%1-%2.ppr").arg(storeCount).arg(updateCount));
    if (!QFile::exists(files.store)) {
        if (storeCount == 0)
            QFile::copy(QStringLiteral(QUORLANE_SYSTEM_PAPERS), files.store);
        else
            WriteBenchPaperStore(files.store, 0, storeCount, 1);
    }
    if (!QFile::exists(files.update))
        WriteBenchPaperStore(files.update, storeCount - updateCount / 2, updateCount, 1000);
    return files;
}

void BM_ApplyUpdate(benchmark::State& state) {
    const Files files = Prepare(state.range(0), state.range(1));
    const QString user = Folder().filePath(QStringLiteral("user.ppr"));
    TPapersV2 update(files.update, true);
    update.AddStandardExtraInfoBases();
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(user);
        QFile::copy(files.store, user);
        auto store = std::make_unique<TPapersV2>(user, false);
        store->AddStandardExtraInfoBases();
        const int before = store->GetCount();
        state.ResumeTiming();
        store->ApplyUpdate(update, nullptr);
        state.PauseTiming();
        if (store->GetCount() < before + int(state.range(1) / 2) || store->Modified())
            state.SkipWithError("papers missing or not saved");
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(1));
    state.SetLabel(state.range(0) == 0 ? "target < 200 ms"
                   : state.range(1) >= 5000 ? "target < 4 s"
                                            : "target < 800 ms");
}

void BM_OpenUserCopy(benchmark::State& state) {
    const Files files = Prepare(state.range(0), 2);
    const QString installed = Folder().filePath(QStringLiteral("installed.ppr"));
    const QString user = Folder().filePath(QStringLiteral("opened.ppr"));
    if (!QFile::exists(installed))
        WriteBenchPaperStore(installed, 0, 2, 0);
    QFile::remove(user);
    QFile::copy(files.store, user);
    for (auto _ : state) {
        auto db = TPapersV2::OpenSystem(installed, user);
        if (db->GetCount() != state.range(0))
            state.SkipWithError("the user's copy was not opened");
        benchmark::DoNotOptimize(db->GetPaper(0));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetLabel("target < 150 ms");
}

} // namespace

BENCHMARK(BM_ApplyUpdate)
    ->Args({0, 500})
    ->Args({5000, 500})
    ->Args({5000, 5000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_OpenUserCopy)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();
