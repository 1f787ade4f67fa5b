#include "controls/Exscrbox.h"

#include "core/UGeometryUtil.h"

#include <QEvent>
#include <QScrollBar>

int ScrollBoxPlace(int client, int size, int edge, int scrollPos) {
    if (client <= size + 2 * edge)
        return edge - scrollPos;
    return (client - size) / 2;
}

int ScrollBoxRange(int client, int size, int edge) {
    return std::max(0, size + 2 * edge - client);
}

TExScrollBox::TExScrollBox(QWidget* parent) : QAbstractScrollArea(parent) {}

void TExScrollBox::SetBaseControl(QWidget* control) {
    if (baseControl_ == control)
        return;
    if (baseControl_)
        baseControl_->removeEventFilter(this);
    baseControl_ = control;
    if (control) {
        control->setParent(viewport());
        control->installEventFilter(this);
        control->show();
    }
    PlaceBaseControl();
    viewport()->update();
}

void TExScrollBox::SetEdge(int value) {
    if (edge_ == value)
        return;
    edge_ = value;
    PlaceBaseControl();
}

bool TExScrollBox::SetScale(int value) {
    if (value <= 0)
        return false;
    if (value == scale_)
        return true;
    const int old = scale_;
    scale_ = value;
    const QSize client = viewport()->size();
    const auto scaleChildren = [&] {
        for (QWidget* child : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            const QRect g = child->geometry();
            child->setGeometry(MulDiv(g.x(), value, old), MulDiv(g.y(), value, old),
                               MulDiv(g.width(), value, old), MulDiv(g.height(), value, old));
        }
    };
    if (!baseControl_) {
        scaleChildren();
        return true;
    }
    // The point of the base control at the centre of the view stays there.
    const int cx = client.width() / 2 - baseControl_->x();
    const int cy = client.height() / 2 - baseControl_->y();
    placing_ = true;
    scaleChildren();
    placing_ = false;
    const QSize size = baseControl_->size();
    horizontalScrollBar()->setRange(0, ScrollBoxRange(client.width(), size.width(), edge_));
    verticalScrollBar()->setRange(0, ScrollBoxRange(client.height(), size.height(), edge_));
    placing_ = true;
    horizontalScrollBar()->setValue(edge_ + int(int64_t(value) * cx / old) - client.width() / 2);
    verticalScrollBar()->setValue(edge_ + int(int64_t(value) * cy / old) - client.height() / 2);
    placing_ = false;
    PlaceBaseControl();
    return true;
}

void TExScrollBox::PlaceBaseControl() {
    if (!baseControl_ || placing_)
        return;
    placing_ = true;
    const QSize client = viewport()->size();
    const QSize size = baseControl_->size();
    for (auto [bar, c, s] : {std::tuple{horizontalScrollBar(), client.width(), size.width()},
                             std::tuple{verticalScrollBar(), client.height(), size.height()}}) {
        bar->setRange(0, ScrollBoxRange(c, s, edge_));
        bar->setPageStep(std::max(1, c));
    }
    baseControl_->move(ScrollBoxPlace(client.width(), size.width(), edge_, horizontalScrollBar()->value()),
                       ScrollBoxPlace(client.height(), size.height(), edge_, verticalScrollBar()->value()));
    placing_ = false;
    if (OnAdjustBaseControl)
        OnAdjustBaseControl(this);
}

void TExScrollBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    PlaceBaseControl();
}

void TExScrollBox::scrollContentsBy(int, int) {
    PlaceBaseControl();
}

bool TExScrollBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == baseControl_ && event->type() == QEvent::Resize)
        PlaceBaseControl();
    return QAbstractScrollArea::eventFilter(watched, event);
}
