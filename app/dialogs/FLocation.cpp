#include "app/dialogs/FLocation.h"

#include <QAbstractButton>
#include <QPainter>

namespace {

// The page and where a box goes on it in the mode; the turning modes show two boxes turned about
// the page centre.
void PaintLocationSample(QPainter& painter, const QRect& r, int mode) {
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(r);
    const QSize box(r.width() / 4, r.height() / 6);
    const QPoint c = r.center();
    painter.setPen(QPen(QColor(0, 0, 160), 1));
    const QColor fill(120, 170, 230);
    if (mode >= 6) {
        painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
        painter.drawLine(r.left(), c.y(), r.right(), c.y());
        painter.drawLine(c.x(), r.top(), c.x(), r.bottom());
        painter.setPen(QPen(QColor(0, 0, 160), 1));
        const int radius = r.width() / 3;
        for (const int degrees : {0, 60, 135}) {
            painter.save();
            painter.translate(c);
            painter.rotate(degrees);
            painter.translate(radius, 0);
            // Perpendicular: the box's long side across the radius; parallel: along it.
            if (mode == 6)
                painter.rotate(90);
            const QRect turned(-box.width() / 2, -box.height() / 2, box.width(), box.height());
            painter.fillRect(turned, fill);
            painter.drawRect(turned);
            painter.restore();
        }
        return;
    }
    int x = c.x() - box.width() / 2;
    int y = c.y() - box.height() / 2;
    if (mode == 0)
        x = r.left();
    else if (mode == 1)
        x = r.left() + r.width() - box.width();
    else if (mode == 2)
        y = r.top();
    else if (mode == 3)
        y = r.top() + r.height() - box.height();
    // The centring modes keep the other axis off centre, as a user's object would be.
    if (mode == 4)
        x = r.left() + r.width() / 6;
    else if (mode == 5)
        y = r.top() + r.height() / 6;
    const QRect placed(QPoint(x, y), box);
    painter.fillRect(placed, fill);
    painter.drawRect(placed);
}

const std::vector<TModeToolWindow::TModeItem>& LocationItems() {
    static const std::vector<TModeToolWindow::TModeItem> items{
        {QStringLiteral("左端に移動する"), QStringLiteral("用紙の左端に移動します"), QStringLiteral("0")},
        {QStringLiteral("右端に移動する"), QStringLiteral("用紙の右端に移動します"), QStringLiteral("1")},
        {QStringLiteral("上端に移動する"), QStringLiteral("用紙の上端に移動します"), QStringLiteral("2")},
        {QStringLiteral("下端に移動する"), QStringLiteral("用紙の下端に移動します"), QStringLiteral("3")},
        {QStringLiteral("上下中央に移動する"),
         QStringLiteral("それぞれのオブジェクトを用紙の上下の中央に移動します"), QStringLiteral("4")},
        {QStringLiteral("左右中央に移動する"),
         QStringLiteral("それぞれのオブジェクトを用紙の左右の中央に移動します"), QStringLiteral("5")},
        {QStringLiteral("中心に対して垂直にする"),
         QStringLiteral("それぞれのオブジェクトを用紙の中心に対して垂直になるように回転します"),
         QStringLiteral("6")},
        {QStringLiteral("中心に対して水平にする"),
         QStringLiteral("それぞれのオブジェクトを用紙の中心に対して水平になるように回転します"),
         QStringLiteral("7")},
    };
    return items;
}

} // namespace

int& LocationWindowMode() {
    static int mode = 0;
    return mode;
}

TfrmLocation::TfrmLocation(QWidget* parent)
    : TModeToolWindow(parent, LocationWindowMode(), QStringLiteral("位置合わせ方法(&L)"), LocationItems(),
                      PaintLocationSample) {
    setObjectName(QStringLiteral("frmLocation"));
    setWindowTitle(QStringLiteral("位置合わせ"));
}

int TfrmLocation::Mode() const {
    for (QAbstractButton* button : modeButtons)
        if (button->isChecked())
            return button->property("Tag").toInt();
    return 0;
}
