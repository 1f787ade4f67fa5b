#include "platform/GraphicControl.h"

#include "platform/Application.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <map>

namespace {

std::map<TCursor, QCursor>& CustomCursors() {
    static std::map<TCursor, QCursor> cursors;
    return cursors;
}

TShiftState ShiftOf(const QInputEvent* event, Qt::MouseButtons buttons) {
    return ShiftStateFromQt(event->modifiers(), buttons);
}

} // namespace

QCursor CursorForId(TCursor cursor) {
    switch (cursor) {
    case crNone:
        return QCursor(Qt::BlankCursor);
    case crCross:
        return QCursor(Qt::CrossCursor);
    case crIBeam:
        return QCursor(Qt::IBeamCursor);
    case crSizeNESW:
        return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS:
        return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE:
        return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE:
        return QCursor(Qt::SizeHorCursor);
    case crUpArrow:
        return QCursor(Qt::UpArrowCursor);
    case crHourGlass:
        return QCursor(Qt::WaitCursor);
    case crNo:
        return QCursor(Qt::ForbiddenCursor);
    case crHandPoint:
        return QCursor(Qt::PointingHandCursor);
    case crSizeAll:
        return QCursor(Qt::SizeAllCursor);
    default:
        break;
    }
    const auto it = CustomCursors().find(cursor);
    return it != CustomCursors().end() ? it->second : QCursor(Qt::ArrowCursor);
}

void RegisterCursor(TCursor id, const QCursor& cursor) {
    CustomCursors()[id] = cursor;
}

TMouseButton MouseButtonFromQt(Qt::MouseButton button) {
    switch (button) {
    case Qt::RightButton:
        return mbRight;
    case Qt::MiddleButton:
        return mbMiddle;
    default:
        return mbLeft;
    }
}

// ---- TGraphicControl

TGraphicControl::TGraphicControl(TComponent* owner) : TComponent(owner) {}

TGraphicControl::~TGraphicControl() {
    if (parent_ != nullptr)
        parent_->RemoveControl(this);
}

void TGraphicControl::SetParent(TWinControl* parent) {
    if (parent == parent_)
        return;
    if (parent_ != nullptr)
        parent_->RemoveControl(this);
    if (parent != nullptr)
        parent->InsertControl(this);
}

void TGraphicControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
}

void TGraphicControl::SetVisible(bool value) {
    if (value == visible_)
        return;
    visible_ = value;
    VisibleChanged();
}

void TGraphicControl::VisibleChanged() {
    if (parent_ != nullptr)
        parent_->InvalidateControl(this, BoundsRect());
}

void TGraphicControl::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    Invalidate();
}

TCanvas* TGraphicControl::Canvas() const {
    if (paintCanvas_ != nullptr)
        return paintCanvas_;
    return parent_ != nullptr ? &parent_->Canvas() : nullptr;
}

void TGraphicControl::Invalidate() {
    if (parent_ != nullptr && visible_)
        parent_->InvalidateControl(this, BoundsRect());
}

void TGraphicControl::Update() {
    if (parent_ != nullptr)
        parent_->repaint();
}

void TGraphicControl::BringToFront() {
    if (parent_ != nullptr)
        parent_->SetChildOrder(this, parent_->ControlCount() - 1);
}

void TGraphicControl::SendToBack() {
    if (parent_ != nullptr)
        parent_->SetChildOrder(this, 0);
}

bool TGraphicControl::HitTestControl(int, int) {
    return true;
}

void TGraphicControl::SetParentComponent(TComponent* parent) {
    if (auto* win = dynamic_cast<TWinControl*>(parent))
        SetParent(win);
}

void TGraphicControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TGraphicControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TGraphicControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TGraphicControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TGraphicControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

// ---- TWinControl

TWinControl::TWinControl(TComponent* owner, QWidget* parentWidget)
    : QWidget(parentWidget), TComponent(owner), canvas_(std::make_unique<TCanvas>()) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    canvas_->SetPixelsPerInch(logicalDpiY());
}

void TWinControl::DeclareProperties(TPropertyBuilder<TWinControl>& p) {
    p.Integer("Left", &TWinControl::Left, &TWinControl::SetLeft);
    p.Integer("Top", &TWinControl::Top, &TWinControl::SetTop);
    p.Integer("Width", &TWinControl::Width, &TWinControl::SetWidth);
    p.Integer("Height", &TWinControl::Height, &TWinControl::SetHeight);
}

TWinControl::~TWinControl() {
    // Owned children go first, while this object is whole; then the others are let go.
    DestroyComponents();
    while (!controls_.empty())
        controls_.back()->SetParent(nullptr);
}

void TWinControl::SetName(const QString& name) {
    TComponent::SetName(name);
    setObjectName(name);
}

TGraphicControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return controls_[size_t(index)];
}

int TWinControl::IndexOfControl(const TGraphicControl* control) const {
    const auto it = std::find(controls_.begin(), controls_.end(), control);
    return it == controls_.end() ? -1 : int(it - controls_.begin());
}

void TWinControl::SetChildOrder(TGraphicControl* control, int order) {
    const int index = IndexOfControl(control);
    if (index < 0)
        return;
    order = std::clamp(order, 0, ControlCount() - 1);
    if (order == index)
        return;
    controls_.erase(controls_.begin() + index);
    controls_.insert(controls_.begin() + order, control);
    control->Invalidate();
}

TGraphicControl* TWinControl::ControlAtPos(const TPoint& p, bool allowDisabled) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TGraphicControl* c = *it;
        if (!c->Visible() || (!c->Enabled() && !allowDisabled))
            continue;
        if (!c->BoundsRect().Contains(p))
            continue;
        if (c->HitTestControl(p.X - c->Left(), p.Y - c->Top()))
            return c;
    }
    return nullptr;
}

void TWinControl::SetColor(TColor value) {
    if (value == color_)
        return;
    color_ = value;
    update();
}

void TWinControl::SetMouseCapture(bool value) {
    if (value)
        capture_ = this;
    else if (capture_ == this)
        capture_ = nullptr;
}

void TWinControl::InsertControl(TGraphicControl* control) {
    controls_.push_back(control);
    control->parent_ = this;
    ControlListChange(control, true);
    control->Invalidate();
}

void TWinControl::RemoveControl(TGraphicControl* control) {
    const int index = IndexOfControl(control);
    if (index < 0)
        return;
    control->Invalidate();
    ControlListChange(control, false);
    controls_.erase(controls_.begin() + index);
    control->parent_ = nullptr;
    if (capture_ == control)
        capture_ = nullptr;
    if (pressed_ == control)
        pressed_ = nullptr;
}

void TWinControl::ControlListChange(TGraphicControl*, bool) {}

void TWinControl::InvalidateControl(TGraphicControl*, const TRect& r) {
    update(r.ToQRect());
}

void TWinControl::PaintControl(TGraphicControl* control, TCanvas& canvas) {
    canvas.SaveDC();
    canvas.IntersectClipRect(control->BoundsRect());
    canvas.OffsetWindowOrg(-control->Left(), -control->Top());
    control->paintCanvas_ = &canvas;
    try {
        control->PaintMessage();
    } catch (...) {
        control->paintCanvas_ = nullptr;
        canvas.RestoreDC(-1);
        throw;
    }
    control->paintCanvas_ = nullptr;
    canvas.RestoreDC(-1);
}

void TWinControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    TCanvas canvas(&painter);
    canvas.CopyTools(*canvas_);
    canvas.SetPixelsPerInch(logicalDpiY());
    paintCanvas_ = &canvas;
    TApplication::Guard(this, [&] {
        if (color_ != clNone)
            canvas.FillSolid(TRect(0, 0, width(), height()), color_);
        for (TGraphicControl* c : std::vector<TGraphicControl*>(controls_))
            if (c->Visible())
                PaintControl(c, canvas);
    });
    paintCanvas_ = nullptr;
}

void TWinControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TWinControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TWinControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TWinControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TWinControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TWinControl::KeyDown(int& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(int& key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(QChar& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::CancelMode() {
    capture_ = nullptr;
    pressed_ = nullptr;
    clicked_ = false;
}

void TWinControl::Press(QMouseEvent* event, bool doubleClick) {
    const TPoint p = TPoint::FromQPoint(event->position().toPoint());
    const TMouseButton button = MouseButtonFromQt(event->button());
    TShiftState shift = ShiftOf(event, event->buttons());
    if (doubleClick)
        shift |= ssDouble;
    TApplication::Guard(this, [&] {
        TGraphicControl* control = capture_ == nullptr ? ControlAtPos(p) : nullptr;
        if (control != nullptr) {
            // The control holds the mouse unless its press handed it elsewhere.
            capture_ = control;
            pressed_ = control;
            control->MouseDown(button, shift, p.X - control->Left(), p.Y - control->Top());
            if (doubleClick && pressed_ == control)
                control->DblClick();
            return;
        }
        if (capture_ == nullptr) {
            capture_ = this;
            clicked_ = button == mbLeft;
        }
        MouseDown(button, shift, p.X, p.Y);
        if (doubleClick)
            DblClick();
    });
}

void TWinControl::mousePressEvent(QMouseEvent* event) {
    Press(event, false);
}

void TWinControl::mouseDoubleClickEvent(QMouseEvent* event) {
    Press(event, true);
}

void TWinControl::mouseMoveEvent(QMouseEvent* event) {
    const TPoint p = TPoint::FromQPoint(event->position().toPoint());
    const TShiftState shift = ShiftOf(event, event->buttons());
    TApplication::Guard(this, [&] {
        TObject* target = capture_;
        if (target == nullptr) {
            UpdateCursor(p);
            target = ControlAtPos(p);
            if (target == nullptr)
                target = this;
        }
        if (target == this) {
            MouseMove(shift, p.X, p.Y);
        } else if (auto* c = dynamic_cast<TGraphicControl*>(target); c != nullptr && IndexOfControl(c) >= 0) {
            c->MouseMove(shift, p.X - c->Left(), p.Y - c->Top());
        }
    });
}

void TWinControl::mouseReleaseEvent(QMouseEvent* event) {
    const TPoint p = TPoint::FromQPoint(event->position().toPoint());
    const TMouseButton button = MouseButtonFromQt(event->button());
    const TShiftState shift = ShiftOf(event, event->buttons());
    TApplication::Guard(this, [&] {
        TObject* target = capture_;
        TGraphicControl* pressed = pressed_;
        if (event->buttons() == Qt::NoButton) {
            capture_ = nullptr;
            pressed_ = nullptr;
        }
        // As the framework does: the capture ends, the click (when the button went up where it
        // went down) comes first, then the release.
        if (target == this || target == nullptr) {
            const bool clicked = clicked_ && button == mbLeft;
            clicked_ = false;
            if (clicked && rect().contains(event->position().toPoint()))
                Click();
            MouseUp(button, shift, p.X, p.Y);
        } else if (auto* c = dynamic_cast<TGraphicControl*>(target); c != nullptr && IndexOfControl(c) >= 0) {
            if (c == pressed && button == mbLeft && c->BoundsRect().Contains(p))
                c->Click();
            if (IndexOfControl(c) >= 0)
                c->MouseUp(button, shift, p.X - c->Left(), p.Y - c->Top());
        }
        UpdateCursor(p);
    });
}

void TWinControl::keyPressEvent(QKeyEvent* event) {
    int key = event->key();
    const TShiftState shift = ShiftOf(event, Qt::NoButton);
    TApplication::Guard(this, [&] {
        KeyDown(key, shift);
        if (key != 0 && !event->text().isEmpty()) {
            QChar c = event->text().at(0);
            KeyPress(c);
        }
    });
    event->accept();
}

void TWinControl::keyReleaseEvent(QKeyEvent* event) {
    int key = event->key();
    const TShiftState shift = ShiftOf(event, Qt::NoButton);
    TApplication::Guard(this, [&] { KeyUp(key, shift); });
}

void TWinControl::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    if (OnEnter)
        TApplication::Guard(this, [&] { OnEnter(this); });
}

void TWinControl::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    TApplication::Guard(this, [&] {
        if (capture_ != nullptr && event->reason() != Qt::PopupFocusReason)
            CancelMode();
        if (OnExit)
            OnExit(this);
    });
}

void TWinControl::SetCursor(TCursor value) {
    cursor_ = value;
    if (value == crDefault)
        unsetCursor();
    else
        setCursor(CursorForId(value));
}

void TWinControl::UpdateCursor(const TPoint& p) {
    TGraphicControl* c = ControlAtPos(p);
    const TCursor id = c != nullptr && c->Cursor() != crDefault ? c->Cursor() : cursor_;
    if (id == crDefault)
        unsetCursor();
    else
        setCursor(CursorForId(id));
}
