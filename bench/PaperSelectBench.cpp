// Paper selection over the shipped papers as they are and over stores of 500 and 5,000 papers (the
// shipped papers repeated under new names): the panel's creation with its first fill (targets
// 100 ms for the shipped and 500 papers, 400 ms for 5,000), a refill after a genre, maker, use or
// search change (15 ms / 60 ms each; a search also writes its history to the settings file), and a
// step down a list of 40-face sheets with the preview rebuilt and painted offscreen (8 ms a step).
// The first argument is the number of papers, 0 for the shipped papers as they are.
// The extended functions over the 5,000-paper store, each with its save and the panel's rebuild:
// all papers to system papers, the order reversed and the purposes optimised (3 s each), the shipped
// database merged in (1 s), and the purpose check (1 s) with the time "中断" takes to stop it
// (stop_ms, 100 ms).

#include "app/dialogs/FCheckPurpose.h"
#include "app/dialogs/FPaperSelectExFunc.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/FStringsEditor.h"
#include "bench/BenchSupport.h"
#include "core/UAppFrame.h"
#include "papers/ULOFace.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/DialogService.h"
#include "platform/Settings.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <vector>

namespace {

constexpr int kPanelWidth = 1000;
constexpr int kPanelHeight = 700;

void EnsureApplication() {
    // Settings and histories of their own, never the user's.
    static QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    if (!StartOffscreenApplication())
        return;
    SettingsStore::SetFileName(home.filePath(QStringLiteral("registry.ini")));
    RegisterLabelDataClasses();
    RegisterFaceClasses();
    // The histories' keys, as the program's macro table names them.
    static TAppFrame frame(nullptr);
    frame.Macro().SetValue(QStringLiteral("UsedPaperHistory"), QStringLiteral("Bench\\UsedPaperHistory"));
    frame.Macro().SetValue(QStringLiteral("FindPaperHistory"), QStringLiteral("Bench\\FindPaperHistory"));
}

// The shipped papers, each with its records, copied under "R<n> " names until count are stored.
TPapersV2& Store(int count) {
    EnsureApplication();
    static std::map<int, std::unique_ptr<TPapersV2>> stores;
    std::unique_ptr<TPapersV2>& store = stores[count];
    if (store)
        return *store;
    if (count == 0) {
        store = std::make_unique<TPapersV2>(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
        store->AddStandardExtraInfoBases();
        return *store;
    }
    TPapersV2 shipped(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    shipped.AddStandardExtraInfoBases();
    store = std::make_unique<TPapersV2>(
        QDir::temp().filePath(QStringLiteral("quorlane-paperselect-bench-%1.ppr").arg(count)), false);
    store->AddStandardExtraInfoBases();
    for (int i = 0; i < count; ++i) {
        const TPaperInfo& source = *shipped.GetPaper(i % shipped.GetCount());
        std::unique_ptr<TPaperInfo> paper(static_cast<TPaperInfo*>(source.NewInstance(nullptr)));
        paper->Assign(&source);
        paper->PaperName = QStringLiteral("R%1 %2").arg(i / shipped.GetCount()).arg(source.PaperName);
        store->AddOrReplace(*paper);
        for (const QString& table : {kExtraInfosTable, kExtraAlbumInfoTable})
            if (auto info = shipped.GetExtraInfo(table, source.PaperName)) {
                info->PaperName = paper->PaperName;
                store->PutExtraInfo(table, *info);
            }
    }
    store->GetCompanyList().Assign(shipped.GetCompanyList());
    store->GetGroupList().Assign(shipped.GetGroupList());
    for (const QString& name : {QStringLiteral("GenreInfo"), QStringLiteral("SearchExtKeyInfo")}) {
        TStringList list;
        shipped.LoadGlobalInfo(name, list);
        store->SaveGlobalInfo(name, list);
    }
    return *store;
}

std::unique_ptr<TfrmPaperSelectPanel> ShownPanel(TPapersV2& store) {
    auto panel = std::make_unique<TfrmPaperSelectPanel>(store);
    panel->resize(kPanelWidth, kPanelHeight);
    panel->show();
    panel->SelectPaper(store.GetPaper(0));
    QApplication::processEvents();
    return panel;
}

void BM_CreatePanelAndFill(benchmark::State& state) {
    TPapersV2& store = Store(int(state.range(0)));
    for (auto _ : state) {
        TfrmPaperSelectPanel panel(store);
        panel.SelectPaper(store.GetPaper(0));
        if (panel.lvPaper->topLevelItemCount() == 0)
            state.SkipWithError("nothing listed");
    }
}

// Second argument: 0 genre, 1 maker, 2 use, 3 search with its history written, 4 the search until
// its papers are listed (the history follows once they are shown); each iteration changes it back
// and forth.
void BM_RefillAfterChange(benchmark::State& state) {
    TPapersV2& store = Store(int(state.range(0)));
    const auto panel = ShownPanel(store);
    const int kind = int(state.range(1));
    const auto choose = [](QComboBox* combo, int index) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    };
    int turn = 0;
    if (kind == 1 || kind == 2)
        panel->lbGenre->setCurrentRow(2);
    for (auto _ : state) {
        ++turn;
        switch (kind) {
        case 0:
            panel->lbGenre->setCurrentRow(1 + turn % 3);
            break;
        case 1:
            choose(panel->cbMaker, turn % panel->cbMaker->count());
            break;
        case 2:
            choose(panel->cbGroup, turn % panel->cbGroup->count());
            break;
        case 4: // what 検索 does before its history is written: the papers listed
            panel->lbGenre->clearSelection();
            panel->frameSearchPaper->cbSearch->setEditText(turn % 2 ? QStringLiteral("らべる")
                                                                    : QStringLiteral("avery l7160"));
            panel->frameSearchPaper->OnSearch();
            break;
        default:
            panel->lbGenre->clearSelection();
            panel->frameSearchPaper->cbSearch->setEditText(turn % 2 ? QStringLiteral("らべる")
                                                                    : QStringLiteral("avery l7160"));
            panel->frameSearchPaper->Search();
            // The history is written once the list is shown: counted here, not in case 4.
            QCoreApplication::processEvents();
            break;
        }
        if (panel->lvPaper->topLevelItemCount() == 0 && kind != 1)
            state.SkipWithError("nothing listed");
    }
}

void BM_StepDownFortyFaceSheets(benchmark::State& state) {
    TPapersV2& store = Store(int(state.range(0)));
    const auto panel = ShownPanel(store);
    panel->lbGenre->clearSelection();
    panel->frameSearchPaper->cbSearch->setEditText(QStringLiteral("40面"));
    panel->frameSearchPaper->Search();
    // The search also finds 140面 and the like.
    QTreeWidget* list = panel->lvPaper;
    std::vector<QTreeWidgetItem*> forty;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0).endsWith(QStringLiteral(" 40面")))
            forty.push_back(list->topLevelItem(i));
    if (forty.size() < 2) {
        state.SkipWithError("too few 40-face sheets");
        return;
    }
    QImage image(panel->PaperSite->size(), QImage::Format_RGB32);
    size_t row = 0;
    for (auto _ : state) {
        row = (row + 1) % forty.size();
        list->setCurrentItem(forty[row]);
        if (panel->PaperSite->size() != image.size())
            image = QImage(panel->PaperSite->size(), QImage::Format_RGB32);
        panel->PaperSite->render(&image);
        if (CountFaces(*panel->PaperSite) != 40)
            state.SkipWithError("not a 40-face sheet");
    }
}

// Answers every question with OK, as the one preparing the data would.
class AnswerOK : public DialogService {
public:
    TModalResult MessageBox(const QString&, const std::vector<TBitBtnKind>&, int, int) override { return mrOk; }
    bool OpenFile(TFileDialogRequest&, QStringList&) override { return false; }
    bool SaveFile(TFileDialogRequest&, QString&) override { return false; }
    bool SelectFolder(const QString&, QString&) override { return false; }
    bool SelectColor(uint32_t&, TCustomColors&) override { return false; }
    bool Print(TPrintDialogRequest&) override { return false; }
    bool PageSetup(TPageSetupRequest&) override { return false; }
    bool SelectScanner(const QStringList&, int&) override { return false; }
};

// The 5,000-paper store as a writable file of user papers, copied afresh for each run.
QString UserStoreFile() {
    static const QString file = [] {
        TPapersV2& store = Store(5000);
        const QString name = QDir::temp().filePath(QStringLiteral("quorlane-exfunc-bench-user.ppr"));
        QFile::remove(name);
        {
            TPapersV2 users(name, false);
            users.AddStandardExtraInfoBases();
            for (int i = 0; i < store.GetCount(); ++i) {
                const TPaperInfo& source = *store.GetPaper(i);
                std::unique_ptr<TPaperInfo> paper(static_cast<TPaperInfo*>(source.NewInstance(nullptr)));
                paper->Assign(&source);
                paper->ReadOnly = false;
                users.AddOrReplace(*paper);
                if (auto info = store.GetExtraInfo(kExtraInfosTable, source.PaperName))
                    users.PutExtraInfo(kExtraInfosTable, *info);
            }
            users.Save();
        }
        return name;
    }();
    return file;
}

// Second argument: 0 all to system papers, 1 the order reversed, 2 purposes optimised, 3 the shipped
// database merged in.
void BM_ExtendedFunction(benchmark::State& state) {
    const QString source = UserStoreFile();
    const QString work = QDir::temp().filePath(QStringLiteral("quorlane-exfunc-bench-work.ppr"));
    AnswerOK answers;
    DialogService::SetInstance(&answers);
    const int kind = int(state.range(1));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(work);
        QFile::copy(source, work);
        auto store = std::make_unique<TPapersV2>(work, false);
        store->AddStandardExtraInfoBases();
        auto panel = ShownPanel(*store);
        TframePaperSelectExFunc& frame = *panel->frameExFunc;
        QStringList reversed;
        for (int i = store->GetCount() - 1; i >= 0; --i)
            reversed << store->PeekPaper(i).PaperName;
        state.ResumeTiming();
        switch (kind) {
        case 0:
            frame.SetAllSystemPaper();
            break;
        case 1:
            QTimer::singleShot(0, [&] {
                if (auto* editor = qobject_cast<TfrmStringsEditor*>(QApplication::activeModalWidget())) {
                    editor->Memo->setPlainText(reversed.join(QLatin1Char('\n')));
                    editor->btnOK->click();
                }
            });
            frame.ChangeOrder();
            break;
        case 2:
            frame.OptimumPurpose();
            break;
        default:
            if (!frame.MergePaperFile(QStringLiteral(QUORLANE_SYSTEM_PAPERS)))
                state.SkipWithError("merge refused");
            break;
        }
        state.PauseTiming();
        if (store->Modified())
            state.SkipWithError("not saved");
        if (kind == 1 && store->PeekPaper(0).PaperName != reversed.first())
            state.SkipWithError("not reordered");
        panel.reset();
        store.reset();
        state.ResumeTiming();
    }
    DialogService::SetInstance(nullptr);
    QFile::remove(work);
}

// The purpose check over the 5,000 papers; stop_ms: from "中断" until the check has returned.
void BM_PurposeCheck(benchmark::State& state) {
    TPapersV2& store = Store(5000);
    TfrmCheckPurpose check;
    check.SetPapers(&store);
    check.show();
    const bool abort = state.range(0) != 0;
    double stopMs = 0;
    for (auto _ : state) {
        QElapsedTimer sinceAbort;
        if (abort)
            QTimer::singleShot(0, &check, [&] {
                sinceAbort.start();
                check.btnAbort->click();
            });
        check.Check();
        if (abort)
            stopMs = std::max(stopMs, double(sinceAbort.nsecsElapsed()) / 1e6);
    }
    if (abort)
        state.counters["stop_ms"] = stopMs;
}

} // namespace

BENCHMARK(BM_ExtendedFunction)
    ->ArgsProduct({{5000}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Iterations(3);
BENCHMARK(BM_PurposeCheck)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_CreatePanelAndFill)
    ->Arg(0)
    ->Arg(500)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_RefillAfterChange)
    ->ArgsProduct({{0, 500, 5000}, {0, 1, 2, 3, 4}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_StepDownFortyFaceSheets)
    ->Arg(0)
    ->Arg(500)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
