#include "app/dialogs/FIllustFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
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

void AddGenre(QComboBox* combo, const QString& item) {
    combo->addItem(item.section(u',', 0, 0), item);
}

} // namespace

TfrmIllustFileBrowser::TfrmIllustFileBrowser(QWidget* parent)
    : TMaterialBrowserBase(parent, std::make_unique<TFolderImagePack>(nullptr)),
      FolderImagePack1(Pack<TFolderImagePack>()) {
    setObjectName(QStringLiteral("frmIllustFileBrowser"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    cmbGenre = new QComboBox(this);
    cmbGenre->setObjectName(QStringLiteral("cmbGenre"));
    bar->addWidget(cmbGenre, 1);
    grpSize = new QButtonGroup(this);
    for (QToolButton* button : AddThumbSizeButtons(this, grpSize))
        bar->addWidget(button);
    layout->addLayout(bar);
    pnlWarning = new TWarningPanel(this);
    pnlWarning->SetLines(ContentWarningLines(QStringLiteral("イラスト集が見つかりません")));
    layout->addWidget(pnlWarning);
    // Pictures load from their own files: a scaled preview would blur the transparent colour's edge.
    // The browser reads the folder pack itself: the pack tells it before its list changes, so its
    // loader never reads a list being rebuilt.
    CreateBrowser();
    layout->addWidget(FormPanel1, 1);

    LoadGenres();
    browser_->SetTransparentColor(kIllustTransparentColor);
    browser_->SetThumbSize(kFileThumbStartSize);
    ShowGenre();

    connect(cmbGenre, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (loading_ || index < 0)
            return;
        RememberedGenre() = index;
        ShowGenre();
    });
    connect(grpSize, &QButtonGroup::idClicked, this, &TfrmIllustFileBrowser::SetThumbSize);
}

TfrmIllustFileBrowser::~TfrmIllustFileBrowser() = default;

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
