#include "app/dialogs/FEditPurpose.h"

#include "app/dialogs/FCheckPurpose.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSet>
#include <QVBoxLayout>

namespace {

constexpr int kMaxNewPurpose = 999;

QString NewPurposeID(int n) {
    return QStringLiteral("NewID%1").arg(n);
}

} // namespace

std::array<bool, kFaceShapeCount> ShapeChecksOfMask(TFaceShapes mask) {
    std::array<bool, kFaceShapeCount> checks{};
    for (int i = 0; i < kFaceShapeCount; ++i)
        checks[size_t(i)] = mask == 0 || (mask & FaceShapeBit(TFaceShape(i))) != 0;
    return checks;
}

TFaceShapes ShapeMaskOfChecks(const std::array<bool, kFaceShapeCount>& checks) {
    TFaceShapes mask = 0;
    bool all = true;
    for (int i = 0; i < kFaceShapeCount; ++i) {
        if (checks[size_t(i)])
            mask |= FaceShapeBit(TFaceShape(i));
        else
            all = false;
    }
    return all ? 0 : mask;
}

int NewPurposeNumber(const TPurposeList& list) {
    QSet<QString> taken;
    for (int i = 0; i < list.Count(); ++i)
        taken.insert(list.GetItem(i)->ID.toCaseFolded());
    for (int n = 1; n <= kMaxNewPurpose; ++n)
        if (!taken.contains(NewPurposeID(n).toCaseFolded()))
            return n;
    return 0;
}

QString CheckPurposeIDs(const TPurposeList& list, int* at) {
    QSet<QString> seen;
    TPurposeValidator* validator = TPurposeValidator::Validator();
    for (int i = 0; i < list.Count(); ++i) {
        const QString& id = list.GetItem(i)->ID;
        const QString shown = id.isEmpty() ? QStringLiteral("(空)") : id;
        if (at)
            *at = i;
        if (validator && validator->IsObsolete(id))
            return QStringLiteral("用途ID「%1」は古い用途IDのため使えません").arg(shown);
        if (seen.contains(id.toCaseFolded()))
            return QStringLiteral("用途ID「%1」が重複しています").arg(shown);
        seen.insert(id.toCaseFolded());
    }
    return QString();
}

TfrmEditPurpose::TfrmEditPurpose(QWidget* parent) : QDialog(parent), list_(std::make_unique<TPurposeList>()) {
    setObjectName(QStringLiteral("frmEditPurpose"));
    setWindowTitle(QStringLiteral("用途IDの編集"));
    resize(560, 380);
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);

    auto* left = new QVBoxLayout;
    lblOrder = new QLabel(QStringLiteral("表示順"), this);
    lbPurpose = new QListWidget(this);
    lbPurpose->setObjectName(QStringLiteral("lbPurpose"));
    lblOrder->setBuddy(lbPurpose);
    left->addWidget(lblOrder);
    left->addWidget(lbPurpose, 1);
    auto* listButtons = new QHBoxLayout;
    btnUp = new QPushButton(QStringLiteral("↑"), this);
    btnUp->setObjectName(QStringLiteral("btnUp"));
    btnDown = new QPushButton(QStringLiteral("↓"), this);
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnAdd = new QPushButton(QStringLiteral("追加"), this);
    btnAdd->setObjectName(QStringLiteral("btnAdd"));
    btnDelete = new QPushButton(QStringLiteral("削除"), this);
    btnDelete->setObjectName(QStringLiteral("btnDelete"));
    for (QPushButton* button : {btnUp, btnDown, btnAdd, btnDelete})
        listButtons->addWidget(button);
    left->addLayout(listButtons);
    body->addLayout(left, 1);

    // Each field under its title, so the shape names are shown whole.
    auto* fields = new QVBoxLayout;
    auto* idLabel = new QLabel(QStringLiteral("用途ＩＤ"), this);
    edtID = new QLineEdit(this);
    edtID->setObjectName(QStringLiteral("edtID"));
    idLabel->setBuddy(edtID);
    auto* nameLabel = new QLabel(QStringLiteral("表示名"), this);
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    nameLabel->setBuddy(edtName);
    auto* shapesLabel = new QLabel(QStringLiteral("選択可能な形状"), this);
    clbShapes = new QListWidget(this);
    clbShapes->setObjectName(QStringLiteral("clbShapes"));
    shapesLabel->setBuddy(clbShapes);
    for (QWidget* widget : std::initializer_list<QWidget*>{idLabel, edtID, nameLabel, edtName, shapesLabel})
        fields->addWidget(widget);
    fields->addWidget(clbShapes, 1);
    body->addLayout(fields, 1);

    auto* buttons = new QHBoxLayout;
    btnCheck = new QPushButton(QStringLiteral("用途IDチェック"), this);
    btnCheck->setObjectName(QStringLiteral("btnCheck"));
    buttons->addWidget(btnCheck);
    buttons->addStretch(1);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    connect(lbPurpose, &QListWidget::currentRowChanged, this, [this] {
        ShowPurpose();
        UpdateButtons();
    });
    connect(edtID, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (TPurposeInfo* purpose = Selected(); purpose && !showing_)
            purpose->ID = text;
    });
    connect(edtName, &QLineEdit::textEdited, this, [this](const QString& text) {
        TPurposeInfo* purpose = Selected();
        if (!purpose || showing_)
            return;
        purpose->DisplayName = text;
        lbPurpose->currentItem()->setText(text);
    });
    connect(clbShapes, &QListWidget::itemChanged, this, [this] {
        TPurposeInfo* purpose = Selected();
        if (!purpose || showing_)
            return;
        std::array<bool, kFaceShapeCount> checks{};
        for (int i = 0; i < kFaceShapeCount && i < clbShapes->count(); ++i)
            checks[size_t(i)] = clbShapes->item(i)->checkState() == Qt::Checked;
        purpose->ShapeMask = ShapeMaskOfChecks(checks);
    });
    connect(btnUp, &QPushButton::clicked, this, &TfrmEditPurpose::MoveUp);
    connect(btnDown, &QPushButton::clicked, this, &TfrmEditPurpose::MoveDown);
    connect(btnAdd, &QPushButton::clicked, this, &TfrmEditPurpose::AddPurpose);
    connect(btnDelete, &QPushButton::clicked, this, &TfrmEditPurpose::DeletePurpose);
    connect(btnCheck, &QPushButton::clicked, this, &TfrmEditPurpose::CheckPurposes);
    connect(btnOK, &QPushButton::clicked, this, &TfrmEditPurpose::OkClicked);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    ShowPurpose();
    UpdateButtons();
    SetupForm(this);
}

TfrmEditPurpose::~TfrmEditPurpose() = default;

void TfrmEditPurpose::SetPurposeList(const TPurposeList& list) {
    list_->Assign(&list);
    TStringList names;
    list_->GetDisplayNames(names);
    const QSignalBlocker block(lbPurpose);
    lbPurpose->clear();
    lbPurpose->addItems(names.ToQStringList());
    Select(list_->Count() > 0 ? 0 : -1);
}

TPurposeInfo* TfrmEditPurpose::Selected() const {
    const int row = lbPurpose->currentRow();
    return row >= 0 && row < list_->Count() ? list_->GetItem(row) : nullptr;
}

void TfrmEditPurpose::Select(int row) {
    {
        const QSignalBlocker block(lbPurpose);
        lbPurpose->setCurrentRow(row);
    }
    ShowPurpose();
    UpdateButtons();
}

void TfrmEditPurpose::ShowPurpose() {
    showing_ = true;
    const TPurposeInfo* purpose = Selected();
    clbShapes->clear();
    const QStringList shapes = TFaceInfo::GetShapeNames().split(QLatin1Char(','));
    const std::array<bool, kFaceShapeCount> checks = ShapeChecksOfMask(purpose ? purpose->ShapeMask : 0);
    for (int i = 0; i < shapes.size() && i < kFaceShapeCount; ++i) {
        auto* item = new QListWidgetItem(shapes[i], clbShapes);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(purpose && checks[size_t(i)] ? Qt::Checked : Qt::Unchecked);
    }
    edtID->setText(purpose ? purpose->ID : QString());
    edtName->setText(purpose ? purpose->DisplayName : QString());
    for (QWidget* field : {static_cast<QWidget*>(edtID), static_cast<QWidget*>(edtName),
                           static_cast<QWidget*>(clbShapes)})
        field->setEnabled(purpose != nullptr);
    showing_ = false;
}

void TfrmEditPurpose::UpdateButtons() {
    const int row = Selected() ? lbPurpose->currentRow() : -1;
    btnDelete->setEnabled(row >= 0);
    btnUp->setEnabled(row > 0);
    btnDown->setEnabled(row >= 0 && row < list_->Count() - 1);
}

void TfrmEditPurpose::AddPurpose() {
    const int n = NewPurposeNumber(*list_);
    if (n == 0)
        return;
    TPurposeInfo item(nullptr);
    item.ID = NewPurposeID(n);
    item.DisplayName = QStringLiteral("新規用途%1").arg(n);
    if (!list_->AddUnique(item))
        return;
    {
        const QSignalBlocker block(lbPurpose);
        lbPurpose->addItem(item.DisplayName);
    }
    Select(list_->Count() - 1);
}

void TfrmEditPurpose::DeletePurpose() {
    const int row = lbPurpose->currentRow();
    if (!Selected())
        return;
    list_->Delete(row);
    {
        const QSignalBlocker block(lbPurpose);
        delete lbPurpose->takeItem(row);
    }
    Select(std::min(row, list_->Count() - 1));
}

void TfrmEditPurpose::MoveUp() {
    const int row = lbPurpose->currentRow();
    if (!Selected() || row <= 0)
        return;
    list_->GetItem(row)->SetIndex(row - 1);
    {
        const QSignalBlocker block(lbPurpose);
        lbPurpose->insertItem(row - 1, lbPurpose->takeItem(row));
    }
    Select(row - 1);
}

void TfrmEditPurpose::MoveDown() {
    const int row = lbPurpose->currentRow();
    if (!Selected() || row >= list_->Count() - 1)
        return;
    list_->GetItem(row)->SetIndex(row + 1);
    {
        const QSignalBlocker block(lbPurpose);
        lbPurpose->insertItem(row + 1, lbPurpose->takeItem(row));
    }
    Select(row + 1);
}

void TfrmEditPurpose::CheckPurposes() {
    if (!papers_)
        return;
    TfrmCheckPurpose check(this);
    check.SetPapers(papers_);
    check.exec();
}

void TfrmEditPurpose::OkClicked() {
    int at = -1;
    const QString refusal = CheckPurposeIDs(*list_, &at);
    if (!refusal.isEmpty()) {
        // The purpose refused is shown, ready to be corrected.
        Select(at);
        AppShowMessage(refusal);
        return;
    }
    accept();
}
