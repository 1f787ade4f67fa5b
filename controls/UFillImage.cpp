#include "controls/UFillImage.h"

#include "core/UAppUtil.h"
#include "imaging/UImagePack.h"

#include <QEvent>

std::vector<TRect> TileRects(const TRect& r, TSize cell) {
    std::vector<TRect> tiles;
    if (cell.cx < 1 || cell.cy < 1)
        return tiles;
    for (int64_t y = r.Top; y < r.Bottom; y += cell.cy)
        for (int64_t x = r.Left; x < r.Right; x += cell.cx)
            tiles.push_back(TRect(int(x), int(y), int(x + cell.cx), int(y + cell.cy)));
    return tiles;
}

TFillImage::TFillImage(QWidget* parent) : TBitmapControl(parent) {}

void TFillImage::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    ImagePackChanged();
}

void TFillImage::SetStretch(bool value) {
    if (stretch_ == value)
        return;
    stretch_ = value;
    ImagePackChanged();
}

void TFillImage::SetAlignClient(bool value) {
    alignClient_ = value;
    if (QWidget* parent = parentWidget()) {
        parent->removeEventFilter(this);
        if (value) {
            parent->installEventFilter(this);
            setGeometry(parent->rect());
        }
    }
}

bool TFillImage::eventFilter(QObject* watched, QEvent* event) {
    if (alignClient_ && watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return TBitmapControl::eventFilter(watched, event);
}

void TFillImage::PaintBackground(TCanvas& canvas) {
    const TRect r = TRect::FromQRect(rect());
    if (!Link().IsEmpty(imageIndex_)) {
        if (!canvas.RectVisible(r))
            return;
        const TSize cell = Link().CellSize(imageIndex_);
        if (stretch_) {
            if (cell.cx >= 1 && cell.cy >= 1)
                Link().StretchDraw(canvas, r, imageIndex_);
            return;
        }
        for (const TRect& tile : TileRects(r, cell))
            if (canvas.RectVisible(tile))
                Link().StretchDraw(canvas, tile, imageIndex_);
        return;
    }
    FillWithBrush(canvas, r);
}

void TFillImage::Paint(TCanvas& canvas) {
    PaintBackground(canvas);
}

void InstallFillImageMaker() {
    SetFillImageMaker([](QWidget* form, TComponent* pack, TColor plainColor) -> QWidget* {
        auto* fill = new TFillImage(form);
        fill->setObjectName(QStringLiteral("FillImage"));
        if (auto* imagePack = dynamic_cast<TImagePack*>(pack))
            fill->SetImagePack(imagePack);
        else if (plainColor != clNone)
            fill->Brush().SetColor(plainColor);
        else
            fill->Brush().SetColor(clBtnFace);
        fill->SetAlignClient(true);
        fill->lower();
        return fill;
    });
}
