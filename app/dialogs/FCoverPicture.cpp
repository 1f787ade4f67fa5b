#include "app/dialogs/FCoverPicture.h"

#include "app/UAlbumFunc.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "controls/UImagePanel.h"
#include "controls/UShadowPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UGeometryUtil.h"
#include "core/UHistoryManager.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImgNormalize.h"
#include "imaging/URotateBitmap.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/UAINPicList.h"
#include "papers/ULabelData.h"
#include "platform/DialogService.h"
#include "platform/IntMath.h"
#include "platform/Picture.h"

#include <QAction>
#include <QDir>
#include <QHBoxLayout>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <chrono>
#include <cstdint>
#include <vector>

namespace {

// The most a picture turns either way, in degrees (exclusive).
constexpr int kMaxTurn = 30;
// One draw in this many chances (out of 10, halved) turns clockwise on the page.
constexpr int kTurnChoices = 10;
constexpr int kPreviewWidth = 400;
constexpr int kPreviewHeight = 300;

int RandomBelow(std::mt19937& random, int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random);
}

// A picture whose every pixel is drawn: its mask is given rather than taken from a colour, so
// that no pixel of the photo's own happens to be punched out, and the turn keeps only the corners
// transparent.
void MakeOpaqueTransparent(TSafetyBitmap& bitmap) {
    bitmap.SetTransparent(true);
    // Black: drawn.
    TBitmap mask(bitmap.Width(), bitmap.Height(), pf24bit);
    TCanvas& canvas = mask.Canvas();
    canvas.Brush().Color = clBlack;
    canvas.Brush().Style = bsSolid;
    canvas.FillRect(TRect(0, 0, mask.Width(), mask.Height()));
    bitmap.SetMask(mask);
}

void DrawOne(TBitmap& canvasBitmap, TPicture& picture, const TRect& target, const TPoint& centre, int angle) {
    TGraphic* graphic = picture.Graphic();
    if (graphic == nullptr || graphic->Empty())
        return;
    const TRect fitted =
        FitSizeInner(TRect(0, 0, graphic->Width(), graphic->Height()), target.Width(), target.Height());
    if (fitted.Width() < 1 || fitted.Height() < 1)
        return;
    TSafetyBitmap drawing(fitted.Width(), fitted.Height(), pf24bit);
    DrawPictureThumbnail(&picture, &drawing, clNone, true, clWhite);
    MakeOpaqueTransparent(drawing);
    TSafetyBitmap turned;
    RotateSafetyBitmap(&drawing, &turned, angle, TPoint(fitted.Width(), fitted.Height()));
    canvasBitmap.Canvas().Draw(centre.X - turned.Width() / 2, centre.Y - turned.Height() / 2, turned);
}

} // namespace

int CollageGridSize(int n) {
    int k = 1;
    while ((int64_t(1) << k) < n || int64_t(k) * k < n)
        ++k;
    return k;
}

void MakeCoverCollage(TImgNormalizeCallBackClass& source, TPicture& dest, int width, int height,
                      std::mt19937& random, const std::function<void()>& step) {
    const int count = source.GetCount();
    if (count <= 0 || width < 1 || height < 1)
        return;
    const int k = CollageGridSize(count);
    const int cells = k * k;
    TBitmap canvasBitmap(width, height, pf24bit);
    TCanvas& canvas = canvasBitmap.Canvas();
    canvas.Brush().Color = clWhite;
    canvas.Brush().Style = bsSolid;
    canvas.FillRect(TRect(0, 0, width, height));
    std::vector<bool> slotUsed(size_t(cells), false);
    std::vector<bool> cellUsed(size_t(cells), false);
    for (int drawn = 0; drawn < cells; ++drawn) {
        int slot = 0;
        do
            slot = RandomBelow(random, cells);
        while (slotUsed[size_t(slot)]);
        slotUsed[size_t(slot)] = true;
        const int index = slot < count ? slot : RandomBelow(random, count);
        if (step)
            step();
        int cell = 0;
        do
            cell = RandomBelow(random, cells);
        while (cellUsed[size_t(cell)]);
        cellUsed[size_t(cell)] = true;
        const int row = cell / k;
        const int column = cell % k;
        TRect bounds;
        bounds.Left = MulDiv(width, column, k);
        bounds.Top = MulDiv(height, row, k);
        bounds.Right = bounds.Left + MulDiv(width, 1, k);
        bounds.Bottom = bounds.Top + MulDiv(height, 1, k);
        const TPoint centre = RectCenter(bounds);
        // One and a half cells, so that neighbours overlap.
        const TRect target = CenterRectAt(
            TRect(0, 0, bounds.Width() + MulDiv(width, 1, 2 * k), bounds.Height() + MulDiv(height, 1, 2 * k)),
            centre);
        const int angle = RandomBelow(random, kTurnChoices) / 2 == 0 ? RandomBelow(random, kMaxTurn)
                                                                     : 360 - RandomBelow(random, kMaxTurn);
        try {
            if (TPicture* picture = source.GetSourcePicture(index))
                DrawOne(canvasBitmap, *picture, target, centre, angle);
        } catch (const Exception&) {
            // A picture that cannot be read leaves its cell to the others.
        }
    }
    dest.Assign(&canvasBitmap);
}

TfrmCoverPicture::TfrmCoverPicture(QWidget* parent, std::optional<unsigned> seed)
    : QDialog(parent),
      random_(seed ? *seed : unsigned(std::chrono::steady_clock::now().time_since_epoch().count())),
      result_(std::make_unique<TPicture>()) {
    setObjectName(QStringLiteral("frmCoverPicture"));
    setWindowTitle(QStringLiteral("表紙用写真の作成"));
    auto* row = new QHBoxLayout(this);
    pnlClipBoard = new TShadowPanel(this);
    pnlClipBoard->setObjectName(QStringLiteral("pnlClipBoard"));
    auto* clipLayout = new QVBoxLayout(pnlClipBoard);
    ShadowPanel1 = new TShadowPanel(pnlClipBoard);
    ShadowPanel1->setObjectName(QStringLiteral("ShadowPanel1"));
    clipLayout->addWidget(ShadowPanel1);
    auto* shadowLayout = new QVBoxLayout(ShadowPanel1);
    imgPanel = new TImagePanel(ShadowPanel1);
    imgPanel->setObjectName(QStringLiteral("imgPanel"));
    imgPanel->setFixedSize(kPreviewWidth, kPreviewHeight);
    shadowLayout->addWidget(imgPanel);
    row->addWidget(pnlClipBoard, 1);

    auto* column = new QVBoxLayout;
    const auto button = [this, column](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        column->addWidget(b);
        return b;
    };
    btnFromAlbum = button("btnFromAlbum", QStringLiteral("アルバムから"));
    btnFromFolder = button("btnFromFolder", QStringLiteral("フォルダから"));
    actReMake = new QAction(QStringLiteral("再作成"), this);
    actReMake->setObjectName(QStringLiteral("actReMake"));
    BitBtn1 = button("BitBtn1", actReMake->text());
    column->addStretch();
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->hide();
    // Shown only while a collage is made: it takes the buttons' width instead of widening the window.
    ProgressBar1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    column->addWidget(ProgressBar1);
    btnOK = button("btnOK", QStringLiteral("OK"));
    btnCancel = button("btnCancel", QStringLiteral("キャンセル"));
    row->addLayout(column);

    connect(btnFromAlbum, &QPushButton::clicked, this, [this] { FromAlbum(); });
    connect(btnFromFolder, &QPushButton::clicked, this, [this] { FromFolder(); });
    connect(BitBtn1, &QPushButton::clicked, actReMake, &QAction::trigger);
    connect(actReMake, &QAction::triggered, this, [this] { ReMake(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    try {
        THistoryManager history(nullptr);
        history.SetRegistryKey(QStringLiteral("$(UserPhotoHistory)"));
        const TStringList& folders = history.GetItems();
        if (folders.Count() > 0)
            lastFolder_ = folders[0];
    } catch (const Exception&) {
        // Without the settings there is no folder to start from.
    }
    UpdateActions();
    SetupForm(this);
}

TfrmCoverPicture::~TfrmCoverPicture() = default;

void TfrmCoverPicture::UpdateActions() {
    actReMake->setEnabled(current_ != nullptr);
    BitBtn1->setEnabled(current_ != nullptr);
    btnOK->setEnabled(result_->Graphic() != nullptr && !result_->Graphic()->Empty());
}

void TfrmCoverPicture::SetPreview(const TPicture& picture) {
    imgPanel->SetPicture(picture);
}

void TfrmCoverPicture::FromAlbum() {
    if (document_ == nullptr)
        return;
    const int sheet = document_->CurrentSheetNo();
    auto list = std::make_unique<TAINPicList>();
    QPointer<TfrmCoverPicture> self(this);
    const bool collected = AlbumFunc_CollectPhotos(*list, *document_, this, true);
    // The window may have gone while the photos were collected, or the user aborted.
    if (!self || !collected)
        return;
    document_->SetCurrentSheetNo(sheet);
    QRandomGenerator reducer(random_());
    list->ReduceRandomly(kCollageMaxPictures, reducer);
    if (list->GetCount() == 0) {
        AppMessageBox(NoPhotoMessage(), {bkOK}, 0, 0);
        return;
    }
    if (current_ == albumList_.get())
        current_ = nullptr;
    albumList_ = std::move(list);
    current_ = albumList_.get();
    MakeAndShow(*current_);
}

void TfrmCoverPicture::FromFolder() {
    QString folder = lastFolder_;
    if (!DialogService::Instance().SelectFolder(QStringLiteral("フォルダの選択"), folder) || folder.isEmpty())
        return;
    lastFolder_ = folder;
    const QStringList extensions = PictureExtensions();
    QStringList names;
    for (const QFileInfo& entry : QDir(folder).entryInfoList(QDir::Files))
        if (HasPictureExtension(entry.fileName(), extensions))
            names << entry.absoluteFilePath();
    auto list = std::make_unique<TAINPicFileList>();
    list->SetFileNames(names);
    QRandomGenerator reducer(random_());
    list->ReduceRandomly(kCollageMaxPictures, reducer);
    if (current_ == folderList_.get())
        current_ = nullptr;
    if (list->GetCount() == 0) {
        current_ = nullptr;
        UpdateActions();
        AppMessageBox(QStringLiteral("画像ファイルが見つかりません"), {bkOK}, 0, 0);
        return;
    }
    folderList_ = std::move(list);
    current_ = folderList_.get();
    MakeAndShow(*current_);
}

void TfrmCoverPicture::ReMake() {
    if (current_ != nullptr)
        MakeAndShow(*current_);
}

void TfrmCoverPicture::MakeAndShow(TImgNormalizeCallBackClass& source) {
    TWatchCursor cursor;
    const int k = CollageGridSize(source.GetCount());
    // One step a drawing: the cells beyond the pictures are drawn too.
    ProgressBar1->setRange(0, k * k);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    MakeCoverCollage(source, *result_, kOutputWidth, kOutputHeight, random_, [this] {
        ProgressBar1->setValue(ProgressBar1->value() + 1);
        ProgressBar1->repaint();
    });
    imgPanel->SetPicture(*result_);
    ProgressBar1->hide();
    UpdateActions();
}
