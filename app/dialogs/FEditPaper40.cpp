#include "app/dialogs/FEditPaper40.h"

#include "app/dialogs/UPaperEditing.h"
#include "controls/Exspined.h"
#include "core/UAppUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "papers/ULOFace.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = 5045;
constexpr int kSiteDPI = 254;
constexpr int kMaxLength = 10000;
constexpr int kMinFaceLength = 30;

// The free page's site: with moves locked a press drops the drag it began, so faces are only
// selected.
class TFreeFaceSite : public TDrawSite {
public:
    using TDrawSite::TDrawSite;
    bool LockMoves = false;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override {
        TDrawSite::MouseDown(button, shift, x, y);
        if (LockMoves)
            GhostList().ClearGhosts();
    }
};

} // namespace

TfrmEditPaper40::UndoGuard::UndoGuard() : saved(UndoList().Enabled()) {
    UndoList().SetEnabled(false);
}

TfrmEditPaper40::UndoGuard::~UndoGuard() {
    UndoList().SetEnabled(saved);
}

TRect TfrmEditPaper40::DefaultFaceRect(const TPaperInfo& paper) {
    const int w = paper.Width() / 2;
    const int h = paper.Height() / 4;
    const int left = paper.Width() / 2 - w / 2;
    const int top = paper.Height() / 2 - h / 2;
    return TRect(left, top, left + w, top + h);
}

TfrmEditPaper40::TfrmEditPaper40(QWidget* parent)
    : TEditPaperPage(parent), owner_(std::make_unique<TComponent>(nullptr)),
      paper_(std::make_unique<TFreePaperInfo>(nullptr)) {
    setObjectName(QStringLiteral("frmEditPaper40"));
    setWindowTitle(QStringLiteral("用紙の編集・登録-3/3-情報の登録(フリー写真)"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    BuildHeaders(layout);
    auto* body = new QHBoxLayout;
    auto* fields = new QGridLayout;
    int row = 0;
    const auto addRow = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
        fields->addWidget(new QLabel(QStringLiteral("mm"), this), row, 2);
        ++row;
    };
    seLeft = MakeLengthEdit(this, "seLeft", 0, kMaxLength);
    addRow(QStringLiteral("用紙の左端から(&L)"), seLeft);
    seTop = MakeLengthEdit(this, "seTop", 0, kMaxLength);
    addRow(QStringLiteral("用紙の上端から(&S)"), seTop);
    seWidth = MakeLengthEdit(this, "seWidth", kMinFaceLength, kMaxLength);
    addRow(QStringLiteral("写真枠の幅(&I)"), seWidth);
    seHeight = MakeLengthEdit(this, "seHeight", kMinFaceLength, kMaxLength);
    addRow(QStringLiteral("写真枠の高さ(&E)"), seHeight);
    BuildCommon(fields, row, layout);
    body->addLayout(fields);

    auto* right = new QVBoxLayout;
    auto* siteLabel = new QLabel(QStringLiteral("写真枠の選択・移動"), this);
    right->addWidget(siteLabel);
    pnlPreview = new QWidget(this);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    pnlPreview->setMinimumSize(320, 360);
    auto* site = new TFreeFaceSite(owner_.get(), pnlPreview);
    DrawSite = site;
    DrawSite->setObjectName(QStringLiteral("DrawSite"));
    DrawSite->Scaler().SetUnitDPI(kSiteDPI);
    right->addWidget(pnlPreview, 1);
    auto* faceButtons = new QHBoxLayout;
    btnAddFace = new QPushButton(QStringLiteral("写真枠追加(&A)"), this);
    btnAddFace->setObjectName(QStringLiteral("btnAddFace"));
    btnDeleteFace = new QPushButton(QStringLiteral("写真枠削除(&D)"), this);
    btnDeleteFace->setObjectName(QStringLiteral("btnDeleteFace"));
    chkLockMoves = new QCheckBox(QStringLiteral("マウス移動禁止"), this);
    chkLockMoves->setObjectName(QStringLiteral("chkLockMoves"));
    for (QWidget* w : {static_cast<QWidget*>(btnAddFace), static_cast<QWidget*>(btnDeleteFace),
                       static_cast<QWidget*>(chkLockMoves)})
        faceButtons->addWidget(w);
    right->addLayout(faceButtons);
    body->addLayout(right, 1);
    layout->insertLayout(1, body);

    for (TExSpinEdit* edit : {seLeft, seTop, seWidth, seHeight, seFaceMargin, seCutCenter, seRoundSize})
        edit->OnChange = [this](TObject*) { ApplyFace(); };
    connect(cbShape, &QComboBox::currentIndexChanged, this, [this] { ApplyFace(); });
    connect(cbPurpose, &QComboBox::activated, this, [this] {
        TLOFace* face = GetFace(*DrawSite, current_);
        const QString purpose = ChosenPurpose(face != nullptr ? face->FaceInfo().FacePurpose : QString());
        const QString shape = cbShape->currentText();
        const bool saved = std::exchange(guard_, true);
        FillShapes(purpose, shape);
        guard_ = saved;
        ApplyFace();
    });
    connect(btnAddFace, &QPushButton::clicked, this, &TfrmEditPaper40::AddFace);
    connect(btnDeleteFace, &QPushButton::clicked, this, &TfrmEditPaper40::DeleteFace);
    connect(chkLockMoves, &QCheckBox::toggled, this, [site](bool on) { site->LockMoves = on; });
    // A drag ended: the face dragged is the current one, its fields follow.
    DrawSite->OnClearGhost = [this](TObject*) {
        for (int i = 0; i < CountFaces(*DrawSite); ++i)
            if (GetFace(*DrawSite, i)->Selected()) {
                current_ = i;
                break;
            }
        RefreshHandles();
        ShowFace();
    };
    SetupForm(this);
}

TfrmEditPaper40::~TfrmEditPaper40() {
    GhostList().ClearGhosts();
    DrawSite->OnClearGhost = nullptr;
    DrawSite->ClearPivots();
}

TPaperInfo& TfrmEditPaper40::Paper() const {
    return *paper_;
}

void TfrmEditPaper40::Setup(const TFreePaperInfo& paper, TPapersV2& papers) {
    paper_->Assign(&paper);
    paper_->Landscape = false;
    SetupCommon(papers);
    if (paper_->GetFaceCount() == 0) {
        TFaceItem* item = paper_->Faces()->Add();
        item->Rect = DefaultFaceRect(*paper_);
    }
    MakeFaceObjects();
    FitPreview();
    SelectAndShow(0);
}

TLOFace* TfrmEditPaper40::NewFaceObject() {
    auto* face = new TLOFace(DrawSite);
    face->SetSingleSelect(true);
    face->Editable = true;
    return face;
}

void TfrmEditPaper40::MakeFaceObjects() {
    TFaceInfo info;
    for (int i = 0; i < paper_->GetFaceCount(); ++i) {
        TLOFace* face = NewFaceObject();
        paper_->GetFaceInfo(i, info);
        face->SetFaceInfo(info);
        DrawSite->AddObject(face);
    }
}

void TfrmEditPaper40::RefreshHandles() {
    DrawSite->ClearPivots();
    DrawSite->UpdatePivots();
    DrawSite->InvalidateOverlay();
}

void TfrmEditPaper40::SelectAndShow(int index) {
    DrawSite->SelectAll(false);
    current_ = index;
    SelectFace(*DrawSite, index);
    RefreshHandles();
    ShowFace();
}

void TfrmEditPaper40::ShowFace() {
    TLOFace* face = GetFace(*DrawSite, current_);
    if (face == nullptr)
        return;
    const TFaceInfo& info = face->FaceInfo();
    const bool saved = std::exchange(guard_, true);
    seFaceMargin->SetValue(info.FaceMargin);
    seLeft->SetValue(info.Rect.Left);
    seTop->SetValue(info.Rect.Top);
    seWidth->SetValue(info.Rect.Width());
    seHeight->SetValue(info.Rect.Height());
    SelectPurpose(info.FacePurpose);
    FillShapes(info.FacePurpose, shapeNames_.value(int(info.FaceShape)));
    seCutCenter->SetValue(info.CutCenterWidth);
    seRoundSize->SetValue(info.RoundSize);
    guard_ = saved;
    ShowShapeRows(ChosenShape());
}

void TfrmEditPaper40::ApplyFace() {
    if (guard_)
        return;
    TLOFace* face = GetFace(*DrawSite, current_);
    if (face == nullptr)
        return;
    TExSpinEdit* edits[] = {seLeft, seTop, seWidth, seHeight, seFaceMargin, seCutCenter, seRoundSize};
    for (TExSpinEdit* edit : edits)
        if (!edit->IsValidText())
            return;
    TFaceInfo info;
    info.Assign(&face->FaceInfo());
    const int left = seLeft->Value();
    const int top = seTop->Value();
    info.Rect = TRect(left, top, left + seWidth->Value(), top + seHeight->Value());
    info.FaceMargin = seFaceMargin->Value();
    info.FaceShape = ChosenShape();
    info.FacePurpose = ChosenPurpose(info.FacePurpose);
    info.CutCenterWidth = seCutCenter->Value();
    info.CutCenterHeight = seCutCenter->Value();
    info.RoundSize = seRoundSize->Value();
    face->SetFaceInfo(info);
    RefreshHandles();
    ShowShapeRows(info.FaceShape);
}

void TfrmEditPaper40::AddFace() {
    DrawSite->SelectAll(false);
    DrawSite->ClearPivots();
    TLOFace* face = NewFaceObject();
    TFaceInfo info;
    if (TLOFace* model = GetFace(*DrawSite, current_))
        info.Assign(&model->FaceInfo());
    info.Rect = DefaultFaceRect(*paper_);
    face->SetFaceInfo(info);
    DrawSite->AddObject(face);
    current_ = CountFaces(*DrawSite) - 1;
    face->SetSelected(true);
    ShowFace();
    RefreshHandles();
}

void TfrmEditPaper40::DeleteFace() {
    if (CountFaces(*DrawSite) < 2)
        return;
    DrawSite->ClearPivots();
    delete GetFace(*DrawSite, current_);
    current_ = std::min(current_, CountFaces(*DrawSite) - 1);
    SelectAndShow(current_);
    DrawSite->InvalidatePage();
}

void TfrmEditPaper40::CollectFaces() {
    paper_->Faces()->Clear();
    for (int i = 0; i < CountFaces(*DrawSite); ++i)
        paper_->Faces()->Add()->SetFromFaceInfo(GetFace(*DrawSite, i)->FaceInfo());
}

void TfrmEditPaper40::ShowCheckedFace(const TFaceCheck& check) {
    SelectAndShow(check.Face);
}

void TfrmEditPaper40::FitPreview() {
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
    RefreshHandles();
}

void TfrmEditPaper40::resizeEvent(QResizeEvent* event) {
    TEditPaperPage::resizeEvent(event);
    FitPreview();
}

void TfrmEditPaper40::PatternChanged() {
    // The pattern's objects go; the faces stay.
    for (int i = DrawSite->ControlCount() - 1; i >= 0; --i) {
        auto* object = dynamic_cast<TDrawObject*>(DrawSite->Controls(i));
        if (object != nullptr && dynamic_cast<TLOFace*>(object) == nullptr)
            delete object;
    }
    CollectFaces();
    ApplyImages(*DrawSite);
    DrawSite->InvalidatePage();
}
