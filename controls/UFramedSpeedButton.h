#pragma once
// A stock tool button with an etched frame while it is up.

#include <QToolButton>

class TFramedSpeedButton : public QToolButton {
    Q_OBJECT

public:
    using QToolButton::QToolButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
