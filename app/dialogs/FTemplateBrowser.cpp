#include "app/dialogs/FTemplateBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kCoverGroup = QStringLiteral("Data\\Cover\\Cover.dat");
const QString kCoverIDs = QStringLiteral("Data\\Cover\\Cover.ids");

} // namespace

TfrmTemplateBrowser::TfrmTemplateBrowser(QWidget* parent) : TTemplateBrowserBase(parent) {
    setObjectName(QStringLiteral("frmTemplateBrowser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* genreLabel = new QLabel(QStringLiteral("用途"), this);
    cmbGenre = new QComboBox(this);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    cmbGenre->setToolTip(QStringLiteral("用途を選択して下さい"));
    genreLabel->setBuddy(cmbGenre);
    bar->addWidget(genreLabel);
    bar->addWidget(cmbGenre, 1);
    const TImageIDControls id = CreateImageIDRow(this, false);
    pnlImageID = id.Panel;
    edtImageID = id.Edit;
    btnImageID = id.Button;
    bar->addWidget(pnlImageID);
    layout->addLayout(bar);
    CreateSizeGroup();
    layout->addWidget(rgSize);
    pnlWarning = new TWarningPanel(this);
    layout->addWidget(pnlWarning);
    CreateTemplateBrowser();
    layout->addWidget(FormPanel1, 1);

    group_.Open(kCoverGroup);
    if (group_.NotFound()) {
        pnlWarning->SetLines(ContentWarningLines(QStringLiteral("テンプレート集が見つかりません。"), true));
        pnlWarning->show();
    } else {
        const QString ids = FindCatalogFile(kCoverIDs);
        if (!ids.isEmpty())
            idList_ = std::make_unique<TImageIDList>(ids);
    }

    connect(cmbGenre, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!loading_ && index >= 0)
            LoadGenre(index);
    });
    connect(btnImageID, &QPushButton::clicked, this, &TfrmTemplateBrowser::SearchImageID);
}

TfrmTemplateBrowser::~TfrmTemplateBrowser() = default;

int& TfrmTemplateBrowser::RememberedGenre() {
    static int genre = 0;
    return genre;
}

void TfrmTemplateBrowser::SetFaceInfo(const TFaceInfo& face) {
    filter_ = face;
    group_.SetSection(face.FacePurpose);
    QStringList names;
    group_.GetNames(names);
    loading_ = true;
    cmbGenre->clear();
    cmbGenre->addItems(names);
    loading_ = false;
    cmbGenre->setEnabled(cmbGenre->count() > 0);
    if (cmbGenre->count() > 0) {
        if (RememberedGenre() < 0 || RememberedGenre() >= cmbGenre->count())
            RememberedGenre() = 0;
        ShowGenre(RememberedGenre());
    } else if (!group_.NotFound()) {
        pnlWarning->SetLines(
            {QStringLiteral("現在のラベルに適合する"), QStringLiteral("テンプレートはありません")});
    }
    pnlWarning->setVisible(templates_.GetCount() == 0);
}

void TfrmTemplateBrowser::ShowGenre(int genre) {
    loading_ = true;
    cmbGenre->setCurrentIndex(genre);
    loading_ = false;
    LoadGenre(genre);
}

void TfrmTemplateBrowser::LoadGenre(int index) {
    TFaceInfo filter = filter_;
    filter.Rect = TRect();
    QString folder;
    if (group_.GetFolder(index, folder)) {
        ScanTemplates(folder, filter);
    } else {
        CustomImagePack1->NotifyUpdate();
        templates_.Clear();
    }
    ShowTemplates();
    RememberedGenre() = index;
}

void TfrmTemplateBrowser::ShowTemplates() {
    CustomImagePack1->Refresh();
    const bool any = ShowIDCaptions(idList_ ? templates_.GetCount() : 0,
                                    [this](int i) { return idList_->GetTemplateID(templates_.GetItem(i)); });
    pnlImageID->setVisible(any);
    pnlWarning->setVisible(templates_.GetCount() == 0);
}

void TfrmTemplateBrowser::SelectInitial() {
    if (!initial_)
        return;
    const TTemplateInfo wanted = *initial_;
    initial_.reset();
    QString folder;
    for (int genre = 0; genre < cmbGenre->count() && group_.GetFolder(genre, folder); ++genre) {
        if (!ExistsInDataFolder(wanted.FileName, folder))
            continue;
        ScanTemplates(folder, filter_);
        if (FindTemplate(wanted) < 0)
            continue;
        ShowGenre(genre);
        browser_->SelectIndex(FindTemplate(wanted));
        return;
    }
    // Nothing found: the genre shown stays as it was.
    LoadGenre(std::max(cmbGenre->currentIndex(), 0));
}

void TfrmTemplateBrowser::SearchImageID() {
    const QString id = edtImageID->text().toUpper();
    auto findHere = [&] {
        for (int i = 0; idList_ && i < templates_.GetCount(); ++i) {
            if (idList_->GetTemplateID(templates_.GetItem(i)) == id)
                return i;
        }
        return -1;
    };
    const int shown = cmbGenre->currentIndex();
    int found = findHere();
    for (int genre = 0; found < 0 && idList_ && genre < cmbGenre->count(); ++genre) {
        if (genre != shown) {
            ShowGenre(genre);
            found = findHere();
        }
    }
    if (found < 0) {
        if (cmbGenre->currentIndex() != shown && shown >= 0)
            ShowGenre(shown);
        AppShowMessage(QStringLiteral("「%1」は見つかりませんでした").arg(edtImageID->text()));
        return;
    }
    browser_->SelectIndex(found);
}
