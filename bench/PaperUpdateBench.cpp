// The paper update from 127.0.0.1: a large download through the HTTP client (with the longest
// stretch between two of its events, which is how long the window would not answer), a whole update
// of 500 papers (info file, download, checks, unpacking, merge and the save of the user's copy), and
// opening the update and environment windows. Run on one core (taskset -c 0), Release. Targets:
//   50 MiB download                    < 0.5 s, no stretch over 100 ms without an event
//   whole update of 500 papers         < 400 ms
//   each window open                   < 150 ms

#include "app/dialogs/FEnvironment.h"
#include "app/dialogs/FUpdatePaper.h"
#include "bench/BenchSupport.h"
#include "core/UAppFrame.h"
#include "imaging/UZLIB.h"
#include "papers/UPPRDownload.h"
#include "papers/UPapers.h"
#include "platform/HttpClient.h"
#include "platform/Stream.h"
#include "tests/HttpTestServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

void WriteStore(const QString& file, int count, int pattern) {
    QFile::remove(file);
    TPapersV2 db(file, false);
    db.AddStandardExtraInfoBases();
    for (int i = 0; i < count; ++i) {
        TMatrixPaperInfo paper(nullptr);
        paper.PaperName = QStringLiteral("QL-%1 A4ラベル").arg(i, 5, 10, QLatin1Char('0'));
        paper.ReadOnly = true;
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.FaceCountX = 2;
        paper.FaceCountY = 5 + pattern % 2;
        paper.FaceWidth = 910;
        paper.FaceHeight = 550;
        db.AddOrReplace(paper);
        TExPaperInfo extra(nullptr);
        extra.PaperName = paper.PaperName;
        extra.Company = QStringLiteral("会社%1").arg(i % 7);
        db.PutExtraInfo(kExtraInfosTable, extra);
    }
    TPaperUpdate update(nullptr);
    update.PPRNo = pattern;
    db.SetUpdateInfo(update);
    db.Save();
}

QByteArray PackedFile(const QString& file) {
    TFileStream source(file, fmOpenRead);
    TMemoryStream dest;
    ZLIBCompressStream(source, dest, TCompressionLevel::clDefault);
    return QByteArray(static_cast<const char*>(dest.Memory()), int(dest.GetSize()));
}

void BM_Download50MiB(benchmark::State& state) {
    StartOffscreenApplication();
    const QByteArray chunk(1 << 20, 'd');
    HttpTestServer server([&](const HttpTestServer::Request&) {
        HttpTestServer::Reply reply{200, chunk.repeated(50)};
        return reply;
    });
    HttpClient client;
    double worstGapMs = 0;
    for (auto _ : state) {
        QElapsedTimer gap;
        gap.start();
        client.OnPacketReceived = [&] {
            worstGapMs = std::max(worstGapMs, double(gap.nsecsElapsed()) / 1e6);
            gap.restart();
        };
        if (!client.Execute(QUrl(server.Url(QStringLiteral("/big")))) || client.Body().size() != (50 << 20))
            state.SkipWithError("download failed");
    }
    state.counters["worst_gap_ms"] = worstGapMs;
    state.counters["target_gap_ms"] = 100;
}
BENCHMARK(BM_Download50MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_WholeUpdate500(benchmark::State& state) {
    StartOffscreenApplication();
    RegisterPaperDatabaseClasses();
    const QString live = Folder().filePath(QStringLiteral("live.ppr"));
    const QString fresh = Folder().filePath(QStringLiteral("fresh.ppr"));
    const QString update = Folder().filePath(QStringLiteral("update.ppr"));
    WriteStore(fresh, 500, 1);
    WriteStore(update, 500, 2);
    const QByteArray data = PackedFile(update);
    HttpTestServer server([&](const HttpTestServer::Request& request) {
        if (request.Target.endsWith("info.vup"))
            return HttpTestServer::Reply{200, "OVANDREXA VERSION UP FILE\r\n2,2026/12/08 10:00:00\r\ndata.ppz\r\n"};
        return HttpTestServer::Reply{200, data};
    });
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(live);
        QFile::copy(fresh, live);
        auto store = std::make_unique<TPapersV2>(live, false);
        store->AddStandardExtraInfoBases();
        state.ResumeTiming();
        TPPRDownload download(nullptr);
        download.UpdaterURL = server.Url(QStringLiteral("/p/info.vup"));
        if (!download.CheckInfoFile() || !download.DownloadPaperFile()) {
            state.SkipWithError("download failed");
            break;
        }
        auto source = OpenUpdateFile(download.DownloadFileName());
        store->ApplyUpdate(*source, nullptr);
        source.reset();
        download.RemoveFiles();
        state.PauseTiming();
        if (store->GetUpdateInfo().PPRNo != 2)
            state.SkipWithError("not merged");
        store.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WholeUpdate500)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_OpenUpdateWindow(benchmark::State& state) {
    StartOffscreenApplication();
    RegisterPaperDatabaseClasses();
    const QString file = Folder().filePath(QStringLiteral("window.ppr"));
    WriteStore(file, 50, 1);
    TPapersV2 store(file, false);
    for (auto _ : state) {
        TfrmUpdatePaper form(nullptr, &store);
        form.show();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenUpdateWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_OpenEnvironmentWindow(benchmark::State& state) {
    StartOffscreenApplication();
    // The window keeps its folder history under a key the frame names; settings go to a private folder.
    qputenv("XDG_CONFIG_HOME", Folder().filePath(QStringLiteral("config")).toLocal8Bit());
    static TAppFrame frame{nullptr};
    frame.Macro().SetValue(QStringLiteral("CDPathHistory"), QStringLiteral("Software\\Bench\\CDPathHistory"));
    for (auto _ : state) {
        TfrmEnvironment form;
        form.show();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenEnvironmentWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
