#include "app/dialogs/FIllustFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UPathUtil.h"
#include "imaging/UImagePack.h"
#include "papers/UMaterialCatalog.h"
#include "platform/IniFile.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kIllustCatalog = QStringLiteral("Data\\Illust\\Illust.dat");
const QStringList kDefaultGenres = {QStringLiteral("イラスト,Data\\Illust\\OnePoint"),
                                    QStringLiteral("パネル,Data\\Illust\\Panel")};
constexpr TColor kIllustTransparentColor = 0xF0F0F0;
constexpr int kStartThumbSize = 80;

void AddGenre(QComboBox* combo, const QString& item) {
    combo->addItem(item.section(u',', 0, 0), item);
}

} // namespace

TfrmIllustFileBrowser::TfrmIllustFileBrowser(QWidget* parent)
    : QWidget(parent), FolderImagePack1(std::make_unique<TFolderImagePack>(nullptr)) {
    setObjectName(QStringLiteral("frmIllustFileBrowser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    cmbGenre = new QComboBox(this);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    bar->addWidget(cmbGenre, 1);
    grpSize = new QButtonGroup(this);
    for (QToolButton* button : AddSizeButtons(this, grpSize,
                                              {{"btnPix50", "プレビューサイズ小", 50},
                                               {"btnPix80", "プレビューサイズ中", 80},
                                               {"btnPix200", "プレビューサイズ大", 200}},
                                              kStartThumbSize))
        bar->addWidget(button);
    layout->addLayout(bar);
    pnlWarning = new TWarningPanel(this);
    pnlWarning->SetLines(ContentWarningLines(QStringLiteral("イラスト集が見つかりません")));
    layout->addWidget(pnlWarning);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(FormPanel1, 1);

    // Pictures load from their own files: a scaled preview would blur the transparent colour's edge.
    LoadGenres();
    // The browser reads the folder pack itself: the pack tells it before its list changes, so its
    // loader never reads a list being rebuilt.
    browser_ = new TfrmImageBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetImagePack(FolderImagePack1.get());
    browser_->SetTransparentColor(kIllustTransparentColor);
    browser_->SetThumbSize(kStartThumbSize);
    ShowGenre();

    connect(cmbGenre, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading_ || index < 0)
            return;
        RememberedGenre() = index;
        ShowGenre();
    });
    connect(grpSize, &QButtonGroup::idClicked, this, &TfrmIllustFileBrowser::SetThumbSize);
}

TfrmIllustFileBrowser::~TfrmIllustFileBrowser() {
    delete browser_;
}

int& TfrmIllustFileBrowser::RememberedGenre() {
    static int genre = 0;
    return genre;
}

void TfrmIllustFileBrowser::LoadGenres() {
    loading_ = true;
    cmbGenre->clear();
    QStringList genres = kDefaultGenres;
    const QString file = FindCatalogFile(kIllustCatalog);
    if (!file.isEmpty()) {
        try {
            const IniFile ini(file);
            genres.clear();
            for (const QString& section : ini.SectionNames())
                genres.append(ini.ReadString(section, QStringLiteral("Name")) + u',' +
                              ini.ReadString(section, QStringLiteral("Dir")));
        } catch (const EIniFile& e) {
            qWarning("%s", e.what());
        }
    }
    for (const QString& genre : genres)
        AddGenre(cmbGenre, genre);
    cmbGenre->setCurrentIndex(cmbGenre->count() > 0 ? 0 : -1);
    loading_ = false;
}

void TfrmIllustFileBrowser::ShowGenre() {
    loading_ = true;
    const int remembered = RememberedGenre();
    if (remembered >= 0 && remembered < cmbGenre->count())
        cmbGenre->setCurrentIndex(remembered);
    loading_ = false;
    const QString item = cmbGenre->currentData().toString();
    const QString folder = item.isEmpty() ? QString() : FindCatalogFolder(item.section(u',', 1));
    // A genre not on the disc shows nothing rather than the genre before.
    FolderImagePack1->SetFileMask(folder.isEmpty() ? QString() : folder + QStringLiteral("*.*"));
    browser_->RefreshItems();
    pnlWarning->setVisible(folder.isEmpty());
}

void TfrmIllustFileBrowser::SetThumbSize(int size) {
    if (browser_->ThumbSize() != size)
        browser_->SetThumbSize(size);
}

void TfrmIllustFileBrowser::SelectIndex(int index) {
    browser_->SelectIndex(index);
}

bool TfrmIllustFileBrowser::HasSelection() const {
    return browser_->SelectedIndex() != -1;
}

QString TfrmIllustFileBrowser::GetSelectedFileName() const {
    const int index = browser_->SelectedIndex();
    return index >= 0 && index < FolderImagePack1->FileList().Count() ? FolderImagePack1->FileList()[index]
                                                                      : QString();
}

void TfrmIllustFileBrowser::SetDblClickAction(QAction* action) {
    browser_->DblClickAction = action;
}
