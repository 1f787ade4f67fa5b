#include "app/dialogs/FBackFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UAppFrame.h"
#include "core/UPathUtil.h"
#include "imaging/UImagePack.h"
#include "papers/UMaterialCatalog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kBackCatalog = QStringLiteral("Data\\BackGrnd\\BackGrnd.dat");
const QString kBackIDs = QStringLiteral("Data\\BackGrnd\\BackGrnd.ids");

} // namespace

TfrmBackFileBrowser::TfrmBackFileBrowser(QWidget* parent)
    : TMaterialBrowserBase(parent, std::make_unique<TFolderImagePack>(nullptr)),
      FolderImagePack1(Pack<TFolderImagePack>()) {
    setObjectName(QStringLiteral("frmBackFileBrowser"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    cmbGenre = new QComboBox(this);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    cmbGenre->setToolTip(QStringLiteral("用紙柄の用途を選んで下さい"));
    cmbGenre->hide();
    auto* subLabel = new QLabel(QStringLiteral("種類"), this);
    cmbSubGenre = new QComboBox(this);
    cmbSubGenre->setObjectName(QStringLiteral("cmbSubGenre"));
    cmbSubGenre->setToolTip(QStringLiteral("用紙柄のジャンルを選びます"));
    subLabel->setBuddy(cmbSubGenre);
    bar->addWidget(cmbGenre);
    bar->addWidget(subLabel);
    bar->addWidget(cmbSubGenre, 1);
    grpSize = new QButtonGroup(this);
    for (QToolButton* button : AddThumbSizeButtons(this, grpSize))
        bar->addWidget(button);
    layout->addLayout(bar);
    const TImageIDControls id = CreateImageIDRow(this, true);
    pnlImageID = id.Panel;
    edtImageID = id.Edit;
    btnImageID = id.Button;
    layout->addWidget(pnlImageID);
    pnlWarning = new TWarningPanel(this);
    pnlWarning->SetLines(ContentWarningLines(QStringLiteral("用紙柄が見つかりません")));
    layout->addWidget(pnlWarning);
    FolderImagePack1->OnFileLoad = DataModuleFileLoader();
    CreateBrowser();
    layout->addWidget(FormPanel1, 1);

    const QString catalogFile = FindCatalogFile(kBackCatalog);
    if (!catalogFile.isEmpty()) {
        catalog_ = std::make_unique<TBackGroundList>(catalogFile);
        if (!catalog_->ErrorText().isEmpty()) {
            qWarning("%s", qPrintable(catalog_->ErrorText()));
            catalog_.reset();
        }
    }
    if (catalog_) {
        for (int i = 0; i < catalog_->GetCount(); ++i)
            cmbGenre->addItem(catalog_->GetInfo(i)->Caption);
        const QString ids = FindCatalogFile(kBackIDs);
        if (!ids.isEmpty())
            idList_ = std::make_unique<TImageIDList>(ids);
    }
    browser_->SetThumbSize(kFileThumbStartSize);

    connect(cmbGenre, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (muted_ || index < 0)
            return;
        RememberedGenre() = index;
        FillSubGenres();
    });
    connect(cmbSubGenre, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (muted_ || index < 0)
            return;
        RememberedSubGenre() = index;
        ShowSubGenre();
    });
    connect(btnImageID, &QPushButton::clicked, this, &TfrmBackFileBrowser::SearchImageID);
    connect(grpSize, &QButtonGroup::idClicked, this, &TfrmBackFileBrowser::SetThumbSize);
}

TfrmBackFileBrowser::~TfrmBackFileBrowser() = default;

int& TfrmBackFileBrowser::RememberedGenre() {
    static int genre = 0;
    return genre;
}

int& TfrmBackFileBrowser::RememberedSubGenre() {
    static int subGenre = 0;
    return subGenre;
}

void TfrmBackFileBrowser::FirstPaint() {
    // The lists are filled once the window is first seen. The warning stays up when filling them
    // throws; showing the sub-genre sets it otherwise.
    pnlWarning->show();
    FillSubGenres();
}

void TfrmBackFileBrowser::FillSubGenres() {
    muted_ = true;
    if (catalog_) {
        if (RememberedGenre() < 0 || RememberedGenre() >= catalog_->GetCount())
            RememberedGenre() = 0;
        cmbSubGenre->clear();
        if (const TBackGroundInfo* info = catalog_->GetInfo(RememberedGenre())) {
            TBackGroundSubGenre sub;
            for (int i = 0; info->GetSubGenre(i, sub); ++i)
                cmbSubGenre->addItem(sub.Caption);
        }
        cmbSubGenre->setEnabled(cmbSubGenre->count() > 0);
        RememberedSubGenre() = 0;
        cmbGenre->setCurrentIndex(cmbGenre->count() > 0 ? RememberedGenre() : -1);
        cmbSubGenre->setCurrentIndex(cmbSubGenre->count() > 0 ? 0 : -1);
    }
    muted_ = false;
    ShowSubGenre();
}

void TfrmBackFileBrowser::ShowSubGenre() {
    bool shown = false;
    tile_ = tileShift_ = false;
    if (Painted() && catalog_) {
        QString folder;
        if (const TBackGroundInfo* info = catalog_->GetInfo(RememberedGenre())) {
            TBackGroundSubGenre sub;
            if (cmbSubGenre->isEnabled() && info->GetSubGenre(RememberedSubGenre(), sub)) {
                folder = sub.Folder;
                tile_ = sub.Tile;
                tileShift_ = sub.TileShift;
            } else {
                folder = info->Genre;
            }
        }
        const QString found = folder.isEmpty() ? QString() : FindCatalogFolder(folder);
        if (!found.isEmpty()) {
            FolderImagePack1->SetFileMask(found + QStringLiteral("*.*"));
            FolderImagePack1->FilterByExtension(PictureExtensions().join(u';'));
            const TStringList& files = FolderImagePack1->FileList();
            ShowIDCaptions(idList_ ? files.Count() : 0, [&](int i) { return idList_->GetFileID(files[i]); });
            shown = true;
        }
    }
    if (!shown) {
        FolderImagePack1->SetFileMask(QString());
        browser_->RefreshItems();
    }
    pnlImageID->setVisible(idList_ != nullptr);
    pnlWarning->setVisible(!shown);
}

void TfrmBackFileBrowser::SelectFile(const QString& fileName) {
    if (!catalog_)
        return;
    int genre = -1, subGenre = -1;
    if (!catalog_->FindFile(fileName, genre, subGenre))
        return;
    RememberedGenre() = genre;
    FillSubGenres();
    RememberedSubGenre() = std::max(subGenre, 0);
    {
        muted_ = true;
        if (RememberedSubGenre() < cmbSubGenre->count())
            cmbSubGenre->setCurrentIndex(RememberedSubGenre());
        muted_ = false;
    }
    ShowSubGenre();
    const QString name = QFileInfo(fileName).fileName();
    for (int i = 0; i < FolderImagePack1->FileList().Count(); ++i) {
        if (QFileInfo(FolderImagePack1->FileList()[i]).fileName().compare(name, Qt::CaseInsensitive) == 0) {
            browser_->SelectIndex(i);
            break;
        }
    }
}

void TfrmBackFileBrowser::SearchImageID() {
    const QString id = edtImageID->text();
    const QString file = idList_ ? idList_->FindFileByID(id) : QString();
    if (file.isEmpty()) {
        AppShowMessage(QStringLiteral("「%1」は見つかりませんでした").arg(id));
        return;
    }
    const QString found = FindCatalogFile(file + QStringLiteral(".*"));
    if (!found.isEmpty())
        SelectFile(found);
}
