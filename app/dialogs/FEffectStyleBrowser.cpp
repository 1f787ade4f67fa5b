#include "app/dialogs/FEffectStyleBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "controls/UFormPanel.h"
#include "core/UGeometryUtil.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "papers/UMaterialCatalog.h"
#include "platform/IniFile.h"
#include "platform/Object.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QVBoxLayout>

namespace {

const QString kCatalogue = QStringLiteral("Effect.dat");

} // namespace

std::vector<TEffectStyle> ReadEffectStyles(const IniFile& catalogue) {
    std::vector<TEffectStyle> styles;
    for (const QString& section : catalogue.SectionNames()) {
        TEffectStyle style;
        style.Title = catalogue.ReadString(section, QStringLiteral("Title"));
        style.Brightness = catalogue.ReadInteger(section, QStringLiteral("Brightness"), 0);
        style.Contrast = catalogue.ReadInteger(section, QStringLiteral("Contrast"), 0);
        style.Focus = catalogue.ReadInteger(section, QStringLiteral("Focus"), 0);
        style.Color = TColor(catalogue.ReadInteger(section, QStringLiteral("Color"), int(clNone)));
        styles.push_back(style);
    }
    return styles;
}

TfrmEffectStyleBrowser::TfrmEffectStyleBrowser(QWidget* parent)
    : QWidget(parent), CustomImagePack1(std::make_unique<TCustomImagePack>(nullptr)),
      work_(std::make_unique<TImageData>()) {
    setObjectName(QStringLiteral("frmEffectStyleBrowser"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    grpSize = new QButtonGroup(this);
    rgSize = CreateTemplateSizeGroup(this, grpSize);
    layout->addWidget(rgSize);
    pnlWarning = new TWarningPanel(this);
    pnlWarning->SetLines(ContentWarningLines(QStringLiteral("画質調整情報が見つかりません。"), true));
    layout->addWidget(pnlWarning);
    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    layout->addWidget(FormPanel1, 1);

    LoadCatalogue();
    pnlWarning->setVisible(styles_.empty());

    CustomImagePack1->OnGetCount = [this](TObject*, int& count) { count = int(styles_.size()); };
    // On the loader thread: an image data of its own for every thumbnail.
    CustomImagePack1->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        const std::shared_ptr<const TEffectSource> source = thumbSource_;
        if (!source || source->PictureData.isEmpty() || index < 0 || index >= int(styles_.size()))
            return;
        TImageData data;
        source->LoadInto(data);
        ApplyEffectStyle(styles_[size_t(index)], data);
        picture.Assign(data.GetFilteredPicture());
    };
    browser_ = new TfrmImageBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetImagePack(CustomImagePack1.get());
    browser_->SetThumbSize(grpSize->checkedId());
    connect(grpSize, &QButtonGroup::idClicked, this, [this](int size) { browser_->SetThumbSize(size); });
    ShowCaptions();
}

TfrmEffectStyleBrowser::~TfrmEffectStyleBrowser() {
    // The loader stops with the browser, before the styles and the source go.
    delete browser_;
}

void TfrmEffectStyleBrowser::LoadCatalogue() {
    const QString found = FindCatalogFile(kCatalogue);
    if (found.isEmpty())
        return;
    try {
        catalogue_ = std::make_unique<IniFile>(found);
    } catch (const EIniFile& e) {
        qWarning("%s", e.what());
        return;
    }
    sections_ = catalogue_->SectionNames();
    styles_ = ReadEffectStyles(*catalogue_);
}

void TfrmEffectStyleBrowser::SetImageData(const TImageData* data) {
    if (data == nullptr)
        return;
    work_->Assign(data);
    if (!work_->IsEmpty()) {
        const TRect fitted = FitRectInner(Rect(0, 0, work_->Picture()->Width(), work_->Picture()->Height()),
                                          Rect(0, 0, kWorkPictureSize, kWorkPictureSize));
        TPictureEx thumbnail;
        auto& jpeg = thumbnail.ForceType<TJPEGGraphic>();
        MakeJPEGThumbnail(work_->Picture(), &jpeg, fitted.Width(), fitted.Height(), clNone, clWhite, true);
        // The clip keeps to the part of the picture the data shows, so the styles show it too.
        InUpdate(work_->Notifier(), [&] {
            work_->SetResizedPicture(&thumbnail);
            work_->SetTransparentColor(clNone);
        });
    }
    // The loader reads the source: it is stopped before the source changes.
    CustomImagePack1->NotifyUpdate();
    thumbSource_ = TakeEffectSource(*work_, 0);
    CustomImagePack1->Refresh();
    SelectMatchingStyle();
}

void TfrmEffectStyleBrowser::ShowCaptions() {
    QStringList captions;
    for (const TEffectStyle& style : styles_)
        captions << style.Title;
    if (!captions.isEmpty())
        browser_->SetItemCaptions(captions);
}

void TfrmEffectStyleBrowser::SelectMatchingStyle() {
    ShowCaptions();
    const TEffectStyle current = GetEffectStyle(*work_);
    for (int i = 0; i < int(styles_.size()); ++i)
        if (styles_[size_t(i)].SameEffects(current)) {
            matched_ = i;
            break;
        }
    if (matched_ >= 0)
        browser_->SelectIndex(matched_);
}

TEffectStyle TfrmEffectStyleBrowser::GetSelectedStyle() const {
    const int index = browser_->SelectedIndex();
    if (index < 0 || index >= int(styles_.size()))
        return TEffectStyle();
    return styles_[size_t(index)];
}

bool TfrmEffectStyleBrowser::HasSelection() const {
    const int index = browser_->SelectedIndex();
    return index >= 0 && index < int(styles_.size());
}

void TfrmEffectStyleBrowser::SetClickAction(QAction* action) {
    browser_->ClickAction = action;
}

void TfrmEffectStyleBrowser::SetDblClickAction(QAction* action) {
    browser_->DblClickAction = action;
}
