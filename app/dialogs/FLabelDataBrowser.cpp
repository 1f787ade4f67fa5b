#include "app/dialogs/FLabelDataBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UHistoryManager.h"
#include "core/UPathUtil.h"
#include "core/USupportUtil.h"
#include "platform/DialogService.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kViewStyleSetting = QStringLiteral("LabelDataViewStyle");
const QString kAnyPurpose = QStringLiteral("*");

} // namespace

TfrmLabelDataBrowser::TfrmLabelDataBrowser(QWidget* parent)
    : TTemplateBrowserBase(parent), HistoryManager1(std::make_unique<THistoryManager>(nullptr)) {
    setObjectName(QStringLiteral("frmLabelDataBrowser"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* pathLabel = new QLabel(QStringLiteral("フォルダ"), this);
    edtPath = new QLineEdit(this);
    edtPath->setObjectName(QStringLiteral("edtPath"));
    edtPath->setToolTip(QStringLiteral("ファイルのパスを入力して下さい"));
    OnEnterKey(edtPath, [this] { ReferFolder(); });
    pathLabel->setBuddy(edtPath);
    btnReference = new QPushButton(QStringLiteral("参照"), this);
    btnReference->setObjectName(QStringLiteral("btnReference"));
    const TFolderHistoryControls history =
        CreateHistoryDropDown(this, *HistoryManager1, QStringLiteral("$(LabelDataHistory)"), false);
    actHistory = history.Action;
    actHistory->setToolTip(QStringLiteral("履歴の表示をします"));
    btnHistory = history.Button;
    popupHistory = history.Menu;
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
    CreateSizeGroup();
    options->addWidget(gbViewStyle);
    options->addWidget(rgSize, 1);
    layout->addLayout(options);
    pnlWarning = new TWarningPanel(this);
    layout->addWidget(pnlWarning);
    CreateTemplateBrowser();
    layout->addWidget(FormPanel1, 1);

    HistoryManager1->OnMenuClick = [this](TObject*, const QString& entry) {
        actHistory->setEnabled(HistoryManager1->GetItems().Count() > 0);
        if (entry != edtPath->text()) {
            edtPath->setText(entry);
            Scan();
        }
    };

    filter_.FacePurpose = kAnyPurpose;
    browser_->OnGetFileName = [this](int index, QString& fileName) {
        fileName =
            index >= 0 && index < templates_.GetCount() ? templates_.GetItem(index).FileName : QString();
    };
    const TStringList& items = HistoryManager1->GetItems();
    edtPath->setText(items.Count() > 0 ? items[0] : GetSpecialFolderPath(CSIDL_PERSONAL, false));
    actHistory->setEnabled(items.Count() > 0);
    cbViewReport->setChecked(ReadSettingBool(kViewStyleSetting, false));
    rgSize->setEnabled(!cbViewReport->isChecked());

    connect(cbViewReport, &QCheckBox::clicked, this, &TfrmLabelDataBrowser::ViewReportClicked);
    connect(btnReference, &QPushButton::clicked, this, &TfrmLabelDataBrowser::ReferFolder);
}

TfrmLabelDataBrowser::~TfrmLabelDataBrowser() {
    if (!viewStyleHidden_)
        WriteSettingBool(kViewStyleSetting, cbViewReport->isChecked());
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

void TfrmLabelDataBrowser::Scan() {
    const bool report = !viewStyleHidden_ && cbViewReport->isChecked();
    folder_ = IncludeBackslash(edtPath->text());
    templates_.FilesOnly = report;
    ScanTemplates(folder_, filter_);
    pnlWarning->setVisible(templates_.GetCount() == 0 && pnlWarning->HasLines());
    QStringList captions;
    for (int i = 0; i < templates_.GetCount(); ++i)
        captions.append(QFileInfo(templates_.GetItem(i).FileName).fileName());
    browser_->SetReportView(report);
    browser_->SetItemCaptions(captions);
    CustomImagePack1->Refresh();
    if (initial_) {
        const int index = FindTemplate(*initial_);
        if (index >= 0)
            browser_->SelectIndex(index);
        initial_.reset();
    }
}

void TfrmLabelDataBrowser::ViewReportClicked() {
    if (!Painted() || viewStyleHidden_)
        return;
    rgSize->setEnabled(!cbViewReport->isChecked());
    Scan();
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
