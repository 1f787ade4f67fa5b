#include "controls/UImagePanel.h"

#include "core/UGeometryUtil.h"
#include "imaging/UJPEGImage.h"
#include "platform/Graphic.h"
#include "platform/Picture.h"

#include <cmath>

TRect ImagePanelRect(int width, int height, bool border, int pictureWidth, int pictureHeight) {
    int w = width - (border ? 2 : 0);
    int h = height - (border ? 2 : 0);
    int pw = pictureWidth;
    int ph = pictureHeight;
    if (pw <= 0 || ph <= 0)
        return TRect();
    const float rx = float(w) / float(pw);
    const float ry = float(h) / float(ph);
    if (rx >= ry) {
        pw = int(std::nearbyint(float(pw) * ry));
        ph = h;
    } else {
        ph = int(std::nearbyint(float(ph) * rx));
        pw = w;
    }
    if ((w - pw) % 2 != 0)
        ++pw;
    if ((h - ph) % 2 != 0)
        ++ph;
    const int left = (w - pw) / 2 + (border ? 1 : 0);
    const int top = (h - ph) / 2 + (border ? 1 : 0);
    return TRect(left, top, left + pw, top + ph);
}

int ImagePanelJPEGScale(int imageWidth, int panelWidth) {
    if (imageWidth < MulDiv(panelWidth, 3, 2))
        return jsFullSize;
    if (imageWidth < panelWidth * 3)
        return jsHalf;
    if (imageWidth < panelWidth * 6)
        return jsQuarter;
    return jsEighth;
}

TImagePanel::TImagePanel(QWidget* parent) : TPaintPanel(parent), picture_(std::make_unique<TPicture>()) {
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImagePanel::~TImagePanel() {
    picture_->OnChange = nullptr;
}

void TImagePanel::SetPicture(const TPicture& value) {
    picture_->Assign(&value);
    PictureChanged();
}

void TImagePanel::PictureChanged() {
    if (adjusting_)
        return;
    UpdateImageRect();
    // A large JPEG is decoded only as finely as the panel can show it.
    if (auto* jpeg = dynamic_cast<TJPEGGraphic*>(picture_->Graphic())) {
        adjusting_ = true;
        jpeg->SetScale(TJPEGScale(ImagePanelJPEGScale(jpeg->ImageWidth(), width())));
        jpeg->SetPerformance(jpBestSpeed);
        adjusting_ = false;
    }
    update();
}

void TImagePanel::UpdateImageRect() {
    if (picture_->Graphic() && !picture_->Graphic()->Empty())
        imageRect_ = ImagePanelRect(width(), height(), border_, picture_->Width(), picture_->Height());
}

void TImagePanel::SetBorderColor(TColor value) {
    if (borderColor_ == value)
        return;
    borderColor_ = value;
    update();
}

void TImagePanel::SetBorder(bool value) {
    if (border_ == value)
        return;
    border_ = value;
    UpdateImageRect();
    update();
}

void TImagePanel::SetTransparent(bool value) {
    if (transparent_ == value)
        return;
    transparent_ = value;
    update();
}

void TImagePanel::SetImageBorder(bool value) {
    if (imageBorder_ == value)
        return;
    imageBorder_ = value;
    UpdateImageRect();
    update();
}

void TImagePanel::resizeEvent(QResizeEvent* event) {
    TPaintPanel::resizeEvent(event);
    UpdateImageRect();
}

void TImagePanel::PaintBackground(TCanvas& canvas) {
    canvas.Brush().Color = Brush().Color();
    canvas.Brush().Style = bsSolid;
    const TRect all(0, 0, width(), height());
    if (border_) {
        canvas.Pen().Color = borderColor_;
        canvas.Pen().Style = psSolid;
        canvas.Pen().Width = 1;
        canvas.Rectangle(all);
    } else {
        canvas.FillRect(all);
    }
}

void TImagePanel::Paint(TCanvas& canvas) {
    TGraphic* graphic = picture_->Graphic();
    if (graphic && !graphic->Empty() && canvas.RectVisible(imageRect_)) {
        graphic->SetTransparent(transparent_);
        if (graphic->Transparent())
            PaintBackground(canvas);
        canvas.StretchDraw(imageRect_, *graphic);
        if (imageBorder_) {
            canvas.Brush().Style = bsClear;
            canvas.Pen().Color = borderColor_;
            canvas.Pen().Style = psSolid;
            canvas.Rectangle(imageRect_);
            canvas.Brush().Style = bsSolid;
        }
        if (!graphic->Transparent()) {
            canvas.ExcludeClipRect(imageRect_);
            PaintBackground(canvas);
        }
        return;
    }
    canvas.Brush().Color = Brush().Color();
    canvas.Brush().Style = bsSolid;
    canvas.Pen().Style = psSolid;
    canvas.Pen().Color = border_ ? borderColor_ : Brush().Color();
    canvas.Rectangle(TRect(0, 0, width(), height()));
}
