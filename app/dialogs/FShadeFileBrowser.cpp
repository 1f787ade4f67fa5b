#include "app/dialogs/FShadeFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UPathUtil.h"
#include "imaging/UImagePack.h"
#include "papers/UMaterialCatalog.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kFigureCatalog = QStringLiteral("Data\\Figure\\Figure.dat");
const QString kFigureIDs = QStringLiteral("Data\\Figure\\Figure.ids");
constexpr int kStartThumbSize = 80;

// A catalogue that is missing or cannot be read counts as absent: the browser warns instead.
template <class T>
std::unique_ptr<T> OpenFoundCatalog(const QString& name) {
    const QString file = FindCatalogFile(name);
    if (file.isEmpty())
        return nullptr;
    auto catalog = std::make_unique<T>(file);
    if (!catalog->ErrorText().isEmpty()) {
        qWarning("catalogue %s not read: %s", qPrintable(file), qPrintable(catalog->ErrorText()));
        return nullptr;
    }
    return catalog;
}

bool SameName(const QString& a, const QString& b) {
    return !a.isEmpty() && a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

// ---- TfrmShadeBrowserBase

TfrmShadeBrowserBase::TfrmShadeBrowserBase(QWidget* parent, const QString& catalog, const QString& warning,
                                           const std::vector<TSizeButton>& sizes, TColor transparentColor)
    : TMaterialBrowserBase(parent, std::make_unique<TFileImagePack>(nullptr)),
      fImagePack(Pack<TFileImagePack>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    PanelEx1 = new QWidget(this);
    PanelEx1->setObjectName(QStringLiteral("PanelEx1"));
    auto* bar = new QHBoxLayout(PanelEx1);
    auto* genreLabel = new QLabel(QStringLiteral("種類"), PanelEx1);
    cmbGenre = new QComboBox(PanelEx1);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    genreLabel->setBuddy(cmbGenre);
    cbShade = new QCheckBox(QStringLiteral("フチをぼかす"), PanelEx1);
    cbShade->setObjectName(QStringLiteral("cbShade"));
    bar->addWidget(genreLabel);
    bar->addWidget(cmbGenre, 1);
    bar->addWidget(cbShade);
    bar->addStretch();
    grpSize = new QButtonGroup(this);
    for (QToolButton* button : AddSizeButtons(PanelEx1, grpSize, sizes, kStartThumbSize))
        bar->addWidget(button);
    layout->addWidget(PanelEx1);
    pnlWarning = new TWarningPanel(this);
    pnlWarning->SetLines(ContentWarningLines(warning));
    layout->addWidget(pnlWarning);
    // The catalogue's thumbnails are small and load from their own files, so a frame's transparent
    // colour stays exact.
    CreateBrowser();
    layout->addWidget(FormPanel1, 1);

    actClick = new QAction(this);
    actClick->setObjectName(QStringLiteral("actClick"));
    browser_->ClickAction = actClick;
    browser_->SetTransparentColor(transparentColor);
    shadeList_ = OpenFoundCatalog<TShadeList>(catalog);

    connect(actClick, &QAction::triggered, this, [this] { Clicked(); });
    connect(cbShade, &QCheckBox::clicked, this, [this] { ShadeClicked(); });
    connect(cmbGenre, &QComboBox::currentIndexChanged, this, &TfrmShadeBrowserBase::GenreChanged);
    connect(grpSize, &QButtonGroup::idClicked, this, &TfrmShadeBrowserBase::SetThumbSize);
}

TfrmShadeBrowserBase::~TfrmShadeBrowserBase() = default;

void TfrmShadeBrowserBase::Start() {
    FillGenres();
    browser_->SetThumbSize(kStartThumbSize);
    ShowGenre();
}

int TfrmShadeBrowserBase::SelectedIndex() const {
    return browser_->SelectedIndex();
}

int TfrmShadeBrowserBase::GenreCount() const {
    return shadeList_ ? shadeList_->GetCount() : 0;
}

QStringList TfrmShadeBrowserBase::ListedFiles() const {
    return fImagePack->FileList().ToQStringList();
}

void TfrmShadeBrowserBase::SetThumbSize(int size) {
    TMaterialBrowserBase::SetThumbSize(size);
    if (QAbstractButton* button = grpSize->button(size))
        button->setChecked(true);
}

void TfrmShadeBrowserBase::FillGenres() {
    const QSignalBlocker block(cmbGenre);
    cmbGenre->clear();
    if (shadeList_)
        cmbGenre->addItems(shadeList_->GenreNames());
    cmbGenre->setVisible(cmbGenre->count() > 0);
    int& genre = CurrentGenre();
    if (genre < 0 || genre >= cmbGenre->count())
        genre = 0;
    cmbGenre->setCurrentIndex(cmbGenre->count() > 0 ? genre : -1);
}

void TfrmShadeBrowserBase::GenreChanged(int index) {
    if (index < 0)
        return;
    CurrentGenre() = index;
    ShowGenre();
}

const TShadeInfo* TfrmShadeBrowserBase::CurrentInfo() const {
    return shadeList_ ? shadeList_->GetInfo(const_cast<TfrmShadeBrowserBase*>(this)->CurrentGenre())
                      : nullptr;
}

void TfrmShadeBrowserBase::ShowGenre() {
    listed_ = false;
    TStringList files;
    if (const TShadeInfo* info = CurrentInfo()) {
        const QString folder = FindCatalogFolder(info->Folder);
        if (!folder.isEmpty()) {
            TShadeItem item;
            for (int i = 0; info->GetItem(i, item); ++i)
                files.Add(JoinPath(folder, item.Thumbnail));
            listed_ = true;
        }
    }
    // A genre that cannot be listed shows nothing rather than the genre before.
    fImagePack->FileList().Assign(files);
    const QStringList captions = listed_ ? Captions() : QStringList();
    if (captions.isEmpty())
        browser_->RefreshItems();
    else
        browser_->SetItemCaptions(captions);
    if (cmbGenre->count() > 0) {
        const QSignalBlocker block(cmbGenre);
        cmbGenre->setCurrentIndex(CurrentGenre());
    }
    GenreShown();
    pnlWarning->setVisible(!listed_);
}

bool TfrmShadeBrowserBase::CurrentEntry(TShadeItem& item, bool firstWhenNone) const {
    const TShadeInfo* info = CurrentInfo();
    if (info == nullptr || !listed_)
        return false;
    const int selected = SelectedIndex();
    if (selected >= 0)
        return info->GetItem(selected, item);
    return firstWhenNone && info->GetItem(0, item);
}

QString TfrmShadeBrowserBase::JoinListed(const QString& name) const {
    const int selected = SelectedIndex();
    if (name.isEmpty() || selected < 0 || selected >= fImagePack->FileList().Count())
        return QString();
    return JoinPath(QFileInfo(fImagePack->FileList()[selected]).path(), name);
}

QString TfrmShadeBrowserBase::FirstListed(const QStringList& names) const {
    for (const QString& name : names) {
        if (!name.isEmpty())
            return JoinListed(name);
    }
    return QString();
}

// ---- TfrmShadeFileBrowser

TfrmShadeFileBrowser::TfrmShadeFileBrowser(QWidget* parent)
    : TfrmShadeBrowserBase(parent, kFigureCatalog, QStringLiteral("図形が見つかりません"),
                           {{"btnPix50", "プレビューサイズ小", 50},
                            {"btnPix80", "プレビューサイズ中", 80},
                            {"btnPix200", "プレビューサイズ大", 200}},
                           clNone) {
    setObjectName(QStringLiteral("frmShadeFileBrowser"));
    cmbGenre->setToolTip(QStringLiteral("図形のジャンルを選びます"));
    if (shadeList_)
        idList_ = OpenFoundCatalog<TImageIDList>(kFigureIDs);
    cbShade->setChecked(RememberedBlurredEdge());
    Start();
}

TfrmShadeFileBrowser::~TfrmShadeFileBrowser() = default;

int& TfrmShadeFileBrowser::RememberedGenre() {
    static int genre = 0;
    return genre;
}

bool& TfrmShadeFileBrowser::RememberedBlurredEdge() {
    static bool blurred = false;
    return blurred;
}

QStringList TfrmShadeFileBrowser::Captions() {
    if (!idList_)
        return {};
    QStringList ids;
    bool any = false;
    for (const QString& file : ListedFiles()) {
        ids.append(idList_->GetFileID(file));
        any = any || !ids.last().isEmpty();
    }
    return any ? ids : QStringList();
}

void TfrmShadeFileBrowser::UpdateShadeEnabled() {
    TShadeItem item;
    cbShade->setEnabled(CurrentEntry(item, true) && !item.Shade.isEmpty());
}

void TfrmShadeFileBrowser::ShadeClicked() {
    RememberedBlurredEdge() = cbShade->isChecked();
    if (ChangeStatusAction != nullptr)
        ChangeStatusAction->trigger();
}

QString TfrmShadeFileBrowser::GetSelectedFile() const {
    TShadeItem item;
    if (!CurrentEntry(item, false))
        return QString();
    const QString chosen = cbShade->isChecked() && cbShade->isEnabled() ? item.Shade : item.Picture;
    return FirstListed({chosen, item.Thumbnail});
}

bool TfrmShadeFileBrowser::FindEntry(const QString& fileName, int& genre, int& entry) {
    genre = -1;
    entry = -1;
    if (!shadeList_ || !shadeList_->FindGenre(fileName, genre))
        return false;
    const QString name = QFileInfo(fileName).fileName();
    const TShadeInfo* info = shadeList_->GetInfo(genre);
    TShadeItem item;
    for (int i = 0; info->GetItem(i, item); ++i) {
        if (SameName(item.Thumbnail, name) || SameName(item.Picture, name) || SameName(item.Shade, name)) {
            entry = i;
            break;
        }
    }
    return true;
}

void TfrmShadeFileBrowser::SelectFile(const QString& fileName) {
    int genre = -1, entry = -1;
    if (!FindEntry(fileName, genre, entry))
        return;
    RememberedGenre() = genre;
    cbShade->setChecked(RememberedBlurredEdge());
    ShowGenre();
    QString name = QFileInfo(fileName).fileName();
    TShadeItem item;
    if (entry >= 0 && shadeList_->GetInfo(genre)->GetItem(entry, item))
        name = item.Thumbnail;
    const QStringList listed = ListedFiles();
    for (int i = 0; i < listed.size(); ++i) {
        if (SameName(QFileInfo(listed[i]).fileName(), name)) {
            browser_->SelectIndex(i);
            break;
        }
    }
    UpdateShadeEnabled();
}

QString TfrmShadeFileBrowser::GetVariantFile(const QString& fileName, bool blurredEdge) {
    int genre = -1, entry = -1;
    if (!FindEntry(fileName, genre, entry))
        return QString();
    const TShadeInfo* info = shadeList_->GetInfo(genre);
    const QString folder = FindCatalogFolder(info->Folder);
    TShadeItem item;
    if (folder.isEmpty() || !info->GetItem(std::max(entry, 0), item))
        return QString();
    QString name = blurredEdge ? item.Shade : item.Picture;
    if (name.isEmpty())
        name = item.Thumbnail;
    return JoinPath(folder, name);
}

bool TfrmShadeFileBrowser::IsBlurredEdgeFile(const QString& fileName) {
    int genre = -1, entry = -1;
    TShadeItem item;
    return FindEntry(fileName, genre, entry) && entry >= 0 &&
           shadeList_->GetInfo(genre)->GetItem(entry, item) &&
           SameName(item.Shade, QFileInfo(fileName).fileName());
}
