#pragma once
// The scroll box in which the layout editor and the sheet window show their draw site: the base
// control sits centred while it is smaller than the view, keeps an Edge margin when larger, and
// zooming keeps the point at the centre of the view where it was. The base control lies directly in
// the viewport, so the draw site's own auto-scroll sees the view as its parent.

#include "platform/Object.h"

#include <QAbstractScrollArea>
#include <QPointer>

// The base control's position along one axis: centred when the client is wider than size + 2 edge,
// else edge less the scroll position.
int ScrollBoxPlace(int client, int size, int edge, int scrollPos);
// The scroll range along one axis: how far the content (size + 2 edge) overhangs the client.
int ScrollBoxRange(int client, int size, int edge);

class TExScrollBox : public QAbstractScrollArea, public TObject {
    Q_OBJECT

public:
    explicit TExScrollBox(QWidget* parent = nullptr);

    QWidget* BaseControl() const { return baseControl_; }
    // The control is moved into the viewport.
    void SetBaseControl(QWidget* control);
    int Scale() const { return scale_; }
    // Scales the viewport's children by value / Scale about the centre of the view; false (and
    // nothing changes) for a value at or below 0, which no later zoom could divide by.
    bool SetScale(int value);
    int Edge() const { return edge_; }
    void SetEdge(int value);

    // Places the base control and sets the scroll ranges.
    void PlaceBaseControl();

    TNotifyEvent OnAdjustBaseControl;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> baseControl_;
    int scale_ = 100;
    int edge_ = 10;
    bool placing_ = false;
};
