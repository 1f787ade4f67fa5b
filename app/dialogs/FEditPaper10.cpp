#include "app/dialogs/FEditPaper10.h"

#include "app/dialogs/FEditPaper20.h"
#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FEditPaper40.h"
#include "app/dialogs/UPaperEditing.h"
#include "controls/Exspined.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULOFace.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Component.h"
#include "platform/Printer.h"
#include "platform/StringList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = 5042;
constexpr int kMinPaperLength = 500;
constexpr int kMaxSheetLength = 10000;
constexpr int kComboLines = 20;
constexpr int kPreviewSize = 220;

QString OtherSheetText() {
    return QStringLiteral("その他");
}

std::unique_ptr<TExtraPaperInfo> StoredOrNew(TPapersV2& papers, const QString& base, const QString& name,
                                             const TMetaClass& meta) {
    std::unique_ptr<TExtraPaperInfo> info = papers.GetExtraInfo(base, name);
    if (!info || !info->InheritsFrom(meta))
        info.reset(static_cast<TExtraPaperInfo*>(meta.CreateComponent(nullptr)));
    info->PaperName = name;
    return info;
}

template <class T> std::unique_ptr<T> Downcast(std::unique_ptr<TExtraPaperInfo> info) {
    return std::unique_ptr<T>(static_cast<T*>(info.release()));
}

} // namespace

QString ShortenToWidth(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width)
        return text;
    const QString dots = QStringLiteral("...");
    // Halving finds the longest head that fits with the dots: one measure per step, not per character.
    int low = 0;
    int high = int(text.size());
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(mid) + dots) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    // Never split a surrogate pair.
    if (low > 0 && text.at(low - 1).isHighSurrogate())
        --low;
    return text.left(low) + dots;
}

QString NewUserPaperName(const TPapers& papers) {
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("ユーザー用紙%1").arg(n);
        if (papers.IndexOf(name) < 0)
            return name;
    }
}

TfrmEditPaper10::TfrmEditPaper10(QWidget* parent)
    : QDialog(parent), owner_(std::make_unique<TComponent>(nullptr)),
      matrix_(std::make_unique<TMatrixPaperInfo>(nullptr)), free_(std::make_unique<TFreePaperInfo>(nullptr)),
      exInfo_(std::make_unique<TExPaperInfo>(nullptr)), images_(std::make_unique<TImagePaperInfo>(nullptr)),
      album_(std::make_unique<TExAlbumInfo>(nullptr)) {
    setObjectName(QStringLiteral("frmEditPaper10"));
    setWindowTitle(QStringLiteral("用紙の編集・登録-1/3-用紙名の登録"));
    setProperty("HelpContext", kHelpContext);
    extended_ = AdvancedPaperMode();

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* fields = new QGridLayout;
    lblSourceKind = new QLabel(this);
    lblSourceKind->setObjectName(QStringLiteral("lblSourceKind"));
    lblSource = new QLabel(this);
    lblSource->setObjectName(QStringLiteral("lblSource"));
    lblSource->setMinimumWidth(200);
    lblSource->setMaximumWidth(260);
    fields->addWidget(lblSourceKind, 0, 0);
    fields->addWidget(lblSource, 0, 1, 1, 2);

    const auto addRow = [&](int row, const QString& caption, QWidget* field, const QString& unit = {}) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        fields->addWidget(label, row, 0);
        fields->addWidget(field, row, 1);
        if (!unit.isEmpty())
            fields->addWidget(new QLabel(unit, this), row, 2);
    };
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    addRow(1, QStringLiteral("用紙名(&N)"), edtName);
    cbGroup = new QComboBox(this);
    cbGroup->setObjectName(QStringLiteral("cbGroup"));
    cbGroup->setEditable(true);
    cbGroup->setInsertPolicy(QComboBox::NoInsert);
    cbGroup->setMaxVisibleItems(kComboLines);
    cbGroup->setToolTip(QStringLiteral("新しい用途名を入力することもできます"));
    addRow(2, QStringLiteral("用途(&U)"), cbGroup);
    cbMaker = new QComboBox(this);
    cbMaker->setObjectName(QStringLiteral("cbMaker"));
    cbMaker->setEditable(true);
    cbMaker->setInsertPolicy(QComboBox::NoInsert);
    cbMaker->setToolTip(QStringLiteral("新しいメーカーを入力することもできます"));
    addRow(3, QStringLiteral("メーカー名(&M)"), cbMaker);
    cbSheet = new QComboBox(this);
    cbSheet->setObjectName(QStringLiteral("cbSheet"));
    addRow(4, QStringLiteral("台紙(&P)"), cbSheet);
    seWidth = MakeLengthEdit(this, "seWidth", kMinPaperLength, kMaxSheetLength);
    addRow(5, QStringLiteral("横(&W)"), seWidth, QStringLiteral("mm"));
    seHeight = MakeLengthEdit(this, "seHeight", kMinPaperLength, kMaxSheetLength);
    addRow(6, QStringLiteral("縦(&H)"), seHeight, QStringLiteral("mm"));
    top->addLayout(fields, 1);

    pnlPreview = new QWidget(this);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    pnlPreview->setFixedSize(kPreviewSize, kPreviewSize);
    PaperSite = new TPaperSite(owner_.get(), pnlPreview);
    PaperSite->setEnabled(false);
    top->addWidget(pnlPreview);
    layout->addLayout(top);

    gbExtended = new QGroupBox(QStringLiteral("拡張"), this);
    gbExtended->setObjectName(QStringLiteral("gbExtended"));
    auto* ext = new QGridLayout(gbExtended);
    cbPurpose = new QComboBox(gbExtended);
    cbPurpose->setObjectName(QStringLiteral("cbPurpose"));
    cbPurpose->setEditable(true);
    cbPurpose->setInsertPolicy(QComboBox::NoInsert);
    auto* purposeLabel = new QLabel(QStringLiteral("用途(&U)"), gbExtended);
    purposeLabel->setBuddy(cbPurpose);
    ext->addWidget(purposeLabel, 0, 0);
    ext->addWidget(cbPurpose, 0, 1);
    chkReadOnly = new QCheckBox(QStringLiteral("ReadOnly"), gbExtended);
    chkReadOnly->setObjectName(QStringLiteral("chkReadOnly"));
    ext->addWidget(chkReadOnly, 0, 2);
    seLeftMargin = MakeLengthEdit(gbExtended, "seLeftMargin", 0, kMaxSheetLength);
    ext->addWidget(new QLabel(QStringLiteral("左"), gbExtended), 1, 0);
    auto* margin = new QHBoxLayout;
    margin->addWidget(seLeftMargin);
    margin->addWidget(new QLabel(QStringLiteral("mm"), gbExtended));
    ext->addLayout(margin, 1, 1);
    chkCanReverse = new QCheckBox(QStringLiteral("裏面印刷可能"), gbExtended);
    chkCanReverse->setObjectName(QStringLiteral("chkCanReverse"));
    ext->addWidget(chkCanReverse, 1, 2);
    edtPaperMemo = new QLineEdit(gbExtended);
    edtPaperMemo->setObjectName(QStringLiteral("edtPaperMemo"));
    ext->addWidget(new QLabel(QStringLiteral("用紙詳細"), gbExtended), 2, 0);
    ext->addWidget(edtPaperMemo, 2, 1);
    chkFullPaint = new QCheckBox(QStringLiteral("全面"), gbExtended);
    chkFullPaint->setObjectName(QStringLiteral("chkFullPaint"));
    ext->addWidget(chkFullPaint, 2, 2);
    gbExtended->setVisible(extended_);
    layout->addWidget(gbExtended);
    layout->addStretch(1);

    TWizardButtons buttons = MakeWizardButtons(this, layout, false);
    btnCancel = buttons.Cancel;
    btnBack = buttons.Back;
    btnNext = buttons.Next;
    btnFinish = buttons.Finish;
    btnBack->setEnabled(false);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnFinish, &QPushButton::clicked, this, &TfrmEditPaper10::Finish);
    connect(btnNext, &QPushButton::clicked, this, [this] {
        CollectPaper();
        if (!ValidatePage())
            return;
        hide();
        RunPages();
    });
    seWidth->OnChange = [this](TObject*) { SizeChanged(); };
    seHeight->OnChange = [this](TObject*) { SizeChanged(); };
    connect(cbSheet, &QComboBox::activated, this, [this] { SheetChosen(); });

    const QStringList& printers = Printer().Printers();
    const int index = Printer().PrinterIndex();
    forms_ = CreatePrinterForm(index >= 0 && index < printers.size() ? printers[index] : QString(), QString(),
                               nullptr);
    SetupForm(this);
}

TfrmEditPaper10::~TfrmEditPaper10() {
    // The site's faces go before the papers they were made from.
    PaperSite->SetPaperInfo(nullptr);
}

int TfrmEditPaper10::exec() {
    setResult(0);
    setWindowModality(Qt::ApplicationModal);
    QPointer<TfrmEditPaper10> self(this);
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec();
    return self ? result() : Rejected;
}

void TfrmEditPaper10::Setup(const TPaperInfo& paper, TPapersV2& papers, bool isNew) {
    isNew_ = isNew;
    papers_ = &papers;
    TStringList groups;
    papers.GetGroupNames(groups);
    cbGroup->clear();
    cbGroup->addItems(groups.ToQStringList());

    isMatrix_ = dynamic_cast<const TMatrixPaperInfo*>(&paper) != nullptr;
    TPaperInfo* working = GetResultPaper();
    working->Assign(&paper);

    cbSheet->clear();
    const int formCount = forms_->GetFormList()->GetCount();
    for (int i = 0; i < formCount; ++i)
        cbSheet->addItem(forms_->GetForm(i)->GetName());
    cbSheet->addItem(OtherSheetText());

    working->ReadOnly = extended_;
    working->Landscape = false;
    if (isNew) {
        edtName->setText(NewUserPaperName(papers));
    } else {
        edtName->setText(paper.PaperName);
        edtName->setReadOnly(true);
        edtName->setBackgroundRole(QPalette::Window);
        edtName->setAutoFillBackground(true);
        QPalette palette = edtName->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        edtName->setPalette(palette);
    }
    cbGroup->setCurrentText(working->GroupName);
    {
        const bool saved = std::exchange(sizeGuard_, true);
        seWidth->SetValue(working->Width());
        seHeight->SetValue(working->Height());
        sizeGuard_ = saved;
    }
    SelectSheetOfSize();
    chkReadOnly->setChecked(working->ReadOnly);

    exInfo_ = Downcast<TExPaperInfo>(
        StoredOrNew(papers, QStringLiteral("ExtraInfos"), paper.PaperName, TExPaperInfo::StaticClass()));
    images_ = Downcast<TImagePaperInfo>(
        StoredOrNew(papers, QStringLiteral("PaperImages"), paper.PaperName, TImagePaperInfo::StaticClass()));
    album_ = Downcast<TExAlbumInfo>(
        StoredOrNew(papers, QStringLiteral("ExtraAlbumInfo"), paper.PaperName, TExAlbumInfo::StaticClass()));

    TStringList companies, purposes;
    GetCompanyAndPurposeLists(papers, companies, purposes);
    QStringList makers = companies.ToQStringList();
    makers.sort();
    cbMaker->clear();
    cbMaker->addItems(makers);
    QStringList purposeNames = purposes.ToQStringList();
    purposeNames.sort();
    cbPurpose->clear();
    cbPurpose->addItems(purposeNames);

    cbPurpose->setCurrentText(exInfo_->Purpose);
    seLeftMargin->SetValue(album_->LeftMargin());
    chkCanReverse->setChecked(album_->CanReverse);
    edtPaperMemo->setText(working->ReadOnly ? album_->PaperMemo : QString());
    chkFullPaint->setChecked(album_->FullPaint);
    cbMaker->setCurrentText(exInfo_->Company.isEmpty() ? NotSetText() : exInfo_->Company);

    lblSourceKind->setText(QStringLiteral("%1用紙").arg(isNew ? QStringLiteral("元にする") : QStringLiteral("編集する")));
    lblSource->setToolTip(paper.PaperName);
    const QFontMetrics metrics(lblSource->font());
    const int room = lblSource->maximumWidth() - metrics.horizontalAdvance(QStringLiteral("[ ]"));
    lblSource->setText(QStringLiteral("[%1]").arg(ShortenToWidth(paper.PaperName, metrics, room)));
    ShowPreview();
}

TPaperInfo* TfrmEditPaper10::GetResultPaper() const {
    return isMatrix_ ? static_cast<TPaperInfo*>(matrix_.get()) : free_.get();
}

void TfrmEditPaper10::ShowPreview() {
    TPaperInfo* paper = GetResultPaper();
    PaperSite->SetPaperInfo(paper);
    if (extended_ && !images_->IsEmpty()) {
        TImagePaperInfo copy(nullptr);
        copy.Assign(images_.get());
        ApplyPaperImagesToFaces(*PaperSite, *paper, copy, true, true);
        RemovePaperImageMarks(*PaperSite);
    }
}

void TfrmEditPaper10::SelectSheetOfSize() {
    const int index = forms_->IndexOfSize(TPoint(seWidth->Value(), seHeight->Value()));
    const bool saved = std::exchange(sizeGuard_, true);
    cbSheet->setCurrentIndex(index >= 0 ? index : cbSheet->count() - 1);
    sizeGuard_ = saved;
}

void TfrmEditPaper10::SizeChanged() {
    if (sizeGuard_)
        return;
    TExSpinEdit* edits[] = {seWidth, seHeight};
    for (TExSpinEdit* edit : edits)
        if (!edit->IsValidText())
            return;
    TPaperInfo* paper = GetResultPaper();
    paper->SetWidth(seWidth->Value());
    paper->SetHeight(seHeight->Value());
    SelectSheetOfSize();
    // The preview follows the sizes typed.
    ShowPreview();
}

void TfrmEditPaper10::SheetChosen() {
    if (sizeGuard_)
        return;
    const int index = cbSheet->currentIndex();
    if (index < 0 || index >= forms_->GetFormList()->GetCount())
        return;
    const TPoint size = forms_->GetForm(index)->GetSize();
    {
        const bool saved = std::exchange(sizeGuard_, true);
        seWidth->SetValue(size.X);
        seHeight->SetValue(size.Y);
        sizeGuard_ = saved;
    }
    TPaperInfo* paper = GetResultPaper();
    paper->SetWidth(seWidth->Value());
    paper->SetHeight(seHeight->Value());
    ShowPreview();
}

void TfrmEditPaper10::CollectPaper() {
    TPaperInfo* paper = GetResultPaper();
    paper->PaperName = edtName->text();
    paper->GroupName = cbGroup->currentText();
    paper->SetWidth(seWidth->Value());
    paper->SetHeight(seHeight->Value());
    paper->ReadOnly = chkReadOnly->isChecked();

    exInfo_->PaperName = paper->PaperName;
    exInfo_->Company = cbMaker->currentText();
    // The purpose is kept (the extended field edits it), never emptied by collecting.
    if (extended_)
        exInfo_->Purpose = cbPurpose->currentText();
    images_->PaperName = paper->PaperName;
    album_->PaperName = paper->PaperName;
    album_->SetLeftMargin(seLeftMargin->Value());
    album_->CanReverse = chkCanReverse->isChecked();
    album_->PaperMemo = edtPaperMemo->text();
    album_->FullPaint = chkFullPaint->isChecked();

    TPaperInfo* other = isMatrix_ ? static_cast<TPaperInfo*>(free_.get()) : matrix_.get();
    other->ReadOnly = paper->ReadOnly;
    other->Landscape = paper->Landscape;
    other->PaperName = paper->PaperName;
    other->GroupName = paper->GroupName;
    other->SetWidth(paper->Width());
    other->SetHeight(paper->Height());
}

bool TfrmEditPaper10::ValidatePage() {
    const auto refuse = [](const QString& message) {
        AppMessageBox(message, {bkOK}, 0, 0);
        return false;
    };
    if (edtName->text().isEmpty())
        return refuse(QStringLiteral("用紙名を入力してください"));
    if (cbMaker->currentText().isEmpty())
        return refuse(QStringLiteral("メーカー名を入力してください"));
    if (cbGroup->currentText().isEmpty())
        return refuse(QStringLiteral("用紙の用途を入力してください"));
    if (isNew_ && papers_ != nullptr && papers_->IndexOf(edtName->text()) >= 0)
        return refuse(QStringLiteral("この用紙名は、すでに登録されています"));
    return true;
}

void TfrmEditPaper10::Finish() {
    CollectPaper();
    if (!ValidatePage())
        return;
    // A smaller sheet can leave faces outside: the same checks as the last page's.
    const TFaceCheck check = CheckPaperFaces(*GetResultPaper());
    if (!check.Passed()) {
        AppMessageBox(check.Message, {bkOK}, 0, 0);
        return;
    }
    accept();
}

void TfrmEditPaper10::RunPages() {
    int page = 0;
    int result = kPageNext;
    QPointer<TfrmEditPaper10> self(this);
    const QString sheet = cbSheet->currentText();
    for (;;) {
        if (result == kPageNext)
            page = page == 1 ? (isMatrix_ ? 2 : 3) : page + 1;
        else if (result == kPageBack)
            page = page == 3 ? 1 : page - 1;
        else
            break;
        if (page <= 0) {
            show();
            return;
        }
        const QString purposeText = exInfo_->Purpose;
        if (page == 1) {
            TfrmEditPaper20 layout(this);
            layout.Setup(isMatrix_);
            page_ = &layout;
            result = layout.exec();
            page_ = nullptr;
            if (result == kPageNext)
                isMatrix_ = layout.IsMatrix();
        } else if (page == 2) {
            TfrmEditPaper30 grid(this);
            grid.SetExtended(extended_);
            grid.Setup(*matrix_, *papers_);
            grid.SetPaperImages(*images_);
            grid.SetHeaders(matrix_->PaperName, sheet, purposeText);
            grid.SetAlbumInfo(*album_);
            page_ = &grid;
            result = grid.exec();
            page_ = nullptr;
            if (result == kPageFinish) {
                matrix_->Assign(&grid.Paper());
                images_->Assign(&grid.PaperImages());
                album_->Assign(&grid.AlbumInfo());
            }
        } else {
            TfrmEditPaper40 freePage(this);
            freePage.SetExtended(extended_);
            freePage.Setup(*free_, *papers_);
            freePage.SetPaperImages(*images_);
            freePage.SetHeaders(free_->PaperName, sheet, purposeText);
            freePage.SetAlbumInfo(*album_);
            page_ = &freePage;
            result = freePage.exec();
            page_ = nullptr;
            if (result == kPageFinish) {
                free_->Assign(&freePage.Paper());
                images_->Assign(&freePage.PaperImages());
                album_->Assign(&freePage.AlbumInfo());
            }
        }
        if (!self)
            return;
        // A page closed by its window's close box counts as cancelled.
        if (result != kPageNext && result != kPageBack && result != kPageFinish)
            result = kPageCancel;
    }
    if (result == kPageFinish) {
        Finish();
        // A finish refused here (a rule of page 1) leaves page 1 open to mend it.
        if (self && !isVisible() && QDialog::result() != Accepted)
            show();
    } else {
        reject();
    }
}
