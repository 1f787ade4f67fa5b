#pragma once
// A push or toggle button whose faces are cells of an image pack: hot faces when flat, groups of
// buttons of which one is down, Enter and Escape for the default and cancel buttons, a caption
// over the picture with an optional shadow, extra bold strokes, vertical layout and press offsets.
// Without a picture it paints a plain bevelled face in its brush.

#include "controls/UBitmapControl.h"
#include "core/UIntegerList.h"

#include <QAbstractButton>
#include <QPointer>

class QAction;

// Which pack cell shows which state.
class TButtonIndex : public TIntegerList {
    QUORLANE_CLASS(TButtonIndex, TIntegerList)

public:
    TButtonIndex();
    static void DeclareProperties(TPropertyBuilder<TButtonIndex>& p);
    int Up() const { return Get(0); }
    void SetUp(int v) { Put(0, v); }
    int Down() const { return Get(1); }
    void SetDown(int v) { Put(1, v); }
    int Disable() const { return Get(2); }
    void SetDisable(int v) { Put(2, v); }
    int Push() const { return Get(3); }
    void SetPush(int v) { Put(3, v); }
    int Hot() const { return Get(4); }
    void SetHot(int v) { Put(4, v); }
    int DownHot() const { return Get(5); }
    void SetDownHot(int v) { Put(5, v); }
};

// Caption offsets when the button is down and when it is up.
class TOffsetCaption : public TIntegerList {
    QUORLANE_CLASS(TOffsetCaption, TIntegerList)

public:
    TOffsetCaption();
    static void DeclareProperties(TPropertyBuilder<TOffsetCaption>& p);
    int DownHorz() const { return Get(0); }
    void SetDownHorz(int v) { Put(0, v); }
    int DownVert() const { return Get(1); }
    void SetDownVert(int v) { Put(1, v); }
    int UpHorz() const { return Get(2); }
    void SetUpHorz(int v) { Put(2, v); }
    int UpVert() const { return Get(3); }
    void SetUpVert(int v) { Put(3, v); }
};

enum TBitmapButtonState { bbsUp = 0, bbsDown = 1, bbsPush = 2, bbsHot = 3, bbsDownHot = 4, bbsDisabled = 5 };

// The state a button shows; cellEmpty tells whether the state's cell is missing from the pack.
struct TButtonStateInput {
    bool enabled = true;
    bool captured = false; // the mouse is held on the button
    bool flat = false;
    bool mouseInside = false;
    bool down = false;
};
TBitmapButtonState ButtonState(const TButtonStateInput& in,
                               const std::function<bool(TBitmapButtonState)>& cellEmpty, bool& hotOutline);

// The bevel's lightened and darkened channels of a colour (0x00BBGGRR).
TColor BevelLighten(TColor color);
TColor BevelDarken(TColor color);

// A caption split into user-perceived characters, for vertical captions.
QStringList CaptionCharacters(const QString& caption);

class TBitmapButton : public QAbstractButton, public TObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ text WRITE setText)

public:
    explicit TBitmapButton(QWidget* parent = nullptr);
    ~TBitmapButton() override;

    TImagePack* ImagePack() const { return link_.Pack(); }
    void SetImagePack(TImagePack* pack);
    TNoDefaultBrush& Brush() { return brush_; }
    TButtonIndex& ImageIndex() { return *imageIndex_; }
    void SetImageIndex(const TButtonIndex& value) { imageIndex_->Assign(&value); }
    TOffsetCaption& TextPosition() { return *textPosition_; }
    void SetTextPosition(const TOffsetCaption& value) { textPosition_->Assign(&value); }

    QAction* ExecMenu() const { return execMenu_; }
    void SetExecMenu(QAction* action) { execMenu_ = action; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool Down() const { return down_; }
    // Releasing is ignored unless AllowAllUp; pressing releases the other button of the group.
    void SetDown(bool value);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int value) { modalResult_ = value; }
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value);
    bool Shadow() const { return shadow_; }
    void SetShadow(bool value) { SetAndUpdate(shadow_, value); }
    int ShadowSize() const { return shadowSize_; }
    void SetShadowSize(int value) { SetAndUpdate(shadowSize_, value); }
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor value) { SetAndUpdate(shadowColor_, value); }
    bool ExtraBold() const { return extraBold_; }
    void SetExtraBold(bool value) { SetAndUpdate(extraBold_, value); }
    bool Vertical() const { return vertical_; }
    void SetVertical(bool value) { SetAndUpdate(vertical_, value); }
    bool TextOffset() const { return textOffset_; }
    void SetTextOffset(bool value) { SetAndUpdate(textOffset_, value); }

    TBitmapButtonState State() const { return state_; }
    bool HotOutline() const { return hotOutline_; }
    // Clicks the button as a press would.
    void Click();

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    template <class T>
    void SetAndUpdate(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        update();
    }
    int CellOf(TBitmapButtonState state) const;
    void UpdateState(bool repaintNow = false);
    void SyncGroup();
    void WatchDialogKeys();
    void DrawCaption(QPainter& painter, int dx, int dy, const QColor& color);
    void DrawCaptionOnce(QPainter& painter, int x, int y);

    TImagePackLink link_;
    TNoDefaultBrush brush_;
    std::unique_ptr<TButtonIndex> imageIndex_;
    std::unique_ptr<TOffsetCaption> textPosition_;
    QPointer<QAction> execMenu_;
    bool autoSize_ = true;
    bool down_ = false;
    int modalResult_ = 0;
    bool flat_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    bool default_ = false;
    bool cancel_ = false;
    bool mouseInside_ = false;
    TBitmapButtonState state_ = bbsUp;
    bool hotOutline_ = false;
    bool shadow_ = false;
    int shadowSize_ = 0;
    TColor shadowColor_ = clBlack;
    bool extraBold_ = false;
    bool vertical_ = false;
    bool textOffset_ = false;
    QPointer<QWidget> watchedWindow_;
};
