#include "app/dialogs/FAlign.h"

#include <QGroupBox>
#include <QPainter>

namespace {

// Three boxes of unlike sizes as the mode places them, and the line they meet on.
void PaintAlignSample(QPainter& painter, const QRect& r, int mode) {
    const int w = r.width();
    const int h = r.height();
    // Columns (side by side) for the top, bottom, vertical-centre and horizontal-spacing modes.
    const bool columns = mode == 2 || mode == 3 || mode == 5 || mode == 6;
    const int lengths[3] = {2, 3, 1};
    QRect boxes[3];
    int gapSum = columns ? w : h;
    for (int i = 0; i < 3; ++i)
        gapSum -= columns ? w / 5 : h / 5;
    for (int i = 0; i < 3; ++i) {
        const int along = columns ? w / 5 : h / 5;
        const int across = (columns ? h : w) * lengths[i] / 5;
        const int start = (columns ? r.left() : r.top()) + i * (along + gapSum / 2);
        const int span = columns ? h : w;
        const int first = columns ? r.top() : r.left();
        int offset = first + (span - across) / 2;
        if (mode == 0 || mode == 2)
            offset = first;
        else if (mode == 1 || mode == 3)
            offset = first + span - across;
        else if (mode >= 6)
            offset = first + (span - across) * (i == 1 ? 1 : i == 2 ? 2 : 0) / 3;
        boxes[i] = columns ? QRect(start, offset, along, across) : QRect(offset, start, across, along);
    }
    painter.setPen(QPen(QColor(0, 0, 160), 1));
    for (const QRect& box : boxes) {
        painter.fillRect(box, QColor(120, 170, 230));
        painter.drawRect(box);
    }
    painter.setPen(QPen(Qt::red, 1, Qt::DashLine));
    const QPoint c = r.center();
    switch (mode) {
    case 0:
        painter.drawLine(r.left(), r.top(), r.left(), r.bottom());
        break;
    case 1:
        painter.drawLine(r.left() + w, r.top(), r.left() + w, r.bottom());
        break;
    case 2:
        painter.drawLine(r.left(), r.top(), r.right(), r.top());
        break;
    case 3:
        painter.drawLine(r.left(), r.top() + h, r.right(), r.top() + h);
        break;
    case 4:
        painter.drawLine(c.x(), r.top(), c.x(), r.bottom());
        break;
    case 5:
        painter.drawLine(r.left(), c.y(), r.right(), c.y());
        break;
    default:
        break;
    }
}

const std::vector<TModeToolWindow::TModeItem>& AlignItems() {
    static const std::vector<TModeToolWindow::TModeItem> items{
        {QStringLiteral("左端で揃える"), QStringLiteral("それぞれのオブジェクトを左端で揃えます"),
         QStringLiteral("left")},
        {QStringLiteral("右端で揃える"), QStringLiteral("それぞれのオブジェクトを右端で揃えます"),
         QStringLiteral("right")},
        {QStringLiteral("上端で揃える"), QStringLiteral("それぞれのオブジェクトを上端で揃えます"),
         QStringLiteral("top")},
        {QStringLiteral("下端で揃える"), QStringLiteral("それぞれのオブジェクトを下端で揃えます"),
         QStringLiteral("bottom")},
        {QStringLiteral("左右中央で揃える"), QStringLiteral("上下に並んだオブジェクトを中央で揃えます"),
         QStringLiteral("leftRightCenter")},
        {QStringLiteral("上下中央で揃える"), QStringLiteral("左右に並んだオブジェクトを中央で揃えます"),
         QStringLiteral("topBottomCenter")},
        {QStringLiteral("左右間隔を均等にする"),
         QStringLiteral("左右に並んだオブジェクトを等間隔に配置します"), QStringLiteral("leftRightMargin")},
        {QStringLiteral("上下間隔を均等にする"),
         QStringLiteral("上下に並んだオブジェクトを等間隔に配置します"), QStringLiteral("topBottomMargin")},
    };
    return items;
}

} // namespace

int& AlignWindowMode() {
    static int mode = 0;
    return mode;
}

TfrmAlign::TfrmAlign(QWidget* parent)
    : TModeToolWindow(parent, AlignWindowMode(), QStringLiteral("位置揃え方法(&A)"), AlignItems(),
                      PaintAlignSample) {
    setObjectName(QStringLiteral("frmAlign"));
    setWindowTitle(QStringLiteral("位置揃え"));
    grpModes->setToolTip(QStringLiteral("位置を揃えるための基準を選択します"));
}
