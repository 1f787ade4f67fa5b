#include "app/dialogs/FTemplateBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FLabelDataBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"

#include <QButtonGroup>
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

TfrmTemplateBrowser::TfrmTemplateBrowser(QWidget* parent)
    : QWidget(parent), CustomImagePack1(std::make_unique<TCustomImagePack>(nullptr)) {
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
    pnlImageID = new QWidget(this);
    pnlImageID->setObjectName(QStringLiteral("pnlImageID"));
    auto* idBar = new QHBoxLayout(pnlImageID);
    idBar->setContentsMargins(0, 0, 0, 0);
    edtImageID = new QLineEdit(pnlImageID);
    edtImageID->setObjectName(QStringLiteral("edtImageID"));
    edtImageID->setMaxLength(kImageIDLength);
    edtImageID->setToolTip(QStringLiteral("素材マニュアルの検索IDを入力して下さい"));
    btnImageID = new QPushButton(QStringLiteral("検索"), pnlImageID);
    btnImageID->setObjectName(QStringLiteral("btnImageID"));
    btnImageID->setEnabled(false);
    idBar->addWidget(edtImageID);
    idBar->addWidget(btnImageID);
    pnlImageID->hide();
    bar->addWidget(pnlImageID);
    layout->addLayout(bar);
    grpSize = new QButtonGroup(this);
    rgSize = CreateTemplateSizeGroup(this, grpSize);
    layout->addWidget(rgSize);
    pnlWarning = new TWarningPanel(this);
    layout->addWidget(pnlWarning);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
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
    CustomImagePack1->OnGetCount = [this](TObject*, int& count) { count = templates_.GetCount(); };
    CustomImagePack1->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        if (index >= 0 && index < templates_.GetCount())
            LoadTemplateThumbnail(templates_.GetItem(index), picture);
    };
    browser_ = new TfrmImageBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetImagePack(CustomImagePack1.get());
    browser_->SetThumbSize(grpSize->checkedId());

    connect(cmbGenre, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!loading_ && index >= 0)
            LoadGenre(index);
    });
    connect(edtImageID, &QLineEdit::textChanged, this,
            [this](const QString& text) { btnImageID->setEnabled(text.size() == kImageIDLength); });
    connect(btnImageID, &QPushButton::clicked, this, &TfrmTemplateBrowser::SearchImageID);
    connect(grpSize, &QButtonGroup::idClicked, this, [this](int size) { browser_->SetThumbSize(size); });
}

TfrmTemplateBrowser::~TfrmTemplateBrowser() {
    delete browser_;
}

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
        loading_ = true;
        cmbGenre->setCurrentIndex(RememberedGenre());
        loading_ = false;
        LoadGenre(RememberedGenre());
    } else if (!group_.NotFound()) {
        pnlWarning->SetLines(
            {QStringLiteral("現在のラベルに適合する"), QStringLiteral("テンプレートはありません")});
    }
    pnlWarning->setVisible(templates_.GetCount() == 0);
}

void TfrmTemplateBrowser::ScanFolder(const QString& folder, const TFaceInfo& filter) {
    const auto cursor = CreateWatchCursor();
    // The browser's loader reads the list: it is stopped before the list changes.
    CustomImagePack1->NotifyUpdate();
    templates_.Scan(folder, &filter);
}

void TfrmTemplateBrowser::LoadGenre(int index) {
    TFaceInfo filter = filter_;
    filter.Rect = TRect();
    QString folder;
    if (group_.GetFolder(index, folder)) {
        ScanFolder(folder, filter);
    } else {
        CustomImagePack1->NotifyUpdate();
        templates_.Clear();
    }
    ShowTemplates();
    RememberedGenre() = index;
}

void TfrmTemplateBrowser::ShowTemplates() {
    CustomImagePack1->Refresh();
    QStringList captions;
    bool any = false;
    if (idList_) {
        for (int i = 0; i < templates_.GetCount(); ++i) {
            captions.append(idList_->GetTemplateID(templates_.GetItem(i)));
            any = any || !captions.last().isEmpty();
        }
    }
    if (any)
        browser_->SetItemCaptions(captions);
    else
        browser_->RefreshItems();
    pnlImageID->setVisible(any);
    pnlWarning->setVisible(templates_.GetCount() == 0);
}

int TfrmTemplateBrowser::FindTemplate(const TTemplateInfo& info) const {
    for (int i = 0; i < templates_.GetCount(); ++i) {
        if (SameTemplate(templates_.GetItem(i), info))
            return i;
    }
    return -1;
}

void TfrmTemplateBrowser::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!painted_) {
        painted_ = true;
        // Painting runs inside the event loop, which no exception may cross.
        try {
            SelectInitial();
        } catch (const std::exception& e) {
            qWarning("%s", e.what());
        }
    }
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
        ScanFolder(folder, filter_);
        if (FindTemplate(wanted) < 0)
            continue;
        loading_ = true;
        cmbGenre->setCurrentIndex(genre);
        loading_ = false;
        LoadGenre(genre);
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
    auto showGenre = [&](int genre) {
        loading_ = true;
        cmbGenre->setCurrentIndex(genre);
        loading_ = false;
        LoadGenre(genre);
    };
    int found = findHere();
    for (int genre = 0; found < 0 && idList_ && genre < cmbGenre->count(); ++genre) {
        if (genre != shown) {
            showGenre(genre);
            found = findHere();
        }
    }
    if (found < 0) {
        if (cmbGenre->currentIndex() != shown && shown >= 0)
            showGenre(shown);
        AppShowMessage(QStringLiteral("「%1」は見つかりませんでした").arg(edtImageID->text()));
        return;
    }
    browser_->SelectIndex(found);
}

bool TfrmTemplateBrowser::HasSelection() const {
    return browser_->SelectedIndex() != -1;
}

void TfrmTemplateBrowser::SetDblClickAction(QAction* action) {
    browser_->DblClickAction = action;
}

std::optional<TTemplateInfo> TfrmTemplateBrowser::SelectedTemplate() const {
    const int index = browser_->SelectedIndex();
    if (index < 0 || index >= templates_.GetCount())
        return std::nullopt;
    return templates_.GetItem(index);
}
