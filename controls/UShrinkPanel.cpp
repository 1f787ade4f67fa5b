#include "controls/UShrinkPanel.h"

#include <QMouseEvent>
#include <QPainter>

TShrinkPanel::TShrinkPanel(QWidget* parent)
    : TFillImage(parent), header_([this] {
          UpdateMargins();
          update();
      }) {
    UpdateMargins();
}

TShrinkPanel::~TShrinkPanel() = default;

int TShrinkPanel::HeaderHeight() const {
    const int picture = header_.CellSize(imageIndexExpanded_).cy;
    return std::max(picture, QFontMetrics(font()).height());
}

// Children stand below the header, inside the border.
void TShrinkPanel::UpdateMargins() {
    setContentsMargins(borderWidth_, borderWidth_ + HeaderHeight(), borderWidth_, borderWidth_);
}

void TShrinkPanel::SetCaption(const QString& value) {
    if (caption_ == value)
        return;
    caption_ = value;
    update();
}

void TShrinkPanel::SetShrinked(bool value) {
    if (shrinked_ == value)
        return;
    if (value)
        expandHeight_ = height(); // re-expanding returns to the height the panel had
    shrinked_ = value;
    UpdateHeight();
    update();
}

void TShrinkPanel::UpdateHeight() {
    if (shrinked_) {
        setFixedHeight(HeaderHeight() + 2 * borderWidth_);
        return;
    }
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    if (expandHeight_ != 0)
        resize(width(), expandHeight_);
}

void TShrinkPanel::SetImageIndexExpanded(int value) {
    if (imageIndexExpanded_ == value)
        return;
    imageIndexExpanded_ = value;
    UpdateMargins();
    update();
}

void TShrinkPanel::SetImageIndexShrinked(int value) {
    if (imageIndexShrinked_ == value)
        return;
    imageIndexShrinked_ = value;
    UpdateMargins();
    update();
}

void TShrinkPanel::SetAlignment(Qt::Alignment value) {
    alignment_ = value;
    update();
}

void TShrinkPanel::SetLayout(Qt::Alignment value) {
    layout_ = value;
    update();
}

void TShrinkPanel::SetImageAlignment(Qt::Alignment value) {
    imageAlignment_ = value;
    update();
}

void TShrinkPanel::SetHeaderImagePack(TImagePack* pack) {
    if (header_.SetPack(pack)) {
        UpdateMargins();
        update();
    }
}

void TShrinkPanel::SetBorderWidth(int value) {
    if (borderWidth_ == value)
        return;
    borderWidth_ = value;
    UpdateMargins();
    if (shrinked_)
        UpdateHeight();
    update();
}

void TShrinkPanel::changeEvent(QEvent* event) {
    TFillImage::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateMargins();
        if (shrinked_)
            UpdateHeight();
    }
}

void TShrinkPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        SetShrinked(!shrinked_);
    TFillImage::mouseReleaseEvent(event);
}

void TShrinkPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        SetShrinked(!shrinked_);
    TFillImage::mouseDoubleClickEvent(event);
}

void TShrinkPanel::Paint(TCanvas& canvas) {
    PaintBackground(canvas);
    const TRect h(borderWidth_, borderWidth_, width() - borderWidth_, height() - borderWidth_);
    TRect t(h.Left, h.Top, h.Right, h.Top + HeaderHeight());
    if (header_.Pack()) {
        const int w = header_.CellSize(imageIndexExpanded_).cx;
        int x = h.Left;
        if (imageAlignment_ & Qt::AlignRight) {
            x = h.Right - w;
            t.Right -= w;
        } else if (imageAlignment_ & Qt::AlignHCenter) {
            x = (h.Width() - w) / 2;
        } else {
            t.Left += w;
        }
        const int cell = shrinked_ ? imageIndexShrinked_ : imageIndexExpanded_;
        const TSize size = header_.CellSize(cell);
        header_.StretchDraw(canvas, TRect(x, h.Top, x + size.cx, h.Top + size.cy), cell);
    }
    QPainter& painter = *canvas.Painter();
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    const QString text = metrics.elidedText(caption_, Qt::ElideRight, std::max(0, t.Width()));
    painter.drawText(t.ToQRect(), int(alignment_ | layout_) | Qt::TextSingleLine, text);
}
