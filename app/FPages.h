#pragma once
// The page strip of the layout editor: one row of page icons (front cover, album pages, back
// cover) with a scroll bar when they do not fit. A click chooses a page.

#include <QWidget>
#include <functional>
#include <memory>

class QScrollBar;
class TComponent;
class TLabelData;
class TMatrixImagePack;
class TframePages;

// The row of cells itself.
class TPageStripGrid : public QWidget {
    Q_OBJECT

public:
    explicit TPageStripGrid(TframePages* frame);

    static constexpr int kColWidth = 32;
    static constexpr int kRowHeight = 40;

    int ColCount() const { return colCount_; }
    void SetColCount(int value);
    // The selected cell.
    int Col() const { return col_; }
    void SetCol(int value);
    // The first cell shown.
    int LeftCol() const { return leftCol_; }
    void SetLeftCol(int value);
    int VisibleColCount() const;
    // The cell at a point of the widget, -1 when none.
    int ColAt(const QPoint& p) const;
    QRect CellRect(int col) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TframePages* frame_;
    int colCount_ = 0;
    int col_ = 0;
    int leftCol_ = 0;
};

class TframePages : public QWidget {
    Q_OBJECT

public:
    explicit TframePages(QWidget* parent = nullptr);
    ~TframePages() override;

    // Shows the pages of document (borrowed; nullptr detaches).
    void Attach(TLabelData* document);
    // Follows the document: the current page selected, the cells rebuilt when their count changed.
    void Refresh();
    int ColToSheet(int col) const;
    int SheetToCol(int sheet) const;
    // A cell chosen by the user (outside a refresh), asking OnCanSelectPage first.
    void CellClicked(int col);
    void DrawCell(QPainter& painter, int col, const QRect& r, bool selected);

    TPageStripGrid* dgPages = nullptr;
    QScrollBar* ScrollBar1 = nullptr;
    TMatrixImagePack* mipPageIcon = nullptr;

    std::function<void(int sheet)> OnPageSelect;
    std::function<bool(int sheet)> OnCanSelectPage;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void UpdateScrollBar();

    std::unique_ptr<TComponent> components_;
    TLabelData* document_ = nullptr;
    bool updating_ = false;
};
