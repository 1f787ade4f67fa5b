#include "app/dialogs/FEditPaper30.h"

#include "app/dialogs/UPaperEditing.h"
#include "controls/Exspined.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UPurposeList.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/DialogService.h"
#include "platform/StringList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QStringList>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = 5044;
constexpr int kPreviewDPI = 254;
constexpr int kMaxLength = 10000;
constexpr int kMinFaceLength = 30;
constexpr int kMinHole = 100;
constexpr int kMaxHole = 1000;
constexpr int kMaxRound = 1000;
constexpr int kMaxCount = 99;
constexpr int kDefaultHole = 410;

QString Ordinal(int index) {
    return QString::number(index + 1);
}

} // namespace

TFaceCheck CheckPaperFaces(const TPaperInfo& paper) {
    TFaceCheck check;
    if (const std::vector<int> outside = paper.FacesOutsidePaper(); !outside.empty()) {
        check.Face = outside.front();
        // Each is named: mending only the first would meet the same refusal for the next.
        QStringList names;
        for (const int face : outside)
            names << Ordinal(face);
        check.Message = QStringLiteral("写真枠が用紙からはみ出しています\n(写真枠%1)").arg(names.join(u'、'));
        return check;
    }
    int earlier = -1;
    if (const int overlap = paper.FindOverlappingFace(&earlier); overlap >= 0) {
        check.Face = overlap;
        check.Other = earlier;
        check.Message =
            QStringLiteral("写真枠が重なっています\n(写真枠%1と写真枠%2)").arg(Ordinal(earlier), Ordinal(overlap));
    }
    return check;
}

std::vector<TFaceShape> ShapesForPurpose(const TPurposeList& purposes, const QString& purposeId) {
    const int index = purposes.IndexOfID(purposeId);
    const TFaceShapes mask = index >= 0 ? purposes.GetItem(index)->ShapeMask : 0;
    std::vector<TFaceShape> shapes;
    for (int s = 0; s < kFaceShapeCount; ++s)
        if (mask == 0 || (mask & FaceShapeBit(TFaceShape(s))) != 0)
            shapes.push_back(TFaceShape(s));
    return shapes;
}

// ---- the fields both pages share

TEditPaperPage::TEditPaperPage(QWidget* parent)
    : QDialog(parent), images_(std::make_unique<TImagePaperInfo>(nullptr)),
      album_(std::make_unique<TExAlbumInfo>(nullptr)),
      shapeNames_(TFaceInfo::GetShapeNames().split(QLatin1Char(','))) {}

TEditPaperPage::~TEditPaperPage() = default;

void TEditPaperPage::BuildHeaders(QVBoxLayout* page) {
    auto* headers = new QHBoxLayout;
    lblPaperName = new QLabel(this);
    lblSheet = new QLabel(this);
    lblPurposeText = new QLabel(this);
    lblPurposeText->hide();
    for (QLabel* label : {lblPaperName, lblSheet, lblPurposeText})
        headers->addWidget(label);
    headers->addStretch(1);
    page->addLayout(headers);
}

void TEditPaperPage::BuildCommon(QGridLayout* fields, int row, QVBoxLayout* page) {
    QLabel* lastUnit = nullptr;
    const auto addRow = [&](QLabel* label, QWidget* field, const QString& unit) {
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
        lastUnit = nullptr;
        if (!unit.isEmpty()) {
            lastUnit = new QLabel(unit, this);
            fields->addWidget(lastUnit, row, 2);
        }
        ++row;
    };
    seFaceMargin = MakeLengthEdit(this, "seFaceMargin", 0, kMaxLength);
    seFaceMargin->setToolTip(QStringLiteral("実際の写真枠よりひと回り大きい写真枠を印刷したいときに指定します"));
    addRow(new QLabel(QStringLiteral("塗足し(&Y)"), this), seFaceMargin, QStringLiteral("mm"));
    cbPurpose = new QComboBox(this);
    cbPurpose->setObjectName(QStringLiteral("cbPurpose"));
    addRow(new QLabel(QStringLiteral("用途(&U)"), this), cbPurpose, {});
    cbShape = new QComboBox(this);
    cbShape->setObjectName(QStringLiteral("cbShape"));
    addRow(new QLabel(QStringLiteral("形状(&T)"), this), cbShape, {});
    seCutCenter = MakeLengthEdit(this, "seCutCenter", kMinHole, kMaxHole);
    lblCutCenter = new QLabel(QStringLiteral("内円のサイズ(&C)"), this);
    addRow(lblCutCenter, seCutCenter, QStringLiteral("mm"));
    cutCenterUnit_ = lastUnit;
    seRoundSize = MakeLengthEdit(this, "seRoundSize", 0, kMaxRound);
    lblRoundSize = new QLabel(QStringLiteral("角丸のサイズ(&F)"), this);
    addRow(lblRoundSize, seRoundSize, QStringLiteral("mm"));
    roundSizeUnit_ = lastUnit;
    cbPhotoSize = new QComboBox(this);
    cbPhotoSize->setObjectName(QStringLiteral("cbPhotoSize"));
    addRow(new QLabel(QStringLiteral("写真(&P)"), this), cbPhotoSize, {});
    chkLabelFixed = new QCheckBox(QStringLiteral("写真枠を固定"), this);
    chkLabelFixed->setObjectName(QStringLiteral("chkLabelFixed"));
    fields->addWidget(chkLabelFixed, row++, 1);

    auto* patterns = new QHBoxLayout;
    btnAddPattern = new QPushButton(QStringLiteral("用紙柄の追加"), this);
    btnAddPattern->setObjectName(QStringLiteral("btnAddPattern"));
    btnDeletePattern = new QPushButton(QStringLiteral("用紙柄の削除"), this);
    btnDeletePattern->setObjectName(QStringLiteral("btnDeletePattern"));
    patterns->addWidget(btnAddPattern);
    patterns->addWidget(btnDeletePattern);
    patterns->addStretch(1);
    page->addLayout(patterns);
    btnAddPattern->hide();
    btnDeletePattern->hide();
    page->addStretch(1);
    TWizardButtons buttons = MakeWizardButtons(this, page, true);
    btnCancel = buttons.Cancel;
    btnBack = buttons.Back;
    btnNext = buttons.Next;
    btnFinish = buttons.Finish;
    btnNext->setEnabled(false);
    // Finishing is checked first.
    disconnect(btnFinish, &QPushButton::clicked, nullptr, nullptr);
    connect(btnFinish, &QPushButton::clicked, this, &TEditPaperPage::FinishPage);
    connect(btnAddPattern, &QPushButton::clicked, this, &TEditPaperPage::AddPattern);
    connect(btnDeletePattern, &QPushButton::clicked, this, [this] {
        images_->ClearImages();
        // The preview shows the paper without its pattern at once.
        PatternChanged();
    });
    connect(cbPhotoSize, &QComboBox::activated, this, [this] { album_->PhotoSize = cbPhotoSize->currentText(); });
}

void TEditPaperPage::SetExtended(bool value) {
    extended_ = value;
    btnAddPattern->setVisible(value);
    btnDeletePattern->setVisible(value);
    lblPurposeText->setVisible(value);
}

void TEditPaperPage::SetupCommon(TPapersV2& papers) {
    papers_ = &papers;
    TStringList names;
    papers.PurposeList().GetDisplayNames(names);
    cbPurpose->clear();
    cbPurpose->addItems(names.ToQStringList());
    TStringList sizes;
    papers.LoadGlobalInfo(QStringLiteral("PhotoSizeInfo"), sizes);
    cbPhotoSize->clear();
    cbPhotoSize->addItems(sizes.ToQStringList());
    cbPhotoSize->setCurrentIndex(-1);
}

void TEditPaperPage::SetPaperImages(const TImagePaperInfo& images) {
    images_->Assign(&images);
    PatternChanged();
}

void TEditPaperPage::SetHeaders(const QString& paperName, const QString& sheet, const QString& purpose) {
    lblPaperName->setText(QStringLiteral("用紙名：%1").arg(paperName));
    lblSheet->setText(QStringLiteral("台紙：%1").arg(sheet));
    lblPurposeText->setText(QStringLiteral("用途：%1").arg(purpose));
}

void TEditPaperPage::SetAlbumInfo(const TExAlbumInfo& album) {
    album_->Assign(&album);
    chkLabelFixed->setChecked(album_->LabelFixed);
    const int index = cbPhotoSize->findText(album_->PhotoSize, Qt::MatchExactly);
    if (index >= 0)
        cbPhotoSize->setCurrentIndex(index);
}

const TExAlbumInfo& TEditPaperPage::AlbumInfo() const {
    album_->LabelFixed = chkLabelFixed->isChecked();
    return *album_;
}

void TEditPaperPage::SelectPurpose(const QString& purposeId) {
    // A purpose the store does not list stays the face's until the user picks one.
    cbPurpose->setCurrentIndex(papers_ != nullptr ? papers_->PurposeList().IndexOfID(purposeId) : -1);
}

void TEditPaperPage::FillShapes(const QString& purposeId, const QString& shapeName) {
    shownShapes_ = papers_ != nullptr ? ShapesForPurpose(papers_->PurposeList(), purposeId)
                                      : ShapesForPurpose(TPurposeList(), purposeId);
    QStringList names;
    for (TFaceShape shape : shownShapes_)
        names << shapeNames_.value(int(shape));
    cbShape->clear();
    cbShape->addItems(names);
    const int index = int(names.indexOf(shapeName));
    cbShape->setCurrentIndex(index >= 0 ? index : 0);
}

TFaceShape TEditPaperPage::ChosenShape() const {
    const int index = cbShape->currentIndex();
    return index >= 0 && index < int(shownShapes_.size()) ? shownShapes_[size_t(index)] : fsRect;
}

QString TEditPaperPage::ChosenPurpose(const QString& current) const {
    const int index = cbPurpose->currentIndex();
    if (papers_ == nullptr || index < 0 || index >= papers_->PurposeList().Count())
        return current;
    return papers_->PurposeList().GetItem(index)->ID;
}

void TEditPaperPage::ShowShapeRows(TFaceShape shape) {
    TFaceInfo face;
    face.FaceShape = shape;
    for (QWidget* w : {static_cast<QWidget*>(lblCutCenter), static_cast<QWidget*>(seCutCenter),
                       static_cast<QWidget*>(cutCenterUnit_)})
        w->setVisible(face.HasCenterHole());
    for (QWidget* w : {static_cast<QWidget*>(lblRoundSize), static_cast<QWidget*>(seRoundSize),
                       static_cast<QWidget*>(roundSizeUnit_)})
        w->setVisible(face.HasRoundCorner());
}

void TEditPaperPage::ApplyImages(TDrawSite& site) {
    if (!extended_ || images_->IsEmpty())
        return;
    TImagePaperInfo copy(nullptr);
    copy.Assign(images_.get());
    ApplyPaperImagesToFaces(site, Paper(), copy, true, true);
}

void TEditPaperPage::AddPattern() {
    TFileDialogRequest request;
    request.Filter = FillFirstPlaceholder(ExpandMacros(QStringLiteral("$(OpenDataFilter)")), TApplication::Title())
                         .replace(QStringLiteral("%s"), QStringLiteral("qld"));
    QStringList files;
    if (!DialogService::Instance().OpenFile(request, files) || files.isEmpty())
        return;
    TImagePaperInfo loaded(nullptr);
    loaded.Assign(images_.get());
    try {
        LoadPaperImages(files.first(), loaded);
    } catch (const Exception& e) {
        // The document is named and nothing changes.
        AppMessageBox(QStringLiteral("%1\n%2").arg(files.first(), e.Message()), {bkOK}, 0, 0);
        return;
    }
    images_->Assign(&loaded);
    PatternChanged();
}

void TEditPaperPage::FinishPage() {
    CollectForFinish();
    const TFaceCheck check = CheckPaperFaces(Paper());
    if (!check.Passed()) {
        ShowCheckedFace(check);
        AppMessageBox(check.Message, {bkOK}, 0, 0);
        return;
    }
    done(kPageFinish);
}

// ---- the grid page

void TfrmEditPaper30::SetDefaults(TMatrixPaperInfo& paper) {
    const int w = paper.Width();
    const int h = paper.Height();
    paper.FaceCountX = 2;
    paper.FaceCountY = 3;
    paper.FaceWidth = w / 3;
    paper.FaceHeight = h / 4;
    paper.TopOffset = (h / 4) / 5;
    paper.LeftOffset = (w / 3) / 3;
    paper.BottomMargin = (h / 4) / 5;
    paper.RightMargin = (w / 3) / 3;
    paper.CutCenterWidth = kDefaultHole;
    paper.CutCenterHeight = kDefaultHole;
}

TfrmEditPaper30::TfrmEditPaper30(QWidget* parent)
    : TEditPaperPage(parent), owner_(std::make_unique<TComponent>(nullptr)),
      paper_(std::make_unique<TMatrixPaperInfo>(nullptr)) {
    setObjectName(QStringLiteral("frmEditPaper30"));
    setWindowTitle(QStringLiteral("用紙の編集・登録-3/3-情報の登録(繰り返し写真)"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    BuildHeaders(layout);
    auto* body = new QHBoxLayout;
    auto* fields = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString& caption, QWidget* field, const QString& unit) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
        fields->addWidget(new QLabel(unit, this), row, 2);
        ++row;
    };
    const auto makeCount = [&](const char* name) {
        auto* edit = new TExSpinEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->SetMinValue(1);
        edit->SetMaxValue(kMaxCount);
        edit->SetValue(1);
        return edit;
    };
    seCountX = makeCount("seCountX");
    addRow(QStringLiteral("横(&Z)"), seCountX, QStringLiteral("面"));
    seCountY = makeCount("seCountY");
    addRow(QStringLiteral("縦(&V)"), seCountY, QStringLiteral("面"));
    seFaceWidth = MakeLengthEdit(this, "seFaceWidth", kMinFaceLength, kMaxLength);
    addRow(QStringLiteral("幅(&D)"), seFaceWidth, QStringLiteral("mm"));
    seFaceHeight = MakeLengthEdit(this, "seFaceHeight", kMinFaceLength, kMaxLength);
    addRow(QStringLiteral("高(&E)"), seFaceHeight, QStringLiteral("mm"));
    seLeftOffset = MakeLengthEdit(this, "seLeftOffset", 0, kMaxLength);
    addRow(QStringLiteral("用紙の左端から(&L)"), seLeftOffset, QStringLiteral("mm"));
    seTopOffset = MakeLengthEdit(this, "seTopOffset", 0, kMaxLength);
    addRow(QStringLiteral("用紙の上端から(&S)"), seTopOffset, QStringLiteral("mm"));
    seGapX = MakeLengthEdit(this, "seGapX", 0, kMaxLength);
    addRow(QStringLiteral("写真枠の左右間隔(&R)"), seGapX, QStringLiteral("mm"));
    seGapY = MakeLengthEdit(this, "seGapY", 0, kMaxLength);
    addRow(QStringLiteral("写真枠の上下間隔(&M)"), seGapY, QStringLiteral("mm"));
    BuildCommon(fields, row, layout);
    body->addLayout(fields);
    pnlPreview = new QWidget(this);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    pnlPreview->setMinimumSize(320, 360);
    pnlPreview->setToolTip(QStringLiteral("用紙イメージ"));
    DrawSite = new TDrawSite(owner_.get(), pnlPreview);
    DrawSite->setObjectName(QStringLiteral("DrawSite"));
    DrawSite->Scaler().SetUnitDPI(kPreviewDPI);
    DrawSite->setEnabled(false);
    DrawSite->OnPaint = [this](TObject*) { PaintPreview(); };
    body->addWidget(pnlPreview, 1);
    layout->insertLayout(1, body);

    for (TExSpinEdit* edit : {seCountX, seCountY, seFaceWidth, seFaceHeight, seLeftOffset, seTopOffset, seGapX,
                              seGapY, seFaceMargin, seCutCenter, seRoundSize})
        edit->OnChange = [this](TObject*) { FieldChanged(); };
    connect(cbShape, &QComboBox::currentIndexChanged, this, [this] {
        if (guard_)
            return;
        paper_->FaceShape = ChosenShape();
        ShowShapeRows(paper_->FaceShape);
        DrawSite->InvalidatePage();
    });
    connect(cbPurpose, &QComboBox::activated, this, [this] {
        paper_->FacePurpose = ChosenPurpose(paper_->FacePurpose);
        const QString shape = cbShape->currentText();
        const bool saved = std::exchange(guard_, true);
        FillShapes(paper_->FacePurpose, shape);
        guard_ = saved;
        paper_->FaceShape = ChosenShape();
        ShowShapeRows(paper_->FaceShape);
        DrawSite->InvalidatePage();
    });
    SetupForm(this);
}

TfrmEditPaper30::~TfrmEditPaper30() {
    DrawSite->OnPaint = nullptr;
}

TPaperInfo& TfrmEditPaper30::Paper() const {
    return *paper_;
}

void TfrmEditPaper30::Setup(const TMatrixPaperInfo& paper, TPapersV2& papers) {
    paper_->Assign(&paper);
    paper_->Landscape = false;
    seCutCenter->SetMinValue(kMinHole);
    seCutCenter->SetMaxValue(kMaxHole);
    if (paper_->GetFaceCount() == 0)
        SetDefaults(*paper_);
    SetupCommon(papers);
    {
        const bool saved = std::exchange(guard_, true);
        seCountX->SetValue(paper_->FaceCountX);
        seCountY->SetValue(paper_->FaceCountY);
        seFaceWidth->SetValue(paper_->FaceWidth);
        seFaceHeight->SetValue(paper_->FaceHeight);
        seLeftOffset->SetValue(paper_->LeftOffset);
        seTopOffset->SetValue(paper_->TopOffset);
        seGapX->SetValue(paper_->RightMargin);
        seGapY->SetValue(paper_->BottomMargin);
        seFaceMargin->SetValue(paper_->FaceMargin);
        seCutCenter->SetValue(paper_->CutCenterWidth);
        seRoundSize->SetValue(paper_->RoundSize);
        SelectPurpose(paper_->FacePurpose);
        FillShapes(paper_->FacePurpose, shapeNames_.value(int(paper_->FaceShape)));
        guard_ = saved;
    }
    paper_->FaceShape = ChosenShape();
    ShowShapeRows(paper_->FaceShape);
    FitPreview();
}

void TfrmEditPaper30::FieldChanged() {
    if (guard_)
        return;
    TExSpinEdit* edits[] = {seCountX, seCountY, seFaceWidth, seFaceHeight, seLeftOffset, seTopOffset,
                            seGapX,   seGapY,   seFaceMargin, seCutCenter, seRoundSize};
    for (TExSpinEdit* edit : edits)
        if (!edit->IsValidText())
            return;
    paper_->FaceCountX = seCountX->Value();
    paper_->FaceCountY = seCountY->Value();
    paper_->FaceWidth = seFaceWidth->Value();
    paper_->FaceHeight = seFaceHeight->Value();
    paper_->LeftOffset = seLeftOffset->Value();
    paper_->TopOffset = seTopOffset->Value();
    paper_->RightMargin = seGapX->Value();
    paper_->BottomMargin = seGapY->Value();
    paper_->FaceMargin = seFaceMargin->Value();
    paper_->CutCenterWidth = seCutCenter->Value();
    paper_->CutCenterHeight = seCutCenter->Value();
    paper_->RoundSize = seRoundSize->Value();
    FitPreview();
}

void TfrmEditPaper30::FitPreview() {
    DrawSite->SetLogWidth(paper_->Width());
    DrawSite->SetLogHeight(paper_->Height());
    const QRect area = pnlPreview->rect().adjusted(2, 2, -2, -2);
    if (area.width() > 0 && area.height() > 0 && paper_->Width() > 0 && paper_->Height() > 0) {
        const TRect r(area.left(), area.top(), area.left() + area.width(), area.top() + area.height());
        DrawSite->Scaler().SetScale(std::max(1, DrawSite->CalcFitScale(DrawSite->ToolCanvas(), r, true, true)));
        DrawSite->UpdateSize();
    }
    const QRect panel = pnlPreview->rect();
    DrawSite->move((panel.width() - DrawSite->width()) / 2, (panel.height() - DrawSite->height()) / 2);
    DrawSite->InvalidatePage();
}

void TfrmEditPaper30::resizeEvent(QResizeEvent* event) {
    TEditPaperPage::resizeEvent(event);
    FitPreview();
}

void TfrmEditPaper30::PatternChanged() {
    DrawSite->DestroyComponents();
    ApplyImages(*DrawSite);
    DrawSite->InvalidatePage();
}

void TfrmEditPaper30::PaintPreview() {
    TCanvas& canvas = *DrawSite->GetDrawCanvas();
    canvas.Brush().Style = bsClear;
    TFaceInfo face;
    for (int i = 0; i < paper_->GetFaceCount(); ++i) {
        paper_->GetFaceInfo(i, face);
        canvas.Pen().Style = psSolid;
        canvas.Pen().Width = 0;
        canvas.Pen().Color = clBlack;
        face.DrawOutline(canvas, false, false);
        if (face.FaceMargin != 0) {
            canvas.Pen().Style = psDot;
            face.DrawInnerOutline(canvas, false);
        }
    }
}
