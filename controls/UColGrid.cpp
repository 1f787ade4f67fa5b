#include "controls/UColGrid.h"

#include "core/UAppFrame.h"
#include "platform/PropertyRegistry.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QToolTip>

namespace {

const char* const kCustomColorsSetting = "CustomColors";
constexpr int kOtherColorSplit = 7; // tenths of the width for the other-colour cell beside transparent

QColor PaletteColor(const QWidget& w, QPalette::ColorRole role) {
    return w.palette().color(role);
}

} // namespace

std::vector<TRect> ColGridLayout(int width, int height, int cols, int rows, bool useOther,
                                 bool useTransparent) {
    std::vector<TRect> cells;
    if (cols < 1 || rows < 1)
        return cells;
    const int allRows = rows + (useOther || useTransparent ? 1 : 0);
    int h = height / allRows;
    int y = 0;
    for (int r = 0; r < rows; ++r) {
        if (height % allRows == allRows - r)
            ++h;
        int w = width / cols;
        int x = 0;
        for (int c = 0; c < cols; ++c) {
            if (width % cols == cols - c)
                ++w;
            cells.push_back(TRect(x, y, x + w, y + h));
            x += w;
        }
        y += h;
    }
    int x = 0;
    if (useOther) {
        if (!useTransparent) {
            cells.push_back(TRect(0, y, width, y + h));
        } else {
            x = width * kOtherColorSplit / 10;
            cells.push_back(TRect(0, y, x, y + h));
        }
    }
    if (useTransparent)
        cells.push_back(TRect(x, y, width, y + h));
    return cells;
}

std::optional<TColor> ColorFromText(const QString& text) {
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('$'))) {
        bool ok = false;
        const uint value = t.mid(1).toUInt(&ok, 16);
        if (ok)
            return TColor(value);
        return std::nullopt;
    }
    TColor color = 0;
    if (IdentToColor(t, color))
        return color;
    bool ok = false;
    const int value = t.toInt(&ok);
    if (ok)
        return TColor(value);
    return std::nullopt;
}

QString CustomColorsToText(const DialogService::TCustomColors& colors) {
    QStringList lines;
    for (size_t i = 0; i < colors.size(); ++i)
        lines << QStringLiteral("Color") + QChar(char16_t(u'A' + i)) + QLatin1Char('=') +
                     QString::number(colors[i] & 0xFFFFFF, 16).rightJustified(6, QLatin1Char('0')).toUpper();
    return lines.join(QStringLiteral("\r\n"));
}

DialogService::TCustomColors CustomColorsFromText(const QString& text) {
    DialogService::TCustomColors colors;
    colors.fill(0xFFFFFF);
    for (const QString& line :
         text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts)) {
        const int eq = int(line.indexOf(QLatin1Char('=')));
        if (eq != 6 || !line.startsWith(QStringLiteral("Color"), Qt::CaseInsensitive))
            continue;
        const int index = line.at(5).toUpper().unicode() - u'A';
        bool ok = false;
        const uint value = line.mid(eq + 1).trimmed().toUInt(&ok, 16);
        if (ok && index >= 0 && index < int(colors.size()))
            colors[size_t(index)] = value & 0xFFFFFF;
    }
    return colors;
}

TColGrid::TColGrid(QWidget* parent) : QWidget(parent) {
    colorList_ = {QStringLiteral("clBlack"),   QStringLiteral("clRed"),   QStringLiteral("clYellow"),
                  QStringLiteral("clLime"),    QStringLiteral("clAqua"),  QStringLiteral("clBlue"),
                  QStringLiteral("clFuchsia"), QStringLiteral("clWhite"), QStringLiteral("clGray"),
                  QStringLiteral("clMaroon"),  QStringLiteral("clOlive"), QStringLiteral("clGreen"),
                  QStringLiteral("clTeal"),    QStringLiteral("clNavy"),  QStringLiteral("clPurple"),
                  QStringLiteral("clSilver")};
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    Layout();
}

int TColGrid::ColorCellCount() const {
    return colCount_ < 1 || rowCount_ < 1 ? 0 : colCount_ * rowCount_;
}

int TColGrid::OtherColorCell() const {
    if (!useOtherColor_ || cells_.empty())
        return -1;
    return int(cells_.size()) - 1 - (useTransparent_ ? 1 : 0);
}

int TColGrid::TransparentCell() const {
    return useTransparent_ && !cells_.empty() ? int(cells_.size()) - 1 : -1;
}

void TColGrid::Layout() {
    cells_ = ColGridLayout(width(), height(), colCount_, rowCount_, useOtherColor_, useTransparent_);
    pressed_ = -1;
    hot_ = -1;
    update();
}

void TColGrid::SetColCount(int value) {
    colCount_ = value;
    Layout();
}

void TColGrid::SetRowCount(int value) {
    rowCount_ = value;
    Layout();
}

void TColGrid::SetUseOtherColor(bool value) {
    useOtherColor_ = value;
    Layout();
}

void TColGrid::SetUseTransparent(bool value) {
    if (useTransparent_ == value)
        return;
    useTransparent_ = value;
    Layout();
}

void TColGrid::SetDefaultColor(TColor value) {
    if (defaultColor_ == value)
        return;
    defaultColor_ = value;
    update();
}

void TColGrid::SetTransparent(bool value) {
    SetDefaultColor(value ? kColGridTransparent : clBlack);
}

void TColGrid::SetColorList(const QStringList& value) {
    colorList_ = value;
    update();
}

void TColGrid::SetButtonFrameWidth(int value) {
    if (buttonFrameWidth_ == value)
        return;
    buttonFrameWidth_ = value;
    update();
}

int TColGrid::CellAt(const QPoint& p) const {
    for (size_t i = 0; i < cells_.size(); ++i)
        if (cells_[i].Contains(TPoint(p.x(), p.y())))
            return int(i);
    return -1;
}

bool TColGrid::CellSelected(int cell) const {
    if (cell < 0 || cell >= int(cells_.size()))
        return false;
    if (cell == TransparentCell())
        return defaultColor_ == kColGridTransparent;
    if (cell == OtherColorCell()) {
        if (defaultColor_ == kColGridTransparent)
            return false;
        for (const QString& text : colorList_)
            if (ColorFromText(text) == defaultColor_)
                return false;
        return true;
    }
    if (cell >= colorList_.size())
        return false;
    return ColorFromText(colorList_[cell]) == defaultColor_;
}

void TColGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void TColGrid::paintEvent(QPaintEvent*) {
    TCanvas canvas(this);
    canvas.Brush().Color = ColorToRGB(clBtnFace);
    canvas.FillRect(TRect::FromQRect(rect()));
    for (int i = 0; i < int(cells_.size()); ++i)
        DrawCell(canvas, i, CellSelected(i), false);
    for (int cell : {pressed_, hot_}) {
        if (cell < 0)
            continue;
        if (pressed_ == hot_)
            DrawCell(canvas, cell, true, true);
        else if (cell == pressed_)
            DrawCell(canvas, cell, true, false);
        else
            DrawCell(canvas, cell, CellSelected(cell), true);
    }
}

void TColGrid::DrawCell(TCanvas& canvas, int cell, bool selected, bool hot) {
    const TRect r = cells_[size_t(cell)];
    const TColor face =
        selected && !hot ? TColor(0xE0E0E0) : FromQColor(PaletteColor(*this, QPalette::Button));
    canvas.Pen().Style = psSolid;
    canvas.Brush().Style = bsSolid;
    canvas.Brush().Color = face;
    canvas.FillRect(r);
    const TColor light = FromQColor(PaletteColor(*this, QPalette::Light));
    const TColor shadow = FromQColor(PaletteColor(*this, QPalette::Dark));
    if (selected || hot) {
        // Sunken outer edge for the selected cell, raised inner edge for the hot one.
        const TColor topLeft = selected ? shadow : light;
        const TColor bottomRight = selected ? light : shadow;
        canvas.FillSolid(TRect(r.Left, r.Top, r.Right, r.Top + 1), topLeft);
        canvas.FillSolid(TRect(r.Left, r.Top, r.Left + 1, r.Bottom), topLeft);
        canvas.FillSolid(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), bottomRight);
        canvas.FillSolid(TRect(r.Right - 1, r.Top, r.Right, r.Bottom), bottomRight);
    }
    canvas.Pen().Color = TColor(0x808080);
    canvas.Pen().Width = 1;
    const bool other = cell == OtherColorCell();
    if (!other && cell != TransparentCell()) {
        const std::optional<TColor> color =
            cell < colorList_.size() ? ColorFromText(colorList_[cell]) : std::nullopt;
        canvas.Brush().Color = color.value_or(clBlack);
        const int f = buttonFrameWidth_;
        canvas.Rectangle(r.Left + f, r.Top + f, r.Right - f, r.Bottom - f);
        return;
    }
    canvas.Rectangle(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    if (other && selected) {
        canvas.Brush().Color = defaultColor_;
        canvas.Rectangle(r.Left + 4, r.Top + 4, r.Left + r.Height() - 4, r.Bottom - 4);
    }
    QFont f = font();
    f.setPointSize(9);
    QPainter& painter = *canvas.Painter();
    painter.setFont(f);
    painter.setPen(PaletteColor(*this, QPalette::ButtonText));
    painter.drawText(r.ToQRect(), Qt::AlignCenter | Qt::TextSingleLine,
                     other ? QStringLiteral("その他の色") : QStringLiteral("透過"));
}

void TColGrid::Highlight(int pressed, int hot) {
    if (pressed == pressed_ && hot == hot_)
        return;
    pressed_ = pressed;
    hot_ = hot;
    update();
}

void TColGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int c = CellAt(event->position().toPoint());
        Highlight(c, c);
    }
    QWidget::mousePressEvent(event);
}

void TColGrid::mouseMoveEvent(QMouseEvent* event) {
    Highlight(pressed_, CellAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void TColGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int cell = CellAt(event->position().toPoint());
        const int pressed = pressed_;
        if (cell >= 0 && cell == pressed)
            Click(cell);
        Highlight(-1, cell);
    }
    QWidget::mouseReleaseEvent(event);
}

void TColGrid::leaveEvent(QEvent* event) {
    Highlight(pressed_, -1);
    QWidget::leaveEvent(event);
}

bool TColGrid::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int cell = CellAt(help->pos());
        if (cell >= 0 && cell < hintList_.size() && !hintList_[cell].isEmpty()) {
            QToolTip::showText(help->globalPos(), hintList_[cell], this, cells_[size_t(cell)].ToQRect());
            return true;
        }
    }
    return QWidget::event(event);
}

void TColGrid::Click(int cell) {
    if (cell == OtherColorCell()) {
        DialogService::TCustomColors custom =
            CustomColorsFromText(ReadSettingString(QString::fromLatin1(kCustomColorsSetting), QString()));
        uint32_t color = uint32_t(ColorToRGB(defaultColor_)) & 0xFFFFFF;
        const bool chosen = DialogService::Instance().SelectColor(color, custom);
        if (!chosen)
            return;
        WriteSettingString(QString::fromLatin1(kCustomColorsSetting), CustomColorsToText(custom));
        SetDefaultColor(TColor(color));
        if (OnChangeColor)
            OnChangeColor(this, defaultColor_, Transparent());
        return;
    }
    if (cell == TransparentCell()) {
        defaultColor_ = kColGridTransparent;
        if (OnChangeColor)
            OnChangeColor(this, kColGridTransparent, true);
        return;
    }
    if (cell >= colorList_.size())
        return;
    defaultColor_ = ColorFromText(colorList_[cell]).value_or(clBlack);
    if (OnChangeColor)
        OnChangeColor(this, defaultColor_, Transparent());
}
