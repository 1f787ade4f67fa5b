#include "app/dialogs/FPrintDialog.h"

#include "app/dialogs/FWaitPrintJob.h"
#include "app/dialogs/UFocusRing.h"
#include "core/UAppFrame.h"
#include "imaging/URotateBitmap.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UPrintSite.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "papers/printing/UmPrinterForm.h"
#include "platform/Bitmap.h"
#include "platform/DevMode.h"
#include "platform/DialogService.h"
#include "platform/PixelBuffer.h"
#include "platform/Printer.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

const QString kBothCovers = QStringLiteral("表表紙+裏表紙");
const QString kFrontOnly = QStringLiteral("表表紙のみ");
const QString kBackOnly = QStringLiteral("裏表紙のみ");
// Sheets before the first page: the two cover slots.
constexpr int kCoverSheets = 2;
// Offsets in 0.1 mm, shown in millimetres.
constexpr int kOffsetLimit = 999;
constexpr double kTenthsPerMm = 10.0;
constexpr int kPreviewSize = 200;
constexpr int kPreviewBits = 24;
constexpr int kQuarterTurn = 90;

int Tenths(const QDoubleSpinBox* spin) {
    return int(std::lround(spin->value() * kTenthsPerMm));
}

QString ReplaceFileQuestion(const QString& fileName) {
    return QStringLiteral("ファイル「%1」は既にあります。置き換えますか?").arg(fileName);
}

// When the current printer has no sheet of the paper's size (and takes no size of the user's), what
// it prints on instead, as its set-up lists it; empty when it has one. Labels printed on another
// sheet land beside their faces, so the user hears of it before printing.
QString PaperSizeNote(const TPaperInfo* paper) {
    TPrinter& printer = Printer();
    const QString name = printer.PrinterName();
    const QList<TPaperForm> forms = printer.Forms(name);
    if (!paper || forms.isEmpty())
        return {};
    // The same match as the one that carries the paper to the printer.
    const TPoint size(paper->StoredWidth(), paper->StoredHeight());
    for (const TPaperForm& form : forms)
        if (form.PaperID == DMPAPER_USER || (std::abs(form.Width - size.X) <= FormSizeTolerance &&
                                             std::abs(form.Height - size.Y) <= FormSizeTolerance))
            return {};
    QString used = printer.PageSize().name();
    const TDevModeFields fields = TDevModeFields::Read(printer.DevMode());
    for (const TPaperForm& form : forms)
        if ((fields.Fields & DM_PAPERSIZE) && form.PaperID == fields.PaperSize)
            used = form.Name;
    return QStringLiteral("プリンタ「%1」にはこの用紙のサイズ(%2)がありません。プリンタの用紙「%3」で印刷します。")
        .arg(name, PaperFormName(size), used);
}

} // namespace

TPrintChoices& PrintChoices() {
    static TPrintChoices choices;
    return choices;
}

void ResetPrintChoices() {
    PrintChoices() = TPrintChoices();
}

void FillPrintSpec(TPrintSpec& spec) {
    const TPrintChoices& c = PrintChoices();
    spec.Copies = 1;
    spec.SolidOutline = false;
    spec.DottedOutline = false;
    spec.PrintPaperImages = false;
    spec.Offset = TPoint(c.LeftOffset, c.TopOffset);
    spec.AllFaces = true;
    spec.PrintOption = c.NoPaperChangeMsg;
    for (size_t i = 0; i < c.SheetFlags.size(); ++i)
        spec.SetSheetPrinted(int(i), c.SheetFlags[i]);
}

bool HasChosenSheets(const TLabelData* document) {
    const TPrintChoices& c = PrintChoices();
    // Sheets added or removed since: the flags name other sheets, or none that still exists.
    if (!document || c.FlagsDocument != document || c.SheetFlags.size() != size_t(document->GetSheetCount()))
        return false;
    for (bool flag : c.SheetFlags)
        if (flag)
            return true;
    return false;
}

bool ChoosePdfOutputFile(const QString& documentFileName) {
    TPrinter& printer = Printer();
    TFileDialogRequest request;
    request.Filter = QStringLiteral("PDF ファイル (*.pdf)|*.pdf");
    request.DefaultExt = QStringLiteral("pdf");
    // Asked below, in the program's own message window.
    request.OverwritePrompt = false;
    if (const QString last = printer.OutputFileName(); !last.isEmpty()) {
        const QFileInfo info(last);
        request.InitialDir = info.absolutePath();
        request.FileName = info.fileName();
    } else {
        const QFileInfo document(documentFileName);
        request.InitialDir = documentFileName.isEmpty() ? QString() : document.absolutePath();
        request.FileName = (documentFileName.isEmpty() ? QStringLiteral("新規作成") : document.completeBaseName()) +
                           QStringLiteral(".pdf");
    }
    QString fileName;
    if (!DialogService::Instance().SaveFile(request, fileName) || fileName.isEmpty())
        return false;
    if (QFileInfo::exists(fileName) &&
        AppMessageBox(ReplaceFileQuestion(QFileInfo(fileName).fileName()), {bkYes, bkNo}, 1, 1) != mrYes)
        return false;
    printer.SetOutputFileName(fileName);
    return true;
}

std::vector<bool> ChooseSheets(int sheetCount, int mode, const QString& coverText, int pageOption,
                               int firstPage, int lastPage) {
    std::vector<bool> flags(size_t(std::max(0, sheetCount)), false);
    auto flag = [&](int sheet) {
        if (sheet >= 0 && sheet < sheetCount)
            flags[size_t(sheet)] = true;
    };
    if (mode == 2) {
        if (coverText == kBothCovers || coverText == kFrontOnly)
            flag(0);
        if (coverText == kBothCovers || coverText == kBackOnly)
            flag(1);
        return flags;
    }
    const int first = mode == 0 ? kCoverSheets : firstPage + 1;
    const int last = mode == 0 ? sheetCount - 1 : lastPage + 1;
    for (int sheet = std::max(first, kCoverSheets); sheet <= last && sheet < sheetCount; ++sheet) {
        const int page = sheet - 1;
        if (pageOption == poOdd ? page % 2 == 1 : pageOption == poEven ? page % 2 == 0 : true)
            flag(sheet);
    }
    return flags;
}

int SheetToPreviewIndex(int sheet, int sheetCount, bool frontCover) {
    if (sheet == 0)
        return 0;
    if (sheet == 1)
        return frontCover ? sheetCount - 1 : sheetCount - 2;
    return frontCover ? sheet - 1 : sheet - 2;
}

QString SheetCaption(int sheet) {
    if (sheet == 0)
        return QStringLiteral("表表紙");
    if (sheet == 1)
        return QStringLiteral("裏表紙");
    return QStringLiteral("%1ページ").arg(sheet - 1);
}

TfrmPrintDialog::TfrmPrintDialog(IAppHost* host, QWidget* parent)
    : QDialog(parent ? parent : host ? host->HostWindow() : nullptr), host_(host) {
    setObjectName(QStringLiteral("frmPrintDialog"));
    setWindowTitle(QStringLiteral("印刷"));
    setProperty("HelpContext", 8004);

    auto* pages = new QGroupBox(QStringLiteral("印刷ページ選択"), this);
    rbAll = new QRadioButton(QStringLiteral("すべてのページ"), pages);
    rbAll->setObjectName(QStringLiteral("rbAll"));
    rbAssign = new QRadioButton(QStringLiteral("指定ページ"), pages);
    rbAssign->setObjectName(QStringLiteral("rbAssign"));
    rbCover = new QRadioButton(QStringLiteral("表表紙・裏表紙"), pages);
    rbCover->setObjectName(QStringLiteral("rbCover"));
    esStart = new QSpinBox(pages);
    esStart->setObjectName(QStringLiteral("esStart"));
    esStart->setToolTip(QStringLiteral("最初のページを入力します"));
    esEnd = new QSpinBox(pages);
    esEnd->setObjectName(QStringLiteral("esEnd"));
    esEnd->setToolTip(QStringLiteral("最後のページを入力します"));
    lblTilde = new QLabel(QStringLiteral("～"), pages);
    lblPage = new QLabel(QStringLiteral("ページ"), pages);
    cbCoverOption = new QComboBox(pages);
    cbCoverOption->setObjectName(QStringLiteral("cbCoverOption"));
    cbPageOption = new QComboBox(pages);
    cbPageOption->setObjectName(QStringLiteral("cbPageOption"));
    cbPageOption->addItems({QStringLiteral("奇数+偶数ページ"), QStringLiteral("奇数ページのみ"),
                            QStringLiteral("偶数ページのみ")});
    auto* pagesLayout = new QGridLayout(pages);
    pagesLayout->addWidget(rbAll, 0, 0, 1, 4);
    pagesLayout->addWidget(rbAssign, 1, 0);
    pagesLayout->addWidget(esStart, 1, 1);
    pagesLayout->addWidget(lblTilde, 1, 2);
    pagesLayout->addWidget(esEnd, 1, 3);
    pagesLayout->addWidget(lblPage, 1, 4);
    pagesLayout->addWidget(rbCover, 2, 0);
    pagesLayout->addWidget(cbCoverOption, 2, 1, 1, 4);
    pagesLayout->addWidget(new QLabel(QStringLiteral("奇数・偶数ページ選択"), pages), 3, 0);
    pagesLayout->addWidget(cbPageOption, 3, 1, 1, 4);

    auto* position = new QGroupBox(QStringLiteral("印刷位置微調整"), this);
    auto makeMargin = [position](const char* name, const QString& hint) {
        auto* spin = new QDoubleSpinBox(position);
        spin->setObjectName(QString::fromLatin1(name));
        spin->setToolTip(hint);
        spin->setDecimals(1);
        spin->setSingleStep(0.1);
        spin->setRange(-kOffsetLimit / kTenthsPerMm, kOffsetLimit / kTenthsPerMm);
        return spin;
    };
    spnTopMargin = makeMargin("spnTopMargin", QStringLiteral("プラスの指定で全体の印刷位置を下にずらします"));
    spnLeftMargin =
        makeMargin("spnLeftMargin", QStringLiteral("プラスの指定で全体の印刷位置を右にずらします"));
    auto* positionLayout = new QGridLayout(position);
    positionLayout->addWidget(new QLabel(QStringLiteral("上から"), position), 0, 0);
    positionLayout->addWidget(spnTopMargin, 0, 1);
    positionLayout->addWidget(new QLabel(QStringLiteral("mm"), position), 0, 2);
    positionLayout->addWidget(new QLabel(QStringLiteral("左から"), position), 1, 0);
    positionLayout->addWidget(spnLeftMargin, 1, 1);
    positionLayout->addWidget(new QLabel(QStringLiteral("mm"), position), 1, 2);

    auto* options = new QGroupBox(QStringLiteral("オプション"), this);
    cbPaperChangeMsg = new QCheckBox(QStringLiteral("用紙交換のメッセージを出さない"), options);
    cbPaperChangeMsg->setObjectName(QStringLiteral("cbPaperChangeMsg"));
    cbPaperChangeMsg->setToolTip(QStringLiteral("1ページ印刷するたびにメッセージを出さないようにします"));
    (new QVBoxLayout(options))->addWidget(cbPaperChangeMsg);

    auto* preview = new QGroupBox(QStringLiteral("プレビュー"), this);
    imPreview = new QLabel(preview);
    imPreview->setObjectName(QStringLiteral("imPreview"));
    imPreview->setFixedSize(kPreviewSize, kPreviewSize);
    imPreview->setAlignment(Qt::AlignCenter);
    cbPages = new QComboBox(preview);
    cbPages->setObjectName(QStringLiteral("cbPages"));
    auto* arrow = new QLabel(QStringLiteral("↓"), preview);
    arrow->setObjectName(QStringLiteral("imArrow"));
    arrow->setAlignment(Qt::AlignCenter);
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->addWidget(new QLabel(QStringLiteral("プリンタ挿入方向"), preview));
    previewLayout->addWidget(arrow);
    previewLayout->addWidget(imPreview);
    previewLayout->addWidget(new QLabel(QStringLiteral("プレビューページ"), preview));
    previewLayout->addWidget(cbPages);

    // The printer and copies are chosen in the printer set-up; shown here so the print goes where
    // the user expects.
    auto* printer = new QGroupBox(QStringLiteral("プリンタ"), this);
    lblPrinter = new QLabel(printer);
    lblPrinter->setObjectName(QStringLiteral("lblPrinter"));
    lblPrinter->setWordWrap(true);
    lblCopies = new QLabel(printer);
    lblCopies->setObjectName(QStringLiteral("lblCopies"));
    btnPrinter = new QPushButton(QStringLiteral("プリンタ設定"), printer);
    btnPrinter->setObjectName(QStringLiteral("btnPrinter"));
    btnPrinter->setAutoDefault(false);
    lblPaperNote = new QLabel(printer);
    lblPaperNote->setObjectName(QStringLiteral("lblPaperNote"));
    lblPaperNote->setWordWrap(true);
    auto* printerLayout = new QGridLayout(printer);
    printerLayout->addWidget(new QLabel(QStringLiteral("プリンタ名:"), printer), 0, 0);
    printerLayout->addWidget(lblPrinter, 0, 1);
    printerLayout->addWidget(new QLabel(QStringLiteral("部数:"), printer), 1, 0);
    printerLayout->addWidget(lblCopies, 1, 1);
    printerLayout->addWidget(btnPrinter, 0, 2, 2, 1, Qt::AlignVCenter);
    printerLayout->addWidget(lblPaperNote, 2, 0, 1, 3);
    printerLayout->setColumnStretch(1, 1);
    actPrintStart = new QAction(QStringLiteral("印刷開始"), this);
    actPrintStart->setObjectName(QStringLiteral("actPrintStart"));
    btnPrint = new QPushButton(QStringLiteral("印刷"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);

    auto* left = new QVBoxLayout;
    left->addWidget(pages);
    left->addWidget(position);
    left->addWidget(options);
    left->addWidget(printer);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(preview);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    for (QRadioButton* radio : {rbAll, rbAssign, rbCover})
        connect(radio, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                SelectionChanged();
        });
    connect(esStart, &QSpinBox::valueChanged, this, [this](int value) {
        if (esEnd->value() < value)
            esEnd->setValue(value);
        RefreshPageList();
    });
    connect(esEnd, &QSpinBox::valueChanged, this, [this](int value) {
        if (esStart->value() > value)
            esStart->setValue(value);
        RefreshPageList();
    });
    // Offsets and the prompt switch are remembered as they change, not only with the pages, so that
    // they outlast a cancel too.
    for (QDoubleSpinBox* spin : {spnTopMargin, spnLeftMargin})
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this] {
            if (!refreshing_ && document_)
                UpdateSheetFlags();
        });
    connect(cbPaperChangeMsg, &QCheckBox::toggled, this, [this] {
        if (!refreshing_ && document_)
            UpdateSheetFlags();
    });
    connect(cbPageOption, &QComboBox::currentIndexChanged, this, [this] { RefreshPageList(); });
    connect(cbCoverOption, &QComboBox::currentIndexChanged, this, [this] { RefreshPageList(); });
    connect(cbPages, &QComboBox::currentIndexChanged, this, [this] { ShowPagePreview(); });
    connect(actPrintStart, &QAction::triggered, this, [this] { PrintStart(); });
    connect(btnPrint, &QPushButton::clicked, actPrintStart, &QAction::trigger);
    connect(actPrintStart, &QAction::changed, this,
            [this] { btnPrint->setEnabled(actPrintStart->isEnabled()); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { done(mrCancel); });
    connect(btnPrinter, &QPushButton::clicked, this, [this] {
        // The printer set-up command belongs to the main window.
        if (host_)
            host_->Action(haPrinterSetup)->trigger();
        ShowPrinter();
    });
    btnPrinter->setEnabled(host_ != nullptr);
    ShowPrinter();
    ShowButtonFocus(this);
}

void TfrmPrintDialog::ShowPrinter() {
    TPrinter& printer = Printer();
    lblPrinter->setText(printer.PrinterName());
    lblCopies->setText(QString::number(printer.Copies()));
    const QString note = document_ ? PaperSizeNote(document_->GetLayoutPaper()) : QString();
    if (note == lblPaperNote->text() && note.isEmpty() == lblPaperNote->isHidden())
        return;
    lblPaperNote->setText(note);
    lblPaperNote->setVisible(!note.isEmpty());
    // A note that comes with another printer takes lines of its own: the shown dialog grows to them
    // rather than squeezing its controls (a wrapped label's height is not a minimum to the window).
    if (isVisible()) {
        layout()->activate();
        const int wanted = std::max(heightForWidth(width()), minimumSizeHint().height());
        if (wanted > height())
            resize(width(), wanted);
    }
}

TfrmPrintDialog::~TfrmPrintDialog() {
    TPrintChoices& c = PrintChoices();
    c.Mode = rbAll->isChecked() ? 0 : rbAssign->isChecked() ? 1 : 2;
    c.PageOption = cbPageOption->currentText();
    c.CoverOption = cbCoverOption->currentText();
    c.PreviewPage = cbPages->currentText();
    c.FirstPage = esStart->value();
    c.LastPage = esEnd->value();
    c.PaperChangeMsgOff = cbPaperChangeMsg->isChecked();
}

void TfrmPrintDialog::SetLabelData(TLabelData* document) {
    document_ = document;
    PrintChoices().SheetFlags.assign(size_t(document->GetSheetCount()), false);
    PrintChoices().FlagsDocument = document;
    frontCover_ = document->FrontCover;
    backCover_ = document->BackCover;
    InitControls();
    ShowPrinter();
}

void TfrmPrintDialog::InitControls() {
    const TPrintChoices saved = PrintChoices();
    refreshing_ = true;
    cbCoverOption->clear();
    if (frontCover_)
        cbCoverOption->addItem(kFrontOnly);
    if (backCover_)
        cbCoverOption->addItem(kBackOnly);
    if (frontCover_ && backCover_)
        cbCoverOption->insertItem(0, kBothCovers);
    rbCover->setEnabled(cbCoverOption->count() > 0);
    cbCoverOption->setCurrentIndex(cbCoverOption->count() > 0 ? 0 : -1);
    cbPageOption->setCurrentIndex(0);
    const int pages = std::max(1, document_->GetSheetCount() - kCoverSheets);
    esStart->setRange(1, pages);
    esEnd->setRange(1, pages);
    spnTopMargin->setValue(saved.TopOffset / kTenthsPerMm);
    spnLeftMargin->setValue(saved.LeftOffset / kTenthsPerMm);
    rbAll->setChecked(true);
    QRadioButton* remembered = saved.Mode == 1 ? rbAssign : saved.Mode == 2 ? rbCover : rbAll;
    if (remembered->isEnabled())
        remembered->setChecked(true);
    refreshing_ = false;
    SelectionChanged();
    refreshing_ = true;
    if (cbPageOption->isEnabled() && cbPageOption->findText(saved.PageOption) >= 0)
        cbPageOption->setCurrentIndex(cbPageOption->findText(saved.PageOption));
    if (cbCoverOption->isEnabled() && cbCoverOption->findText(saved.CoverOption) >= 0)
        cbCoverOption->setCurrentIndex(cbCoverOption->findText(saved.CoverOption));
    if (esStart->isEnabled() && saved.FirstPage >= esStart->minimum() &&
        saved.FirstPage <= esStart->maximum())
        esStart->setValue(saved.FirstPage);
    if (esEnd->isEnabled() && saved.LastPage >= esEnd->minimum() && saved.LastPage <= esEnd->maximum())
        esEnd->setValue(saved.LastPage);
    cbPaperChangeMsg->setChecked(saved.PaperChangeMsgOff);
    refreshing_ = false;
    RefreshPageList();
    if (cbPages->isEnabled() && cbPages->findText(saved.PreviewPage) >= 0)
        cbPages->setCurrentIndex(cbPages->findText(saved.PreviewPage));
}

void TfrmPrintDialog::SelectionChanged() {
    if (refreshing_ || !document_)
        return;
    cbPageOption->setEnabled(!rbCover->isChecked() && document_->GetSheetCount() >= 4);
    cbCoverOption->setEnabled(rbCover->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{esStart, esEnd, lblTilde, lblPage})
        w->setEnabled(rbAssign->isChecked());
    RefreshPageList();
}

bool TfrmPrintDialog::UpdateSheetFlags() {
    TPrintChoices& c = PrintChoices();
    const int mode = rbAll->isChecked() ? 0 : rbAssign->isChecked() ? 1 : 2;
    c.SheetFlags = ChooseSheets(
        document_ ? document_->GetSheetCount() : 0, mode, cbCoverOption->currentText(),
        cbPageOption->isEnabled() ? cbPageOption->currentIndex() : -1, esStart->value(), esEnd->value());
    c.FlagsDocument = document_;
    c.TopOffset = Tenths(spnTopMargin);
    c.LeftOffset = Tenths(spnLeftMargin);
    c.NoPaperChangeMsg = cbPaperChangeMsg->isChecked();
    const bool any = std::find(c.SheetFlags.begin(), c.SheetFlags.end(), true) != c.SheetFlags.end();
    actPrintStart->setEnabled(any);
    return any;
}

void TfrmPrintDialog::RefreshPageList() {
    if (refreshing_ || !document_)
        return;
    UpdateSheetFlags();
    const QString remembered = cbPages->currentText();
    const std::vector<bool> flags = PrintChoices().SheetFlags;
    {
        const QSignalBlocker block(cbPages);
        cbPages->clear();
        for (size_t s = 0; s < flags.size(); ++s)
            if (flags[s])
                cbPages->addItem(SheetCaption(int(s)), int(s));
        if (cbPages->count() == 0) {
            imPreview->clear();
            return;
        }
        const int found = remembered.isEmpty() ? -1 : cbPages->findText(remembered);
        cbPages->setCurrentIndex(std::max(0, found));
    }
    ShowPagePreview();
}

int TfrmPrintDialog::SelectedSheet() const {
    return cbPages->currentIndex() < 0 ? -1 : cbPages->currentData().toInt();
}

QImage TfrmPrintDialog::PreviewOf(int sheet) const {
    if (!OnGetPreview || sheet < 0)
        return {};
    QImage picture = OnGetPreview(SheetToPreviewIndex(sheet, document_->GetSheetCount(), frontCover_));
    if (!picture.isNull() && document_->GetLayoutPaper()->Landscape) {
        // As the paper goes into the printer: a quarter turn clockwise on white.
        TBitmap source;
        source.SetPixels(PixelBuffer::FromImage(picture, kPreviewBits));
        TBitmap turned;
        RotateBitmap(&source, &turned, kQuarterTurn, clWhite, TPoint(source.Width(), source.Height()));
        picture = turned.Pixels().ToImage();
    }
    return picture;
}

void TfrmPrintDialog::ShowPagePreview() {
    const QImage picture = PreviewOf(SelectedSheet());
    if (picture.isNull()) {
        imPreview->clear();
        return;
    }
    imPreview->setPixmap(
        QPixmap::fromImage(picture).scaled(imPreview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

bool TfrmPrintDialog::ConfirmPaper(int sheet) {
    // The prompt is for paper put into a printer: a file takes every sheet as it comes.
    if (Printer().IsPdfPrinter(Printer().PrinterName()))
        return true;
    TfrmWaitPrintJob prompt(this);
    const QImage picture = PreviewOf(sheet);
    if (!picture.isNull())
        prompt.SetPicture(picture);
    return prompt.exec() == mrOk;
}

bool TfrmPrintDialog::PrintSheetsOneByOne(bool& printed) {
    const std::vector<bool> chosen = PrintChoices().SheetFlags;
    bool completed = true;
    for (size_t s = 0; s < chosen.size() && completed; ++s) {
        if (!chosen[s])
            continue;
        if (!ConfirmPaper(int(s)))
            break;
        repaint();
        PrintChoices().SheetFlags.assign(chosen.size(), false);
        PrintChoices().SheetFlags[s] = true;
        try {
            completed = host_->PrintDocument();
        } catch (...) {
            PrintChoices().SheetFlags = chosen;
            throw;
        }
        printed = printed || completed;
    }
    // The choice stays the user's, not the last sheet's.
    PrintChoices().SheetFlags = chosen;
    return completed;
}

bool TfrmPrintDialog::PrintSheets(bool& printed) {
    if (PrintChoices().NoPaperChangeMsg) {
        printed = host_->PrintDocument();
        return printed;
    }
    return PrintSheetsOneByOne(printed);
}

void TfrmPrintDialog::PrintStart() {
    if (!UpdateSheetFlags()) {
        AppMessageBox(QStringLiteral("印刷するページがありません。印刷ページを正しく選択してください。"),
                      {bkOK}, 0, 0);
        return;
    }
    IAppHost* main = host_;
    if (!main)
        return;
    if (const QString note = PaperSizeNote(document_->GetLayoutPaper());
        !note.isEmpty() && AppMessageBox(note + QStringLiteral("\r\nこのまま印刷しますか?"), {bkYes, bkNo}, 0, 1) != mrYes)
        return;
    TPrinter& printer = Printer();
    const bool pdf = printer.IsPdfPrinter(printer.PrinterName());
    if (pdf) {
        // One file for the whole print, asked once.
        if (!ChoosePdfOutputFile(main->FileName()))
            return;
        printer.BeginPdfBatch();
    }
    bool printed = false;
    bool completed = false;
    try {
        completed = PrintSheets(printed);
        if (pdf) {
            if (!completed)
                printer.Abort();
            printer.EndPdfBatch();
        }
    } catch (const Exception& e) {
        if (pdf) {
            printer.Abort();
            printer.EndPdfBatch();
        }
        // Nothing was delivered: the message naming the printer, and the dialog stays.
        AppMessageBox(e.Message(), {bkOK}, 0, 0);
        return;
    }
    if (!completed) {
        main->ShowStatusMessage(QStringLiteral("印刷を中止しました"));
        // A PDF batch delivers nothing once aborted; sheets a queue took stay printed.
        if (pdf || !printed)
            return;
    }
    if (printed)
        done(mrOk);
}
