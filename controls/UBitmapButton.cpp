#include "controls/UBitmapButton.h"

#include "imaging/UImagePack.h"

#include <QAction>
#include <QDialog>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QTextBoundaryFinder>

namespace {

// The focus ring's distance from the button's edge, inside its bevel.
constexpr int kFocusInset = 5;

} // namespace

TButtonIndex::TButtonIndex() : TIntegerList(6) {
    Put(0, 0);
    Put(1, 1);
    Put(2, 2);
    Put(3, 3);
    Put(4, 4);
    Put(5, -1);
}

void TButtonIndex::DeclareProperties(TPropertyBuilder<TButtonIndex>& p) {
    p.Integer("Up", &TButtonIndex::Up, &TButtonIndex::SetUp).Default(0);
    p.Integer("Down", &TButtonIndex::Down, &TButtonIndex::SetDown).Default(1);
    p.Integer("Disable", &TButtonIndex::Disable, &TButtonIndex::SetDisable).Default(2);
    p.Integer("Push", &TButtonIndex::Push, &TButtonIndex::SetPush).Default(3);
    p.Integer("Hot", &TButtonIndex::Hot, &TButtonIndex::SetHot).Default(4);
    p.Integer("DownHot", &TButtonIndex::DownHot, &TButtonIndex::SetDownHot).Default(-1);
}

TOffsetCaption::TOffsetCaption() : TIntegerList(4) {
    Put(0, 1);
    Put(1, 1);
}

void TOffsetCaption::DeclareProperties(TPropertyBuilder<TOffsetCaption>& p) {
    p.Integer("DownHorz", &TOffsetCaption::DownHorz, &TOffsetCaption::SetDownHorz).Default(1);
    p.Integer("DownVert", &TOffsetCaption::DownVert, &TOffsetCaption::SetDownVert).Default(1);
    p.Integer("UpHorz", &TOffsetCaption::UpHorz, &TOffsetCaption::SetUpHorz).Default(0);
    p.Integer("UpVert", &TOffsetCaption::UpVert, &TOffsetCaption::SetUpVert).Default(0);
}

TBitmapButtonState ButtonState(const TButtonStateInput& in,
                               const std::function<bool(TBitmapButtonState)>& cellEmpty, bool& hotOutline) {
    const bool hot = !in.captured && in.flat && in.mouseInside;
    TBitmapButtonState state;
    if (!in.enabled)
        state = bbsDisabled;
    else if (hot && !in.down && !cellEmpty(bbsHot))
        state = bbsHot;
    else if (hot && in.down && !cellEmpty(bbsDownHot))
        state = bbsDownHot;
    else if (in.captured && in.mouseInside && !cellEmpty(bbsPush))
        state = bbsPush;
    else
        state = in.down ? bbsDown : bbsUp;
    hotOutline = hot && state != bbsHot && state != bbsDownHot;
    return state;
}

TColor BevelLighten(TColor color) {
    const auto up = [](int c) { return c + (255 - c) / 2; };
    return RGB(up(GetRValue(color)), up(GetGValue(color)), up(GetBValue(color)));
}

TColor BevelDarken(TColor color) {
    return RGB(GetRValue(color) / 2, GetGValue(color) / 2, GetBValue(color) / 2);
}

QStringList CaptionCharacters(const QString& caption) {
    QStringList characters;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, caption);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        characters << caption.mid(start, finder.position() - start);
        start = finder.position();
    }
    return characters;
}

TBitmapButton::TBitmapButton(QWidget* parent)
    : QAbstractButton(parent), link_([this] { update(); }), imageIndex_(std::make_unique<TButtonIndex>()),
      textPosition_(std::make_unique<TOffsetCaption>()) {
    brush_.OnChange = [this](TObject*) { update(); };
    imageIndex_->OnChange = [this](TObject*) {
        UpdateState();
        update();
    };
    textPosition_->OnChange = [this](TObject*) { update(); };
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(75, 25);
    connect(this, &QAbstractButton::clicked, this, [this] { Click(); });
    connect(this, &QAbstractButton::pressed, this, [this] { UpdateState(); });
    connect(this, &QAbstractButton::released, this, [this] { UpdateState(); });
}

TBitmapButton::~TBitmapButton() = default;

void TBitmapButton::SetImagePack(TImagePack* pack) {
    if (link_.SetPack(pack)) {
        UpdateState();
        update();
    }
}

int TBitmapButton::CellOf(TBitmapButtonState state) const {
    switch (state) {
    case bbsUp:
        return imageIndex_->Up();
    case bbsDown:
        return imageIndex_->Down();
    case bbsPush:
        return imageIndex_->Push();
    case bbsHot:
        return imageIndex_->Hot();
    case bbsDownHot:
        return imageIndex_->DownHot();
    case bbsDisabled:
        return imageIndex_->Disable();
    }
    return -1;
}

void TBitmapButton::UpdateState(bool repaintNow) {
    TButtonStateInput in;
    in.enabled = isEnabled();
    in.captured = isDown();
    in.flat = flat_;
    in.mouseInside = mouseInside_;
    in.down = down_;
    bool outline = false;
    const TBitmapButtonState state = ButtonState(
        in, [this](TBitmapButtonState s) { return link_.IsEmpty(CellOf(s)); }, outline);
    if (state == state_ && outline == hotOutline_)
        return;
    state_ = state;
    hotOutline_ = outline;
    if (repaintNow)
        repaint();
    else
        update();
}

void TBitmapButton::SetAutoSize(bool value) {
    if (autoSize_ == value)
        return;
    if (value && !link_.IsEmpty(imageIndex_->Up())) {
        const TSize size = link_.CellSize(imageIndex_->Up());
        resize(size.cx, size.cy);
    }
    autoSize_ = value;
    update();
}

void TBitmapButton::SetDown(bool value) {
    if (down_ == value)
        return;
    if (!value && !allowAllUp_)
        return;
    down_ = value;
    UpdateState();
    if (value)
        SyncGroup();
}

void TBitmapButton::SetFlat(bool value) {
    if (flat_ == value)
        return;
    flat_ = value;
    UpdateState();
}

void TBitmapButton::SetGroupIndex(int value) {
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    SyncGroup();
}

void TBitmapButton::SetAllowAllUp(bool value) {
    if (allowAllUp_ == value)
        return;
    allowAllUp_ = value;
    SyncGroup();
}

void TBitmapButton::SyncGroup() {
    if (groupIndex_ == 0 || !parentWidget())
        return;
    for (TBitmapButton* other : parentWidget()->findChildren<TBitmapButton*>(Qt::FindDirectChildrenOnly)) {
        if (other == this || other->groupIndex_ != groupIndex_)
            continue;
        if (down_ && other->down_) {
            other->down_ = false;
            other->UpdateState(true);
        }
        other->allowAllUp_ = allowAllUp_;
    }
}

void TBitmapButton::SetDefault(bool value) {
    default_ = value;
    WatchDialogKeys();
}

void TBitmapButton::SetCancel(bool value) {
    cancel_ = value;
    WatchDialogKeys();
}

// Enter and Escape reach the window after the focused control passed them on; the window's default
// and cancel buttons take them there, before the dialog's own handling.
void TBitmapButton::WatchDialogKeys() {
    QWidget* w = window();
    if (watchedWindow_ == w)
        return;
    if (watchedWindow_)
        watchedWindow_->removeEventFilter(this);
    watchedWindow_ = w;
    if (w && w != this)
        w->installEventFilter(this);
}

bool TBitmapButton::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool escape = key->key() == Qt::Key_Escape;
        if (key->modifiers() == Qt::NoModifier && ((enter && default_) || (escape && cancel_)) &&
            isEnabled() && isVisible() && event->type() == QEvent::KeyPress) {
            Click();
            return true;
        }
    }
    return QAbstractButton::eventFilter(watched, event);
}

void TBitmapButton::changeEvent(QEvent* event) {
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        UpdateState();
    else if (event->type() == QEvent::ParentChange)
        WatchDialogKeys();
    else if (event->type() == QEvent::FontChange)
        update();
}

void TBitmapButton::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    mouseInside_ = true;
    UpdateState();
}

void TBitmapButton::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    mouseInside_ = false;
    UpdateState();
}

void TBitmapButton::mousePressEvent(QMouseEvent* event) {
    QAbstractButton::mousePressEvent(event);
    UpdateState();
}

void TBitmapButton::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != mouseInside_) {
        mouseInside_ = inside;
        UpdateState();
    }
}

void TBitmapButton::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractButton::mouseReleaseEvent(event);
    if (flat_ && isEnabled())
        mouseInside_ = rect().contains(event->position().toPoint());
    UpdateState();
}

void TBitmapButton::mouseDoubleClickEvent(QMouseEvent* event) {
    if (groupIndex_ != 0) {
        // A grouped button takes the second press of a double click as another click.
        QAbstractButton::mousePressEvent(event);
        return;
    }
    event->accept();
    if (OnDblClick)
        OnDblClick(this);
}

bool TBitmapButton::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

void TBitmapButton::Click() {
    if (groupIndex_ != 0)
        SetDown(!down_);
    if (modalResult_ != 0)
        if (auto* dialog = qobject_cast<QDialog*>(window()))
            dialog->done(modalResult_);
    UpdateState();
    if (OnClick)
        OnClick(this);
    if (execMenu_)
        execMenu_->trigger();
}

void TBitmapButton::paintEvent(QPaintEvent*) {
    TCanvas canvas(this);
    const TRect r = TRect::FromQRect(rect());
    const int w = width();
    const int h = height();
    const bool drawn = link_.StretchDraw(canvas, r, CellOf(state_));
    QPainter& painter = *canvas.Painter();
    if (drawn) {
        if (hotOutline_) {
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter.setPen(QPen(Qt::black, 0));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRect(0, 0, w - 1, h - 1));
            painter.restore();
        }
    } else {
        painter.fillRect(rect(), brush_.ToQBrush());
        if (!hotOutline_) {
            const TColor face = ColorToRGB(brush_.Color());
            const QColor white = ToQColor(clWhite);
            const QColor black = ToQColor(clBlack);
            const QColor light = ToQColor(BevelLighten(face));
            const QColor dark = ToQColor(BevelDarken(face));
            const bool up = !down_;
            // Each line leaves out its end point, as the window system's lines do.
            const auto line = [&](int x1, int y1, int x2, int y2, const QColor& c) {
                painter.setPen(QPen(c, 0));
                if (x1 == x2 && y2 > y1)
                    painter.drawLine(x1, y1, x2, y2 - 1);
                else if (y1 == y2 && x2 > x1)
                    painter.drawLine(x1, y1, x2 - 1, y2);
            };
            line(0, 0, w - 1, 0, up ? white : black);
            line(0, 0, 0, h - 1, up ? white : black);
            line(1, 1, w - 2, 1, up ? light : dark);
            line(1, 1, 1, h - 2, up ? light : dark);
            line(w - 1, 0, w - 1, h - 1, up ? black : white);
            line(0, h - 1, w, h - 1, up ? black : white);
            line(w - 2, 1, w - 2, h - 2, up ? dark : light);
            line(1, h - 2, w - 1, h - 2, up ? dark : light);
        } else {
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter.setPen(QPen(Qt::black, 0));
            painter.drawRect(QRect(0, 0, w - 1, h - 1));
            painter.restore();
        }
    }
    if (hasFocus()) {
        // The style draws the focus ring, as it does on the window system's buttons.
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    if (text().isEmpty())
        return;
    int dx = 0;
    int dy = 0;
    if (textOffset_) {
        const bool pressed = state_ == bbsDown || state_ == bbsPush;
        dx = pressed ? textPosition_->DownHorz() : textPosition_->UpHorz();
        dy = pressed ? textPosition_->DownVert() : textPosition_->UpVert();
    }
    painter.setFont(font());
    painter.setBrush(Qt::NoBrush);
    if (shadow_)
        DrawCaption(painter, dx + shadowSize_, dy + shadowSize_, ToQColor(shadowColor_));
    DrawCaption(painter, dx, dy, palette().color(QPalette::ButtonText));
}

void TBitmapButton::DrawCaption(QPainter& painter, int dx, int dy, const QColor& color) {
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        DrawCaptionOnce(painter, dx + 1, dy + 1);
        painter.setPen(palette().color(QPalette::Dark));
        DrawCaptionOnce(painter, dx, dy);
        return;
    }
    painter.setPen(color);
    DrawCaptionOnce(painter, dx, dy);
}

void TBitmapButton::DrawCaptionOnce(QPainter& painter, int x, int y) {
    const QFontMetrics metrics(font());
    const auto draw = [&](int left, int top, const QString& s) {
        const int baseline = top + metrics.ascent();
        if (extraBold_) {
            painter.drawText(left + 1, baseline, s);
            painter.drawText(left, baseline + 1, s);
        }
        painter.drawText(left, baseline, s);
    };
    if (!vertical_) {
        const QString s = text();
        draw((width() - metrics.horizontalAdvance(s)) / 2 + x, (height() - metrics.height()) / 2 + y, s);
        return;
    }
    const QStringList characters = CaptionCharacters(text());
    const int total = int(characters.size()) * metrics.height();
    int top = (height() - total) / 2 + y;
    for (const QString& c : characters) {
        draw((width() - metrics.horizontalAdvance(c)) / 2 + x, top, c);
        top += metrics.height();
    }
}
