#include "app/dialogs/FUserFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UHistoryManager.h"
#include "core/UPathUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UImagePack.h"
#include "platform/DialogService.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kViewStyleSetting = QStringLiteral("UserIllustViewStyle");
constexpr int kShownPathLength = 28;

// The first folder: the newest history entry, the desktop's pictures folder, or the program's folder
// (its "My Pictures" inside the documents folder when there is one).
QString StartFolder(THistoryManager& history) {
    if (history.GetItems().Count() > 0)
        return history.GetItems()[0];
    QString folder = GetSpecialFolderPath(CSIDL_MYPICTURES, false);
    if (folder.isEmpty()) {
        folder = ExpandMacros(QStringLiteral("$(ExeDir)"));
        const QString documents = GetSpecialFolderPath(CSIDL_PERSONAL, false);
        const QString pictures = JoinPath(documents, QStringLiteral("My Pictures"));
        if (!documents.isEmpty() && IsDirectory(pictures))
            folder = pictures;
    }
    if (!folder.isEmpty())
        history.Add(IncludeBackslash(folder));
    return folder;
}

} // namespace

TfrmUserFileBrowser::TfrmUserFileBrowser(QWidget* parent)
    : TMaterialBrowserBase(parent, std::make_unique<TFileImagePack>(nullptr)),
      HistoryManager1(std::make_unique<THistoryManager>(nullptr)), FileImagePack(Pack<TFileImagePack>()) {
    setObjectName(QStringLiteral("frmUserFileBrowser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    edtPath = new QLineEdit(this);
    edtPath->setObjectName(QStringLiteral("edtPath"));
    edtPath->setReadOnly(true);
    edtPath->setToolTip(QStringLiteral("読み込みたいイメージのあるフォルダパスを入力して下さい"));
    OnEnterKey(edtPath, [this] { ReferFolder(); });
    btnRefer = new QPushButton(QStringLiteral("参照"), this);
    btnRefer->setObjectName(QStringLiteral("btnRefer"));
    const TFolderHistoryControls history =
        CreateHistoryDropDown(this, *HistoryManager1, QStringLiteral("$(UserIllustHistory)"), true);
    actHistory = history.Action;
    btnHistory = history.Button;
    popupHistory = history.Menu;
    HistoryManager1->OnMenuClick = [this](TObject*, const QString& entry) { HistoryClicked(entry); };
    btnListView = new QToolButton(this);
    btnListView->setObjectName(QStringLiteral("btnListView"));
    btnListView->setCheckable(true);
    btnListView->hide();
    bar->addWidget(edtPath, 1);
    bar->addWidget(btnRefer);
    bar->addWidget(btnHistory);
    bar->addWidget(btnListView);
    grpSize = new QButtonGroup(this);
    for (QToolButton* button : AddThumbSizeButtons(this, grpSize))
        bar->addWidget(button);
    layout->addLayout(bar);
    FileImagePack->OnFileLoad = DataModuleFileLoader();
    CreateBrowser();
    layout->addWidget(FormPanel1, 1);

    browser_->OnGetFileName = [this](int index, QString& fileName) {
        fileName = index >= 0 && index < FileImagePack->FileList().Count() ? FileImagePack->FileList()[index]
                                                                           : QString();
    };
    ShowFolder(StartFolder(*HistoryManager1));
    btnListView->setChecked(ReadSettingBool(kViewStyleSetting, false));
    browser_->SetThumbSize(kFileThumbStartSize);
    UpdateHistoryAction();

    connect(btnRefer, &QPushButton::clicked, this, &TfrmUserFileBrowser::ReferFolder);
    connect(grpSize, &QButtonGroup::idClicked, this, &TfrmUserFileBrowser::SetThumbSize);
}

TfrmUserFileBrowser::~TfrmUserFileBrowser() {
    WriteSettingBool(kViewStyleSetting, btnListView->isChecked());
}

void TfrmUserFileBrowser::ShowFolder(const QString& folder) {
    folder_ = IncludeBackslash(folder);
    edtPath->setText(ShortenPath(folder_, kShownPathLength));
}

void TfrmUserFileBrowser::Scan() {
    const auto cursor = CreateWatchCursor();
    TStringList files;
    files.SetSorted(true);
    const QFileInfoList found = QDir(folder_).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo& info : found)
        files.Add(info.filePath());
    FileImagePack->FileList().Assign(files);
    // Extensions match whole, without regard to case; a file without one is no picture.
    FileImagePack->FilterByExtension(PictureExtensions().join(u';'));
    browser_->SetReportView(btnListView->isChecked());
    QStringList captions;
    for (int i = 0; i < FileImagePack->FileList().Count(); ++i)
        captions.append(QFileInfo(FileImagePack->FileList()[i]).fileName());
    browser_->SetItemCaptions(captions);
    if (!scanned_) {
        scanned_ = true;
        const QString wanted = QFileInfo(initialFile_).fileName();
        for (int i = 0; !wanted.isEmpty() && i < captions.size(); ++i) {
            if (captions[i].compare(wanted, Qt::CaseInsensitive) == 0) {
                browser_->SelectIndex(i);
                break;
            }
        }
    }
}

void TfrmUserFileBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!scanned_)
        Scan();
}

void TfrmUserFileBrowser::ReferFolder() {
    const TStringList& history = HistoryManager1->GetItems();
    QString folder = history.Count() > 0 ? history[0] : folder_;
    if (!DialogService::Instance().SelectFolder(QString(), folder))
        return;
    // Linux folder names keep their case: only an equal name is the same folder.
    if (IncludeBackslash(folder) != folder_)
        ChangeFolder(folder);
}

void TfrmUserFileBrowser::ChangeFolder(const QString& folder) {
    ShowFolder(folder);
    HistoryManager1->Add(folder_);
    UpdateHistoryAction();
    Scan();
}

void TfrmUserFileBrowser::HistoryClicked(const QString& entry) {
    UpdateHistoryAction();
    if (ShortenPath(entry, kShownPathLength) == edtPath->text())
        return;
    const TStringList& history = HistoryManager1->GetItems();
    ShowFolder(history.Count() > 0 ? history[0] : entry);
    Scan();
}

void TfrmUserFileBrowser::UpdateHistoryAction() {
    actHistory->setEnabled(HistoryManager1->GetItems().Count() > 0);
}

void TfrmUserFileBrowser::SetThumbSize(int size) {
    if (browser_->ReportView()) {
        btnListView->setChecked(false);
        Scan();
    }
    TMaterialBrowserBase::SetThumbSize(size);
}
