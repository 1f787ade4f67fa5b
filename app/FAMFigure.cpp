#include "app/FAMFigure.h"

#include "app/UPanelAngle.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FShadeFileBrowser.h"
#include "controls/UColGrid.h"
#include "controls/UFormPanel.h"
#include "controls/UNotePanel.h"
#include "core/USupportUtil.h"
#include "imaging/UColorFill.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kGridCols = 8;
constexpr int kGridRows = 5;

// Row by row, in the colour lists' blue-green-red text.
const char* const kFigureColors[kGridCols * kGridRows] = {
    "clBlack",   "clRed",     "clYellow",  "clLime",    "clAqua",    "clBlue",    "clFuchsia", "clWhite",
    "clGray",    "clMaroon",  "clOlive",   "clGreen",   "clTeal",    "clNavy",    "clPurple",  "clSilver",
    "$003F3F3F", "$007F7FFF", "$007FFFFF", "$007FFF7F", "$00FFFF7F", "$00FF7F7F", "$00FF7FFF", "$00BF3F7F",
    "$00BF7F3F", "$007F7FBF", "$007FBFBF", "$007FBF7F", "$00BFBF7F", "$00BF7F7F", "$00BF7FBF", "$003F7FBF",
    "$007FBF3F", "$007FBFFF", "$007FFFBF", "$00BFFF7F", "$00FFBF7F", "$00FF7FBF", "$00BF7FFF", "$007F3FBF",
};

// A figure of the figure panel: a mask that is not a photo's shadow.
TLOAlphaMask* Figure(TDrawObject* object) {
    if (dynamic_cast<TLOAlbumShade*>(object) != nullptr)
        return nullptr;
    return dynamic_cast<TLOAlphaMask*>(object);
}

QString CssColor(TColor color) {
    const uint32_t bgr = uint32_t(color) & 0xFFFFFF;
    return QStringLiteral("#%1%2%3")
        .arg(bgr & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((bgr >> 16) & 0xFF, 2, 16, QLatin1Char('0'));
}

} // namespace

TfrmAMFigure::TfrmAMFigure(QWidget* owner)
    : TEditModePanelBase(owner, "frmAMFigure"), default_(std::make_unique<TLOAlphaMask>(nullptr)),
      picture_(std::make_unique<TPanelPicture>()) {
    notePanel = AddTabbedPages({QStringLiteral("図形"), QStringLiteral("色")}, "notePanel");
    TFormPanel* host = nullptr;
    pnlFigure = NewFormPage("pnlFigure", host);

    pnlSetup = NewPage("pnlSetup");
    auto* setup = new QGridLayout(pnlSetup);
    setup->addWidget(new QLabel(QStringLiteral("イメージの回転"), pnlSetup), 0, 0, 1, 4);
    const TPanelAngle angle = MakePanelAngle(pnlSetup, setup, 1, kMaxAngle, [this] { Request(opAngle); });
    btnAngle00 = angle.btnAngle00;
    btnAngle90 = angle.btnAngle90;
    btnAngle180 = angle.btnAngle180;
    btnAngle270 = angle.btnAngle270;
    edAngle = angle.edAngle;
    udAngle = angle.udAngle;
    pnlColor = new QWidget(pnlSetup);
    pnlColor->setObjectName(QStringLiteral("pnlColor"));
    auto* colorLayout = new QVBoxLayout(pnlColor);
    colorLayout->addWidget(new QLabel(QStringLiteral("図形の色"), pnlColor));
    ColGrid1 = new TColGrid(pnlColor);
    ColGrid1->setObjectName(QStringLiteral("ColGrid1"));
    ColGrid1->SetColCount(kGridCols);
    ColGrid1->SetRowCount(kGridRows);
    QStringList colors;
    for (const char* color : kFigureColors)
        colors << QLatin1String(color);
    ColGrid1->SetColorList(colors);
    ColGrid1->SetUseOtherColor(true);
    ColGrid1->SetUseTransparent(false);
    ColGrid1->SetDefaultColor(clBlack);
    ColGrid1->setMinimumHeight(100);
    colorLayout->addWidget(ColGrid1);
    pnlColorPreview = new QLabel(QStringLiteral("選択中の色"), pnlColor);
    pnlColorPreview->setObjectName(QStringLiteral("pnlColorPreview"));
    pnlColorPreview->setAlignment(Qt::AlignCenter);
    pnlColorPreview->setAutoFillBackground(true);
    colorLayout->addWidget(pnlColorPreview);
    setup->addWidget(pnlColor, 3, 0, 1, 4);
    setup->setRowStretch(4, 1);
    ShowColor(clBlack);

    notePanel->AddPage(pnlFigure);
    notePanel->AddPage(pnlSetup);
    btnPasteFigure = AddPasteButton("btnPasteFigure");

    CreateClickActions();
    actChangeStatus = new QAction(this);
    actChangeStatus->setObjectName(QStringLiteral("actChangeStatus"));
    browser_ = EmbedBrowser<TfrmShadeFileBrowser>(host);
    browser_->ChangeStatusAction = actChangeStatus;

    StartOnPage(pgFigure);
    ColGrid1->OnChangeColor = [this](TObject*, TColor color, bool) {
        ShowColor(color);
        Request(opColor);
    };
    connect(actSingleClick, &QAction::triggered, this, [this] {
        if (browser_->HasSelection() && picture_->Get(this, browser_->GetSelectedFile(), true))
            Request(opFigure);
    });
    connect(actChangeStatus, &QAction::triggered, this, [this] {
        if (browser_->HasSelection() && actSingleClick->isEnabled())
            Request(opVariant);
    });
    const auto paste = [this] {
        if (!browser_->HasSelection() || !picture_->Get(this, browser_->GetSelectedFile(), true))
            return;
        operation_ = opFigure;
        RequestInsert();
    };
    // Not through the button: its enabled state waits for the idle after the tile was chosen.
    connect(actDoubleClick, &QAction::triggered, this, [this, paste] {
        if (!figuresOnly_)
            paste();
        else if (actSingleClick->isEnabled())
            actSingleClick->trigger();
    });
    connect(btnPasteFigure, &QPushButton::clicked, this, paste);
}

TfrmAMFigure::~TfrmAMFigure() = default;

void TfrmAMFigure::Request(TOperation operation) {
    operation_ = operation;
    RequestApply();
}

void TfrmAMFigure::ShowColor(TColor color) {
    QPalette palette = pnlColorPreview->palette();
    palette.setColor(QPalette::Window, QColor(CssColor(color)));
    palette.setColor(QPalette::WindowText, QColor(CssColor(color ^ kPreviewTextMask)));
    pnlColorPreview->setPalette(palette);
}

void TfrmAMFigure::ApplyChange(TDrawObject* object, bool replace) {
    TLOAlphaMask* figure = Figure(object);
    if (figure == nullptr)
        return;
    if (replace && operation_ == opFigure) {
        // A file that cannot be read leaves the figure as it was.
        if (const TPictureEx* picture = picture_->Get(this, browser_->GetSelectedFile(), false)) {
            figure->SetPicture(picture);
            figure->AdjustSizeToPicture();
        }
    } else if (replace && operation_ == opVariant) {
        const QString variant =
            browser_->GetVariantFile(figure->Picture()->ImageID(), browser_->cbShade->isChecked());
        TPanelPicture other;
        if (const TPictureEx* picture = other.Get(this, variant, false)) {
            const TRect kept = figure->LogRect();
            figure->SetPicture(picture);
            figure->SetLogRect(kept);
        }
    }
    if (operation_ == opAngle)
        figure->SetAngle(udAngle->value());
    else if (operation_ == opColor)
        figure->FillColor()->SetColor(ColGrid1->DefaultColor());
}

void TfrmAMFigure::CopyStyle(TDrawObject* src, TDrawObject* dst) {
    TLOAlphaMask* from = Figure(src);
    TLOAlphaMask* to = Figure(dst);
    if (from && to) {
        to->SetAngle(from->Angle());
        to->FillColor()->SetColor(from->FillColor()->Color());
    }
}

void TfrmAMFigure::ShowObject(TDrawObject* object) {
    TLOAlphaMask* figure = Figure(object);
    if (figure == nullptr || showing_)
        return;
    showing_ = true;
    AngleControls().Show(figure->Angle());
    const TColor color = figure->FillColor()->Color();
    if (color != ColGrid1->DefaultColor()) {
        ColGrid1->SetDefaultColor(color);
        ShowColor(color);
    }
    const QString id = figure->Picture()->ImageID();
    if (!IsPictureEmpty(figure->Picture()) && !id.isEmpty() && id != lastShownID_) {
        lastShownID_ = id;
        if (browser_->GetSelectedFile() != id) {
            // Following the figure must not put the other variant into it.
            actChangeStatus->setEnabled(false);
            browser_->SelectFile(id);
            browser_->cbShade->setChecked(browser_->IsBlurredEdgeFile(id));
            actChangeStatus->setEnabled(true);
        }
    }
    showing_ = false;
}

TDrawObject* TfrmAMFigure::DefaultTarget() const {
    return default_.get();
}

void TfrmAMFigure::InitNewObject(TDrawObject* object) {
    ApplyChange(object, true);
}

void TfrmAMFigure::IdleUpdate(TDrawSite* site) {
    btnPasteFigure->setEnabled(browser_->HasSelection());
    figuresOnly_ = OnlySelected(site, [](TDrawObject* object) { return Figure(object) != nullptr; });
    actChangeStatus->setEnabled(figuresOnly_);
    browser_->cbShade->setEnabled(figuresOnly_);
    if (!figuresOnly_ && browser_->cbShade->isChecked()) {
        const QSignalBlocker blocker(browser_->cbShade);
        browser_->cbShade->setChecked(false);
    }
    AngleControls().SetEnabled(figuresOnly_);
    pnlColor->setVisible(figuresOnly_);
}

TPanelAngle TfrmAMFigure::AngleControls() const {
    return {btnAngle00, btnAngle90, btnAngle180, btnAngle270, edAngle, udAngle};
}
