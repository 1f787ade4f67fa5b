#pragma once
// The framework's windowless controls and the windowed control that hosts them. A windowless
// control (TGraphicControl) has pixel bounds inside its parent, is painted on its parent's
// canvas in its parent's paint and receives the mouse through its parent; it is a plain
// component, not a widget. The parent (TWinControl) is a QWidget that keeps its windowless
// children in z-order (later = above), hit-tests them from the top, hands them mouse presses
// with the framework's capture rules and paints them.

#include "platform/Canvas.h"
#include "platform/Component.h"
#include "platform/Rect.h"
#include "platform/ShiftState.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class TWinControl;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// Cursor identifiers of the framework (0 = the default cursor of the control).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crNo = -18;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// The Qt cursor shown for a cursor identifier (custom identifiers, above 0, show the arrow
// unless a cursor was registered for them).
QCursor CursorForId(TCursor cursor);
// Registers the cursor a custom identifier stands for.
void RegisterCursor(TCursor id, const QCursor& cursor);

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;
// key: a Qt::Key value; the handler may set it to 0 to stop the key's default handling.
using TKeyEvent = std::function<void(TObject* sender, int& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, QChar& key)>;

class TGraphicControl : public TComponent {
    QUORLANE_CLASS(TGraphicControl, TComponent)

public:
    explicit TGraphicControl(TComponent* owner);
    // Leaves its parent first.
    ~TGraphicControl() override;

    TWinControl* Parent() const { return parent_; }
    // Moves the control to another parent (at the top of its z-order) or out of any (nullptr).
    virtual void SetParent(TWinControl* parent);

    // Pixel bounds in the parent's client area.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    virtual void SetBounds(int left, int top, int width, int height);
    TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
    TRect ClientRect() const { return TRect(0, 0, width_, height_); }
    TPoint ClientToParent(const TPoint& p) const { return TPoint(p.X + left_, p.Y + top_); }

    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value) { cursor_ = value; }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& value) { hint_ = value; }
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }
    // Opaque controls hide what lies beneath them completely (the framework's csOpaque style).
    bool Opaque() const { return opaque_; }
    void SetOpaque(bool value) { opaque_ = value; }

    // The canvas the control paints on: the parent's paint canvas while the parent paints it
    // (with the control's top-left at the origin), else the parent's canvas; nullptr off a parent.
    TCanvas* Canvas() const;

    // Asks the parent to repaint the control's area.
    virtual void Invalidate();
    // Paints what is pending at once.
    void Update();
    void BringToFront();
    void SendToBack();

    // The hit test of a point in the control's client pixels (the framework's CM_HITTEST).
    virtual bool HitTestControl(int x, int y);
    // Mouse input in the control's client pixels, from the parent.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();

    // The parent's paint of this control (the framework's paint message): calls Paint.
    virtual void PaintMessage() { Paint(); }
    // Told by the component reader which component this one was read inside: a windowed
    // control becomes the parent.
    void SetParentComponent(TComponent* parent) override;

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

protected:
    friend class TWinControl;
    // Draws the control on Canvas(); empty here.
    virtual void Paint() {}
    // Told after Visible changed (the framework's CM_VISIBLECHANGED); the base repaints the area.
    virtual void VisibleChanged();

private:
    TWinControl* parent_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool opaque_ = false;
    TCursor cursor_ = crDefault;
    QString hint_;
    QMenu* popupMenu_ = nullptr;
    TCanvas* paintCanvas_ = nullptr;
};

// A windowed control: a widget that is also a component, hosting windowless children.
class TWinControl : public QWidget, public TComponent {
    QUORLANE_CLASS(TWinControl, TComponent)

public:
    explicit TWinControl(TComponent* owner, QWidget* parentWidget = nullptr);
    static void DeclareProperties(TPropertyBuilder<TWinControl>& p);
    // Frees the owned components and takes the remaining children off first, so that no child
    // reaches a half-destroyed parent.
    ~TWinControl() override;

    void SetName(const QString& name) override;

    // Windowless children in z-order, bottom-most first.
    int ControlCount() const { return int(controls_.size()); }
    TGraphicControl* Controls(int index) const;
    int IndexOfControl(const TGraphicControl* control) const;
    // Moves a child to position order in the z-order (clamped).
    void SetChildOrder(TGraphicControl* control, int order);
    // The topmost visible child whose bounds hold the client point and whose hit test agrees.
    TGraphicControl* ControlAtPos(const TPoint& p, bool allowDisabled = false) const;

    // The canvas of the control: while a paint runs, the canvas of that paint; otherwise a
    // canvas without a device that holds the control's tools and resolution (for measuring).
    TCanvas& Canvas() { return paintCanvas_ != nullptr ? *paintCanvas_ : *canvas_; }
    // The tools canvas alone.
    TCanvas& ToolCanvas() { return *canvas_; }
    int Left() const { return x(); }
    void SetLeft(int value) { move(value, y()); }
    int Top() const { return y(); }
    void SetTop(int value) { move(x(), value); }
    int Width() const { return width(); }
    void SetWidth(int value) { resize(value, height()); }
    int Height() const { return height(); }
    void SetHeight(int value) { resize(width(), value); }
    int ClientWidth() const { return width(); }
    int ClientHeight() const { return height(); }
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    // The cursor shown where no child control shows its own.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);

    // The control (self or a child) that receives all mouse input until the button goes up.
    TObject* CaptureControl() const { return capture_; }
    void SetCaptureControl(TObject* control) { capture_ = control; }
    bool MouseCapture() const { return capture_ == this; }
    void SetMouseCapture(bool value);
    // Marks that a press on the control itself is to end in Click on release (csClicked).
    void SetClicked(bool value) { clicked_ = value; }
    bool Clicked() const { return clicked_; }

    // Framework-level input entry points; the widget events call them.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyUp(int& key, TShiftState shift);
    virtual void KeyPress(QChar& key);
    // The framework's CM_CANCELMODE: a press in progress is abandoned (focus or capture lost).
    virtual void CancelMode();

    // Repaints the area of a child (client pixels) on the next paint.
    virtual void InvalidateControl(TGraphicControl* control, const TRect& r);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

protected:
    friend class TGraphicControl;
    // Told after a child was inserted or before it is removed (the framework's
    // CM_CONTROLLISTCHANGE); the base does nothing.
    virtual void ControlListChange(TGraphicControl* control, bool inserting);
    // Paints one child on canvas, whose device origin is the parent's client origin: the
    // child's bounds become the clip and its top-left the origin while it paints.
    void PaintControl(TGraphicControl* control, TCanvas& canvas);
    // The canvas Canvas() answers while a paint of the control runs (nullptr: none).
    void SetWindowPaintCanvas(TCanvas* canvas) { paintCanvas_ = canvas; }

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void InsertControl(TGraphicControl* control);
    void RemoveControl(TGraphicControl* control);
    void UpdateCursor(const TPoint& p);
    void Press(QMouseEvent* event, bool doubleClick);

    std::vector<TGraphicControl*> controls_;
    std::unique_ptr<TCanvas> canvas_;
    TCanvas* paintCanvas_ = nullptr;
    TColor color_ = clBtnFace;
    TCursor cursor_ = crDefault;
    TObject* capture_ = nullptr;
    TGraphicControl* pressed_ = nullptr;
    bool clicked_ = false;
};

TMouseButton MouseButtonFromQt(Qt::MouseButton button);
