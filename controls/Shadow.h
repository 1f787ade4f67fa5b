#pragma once

#include "platform/Canvas.h"
#include "platform/Object.h"

#include <QWidget>

// A paint box that draws a drop shadow behind another control of its parent.
class TShadow : public QWidget, public TObject {
    Q_OBJECT

public:
    explicit TShadow(QWidget* parent = nullptr);

    int ShadowWidth() const { return shadowWidth_; }
    void SetShadowWidth(int value);
    QWidget* ParentControl() const { return parentControl_; }
    // Moves the shadow under control, in control's parent, sized to cover control and its shadow.
    void SetParentControl(QWidget* control);
    bool Border() const { return border_; }
    void SetBorder(bool value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);

    TNotifyEvent OnPaint;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int shadowWidth_ = 5;
    QWidget* parentControl_ = nullptr;
    bool border_ = false;
    TColor color_ = TColor(0x808080);
};
