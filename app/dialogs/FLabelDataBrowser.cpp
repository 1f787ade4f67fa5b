#include "app/dialogs/FLabelDataBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UHistoryManager.h"
#include "core/UPathUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "platform/DialogService.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kViewStyleSetting = QStringLiteral("LabelDataViewStyle");
const QString kAnyPurpose = QStringLiteral("*");

} // namespace

bool SameTemplate(const TTemplateInfo& a, const TTemplateInfo& b) {
    return a.FileName.compare(b.FileName, Qt::CaseInsensitive) == 0 && a.SheetIndex == b.SheetIndex &&
           a.FaceIndex == b.FaceIndex;
}

TfrmLabelDataBrowser::TfrmLabelDataBrowser(QWidget* parent)
    : QWidget(parent), HistoryManager1(std::make_unique<THistoryManager>(nullptr)),
      CustomImagePack1(std::make_unique<TCustomImagePack>(nullptr)) {
    setObjectName(QStringLiteral("frmLabelDataBrowser"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* pathLabel = new QLabel(QStringLiteral("フォルダ"), this);
    edtPath = new QLineEdit(this);
    edtPath->setObjectName(QStringLiteral("edtPath"));
    edtPath->setToolTip(QStringLiteral("ファイルのパスを入力して下さい"));
    edtPath->installEventFilter(this);
    pathLabel->setBuddy(edtPath);
    btnReference = new QPushButton(QStringLiteral("参照"), this);
    btnReference->setObjectName(QStringLiteral("btnReference"));
    actHistory = new QAction(QStringLiteral("▼"), this);
    actHistory->setObjectName(QStringLiteral("actHistory"));
    actHistory->setToolTip(QStringLiteral("履歴の表示をします"));
    btnHistory = new QToolButton(this);
    btnHistory->setObjectName(QStringLiteral("btnHistory"));
    btnHistory->setDefaultAction(actHistory);
    bar->addWidget(pathLabel);
    bar->addWidget(edtPath, 1);
    bar->addWidget(btnReference);
    bar->addWidget(btnHistory);
    layout->addLayout(bar);
    auto* options = new QHBoxLayout;
    gbViewStyle = new QGroupBox(QStringLiteral("表示形式"), this);
    gbViewStyle->setObjectName(QStringLiteral("gbViewStyle"));
    auto* styleLayout = new QHBoxLayout(gbViewStyle);
    cbViewReport = new QCheckBox(QStringLiteral("詳細表示"), gbViewStyle);
    cbViewReport->setObjectName(QStringLiteral("cbViewReport"));
    styleLayout->addWidget(cbViewReport);
    grpSize = new QButtonGroup(this);
    rgSize = CreateTemplateSizeGroup(this, grpSize);
    options->addWidget(gbViewStyle);
    options->addWidget(rgSize, 1);
    layout->addLayout(options);
    pnlWarning = new TWarningPanel(this);
    layout->addWidget(pnlWarning);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(FormPanel1, 1);

    popupHistory = new QMenu(this);
    popupHistory->setObjectName(QStringLiteral("popupHistory"));
    HistoryManager1->SetRegistryKey(QStringLiteral("$(LabelDataHistory)"));
    HistoryManager1->ClearHistoryCaption = QStringLiteral("履歴の消去");
    HistoryManager1->SetMenuItem(popupHistory->addAction(QString()));
    HistoryManager1->OnMenuClick = [this](TObject*, const QString& entry) {
        actHistory->setEnabled(HistoryManager1->GetItems().Count() > 0);
        if (entry != edtPath->text()) {
            edtPath->setText(entry);
            Scan();
        }
    };

    filter_.FacePurpose = kAnyPurpose;
    // The pack reads the entries on the loader's worker thread; the list changes only while the
    // browser's loader is cleared (the refresh below tells it first).
    CustomImagePack1->OnGetCount = [this](TObject*, int& count) { count = templates_.GetCount(); };
    CustomImagePack1->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        if (index >= 0 && index < templates_.GetCount())
            LoadTemplateThumbnail(templates_.GetItem(index), picture);
    };
    browser_ = new TfrmImageBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetImagePack(CustomImagePack1.get());
    browser_->OnGetFileName = [this](int index, QString& fileName) {
        fileName =
            index >= 0 && index < templates_.GetCount() ? templates_.GetItem(index).FileName : QString();
    };
    browser_->SetThumbSize(grpSize->checkedId());
    const TStringList& history = HistoryManager1->GetItems();
    edtPath->setText(history.Count() > 0 ? history[0] : GetSpecialFolderPath(CSIDL_PERSONAL, false));
    actHistory->setEnabled(history.Count() > 0);
    cbViewReport->setChecked(ReadSettingBool(kViewStyleSetting, false));
    rgSize->setEnabled(!cbViewReport->isChecked());

    connect(cbViewReport, &QCheckBox::clicked, this, &TfrmLabelDataBrowser::ViewReportClicked);
    connect(btnReference, &QPushButton::clicked, this, &TfrmLabelDataBrowser::ReferFolder);
    connect(actHistory, &QAction::triggered, this,
            [this] { popupHistory->popup(btnHistory->mapToGlobal(QPoint(0, btnHistory->height()))); });
    connect(grpSize, &QButtonGroup::idClicked, this, [this](int size) { browser_->SetThumbSize(size); });
}

TfrmLabelDataBrowser::~TfrmLabelDataBrowser() {
    if (!viewStyleHidden_)
        WriteSettingBool(kViewStyleSetting, cbViewReport->isChecked());
    delete browser_;
}

void TfrmLabelDataBrowser::SetWarningLines(const QStringList& lines) {
    pnlWarning->SetLines(lines);
}

void TfrmLabelDataBrowser::HideViewStyle() {
    viewStyleHidden_ = true;
    gbViewStyle->hide();
    cbViewReport->setChecked(false);
    rgSize->setEnabled(true);
    Scan();
}

void TfrmLabelDataBrowser::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        // Painting runs inside the event loop, which no exception may cross.
        try {
            Scan();
        } catch (const std::exception& e) {
            qWarning("%s", e.what());
        }
    }
}

void TfrmLabelDataBrowser::Scan() {
    const auto cursor = CreateWatchCursor();
    const bool report = !viewStyleHidden_ && cbViewReport->isChecked();
    // The browser's loader reads the list: refreshing the pack stops it before the list changes.
    CustomImagePack1->NotifyUpdate();
    folder_ = IncludeBackslash(edtPath->text());
    templates_.FilesOnly = report;
    templates_.Scan(folder_, &filter_);
    pnlWarning->setVisible(templates_.GetCount() == 0 && pnlWarning->HasLines());
    QStringList captions;
    for (int i = 0; i < templates_.GetCount(); ++i)
        captions.append(QFileInfo(templates_.GetItem(i).FileName).fileName());
    browser_->SetReportView(report);
    browser_->SetItemCaptions(captions);
    CustomImagePack1->Refresh();
    if (initial_) {
        SelectEntry(*initial_);
        initial_.reset();
    }
}

void TfrmLabelDataBrowser::SelectEntry(const TTemplateInfo& info) {
    for (int i = 0; i < templates_.GetCount(); ++i) {
        if (SameTemplate(templates_.GetItem(i), info)) {
            browser_->SelectIndex(i);
            return;
        }
    }
}

void TfrmLabelDataBrowser::ViewReportClicked() {
    if (!painted_ || viewStyleHidden_)
        return;
    rgSize->setEnabled(!cbViewReport->isChecked());
    Scan();
}

bool TfrmLabelDataBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtPath && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ReferFolder();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmLabelDataBrowser::ReferFolder() {
    QString folder = edtPath->text();
    if (!DialogService::Instance().SelectFolder(QString(), folder))
        return;
    // Linux folder names keep their case: only an equal name is the same folder.
    if (IncludeBackslash(folder) != IncludeBackslash(edtPath->text()))
        ChangeFolder(folder);
}

void TfrmLabelDataBrowser::ChangeFolder(const QString& folder) {
    edtPath->setText(folder);
    HistoryManager1->Add(folder);
    actHistory->setEnabled(true);
    Scan();
}

bool TfrmLabelDataBrowser::HasSelection() const {
    return browser_->SelectedIndex() != -1;
}

void TfrmLabelDataBrowser::SetDblClickAction(QAction* action) {
    browser_->DblClickAction = action;
}

std::optional<TTemplateInfo> TfrmLabelDataBrowser::SelectedTemplate() const {
    const int index = browser_->SelectedIndex();
    if (index < 0 || index >= templates_.GetCount())
        return std::nullopt;
    return templates_.GetItem(index);
}
