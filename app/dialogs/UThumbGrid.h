#pragma once
// The thumbnail grid every picture and material browser shows: one cell per item (an image of a
// source pack and a caption), laid out in centred rows, with a list view's selection and keys.
//
// Cells are produced only for the items that are painted. Each thumbnail is rendered once into the
// cell cache (CellPack, about 10 MiB of 24-bit cells) at the thumbnail size: in the background by the
// grid's own loader (one per grid; its workers load through the source pack and render there, so the
// UI thread never decodes a file), or, without the loader, at once from the source pack. While a
// thumbnail is on its way the cell shows the shared "プレビュー作成中..." picture. Finished thumbnails
// come back through the loader's queued notification; the UI thread stores several per turn within a
// few milliseconds and repaints only their cells. A hidden grid drops its cells and its pending loads.
//
// Changing the source pack, the thumbnail size or the transparent colour, or a change broadcast by
// the source pack, clears the loader before anything else, so no thumbnail of the earlier state is
// ever cached.
//
// Keys as in a list view: arrows, Home, End, Page Up and Down move the current item (with Shift
// extending a multi-selection, Ctrl moving without selecting), Space selects, Ctrl+A selects all
// (multi-selection), Enter acts as a double click.

#include "platform/Color.h"
#include "platform/Guid.h"

#include <QAbstractScrollArea>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TCustomImagePack;
class TImageLoadThread;
class TImagePack;
class TListener;
class TPicture;
class TThumbLoadPack;

// The picture shown while a thumbnail is being made (made on first use, shared, UI thread only).
const TPicture& PreviewPendingPicture();

// Renders source into dest as a 24-bit thumbnail for cells of thumbSize: the largest size of the
// source's aspect ratio within (thumbSize - 2) x (thumbSize - 12), on white, leaving out
// transparentColor (clNone: none). Safe on worker threads.
void RenderThumbnail(const TPicture& source, TPicture& dest, int thumbSize, TColor transparentColor);

class QMimeData;

class TThumbGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kDefaultThumbSize = 150;
    // Cell cache budget: ten MiB of 24-bit cells.
    static constexpr int kCellCacheBytes = 10485760;
    // The UI thread stores finished thumbnails for at most this long per turn.
    static constexpr int kCollectBudgetMs = 8;

    explicit TThumbGrid(QWidget* parent = nullptr);
    // Stops the loader (its loads in hand finish first).
    ~TThumbGrid() override;

    // ---- Pictures
    TImagePack* ImagePack() const { return source_; }
    // The pack whose images the cells show (not owned; nullptr: no images). Unsubscribes from the
    // previous pack and empties the cells.
    void SetImagePack(TImagePack* pack);
    // The cache of rendered cells; its count is the source pack's.
    TCustomImagePack& CellPack() { return *cellPack_; }
    // True (default): thumbnails are made by the grid's loader; false: from the source pack at once.
    bool UseLoader() const { return useLoader_; }
    void SetUseLoader(bool value);
    // Worker threads of the loader (1 by default). Give more only to a source pack whose loading is
    // safe on several threads at once.
    void SetLoaderWorkers(int count);
    TImageLoadThread* Loader() const { return loader_.get(); }
    int ThumbSize() const { return thumbSize_; }
    // Empties the cells and sets the cache to ten MiB of cells of that size.
    void SetThumbSize(int size);
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor color);
    TColor ThumbBackColor() const { return thumbBackColor_; }
    void SetThumbBackColor(TColor color);
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor color);
    // False: a selected cell is drawn as any other (its caption still highlighted).
    bool SelectionFrame() const { return selectionFrame_; }
    void SetSelectionFrame(bool value);
    // True: a cell's frame takes the colour of its picture's top-left pixel, with the raised edge on
    // its right and bottom only, and the picture is drawn at its own size (sheet previews).
    bool FrameFromPixel() const { return frameFromPixel_; }
    void SetFrameFromPixel(bool value);

    // ---- Items
    // One item per image of the source pack, captioned "No.1", "No.2"...
    void RefreshItems();
    // One item per text, the item's image index its position.
    void SetItemCaptions(const QStringList& captions);
    void ClearItems();
    int Count() const { return int(items_.size()); }
    int ItemImageIndex(int position) const;
    QString ItemText(int position) const;
    // The caption as drawn: the text shortened with "..." to the thumbnail width.
    QString ItemCaption(int position) const;
    // The item's cell in viewport coordinates.
    QRect ItemRect(int position) const;
    // The item whose cell holds the point (viewport coordinates), -1 when none.
    int ItemAt(const QPoint& point) const;
    // The columns of the current arrangement.
    int ColumnCount() const { return columns_; }

    // ---- Selection
    // The image index of the first selected item, -1 when none.
    int SelectedIndex() const;
    // Selects only the first item of that image index and scrolls it into view; a negative index
    // clears the selection; an index no item has changes nothing.
    void SelectIndex(int imageIndex);
    bool MultiSelect() const { return multiSelect_; }
    // Leaving multi-selection keeps only the current (or first) selected item.
    void SetMultiSelect(bool value);
    void SelectAll(bool value);
    bool IsSelected(int position) const;
    int SelectedCount() const;
    int CurrentPosition() const { return current_; }
    // Scrolls the item at position wholly into view (its top when it is taller than the view), and
    // keeps it there through later re-arrangements (shown, resized, thumbnail size) until the user
    // scrolls or the items change.
    void ScrollToPosition(int position);

    // Stores finished thumbnails for up to kCollectBudgetMs; answers how many. Runs by itself when
    // the loader reports; tests may call it.
    int CollectLoaded();
    // Cells showing the pending picture while their thumbnail is being made.
    int PendingCount() const { return int(pending_.size()); }

    // ---- Dragging
    // The data a drag of the selected items carries (null: they are not dragged). A press on an
    // item followed by a move of the drag distance starts the drag.
    std::function<QMimeData*()> DragData;

signals:
    void clicked();
    void doubleClicked();
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Item {
        int imageIndex = 0;
        QString text;
        QString caption;
        bool selected = false;
    };

    void PackNotify(const TGUID& eventID);
    void CellGetImage(TPicture& picture, int index);
    // Drops pending and finished loads and the cells; the cells are made again as they are painted.
    void ResetCells();
    // Drops pending and finished loads; cells left waiting for them are made again when painted.
    void ClearLoader();
    void KeepVisibleCells();
    void ShortenCaptions();
    void Arrange();
    void UpdateItem(int position);
    void PaintItem(QPainter& painter, int position);
    void SetCurrent(int position, Qt::KeyboardModifiers modifiers);
    void SelectOnly(int position);
    void SelectRange(int from, int to);
    void NotifySelection();
    int LabelHeight() const;
    QSize CellSize() const;
    void ScheduleCollect();
    void BringIntoView(int position);

    TImagePack* source_ = nullptr;
    std::unique_ptr<TListener> listener_;
    std::unique_ptr<TCustomImagePack> cellPack_;
    std::unique_ptr<TThumbLoadPack> loadPack_;
    std::unique_ptr<TImageLoadThread> loader_;
    std::vector<Item> items_;
    QSet<int> pending_;
    bool useLoader_ = true;
    int loaderWorkers_ = 1;
    int thumbSize_ = kDefaultThumbSize;
    TColor transparentColor_ = clNone;
    TColor thumbBackColor_ = clWhite;
    TColor backColor_ = 0xB4B4B4;
    bool selectionFrame_ = true;
    bool frameFromPixel_ = false;
    bool multiSelect_ = false;
    bool arranging_ = false;
    bool collectScheduled_ = false;
    int current_ = -1;
    // Where a press on an item was (viewport), while it may still become a drag.
    std::optional<QPoint> dragStart_;
    int anchor_ = -1;
    int keptInView_ = -1;
    int columns_ = 1;
    int margin_ = 0;
};
