#include "app/dialogs/FPrintPaperPanel.h"

#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FPrintPreviewBrowser.h"
#include "app/dialogs/FWaiting.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/UFormPanel.h"
#include "controls/UModalPopup.h"
#include "core/UGeometryUtil.h"
#include "core/UGlobalNotify.h"
#include "core/UPhasedProgress.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Component.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The shadow reaches preview width / this beyond the preview.
constexpr int kShadowDivisor = 24;
// Each shadow step keeps this share (percent) of the colour, less the step number.
constexpr int kShadowKeepPercent = 95;
constexpr int kFace = 0;

QString SideText(bool back) {
    return back ? QStringLiteral("(裏面)") : QStringLiteral("(表面)");
}

// Every channel's step: (c * 95 - k) div 100, never below black.
TColor Darken(TColor color, int step) {
    const auto channel = [step](int c) { return std::max(0, (c * kShadowKeepPercent - step) / 100); };
    return RGB(channel(GetRValue(color)), channel(GetGValue(color)), channel(GetBValue(color)));
}

// The graphic drawn at its own size on white, as 24-bit pixels.
QImage GraphicImage(TGraphic* graphic) {
    if (!graphic || graphic->Empty())
        return {};
    TBitmap bitmap(graphic->Width(), graphic->Height(), pf24bit);
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().Color = clWhite;
    canvas.FillRect(TRect(0, 0, bitmap.Width(), bitmap.Height()));
    canvas.Draw(0, 0, *graphic);
    return bitmap.ImageForPainting().convertToFormat(QImage::Format_RGB32);
}

// Makes the document's current sheet current again on the way out, also on exceptions, unless the
// document went meanwhile.
class TSheetKeeper {
public:
    TSheetKeeper(TLabelData* document, const bool& gone)
        : document_(document), gone_(gone), sheet_(document->CurrentSheetNo()) {}
    ~TSheetKeeper() {
        if (!gone_)
            document_->SetCurrentSheetNo(sheet_);
    }
    TSheetKeeper(const TSheetKeeper&) = delete;
    TSheetKeeper& operator=(const TSheetKeeper&) = delete;

private:
    TLabelData* document_;
    const bool& gone_;
    int sheet_;
};

} // namespace

int PrintPreviewCount(int sheetCount, bool frontCover, bool backCover) {
    return std::max(0, sheetCount - (frontCover ? 0 : 1) - (backCover ? 0 : 1));
}

int PreviewIndexToSheet(int index, int count, bool frontCover, bool backCover) {
    if (frontCover && index == 0)
        return kFrontCoverSheet;
    if (backCover && index == count - 1)
        return kBackCoverSheet;
    return frontCover ? index + 1 : index + 2;
}

bool IsBackSideSheet(TFaceSides sides, bool landscape, int sheet) {
    return IsFaceSideMatch(int(sides), landscape, sheet);
}

QStringList BuildPrintCaptions(int sheetCount, bool frontCover, bool backCover, TFaceSides sides,
                               bool landscape) {
    QStringList captions;
    if (frontCover)
        captions << QStringLiteral("表表紙") + SideText(IsBackSideSheet(sides, landscape, kFrontCoverSheet));
    for (int sheet = kFirstInnerSheet; sheet < sheetCount; ++sheet)
        captions << QString::number(sheet - 1) + QStringLiteral("ページ") +
                        SideText(IsBackSideSheet(sides, landscape, sheet));
    if (backCover)
        captions << QStringLiteral("裏表紙") + SideText(IsBackSideSheet(sides, landscape, kBackCoverSheet));
    return captions;
}

void DrawSteppedShadow(QImage& tile, const QRect& preview, TColor base) {
    const int steps = preview.width() / kShadowDivisor;
    QPainter painter(&tile);
    // Right and bottom exclusive, as the rectangles are counted.
    int left = preview.left() + steps;
    int top = preview.top() + steps;
    int right = preview.left() + preview.width() + steps;
    int bottom = preview.top() + preview.height() + steps;
    TColor color = base;
    const auto fill = [&](int l, int t, int r, int b) {
        if (r > l && b > t)
            painter.fillRect(QRect(l, t, r - l, b - t), ToQColor(color));
    };
    constexpr int kSpread[][2] = {{1, -1}, {1, 3}, {-1, 1}, {3, 1}};
    for (int step = 0; step <= steps; ++step) {
        color = Darken(color, step);
        fill(left, top, right, bottom);
        right -= 2;
        bottom -= 2;
        for (const auto& d : kSpread)
            fill(left + d[0], top + d[1], right + d[0], bottom + d[1]);
        ++left;
        ++top;
        ++right;
        ++bottom;
    }
}

QImage MakePreviewTile(const QImage& preview, bool backSide) {
    const TColor base = backSide ? kBackTileColor : kFrontTileColor;
    QImage tile(kPreviewTileSize, kPreviewTileSize, QImage::Format_RGB32);
    tile.fill(ToQColor(base));
    const QRect place((kPreviewTileSize - preview.width()) / 2, (kPreviewTileSize - preview.height()) / 2,
                      preview.width(), preview.height());
    DrawSteppedShadow(tile, place, base);
    QPainter(&tile).drawImage(place.topLeft(), preview);
    return tile;
}

QImage BlankPreview(int faceWidth, int faceHeight) {
    const TRect fitted =
        FitSizeInner(TRect(0, 0, faceWidth, faceHeight), kBlankPreviewSize, kBlankPreviewSize);
    if (fitted.Width() <= 0 || fitted.Height() <= 0)
        return {};
    QImage blank(fitted.Width(), fitted.Height(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

TfrmPrintPaperPanel::TfrmPrintPaperPanel(TLabelData* document, QWidget* parent, IAppHost* host)
    : QWidget(parent), host_(host), document_(document), components_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmPrintPaperPanel"));
    setWindowTitle(QStringLiteral("ラベルシートの印刷"));
    setProperty("HelpContext", 5014);
    setAutoFillBackground(true);

    actPrintStart = new QAction(QStringLiteral("印刷開始"), this);
    actPrintStart->setObjectName(QStringLiteral("actPrintStart"));
    btnStart = new QPushButton(QStringLiteral("印刷..."), this);
    btnStart->setObjectName(QStringLiteral("btnStart"));
    btnSetup = new QPushButton(QStringLiteral("プリンタ設定"), this);
    btnSetup->setObjectName(QStringLiteral("btnSetup"));
    btnSetup->hide();
    imgPrinter = new QLabel(this);
    imgPrinter->setObjectName(QStringLiteral("imgPrinter"));

    grpPreviewSize = new QButtonGroup(this);
    const auto sizeButton = [this](const char* name, const QString& text, const QString& hint, int index) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(text);
        button->setToolTip(hint);
        button->setCheckable(true);
        button->setAutoRaise(true);
        grpPreviewSize->addButton(button, index);
        return button;
    };
    btnPreviewSizeS =
        sizeButton("btnPreviewSizeS", QStringLiteral("極小"), QStringLiteral("プレビューサイズ極小"), 0);
    btnPreviewSizeM =
        sizeButton("btnPreviewSizeM", QStringLiteral("小"), QStringLiteral("プレビューサイズ小"), 1);
    btnPreviewSizeL =
        sizeButton("btnPreviewSizeL", QStringLiteral("中"), QStringLiteral("プレビューサイズ中"), 2);
    btnPreviewSizeXL =
        sizeButton("btnPreviewSizeXL", QStringLiteral("大"), QStringLiteral("プレビューサイズ大"), 3);
    btnPreviewSizeM->setChecked(true);

    FormPanel1 = new TFormPanel(this);
    FormPanel1->setObjectName(QStringLiteral("FormPanel1"));
    FormPanel1->setAttribute(Qt::WA_OpaquePaintEvent, false);
    FormPanel1->setAutoFillBackground(true);
    QPalette back = FormPanel1->palette();
    back.setColor(QPalette::Window, ToQColor(kPrintBrowserColor));
    FormPanel1->setPalette(back);

    auto* top = new QHBoxLayout;
    top->addWidget(imgPrinter);
    top->addWidget(btnStart);
    top->addWidget(btnSetup);
    top->addStretch(1);
    auto* sizes = new QHBoxLayout;
    for (QToolButton* button : {btnPreviewSizeS, btnPreviewSizeM, btnPreviewSizeL, btnPreviewSizeXL})
        sizes->addWidget(button);
    sizes->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(sizes);
    layout->addWidget(FormPanel1, 1);

    CustomImagePack1 = new TCustomImagePack(components_.get());
    CustomImagePack1->SetName(QStringLiteral("CustomImagePack1"));
    CustomImagePack1->OnGetCount = [this](TObject*, int& count) { count = count_; };
    CustomImagePack1->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        GetTile(picture, index);
    };

    browser_ = new TfrmPrintPreviewBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetImagePack(CustomImagePack1);
    browser_->SetBackColor(kPrintBrowserColor);
    SetPreviewSize(kDefaultPreviewSize);

    // The first idle moment, never in the middle of a print or another long run.
    GlobalNotify2 = new TGlobalNotify(components_.get());
    GlobalNotify2->SetName(QStringLiteral("GlobalNotify2"));
    GlobalNotify2->OnIdle = [this](TObject*) {
        if (isVisible())
            Prepare();
    };

    connect(actPrintStart, &QAction::triggered, this, [this] { PrintStart(); });
    connect(btnStart, &QPushButton::clicked, actPrintStart, &QAction::trigger);
    connect(btnSetup, &QPushButton::clicked, this, [this] {
        if (host_)
            host_->Action(haPrinterSetup)->trigger();
    });
    connect(grpPreviewSize, &QButtonGroup::idClicked, this, [this](int id) { SetPreviewSize(id); });
}

TfrmPrintPaperPanel::~TfrmPrintPaperPanel() {
    documentGone_ = true;
    document_ = nullptr;
}

void TfrmPrintPaperPanel::MarkDocumentGone() {
    documentGone_ = true;
}

void TfrmPrintPaperPanel::Prepare() {
    if (prepared_ || documentGone_ || !document_)
        return;
    prepared_ = true;
    GlobalNotify2->OnIdle = nullptr;
    const TSheetKeeper keeper(document_, documentGone_);
    repaint();
    frontCover_ = document_->FrontCover;
    backCover_ = document_->BackCover;
    sides_ = document_->FaceSides;
    const TMatrixPaperInfo* paper = document_->GetLayoutPaper();
    landscape_ = paper && paper->Landscape;
    count_ = PrintPreviewCount(document_->GetSheetCount(), frontCover_, backCover_);
    CustomImagePack1->SetCacheLimit(std::max(1, count_));
    // One preview that is stored already is quick: no progress window for it.
    bool work = count_ != 1;
    if (!work) {
        document_->SetCurrentSheetNo(PreviewIndexToSheet(0, count_, frontCover_, backCover_));
        work = !document_->HasPreview(kFace);
    }
    if (work) {
        TModalPopup popup([](QWidget* owner) { return new TfrmWaitingText(owner); }, this);
        auto* waiting = static_cast<TfrmWaitingText*>(popup.Form());
        waiting->SetMessage(QStringLiteral("プレビューを作成しています。少しお待ちください..."));
        TSTDPhasedProgress progress(waiting->ProgressBar1);
        progress.BeginPhase(0, count_);
        for (int i = 0; i < count_ && !documentGone_; ++i) {
            waiting->SetCounter(i + 1, count_);
            progress.StepIt();
            QApplication::processEvents();
            GetPreview(i);
        }
        progress.EndPhase();
    }
    if (documentGone_ || !document_)
        return;
    captions_ = BuildPrintCaptions(document_->GetSheetCount(), frontCover_, backCover_, sides_, landscape_);
    browser_->SetItemCaptions(captions_);
    CustomImagePack1->Refresh();
}

QImage TfrmPrintPaperPanel::RenderPreview(int index) {
    const int sheet = PreviewIndexToSheet(index, count_, frontCover_, backCover_);
    document_->SetCurrentSheetNo(sheet);
    QImage image;
    try {
        TPicture picture;
        document_->GetPreview(kFace, picture);
        image = GraphicImage(picture.Graphic());
    } catch (const std::exception& e) {
        // Shown blank; the print itself draws the sheet afresh.
        qWarning("preview of sheet %d not made: %s", sheet, e.what());
    }
    if (image.isNull()) {
        // Face 0's shape, else the paper's, else a square: a sheet never stays without a picture.
        const TMatrixPaperInfo* paper = document_->GetLayoutPaper();
        TFaceInfo face;
        if (paper && paper->GetFaceCount() > 0)
            paper->GetFaceInfo(kFace, face);
        else if (paper)
            face.Rect = TRect(0, 0, paper->Width(), paper->Height());
        image = BlankPreview(face.Rect.Width(), face.Rect.Height());
        if (image.isNull())
            image = BlankPreview(kBlankPreviewSize, kBlankPreviewSize);
    }
    return image;
}

QImage TfrmPrintPaperPanel::GetPreview(int index) {
    if (index < 0)
        return {};
    if (size_t(index) < cache_.size() && !cache_[size_t(index)].isNull())
        return cache_[size_t(index)];
    if (documentGone_ || !document_ || index >= count_)
        return GraphicImage(PreviewPendingPicture().Graphic());
    if (cache_.size() <= size_t(index))
        cache_.resize(size_t(index) + 1);
    cache_[size_t(index)] = RenderPreview(index);
    return cache_[size_t(index)];
}

void TfrmPrintPaperPanel::GetTile(TPictureEx& picture, int index) {
    const bool cached = size_t(index) < cache_.size() && !cache_[size_t(index)].isNull();
    const QImage preview = GetPreview(index);
    TBitmap bitmap;
    if ((documentGone_ && !cached) || preview.isNull() || index >= count_) {
        bitmap.Assign(*PreviewPendingPicture().Graphic());
    } else {
        const int sheet = PreviewIndexToSheet(index, count_, frontCover_, backCover_);
        bitmap.SetPixels(
            PixelBuffer::FromImage(MakePreviewTile(preview, IsBackSideSheet(sides_, landscape_, sheet)), 24));
    }
    picture.SetGraphic(&bitmap);
}

void TfrmPrintPaperPanel::SetPreviewSize(int sizeIndex) {
    if (sizeIndex < 0 || sizeIndex >= int(std::size(kPreviewSizes)))
        return;
    if (QAbstractButton* button = grpPreviewSize->button(sizeIndex); button && !button->isChecked())
        button->setChecked(true);
    const TPreviewSize& size = kPreviewSizes[sizeIndex];
    if (browser_->ThumbSize() != size.Cell)
        browser_->SetThumbSize(size.Cell);
    browser_->SetListFontSize(size.FontSize);
}

void TfrmPrintPaperPanel::PrintStart() {
    if (documentGone_ || !document_)
        return;
    TfrmPrintDialog dialog(host_, this);
    dialog.OnGetPreview = [this](int index) { return GetPreview(index); };
    dialog.SetLabelData(document_);
    const TSheetKeeper keeper(document_, documentGone_);
    dialog.exec();
}
