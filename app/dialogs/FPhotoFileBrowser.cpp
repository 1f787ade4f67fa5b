#include "app/dialogs/FPhotoFileBrowser.h"

#include "app/USharedData.h"
#include "app/dialogs/FImageBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UHistoryManager.h"
#include "core/UPathUtil.h"
#include "imaging/UImagePack.h"
#include "platform/DialogService.h"
#include "platform/Processors.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kStartThumbSize = 80;
// Previews are made by the data module, safe on several threads: a worker per core, within reason.
constexpr int kMaxLoaderWorkers = 4;
const char* const kViewStyleSetting = "PhotoFileViewStyle";

QToolButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QString& hint,
                        bool checkable = false) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(hint);
    button->setCheckable(checkable);
    return button;
}

QString NormalFolder(const QString& folder) {
    return folder.isEmpty() ? QString() : QDir::cleanPath(folder);
}

// The user's picture folder: the desktop's own, else "My Pictures" in the documents folder.
QString UserPictureFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!pictures.isEmpty() && QFileInfo(pictures).isDir())
        return pictures;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return QString();
    const QString myPictures = JoinPath(documents, QStringLiteral("My Pictures"));
    return QFileInfo(myPictures).isDir() ? myPictures : documents;
}
} // namespace

QStringList PictureExtensions() {
    QStringList list;
    for (const QString& e :
         ExpandMacros(QStringLiteral("$(ImageFileExtentions)")).toUpper().split(u';', Qt::SkipEmptyParts))
        list << e.trimmed();
    return list;
}

bool HasPictureExtension(const QString& fileName, const QStringList& extensions) {
    const QString suffix = QFileInfo(fileName).suffix();
    return !suffix.isEmpty() && extensions.contains(u'.' + suffix.toUpper());
}

TfrmPhotoFileBrowser::TfrmPhotoFileBrowser(QWidget* parent)
    : QWidget(parent), fileImagePack_(std::make_unique<TFileImagePack>(nullptr)),
      historyManager_(std::make_unique<THistoryManager>(nullptr)) {
    setObjectName(QStringLiteral("frmPhotoFileBrowser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    auto* panelEx1 = new QWidget(this);
    panelEx1->setObjectName(QStringLiteral("PanelEx1"));
    auto* pathRow = new QHBoxLayout(panelEx1);
    pathRow->setContentsMargins(2, 2, 2, 2);
    edtPath = new QLineEdit(panelEx1);
    edtPath->setObjectName(QStringLiteral("edtPath"));
    edtPath->setToolTip(QStringLiteral("読み込みたいイメージのあるフォルダパスを入力して下さい"));
    edtPath->installEventFilter(this);
    btnHistory = MakeButton(panelEx1, "btnHistory", QStringLiteral("▼"), QString());
    btnReference = MakeButton(panelEx1, "btnReference", QStringLiteral("参照"), QString());
    pathRow->addWidget(edtPath, 1);
    pathRow->addWidget(btnHistory);
    pathRow->addWidget(btnReference);
    layout->addWidget(panelEx1);

    auto* panel2 = new QWidget(this);
    panel2->setObjectName(QStringLiteral("Panel2"));
    auto* buttonRow = new QHBoxLayout(panel2);
    buttonRow->setContentsMargins(2, 0, 2, 0);
    btnPix50 =
        MakeButton(panel2, "btnPix50", QStringLiteral("小"), QStringLiteral("プレビューサイズ小"), true);
    btnPix80 =
        MakeButton(panel2, "btnPix80", QStringLiteral("中"), QStringLiteral("プレビューサイズ中"), true);
    btnPix200 =
        MakeButton(panel2, "btnPix200", QStringLiteral("大"), QStringLiteral("プレビューサイズ大"), true);
    btnSelectAll = MakeButton(panel2, "btnSelectAll", QStringLiteral("全選択"),
                              QStringLiteral("イメージファイルをすべて選択します"));
    btnCancelAll =
        MakeButton(panel2, "btnCancelAll", QStringLiteral("全解除"), QStringLiteral("すべて選択解除します"));
    btnListView = MakeButton(panel2, "btnListView", QStringLiteral("一覧"), QString(), true);
    for (QToolButton* b : {btnPix50, btnPix80, btnPix200})
        buttonRow->addWidget(b);
    buttonRow->addWidget(btnSelectAll);
    buttonRow->addWidget(btnCancelAll);
    buttonRow->addStretch(1);
    buttonRow->addWidget(btnListView);
    auto* sizeGroup = new QButtonGroup(this);
    sizeGroup->setExclusive(true);
    for (QToolButton* b : {btnPix50, btnPix80, btnPix200, btnListView})
        sizeGroup->addButton(b);
    btnPix80->setChecked(true);
    layout->addWidget(panel2);

    fpnlBrowser = new TFormPanel(this);
    fpnlBrowser->setObjectName(QStringLiteral("fpnlBrowser"));
    layout->addWidget(fpnlBrowser, 1);

    actHistory = new QAction(this);
    actHistory->setObjectName(QStringLiteral("actHistory"));
    addAction(actHistory);
    btnHistory->setDefaultAction(actHistory);
    btnHistory->setText(QStringLiteral("▼"));
    popupHistory = new QMenu(this);
    popupHistory->setObjectName(QStringLiteral("popupHistory"));
    auto* history1 = popupHistory->addAction(QStringLiteral("History1"));
    history1->setObjectName(QStringLiteral("History1"));

    // 1. Thumbnails are the data module's previews.
    if (ISharedData* data = sharedData())
        fileImagePack_->OnFileLoad = [data](TObject*, const QString& fileName, TPicture& picture) {
            data->GetPreviewImage(fileName, picture);
        };
    // 2. The browser.
    browser_ = new TfrmImageBrowser(fpnlBrowser);
    fpnlBrowser->SetForm(browser_);
    browser_->SetLoaderWorkers(std::clamp(UsableProcessorCount(), 1, kMaxLoaderWorkers));
    browser_->SetImagePack(fileImagePack_.get());
    browser_->OnGetFileName = [this](int index, QString& fileName) { fileName = GetFileName(index); };

    // 3. The history, started with the sample folder and the user's pictures.
    historyManager_->SetRegistryKey(QStringLiteral("$(UserPhotoHistory)"));
    historyManager_->SetUseAccelerator(true);
    historyManager_->ClearHistoryCaption = QStringLiteral("履歴の消去");
    historyManager_->SetMenuItem(history1);
    historyManager_->OnMenuClick = [this](TObject*, const QString& text) { HistoryMenuClick(text); };
    if (historyManager_->GetItems().Count() == 0) {
        const QString pictures = UserPictureFolder();
        if (!pictures.isEmpty())
            historyManager_->Add(pictures);
        historyManager_->Add(ToLocalPath(ExpandMacros(QStringLiteral("$(exeDir)Sample\\Photo"))));
    }
    UpdateHistoryAction();

    // 4. The path, the view and the size.
    ShowPath(CurrentFolder());
    btnListView->setChecked(ReadSettingBool(QString::fromLatin1(kViewStyleSetting), false));
    browser_->SetThumbSize(kStartThumbSize);

    connect(actHistory, &QAction::triggered, this, [this] { actHistoryExecute(); });
    connect(btnReference, &QToolButton::clicked, this, [this] { btnReferenceClick(); });
    connect(btnPix50, &QToolButton::clicked, this, [this] { SetPreviewSize(50); });
    connect(btnPix80, &QToolButton::clicked, this, [this] { SetPreviewSize(80); });
    connect(btnPix200, &QToolButton::clicked, this, [this] { SetPreviewSize(200); });
    connect(btnListView, &QToolButton::clicked, this, [this] { SetListView(true); });
    connect(btnSelectAll, &QToolButton::clicked, this, [this] { browser_->SelectAll(true); });
    connect(btnCancelAll, &QToolButton::clicked, this, [this] { browser_->SelectAll(false); });
}

TfrmPhotoFileBrowser::~TfrmPhotoFileBrowser() {
    WriteSettingBool(QString::fromLatin1(kViewStyleSetting), btnListView->isChecked());
    // The browser's loader lets go of the pack before the pack goes.
    browser_->SetImagePack(nullptr);
    historyManager_->SetMenuItem(nullptr);
}

QString TfrmPhotoFileBrowser::CurrentFolder() {
    const TStringList& items = historyManager_->GetItems();
    return items.Count() > 0 ? items[0] : QString();
}

QString TfrmPhotoFileBrowser::GetFileName(int index) const {
    const TStringList& list = fileImagePack_->FileList();
    return index >= 0 && index < list.Count() ? list[index] : QString();
}

void TfrmPhotoFileBrowser::ShowPath(const QString& folder) {
    edtPath->setText(ShortenPath(folder, kPathDisplayLength));
}

void TfrmPhotoFileBrowser::UpdateHistoryAction() {
    actHistory->setEnabled(historyManager_->GetItems().Count() > 0);
}

void TfrmPhotoFileBrowser::FillFromFolder(const QString& folder) {
    const QStringList extensions = PictureExtensions();
    QStringList files;
    const QDir dir(folder);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (HasPictureExtension(entry.fileName(), extensions))
            files << entry.absoluteFilePath();
    std::sort(files.begin(), files.end());
    lastListed_ = NormalFolder(folder);
    TStringList list;
    for (const QString& f : files)
        list.Add(f);
    fileImagePack_->SetFileList(list);
    browser_->SetReportView(btnListView->isChecked());
    QStringList names;
    names.reserve(files.size());
    for (const QString& f : files)
        names << QFileInfo(f).fileName();
    browser_->SetItemCaptions(names);
}

void TfrmPhotoFileBrowser::FormPaint() {
    if (painted_)
        return;
    painted_ = true;
    FillFromFolder(CurrentFolder());
}

void TfrmPhotoFileBrowser::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    FormPaint();
}

void TfrmPhotoFileBrowser::btnReferenceClick() {
    QString folder = CurrentFolder();
    if (folder.isEmpty())
        folder = QFileInfo(edtPath->text()).path();
    if (!DialogService::Instance().SelectFolder(QString(), folder))
        return;
    const QString chosen = NormalFolder(folder);
    // Folders compare exactly: names on this system keep their case.
    if (chosen.isEmpty() || chosen == lastListed_)
        return;
    historyManager_->Add(chosen);
    UpdateHistoryAction();
    ShowPath(chosen);
    FillFromFolder(chosen);
}

void TfrmPhotoFileBrowser::actHistoryExecute() {
    if (historyManager_->GetItems().Count() == 0)
        return;
    popupHistory->popup(btnHistory->mapToGlobal(QPoint(btnHistory->width(), 0)));
}

void TfrmPhotoFileBrowser::HistoryMenuClick(const QString& folder) {
    popupHistory->hide();
    UpdateHistoryAction();
    if (ShortenPath(folder, kPathDisplayLength) == edtPath->text())
        return;
    ShowPath(folder);
    FillFromFolder(folder);
}

void TfrmPhotoFileBrowser::SetPreviewSize(int size) {
    for (auto [button, value] : {std::pair{btnPix50, 50}, std::pair{btnPix80, 80}, std::pair{btnPix200, 200}})
        button->setChecked(value == size);
    if (browser_->ReportView())
        FillFromFolder(CurrentFolder());
    if (browser_->ThumbSize() != size)
        browser_->SetThumbSize(size);
}

void TfrmPhotoFileBrowser::SetListView(bool value) {
    btnListView->setChecked(value);
    if (value != browser_->ReportView())
        FillFromFolder(CurrentFolder());
}

bool TfrmPhotoFileBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtPath && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnReferenceClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Selection

QString TfrmPhotoFileBrowser::GetSelectedFileName(int index) const {
    int seen = 0;
    for (int position = 0; position < browser_->ItemCount(); ++position)
        if (browser_->IsSelected(position) && seen++ == index)
            return GetFileName(browser_->ItemImageIndex(position));
    return QString();
}

int TfrmPhotoFileBrowser::SelectedCount() const {
    return browser_->SelectedCount();
}

bool TfrmPhotoFileBrowser::HasSelection() const {
    return browser_->SelectedIndex() != -1;
}

void TfrmPhotoFileBrowser::SetMultiSelect(bool value) {
    browser_->SetMultiSelect(value);
}

void TfrmPhotoFileBrowser::SelectIndex(int index) {
    browser_->SelectIndex(index);
}

void TfrmPhotoFileBrowser::SetDblClickAction(QAction* action) {
    browser_->DblClickAction = action;
}
