#include "app/dialogs/FFrameBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "papers/UMaterialCatalog.h"

#include <QCheckBox>

namespace {

const QString kFrameCatalog = QStringLiteral("Data\\Frame\\Frame.dat");
// The frames' thumbnails are drawn on this colour, left out when they are shown.
constexpr TColor kFrameTransparentColor = 0x607090;

} // namespace

TfrmFrameBrowser::TfrmFrameBrowser(QWidget* parent)
    : TfrmShadeBrowserBase(parent, kFrameCatalog, QStringLiteral("フレーム集が見つかりません"),
                           {{"btnPix50", "プレビューサイズ極小", 50},
                            {"btnPix80", "プレビューサイズ小", 80},
                            {"btnPix150", "プレビューサイズ中", 150},
                            {"btnPix200", "プレビューサイズ大", 200}},
                           kFrameTransparentColor) {
    setObjectName(QStringLiteral("frmFrameBrowser"));
    cbShade->hide();
    cbShade->setEnabled(false);
    cbShade->setChecked(RememberedShade());
    Start();
}

TfrmFrameBrowser::~TfrmFrameBrowser() = default;

int& TfrmFrameBrowser::RememberedGenre() {
    static int genre = 0;
    return genre;
}

bool& TfrmFrameBrowser::RememberedShade() {
    static bool shade = false;
    return shade;
}

bool TfrmFrameBrowser::IsAlphaFrame() const {
    const TShadeInfo* info = CurrentInfo();
    return info != nullptr && info->AlphaFrame;
}

void TfrmFrameBrowser::GenreShown() {
    // Alpha-frame genres hand out the third name as the frame.
    const bool alpha = IsAlphaFrame();
    cbShade->setEnabled(alpha);
    cbShade->setChecked(alpha);
}

void TfrmFrameBrowser::Clicked() {
    TShadeItem item;
    if (CurrentEntry(item, true))
        cbShade->setEnabled(!item.Shade.isEmpty());
}

void TfrmFrameBrowser::ShadeClicked() {
    RememberedShade() = cbShade->isChecked();
}

QString TfrmFrameBrowser::GetFrameFile() const {
    TShadeItem item;
    if (!CurrentEntry(item, false))
        return QString();
    return FirstListed({cbShade->isChecked() ? item.Shade : item.Picture, item.Thumbnail});
}

QString TfrmFrameBrowser::GetShadowFile() const {
    TShadeItem item;
    if (!CurrentEntry(item, false))
        return QString();
    return FirstListed({item.Shade, item.Thumbnail});
}

void TfrmFrameBrowser::showEvent(QShowEvent* event) {
    TfrmShadeBrowserBase::showEvent(event);
    if (HasSelection())
        Browser()->SelectIndex(SelectedIndex());
}
