#include "app/dialogs/FPaperSelectExFunc.h"

#include "app/USharedData.h"
#include "app/dialogs/FEditPaperLists.h"
#include "app/dialogs/FEditPurpose.h"
#include "app/dialogs/FPaperUpdateInfo.h"
#include "app/dialogs/FStringsEditor.h"
#include "core/UAppFrame.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/DialogService.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QMenu>
#include <QPushButton>
#include <QSet>

namespace {

std::unique_ptr<TPaperInfo> CopyPaper(const TPaperInfo& paper) {
    std::unique_ptr<TPaperInfo> copy(static_cast<TPaperInfo*>(paper.NewInstance(nullptr)));
    copy->Assign(&paper);
    return copy;
}

} // namespace

TStringList GroupListForEditing(TPapersV2& papers) {
    TStringList list = papers.GetGroupList();
    papers.GetGroupNames(list);
    return list;
}

QString CheckPaperOrder(const TPapersV2& papers, const TStringList& lines) {
    QHash<QString, int> seen;
    for (int i = 0; i < lines.Count(); ++i) {
        const QString& name = lines[i];
        if (papers.IndexOf(name) < 0)
            return QStringLiteral("%1行目の「%2」という用紙はありません").arg(i + 1).arg(name);
        if (const auto earlier = seen.constFind(name); earlier != seen.constEnd())
            return QStringLiteral("%1行目の「%2」は%3行目にもあります").arg(i + 1).arg(name).arg(*earlier + 1);
        seen.insert(name, i);
    }
    for (int i = 0; i < papers.GetCount(); ++i) {
        const QString& name = papers.PeekPaper(i).PaperName;
        if (!seen.contains(name))
            return QStringLiteral("用紙「%1」が並び順にありません").arg(name);
    }
    if (lines.Count() != papers.GetCount())
        return QStringLiteral("同じ名前の用紙が複数あるため、並び順を変更できません");
    return QString();
}

bool IsStoreFile(const TPapersV2& papers, const QString& fileName) {
    const QFileInfo chosen(fileName);
    const QFileInfo store(papers.FileName());
    const QString a = chosen.canonicalFilePath();
    const QString b = store.canonicalFilePath();
    if (!a.isEmpty() && !b.isEmpty())
        return a == b;
    return chosen.absoluteFilePath() == store.absoluteFilePath();
}

TframePaperSelectExFunc::TframePaperSelectExFunc(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("framePaperSelectExFunc"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    btnExFunc = new QPushButton(QStringLiteral("拡張機能..."), this);
    btnExFunc->setObjectName(QStringLiteral("btnExFunc"));
    layout->addWidget(btnExFunc);

    actPopupMenu = new QAction(QStringLiteral("拡張機能..."), this);
    actPopupMenu->setObjectName(QStringLiteral("actPopupMenu"));
    actUpdateInfo = MakeAction("actUpdateInfo", QStringLiteral("更新情報(&U)..."), &TframePaperSelectExFunc::UpdateInfo);
    actMergePapers =
        MakeAction("actMergePapers", QStringLiteral("用紙情報のマージ(&M)..."), &TframePaperSelectExFunc::MergePapers);
    actSetAllSystemPaper = MakeAction("actSetAllSystemPaper", QStringLiteral("全てをシステム用紙に(&R)..."),
                                      &TframePaperSelectExFunc::SetAllSystemPaper);
    actEditGroup = MakeAction("actEditGroup", QStringLiteral("グループ編集(&G)..."), &TframePaperSelectExFunc::EditGroup);
    actEditMaker =
        MakeAction("actEditMaker", QStringLiteral("用紙メーカー編集(&M).."), &TframePaperSelectExFunc::EditMaker);
    actEditPurpose =
        MakeAction("actEditPurpose", QStringLiteral("用途IDの編集(&P)..."), &TframePaperSelectExFunc::EditPurpose);
    actChangeOrder =
        MakeAction("actChangeOrder", QStringLiteral("用紙順の変更(&O)..."), &TframePaperSelectExFunc::ChangeOrder);
    actDelAllPurpose = MakeAction("actDelAllPurpose", QStringLiteral("すべての用紙用途の削除(&A)..."),
                                  &TframePaperSelectExFunc::DelAllPurpose);
    actOptimumPurpose =
        MakeAction("actOptimumPurpose", QStringLiteral("用途情報の最適化"), &TframePaperSelectExFunc::OptimumPurpose);
    actSaveGroupList =
        MakeAction("actSaveGroupList", QStringLiteral("グループ名の出力"), &TframePaperSelectExFunc::SaveGroupList);
    actEditPhotoSize =
        MakeAction("actEditPhotoSize", QStringLiteral("写真サイズの編集(&S)"), &TframePaperSelectExFunc::EditPhotoSize);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    // The delete entry stands where a second merge entry would leave it unreachable.
    for (QAction* action : {actUpdateInfo, actMergePapers, actSetAllSystemPaper, actEditGroup, actEditMaker,
                            actEditPurpose, actChangeOrder, actDelAllPurpose, actOptimumPurpose, actSaveGroupList,
                            actEditPhotoSize})
        PopupMenu->addAction(action);

    connect(actPopupMenu, &QAction::triggered, this,
            [this] { PopupMenu->popup(btnExFunc->mapToGlobal(QPoint(btnExFunc->width(), 0))); });
    connect(btnExFunc, &QPushButton::clicked, actPopupMenu, &QAction::trigger);
    SetPapers(nullptr, nullptr);
}

QAction* TframePaperSelectExFunc::MakeAction(const char* name, const QString& caption,
                                             void (TframePaperSelectExFunc::*run)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, [this, run] {
        if (papers_)
            (this->*run)();
    });
    return action;
}

void TframePaperSelectExFunc::SetPapers(TPapersV2* papers, QAction* reset) {
    papers_ = papers;
    reset_ = reset;
    for (QAction* action : PopupMenu->actions())
        action->setEnabled(papers != nullptr);
}

void TframePaperSelectExFunc::Reset() {
    if (reset_)
        reset_->trigger();
}

void TframePaperSelectExFunc::SaveAndReset() {
    SavePaperStore(*papers_);
    Reset();
}

void TframePaperSelectExFunc::UpdateInfo() {
    TfrmPaperUpdateInfo window(this);
    window.SetPapers(papers_);
    window.exec();
}

void TframePaperSelectExFunc::MergePapers() {
    TFileDialogRequest request;
    request.Title = QStringLiteral("用紙情報ファイルの選択");
    request.Filter = QStringLiteral("ppr(*.ppr)|*.ppr|All Files|*.*");
    request.DefaultExt = QStringLiteral("ppr");
    QStringList chosen;
    if (!DialogService::Instance().OpenFile(request, chosen) || chosen.isEmpty() || chosen.first().isEmpty())
        return;
    MergePaperFile(chosen.first());
}

bool TframePaperSelectExFunc::MergePaperFile(const QString& fileName) {
    if (IsStoreFile(*papers_, fileName)) {
        AppShowMessage(QStringLiteral("このファイルは、現在の保存先です"));
        return false;
    }
    // Opening a name that is not there would make an empty database.
    if (!QFileInfo(fileName).isFile()) {
        AppShowMessage(QStringLiteral("用紙情報ファイル「%1」が見つかりません").arg(fileName));
        return false;
    }
    const int pattern = papers_->GetUpdateInfo().PPRNo;
    try {
        TPapersV2 source(fileName, true);
        source.AddStandardExtraInfoBases();
        // Reads the source whole first and saves before the result replaces the store: a file
        // that cannot be read, or a save that fails, changes nothing.
        papers_->ApplyUpdate(source, nullptr);
    } catch (const Exception& e) {
        AppShowMessage(QStringLiteral("用紙情報ファイル「%1」をマージできませんでした\n%2").arg(fileName, e.Message()));
        return false;
    }
    // The merge takes the other file's pattern number; a lower one would make the next start
    // prefer the installed papers and drop what was merged.
    if (papers_->GetUpdateInfo().PPRNo < pattern) {
        TPaperUpdate update(nullptr);
        update.Assign(&papers_->GetUpdateInfo());
        update.PPRNo = pattern;
        papers_->SetUpdateInfo(update);
        SavePaperStore(*papers_);
    }
    Reset();
    AppShowMessage(QStringLiteral("用紙情報ファイル「%1」をマージしました").arg(fileName));
    return true;
}

void TframePaperSelectExFunc::SetAllSystemPaper() {
    if (AppConfirm(QStringLiteral("すべての用紙をシステム用紙にします"))) {
        bool changed = false;
        for (int i = 0; i < papers_->GetCount(); ++i) {
            const TPaperInfo& outline = papers_->PeekPaper(i);
            // A second paper of a name would replace the first one of it.
            if (outline.ReadOnly || papers_->IndexOf(outline.PaperName) != i)
                continue;
            const TPaperInfo* paper = papers_->GetPaper(i);
            if (!dynamic_cast<const TMatrixPaperInfo*>(paper) && !dynamic_cast<const TFreePaperInfo*>(paper))
                continue;
            std::unique_ptr<TPaperInfo> copy = CopyPaper(*paper);
            copy->ReadOnly = true;
            papers_->AddOrReplace(*copy);
            changed = true;
        }
        if (changed)
            SavePaperStore(*papers_);
    }
    Reset();
}

void TframePaperSelectExFunc::EditGroup() {
    TfrmEditPaperGroup editor(this);
    editor.SetLines(GroupListForEditing(*papers_));
    if (editor.exec() != QDialog::Accepted)
        return;
    papers_->GetGroupList().Assign(editor.Lines());
    SaveAndReset();
}

void TframePaperSelectExFunc::EditMaker() {
    TStringList companies, purposes;
    GetCompanyAndPurposeLists(*papers_, companies, purposes);
    TfrmEditPaperMaker editor(this);
    editor.SetLines(companies);
    if (editor.exec() != QDialog::Accepted)
        return;
    papers_->GetCompanyList().Assign(editor.Lines());
    SaveAndReset();
}

void TframePaperSelectExFunc::EditPurpose() {
    TfrmEditPurpose editor(this);
    editor.SetPurposeList(papers_->PurposeList());
    editor.SetPapers(papers_);
    if (editor.exec() == QDialog::Accepted) {
        papers_->SetPurposeList(editor.PurposeList());
        SavePaperStore(*papers_);
    }
    Reset();
}

void TframePaperSelectExFunc::ChangeOrder() {
    TStringList names;
    for (int i = 0; i < papers_->GetCount(); ++i)
        names.Add(papers_->PeekPaper(i).PaperName);
    TfrmStringsEditor editor(this);
    editor.SetLines(names);
    editor.OnCheck = [this](const TStringList& lines) { return CheckPaperOrder(*papers_, lines); };
    if (editor.exec() != QDialog::Accepted)
        return;
    try {
        papers_->Renumber(editor.Lines());
    } catch (const Exception& e) {
        AppShowMessage(e.Message());
        return;
    }
    SaveAndReset();
}

void TframePaperSelectExFunc::OptimumPurpose() {
    if (!AppConfirm(QStringLiteral("用途を最適化します")))
        return;
    // Each paper is stored again, so the change reaches the file.
    for (int i = 0; i < papers_->GetCount(); ++i) {
        if (papers_->IndexOf(papers_->PeekPaper(i).PaperName) != i)
            continue;
        std::unique_ptr<TPaperInfo> copy = CopyPaper(*papers_->GetPaper(i));
        copy->PurposeList()->Assign(&papers_->PurposeList());
        papers_->AddOrReplace(*copy);
    }
    SaveAndReset();
}

void TframePaperSelectExFunc::SaveGroupList() {
    TFileDialogRequest request;
    request.DefaultExt = QStringLiteral("txt");
    request.Filter = QStringLiteral("テキスト(*.txt)|*.txt|All Files|*.*");
    QString fileName;
    if (!DialogService::Instance().SaveFile(request, fileName) || fileName.isEmpty())
        return;
    try {
        GroupListForEditing(*papers_).SaveToFile(fileName);
    } catch (const Exception& e) {
        AppShowMessage(QStringLiteral("グループ名を「%1」に保存できませんでした\n%2").arg(fileName, e.Message()));
    }
}

void TframePaperSelectExFunc::EditPhotoSize() {
    TStringList sizes;
    papers_->LoadGlobalInfo(QStringLiteral("PhotoSizeInfo"), sizes);
    TfrmEditPhotoSize editor(this);
    editor.SetLines(sizes);
    if (editor.exec() != QDialog::Accepted)
        return;
    papers_->SaveGlobalInfo(QStringLiteral("PhotoSizeInfo"), editor.Lines());
    SaveAndReset();
}

void TframePaperSelectExFunc::DelAllPurpose() {
    if (!AppConfirm(QStringLiteral("すべての用紙用途を削除します")))
        return;
    for (int i = 0; i < papers_->GetCount(); ++i) {
        std::unique_ptr<TExtraPaperInfo> info = papers_->GetExtraInfo(kExtraInfosTable, papers_->PeekPaper(i).PaperName);
        auto* extra = dynamic_cast<TExPaperInfo*>(info.get());
        if (!extra || extra->Purpose.isEmpty())
            continue;
        extra->Purpose.clear();
        papers_->PutExtraInfo(kExtraInfosTable, *extra);
    }
    SaveAndReset();
}
