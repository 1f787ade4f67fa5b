#pragma once
// A panel of colour cells laid out as a grid, with an optional other-colour cell that opens the
// colour dialog and an optional transparent cell. The current colour is DefaultColor; $1FFFFFFF
// stands for transparent.

#include "platform/Canvas.h"
#include "platform/DialogService.h"
#include "platform/Object.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

inline constexpr TColor kColGridTransparent = 0x1FFFFFFF;

// The cell rectangles in cell order: the colour cells row by row, then the other-colour cell, then
// the transparent cell. No cells when cols or rows is below 1.
std::vector<TRect> ColGridLayout(int width, int height, int cols, int rows, bool useOther,
                                 bool useTransparent);
// A colour's text as the colour lists hold it ("clRed" or "$00BBGGRR"); nothing for other text.
std::optional<TColor> ColorFromText(const QString& text);
// The colour dialog's custom colours as the "CustomColors" setting stores them: "ColorA=BBGGRR"
// through "ColorP=..." one a line. Reading takes what it understands; missing colours are white.
QString CustomColorsToText(const DialogService::TCustomColors& colors);
DialogService::TCustomColors CustomColorsFromText(const QString& text);

class TColGrid : public QWidget, public TObject {
    Q_OBJECT

public:
    using TOnChangeEvent = std::function<void(TObject* sender, TColor color, bool trans)>;

    explicit TColGrid(QWidget* parent = nullptr);

    int ColCount() const { return colCount_; }
    void SetColCount(int value);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int value);
    TColor DefaultColor() const { return defaultColor_; }
    void SetDefaultColor(TColor value);
    bool Transparent() const { return defaultColor_ == kColGridTransparent; }
    void SetTransparent(bool value);
    const QStringList& ColorList() const { return colorList_; }
    void SetColorList(const QStringList& value);
    const QStringList& HintList() const { return hintList_; }
    void SetHintList(const QStringList& value) { hintList_ = value; }
    bool UseOtherColor() const { return useOtherColor_; }
    void SetUseOtherColor(bool value);
    bool UseTransparent() const { return useTransparent_; }
    void SetUseTransparent(bool value);
    int ButtonFrameWidth() const { return buttonFrameWidth_; }
    void SetButtonFrameWidth(int value);

    const std::vector<TRect>& Cells() const { return cells_; }
    // The first cell holding the point; -1 for none.
    int CellAt(const QPoint& p) const;
    int OtherColorCell() const;
    int TransparentCell() const;
    bool CellSelected(int cell) const;
    int PressedCell() const { return pressed_; }
    int HotCell() const { return hot_; }

    TOnChangeEvent OnChangeColor;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Layout();
    void Highlight(int pressed, int hot);
    void DrawCell(TCanvas& canvas, int cell, bool selected, bool hot);
    void Click(int cell);
    int ColorCellCount() const;

    int colCount_ = 8;
    int rowCount_ = 2;
    TColor defaultColor_ = clBlack;
    QStringList colorList_;
    QStringList hintList_;
    bool useOtherColor_ = false;
    bool useTransparent_ = false;
    std::vector<TRect> cells_;
    int pressed_ = -1;
    int hot_ = -1;
    int buttonFrameWidth_ = 2;
};
