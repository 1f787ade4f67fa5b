#include "app/dialogs/UThumbGrid.h"

#include "core/UBroadcaster.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/IntMath.h"
#include "platform/Picture.h"

#include <QApplication>
#include <QDrag>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QTimer>
#include <QToolTip>
#include <algorithm>

namespace {
// Cells lie this far apart, beyond their own size.
constexpr int kCellGap = 10;
// The focus ring's distance outside its item, within the gap between items.
constexpr int kFocusGap = 2;
// The picture inside a cell keeps this far from the cell's edge (the raised edge and a margin).
constexpr int kCellInset = 3;
constexpr int kMinThumbSize = 16;
constexpr int kMaxThumbSize = 1024;
// Cells before the first size change, as the list's own image list would hold.
constexpr int kInitialCellCacheLimit = 200;
constexpr TColor kSelectionColor = clNavy;

QRect IconRectOf(const QRect& itemRect, int thumbSize) {
    // The icon area holds the largest thumbnail ((size - 2) x (size - 12)) inside the inset.
    return QRect(itemRect.left(), itemRect.top(), thumbSize + 4, thumbSize - 6);
}

void DrawRaisedEdge(QPainter& painter, const QRect& r, bool allSides) {
    const QColor light(Qt::white), midLight(0xE3, 0xE3, 0xE3), shadow(0xA0, 0xA0, 0xA0),
        dark(0x69, 0x69, 0x69);
    if (allSides) {
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), light);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), light);
        painter.fillRect(QRect(r.left() + 1, r.top() + 1, r.width() - 3, 1), midLight);
        painter.fillRect(QRect(r.left() + 1, r.top() + 1, 1, r.height() - 3), midLight);
    }
    painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), dark);
    painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), dark);
    painter.fillRect(QRect(r.left() + 1, r.bottom() - 1, r.width() - 2, 1), shadow);
    painter.fillRect(QRect(r.right() - 1, r.top() + 1, 1, r.height() - 2), shadow);
}
} // namespace

// The loader's view of the source pack: loads an image on the worker and renders it there at the
// cell size, so the UI thread only stores finished cells. Its settings change only while the loader
// is cleared (idle).
class TThumbLoadPack : public TImagePack {
public:
    TThumbLoadPack() : TImagePack(nullptr) {}
    TImagePack* source = nullptr;
    int thumbSize = TThumbGrid::kDefaultThumbSize;
    TColor transparentColor = clNone;

    int GetCount() override { return source ? source->GetCount() : 0; }
    void GetImageRect(int, TRect& rect) override { rect = TRect(0, 0, thumbSize, thumbSize); }
    void GetImage(TPicture& picture, int index) override {
        TPictureEx loaded;
        if (!source)
            return;
        if (auto* cached = dynamic_cast<TCachedImagePack*>(source)) {
            // The worker bypasses the source's cache, which belongs to the UI thread.
            try {
                cached->LoadImage(loaded, index);
            } catch (...) {
                loaded.Assign(&ImagePackErrorMark());
            }
        } else {
            source->GetImageSafe(loaded, index);
        }
        RenderThumbnail(loaded, picture, thumbSize, transparentColor);
    }
};

const TPicture& PreviewPendingPicture() {
    static std::unique_ptr<TPicture> pending;
    if (!pending) {
        const QString text = QStringLiteral("プレビュー作成中...");
        const QFont font;
        const QFontMetrics metrics(font);
        const QSize size(std::max(1, metrics.horizontalAdvance(text)), std::max(1, metrics.height()));
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setFont(font);
            painter.setPen(Qt::black);
            painter.drawText(image.rect(), Qt::AlignCenter, text);
        }
        TBitmap bitmap;
        bitmap.SetPixels(PixelBuffer::FromImage(image, 24));
        pending = std::make_unique<TPicture>();
        pending->Assign(&bitmap);
    }
    return *pending;
}

void RenderThumbnail(const TPicture& source, TPicture& dest, int thumbSize, TColor transparentColor) {
    const int maxW = std::max(1, thumbSize - 2);
    const int maxH = std::max(1, thumbSize - 12);
    const int w = std::max(1, source.Width());
    const int h = std::max(1, source.Height());
    int width = maxW;
    int height = maxH;
    if (int64_t(w) * maxH >= int64_t(h) * maxW)
        height = std::max(1, MulDiv(h, maxW, w));
    else
        width = std::max(1, MulDiv(w, maxH, h));
    TSafetyBitmap thumbnail(width, height, pf24bit);
    if (source.Graphic() && !source.Graphic()->Empty())
        DrawPictureThumbnail(const_cast<TPicture*>(&source), &thumbnail, transparentColor, true, clWhite);
    dest.Assign(&thumbnail);
}

TThumbGrid::TThumbGrid(QWidget* parent)
    : QAbstractScrollArea(parent), listener_(std::make_unique<TListener>()),
      cellPack_(std::make_unique<TCustomImagePack>(nullptr)), loadPack_(std::make_unique<TThumbLoadPack>()) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAutoFillBackground(false);
    cellPack_->SetCacheLimit(kInitialCellCacheLimit);
    cellPack_->OnGetCount = [this](TObject*, int& count) { count = source_ ? source_->GetCount() : 0; };
    cellPack_->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        CellGetImage(picture, index);
    };
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) {
        if (source_ && sender == static_cast<TObject*>(source_))
            PackNotify(eventID);
    };
    // Only the user's own scrolling triggers actions; ours sets the value.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { keptInView_ = -1; });
}

TThumbGrid::~TThumbGrid() {
    if (loader_)
        loader_->Stop();
    if (source_)
        source_->RemoveListener(listener_.get());
}

void TThumbGrid::SetImagePack(TImagePack* pack) {
    if (pack == source_)
        return;
    ClearLoader();
    if (source_)
        source_->RemoveListener(listener_.get());
    source_ = pack;
    loadPack_->source = pack;
    if (source_)
        source_->AddListener(listener_.get());
    ResetCells();
}

void TThumbGrid::PackNotify(const TGUID& eventID) {
    if (eventID == GUID_BroadcasterDestroyed) {
        // The pack unsubscribes everyone itself.
        ClearLoader();
        source_ = nullptr;
        loadPack_->source = nullptr;
        ResetCells();
    } else if (eventID == GUID_ImagePackUpdate) {
        // The contents are about to change: no worker may be reading them meanwhile.
        ClearLoader();
    } else if (eventID == GUID_ImagePackChanged) {
        ResetCells();
    }
}

void TThumbGrid::ClearLoader() {
    if (loader_)
        loader_->Clear();
    // Cells whose thumbnail was on its way are made again when next painted.
    for (int index : std::as_const(pending_))
        cellPack_->GetCacheEntry(index).SetGraphic(nullptr);
    pending_.clear();
}

void TThumbGrid::ResetCells() {
    ClearLoader();
    cellPack_->Refresh();
    viewport()->update();
}

void TThumbGrid::SetUseLoader(bool value) {
    if (value == useLoader_)
        return;
    ClearLoader();
    useLoader_ = value;
    ResetCells();
}

void TThumbGrid::SetLoaderWorkers(int count) {
    count = std::max(1, count);
    if (count == loaderWorkers_)
        return;
    loaderWorkers_ = count;
    if (loader_) {
        loader_->Stop();
        loader_.reset();
        ResetCells();
    }
}

void TThumbGrid::CellGetImage(TPicture& picture, int index) {
    if (!source_)
        return;
    if (!useLoader_) {
        TPictureEx loaded;
        source_->GetImageSafe(loaded, index);
        RenderThumbnail(loaded, picture, thumbSize_, transparentColor_);
        return;
    }
    if (!loader_) {
        loader_ = std::make_unique<TImageLoadThread>(nullptr, loaderWorkers_);
        loader_->SetPack(loadPack_.get());
        loader_->OnLoaded = [this] { CollectLoaded(); };
    }
    loader_->Request(index);
    pending_.insert(index);
    RenderThumbnail(PreviewPendingPicture(), picture, thumbSize_, clNone);
}

int TThumbGrid::CollectLoaded() {
    if (!loader_)
        return 0;
    QElapsedTimer clock;
    clock.start();
    TPicture picture;
    int taken = 0;
    int index;
    while ((index = loader_->TakeLoaded(picture)) >= 0) {
        ++taken;
        cellPack_->StoreCachedImage(picture, index);
        pending_.remove(index);
        for (int i = 0; i < Count(); ++i)
            if (items_[size_t(i)].imageIndex == index) {
                UpdateItem(i);
                break;
            }
        if (clock.elapsed() >= kCollectBudgetMs) {
            // The rest in a later turn, so input and painting go first.
            if (loader_->DoneCount() > 0)
                ScheduleCollect();
            break;
        }
    }
    if (!isVisible())
        cellPack_->ClearCache();
    else if (taken > 0)
        KeepVisibleCells();
    return taken;
}

void TThumbGrid::KeepVisibleCells() {
    // Loads asked for before a scroll finish after the visible ones (newest first); touching the
    // visible cells keeps those late arrivals from pushing them out of the cache.
    const std::vector<int> cached = cellPack_->CachedIndexes();
    const QSet<int> have(cached.begin(), cached.end());
    const int pitchY = CellSize().height() + kCellGap;
    const int scroll = verticalScrollBar()->value();
    const int first = std::max(0, scroll / pitchY) * columns_;
    const int last = std::min(Count() - 1, ((scroll + viewport()->height()) / pitchY + 1) * columns_ - 1);
    for (int position = first; position <= last; ++position)
        if (have.contains(items_[size_t(position)].imageIndex))
            cellPack_->GetCacheEntry(items_[size_t(position)].imageIndex);
}

void TThumbGrid::ScheduleCollect() {
    if (collectScheduled_)
        return;
    collectScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        collectScheduled_ = false;
        CollectLoaded();
    });
}

void TThumbGrid::SetThumbSize(int size) {
    size = std::clamp(size, kMinThumbSize, kMaxThumbSize);
    ClearLoader();
    thumbSize_ = size;
    loadPack_->thumbSize = size;
    ResetCells();
    ShortenCaptions();
    Arrange();
    cellPack_->SetCacheLimit(int(unsigned(kCellCacheBytes) / (unsigned(size) * unsigned(size) * 3u)));
}

void TThumbGrid::SetTransparentColor(TColor color) {
    if (color == transparentColor_)
        return;
    ClearLoader();
    transparentColor_ = color;
    loadPack_->transparentColor = color;
    ResetCells();
}

void TThumbGrid::SetThumbBackColor(TColor color) {
    if (color == thumbBackColor_)
        return;
    thumbBackColor_ = color;
    viewport()->update();
}

void TThumbGrid::SetBackColor(TColor color) {
    if (color == backColor_)
        return;
    backColor_ = color;
    viewport()->update();
}

void TThumbGrid::SetSelectionFrame(bool value) {
    if (value == selectionFrame_)
        return;
    selectionFrame_ = value;
    viewport()->update();
}

void TThumbGrid::SetFrameFromPixel(bool value) {
    if (value == frameFromPixel_)
        return;
    frameFromPixel_ = value;
    viewport()->update();
}

// ---- Items

void TThumbGrid::RefreshItems() {
    const int count = source_ ? source_->GetCount() : 0;
    QStringList captions;
    captions.reserve(count);
    for (int i = 0; i < count; ++i)
        captions << QStringLiteral("No.%1").arg(i + 1);
    SetItemCaptions(captions);
}

void TThumbGrid::SetItemCaptions(const QStringList& captions) {
    items_.clear();
    items_.reserve(size_t(captions.size()));
    for (int i = 0; i < captions.size(); ++i)
        items_.push_back(Item{i, captions[i], QString(), false});
    current_ = anchor_ = keptInView_ = -1;
    ShortenCaptions();
    Arrange();
    viewport()->update();
    emit selectionChanged();
}

void TThumbGrid::ClearItems() {
    SetItemCaptions({});
}

int TThumbGrid::ItemImageIndex(int position) const {
    return position >= 0 && position < Count() ? items_[size_t(position)].imageIndex : -1;
}

QString TThumbGrid::ItemText(int position) const {
    return position >= 0 && position < Count() ? items_[size_t(position)].text : QString();
}

QString TThumbGrid::ItemCaption(int position) const {
    return position >= 0 && position < Count() ? items_[size_t(position)].caption : QString();
}

void TThumbGrid::ShortenCaptions() {
    const QFontMetrics metrics(font());
    const QString ellipsis = QStringLiteral("...");
    for (Item& item : items_) {
        if (metrics.horizontalAdvance(item.text) <= thumbSize_) {
            item.caption = item.text;
            continue;
        }
        int length = int(item.text.size());
        item.caption = ellipsis;
        while (--length > 0) {
            // A character outside the basic plane is never split.
            if (item.text[length - 1].isHighSurrogate())
                continue;
            const QString candidate = item.text.left(length) + ellipsis;
            if (metrics.horizontalAdvance(candidate) <= thumbSize_) {
                item.caption = candidate;
                break;
            }
        }
    }
}

int TThumbGrid::LabelHeight() const {
    return QFontMetrics(font()).height() + 2;
}

QSize TThumbGrid::CellSize() const {
    const QRect icon = IconRectOf(QRect(), thumbSize_);
    return QSize(icon.width(), icon.height() + LabelHeight());
}

void TThumbGrid::Arrange() {
    if (arranging_)
        return;
    arranging_ = true;
    const QSize cell = CellSize();
    const int pitchX = cell.width() + kCellGap;
    const int pitchY = cell.height() + kCellGap;
    const int viewWidth = viewport()->width();
    columns_ = viewWidth / pitchX;
    if (columns_ <= 0) {
        columns_ = 1;
        margin_ = 0;
    } else {
        margin_ = (viewWidth - (columns_ * pitchX - kCellGap)) / 2;
    }
    const int rows = (Count() + columns_ - 1) / columns_;
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, rows * pitchY - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(pitchY);
    // A selection made before the grid had its size gets into view once it has it.
    if (keptInView_ >= 0)
        BringIntoView(keptInView_);
    arranging_ = false;
    viewport()->update();
}

QRect TThumbGrid::ItemRect(int position) const {
    if (position < 0 || position >= Count())
        return QRect();
    const QSize cell = CellSize();
    const int x = (position % columns_) * (cell.width() + kCellGap) + margin_;
    const int y = (position / columns_) * (cell.height() + kCellGap) - verticalScrollBar()->value();
    return QRect(QPoint(x, y), cell);
}

int TThumbGrid::ItemAt(const QPoint& point) const {
    const QSize cell = CellSize();
    const int pitchX = cell.width() + kCellGap;
    const int pitchY = cell.height() + kCellGap;
    const int x = point.x() - margin_;
    const int y = point.y() + verticalScrollBar()->value();
    if (x < 0 || y < 0 || x / pitchX >= columns_)
        return -1;
    const int position = (y / pitchY) * columns_ + x / pitchX;
    if (position >= Count() || !ItemRect(position).contains(point))
        return -1;
    return position;
}

void TThumbGrid::UpdateItem(int position) {
    const QRect rect = ItemRect(position);
    if (rect.intersects(viewport()->rect()))
        viewport()->update(rect);
}

void TThumbGrid::ScrollToPosition(int position) {
    keptInView_ = position >= 0 && position < Count() ? position : -1;
    BringIntoView(position);
}

void TThumbGrid::BringIntoView(int position) {
    const QRect rect = ItemRect(position);
    if (rect.isNull())
        return;
    QScrollBar* bar = verticalScrollBar();
    if (rect.top() < 0 || rect.height() > viewport()->height())
        bar->setValue(bar->value() + rect.top());
    else if (rect.bottom() >= viewport()->height())
        bar->setValue(bar->value() + rect.bottom() - viewport()->height() + 1);
}

// ---- Painting

void TThumbGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect dirty = event->rect();
    painter.fillRect(dirty, ToQColor(backColor_));
    if (items_.empty())
        return;
    const QSize cell = CellSize();
    const int pitchY = cell.height() + kCellGap;
    const int scroll = verticalScrollBar()->value();
    const int firstRow = std::max(0, (dirty.top() + scroll) / pitchY);
    const int lastRow = (dirty.bottom() + scroll) / pitchY;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = 0; column < columns_; ++column) {
            const int position = row * columns_ + column;
            if (position >= Count())
                return;
            if (ItemRect(position).intersects(dirty))
                PaintItem(painter, position);
        }
}

void TThumbGrid::PaintItem(QPainter& painter, int position) {
    const Item& item = items_[size_t(position)];
    const QRect bounds = ItemRect(position);
    const QRect icon = IconRectOf(bounds, thumbSize_);
    const QRect label(bounds.left(), icon.bottom() + 1, bounds.width(), bounds.height() - icon.height());

    TPicture picture;
    cellPack_->GetImage(picture, item.imageIndex);
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    TColor frame = thumbBackColor_;
    if (frameFromPixel_ && bitmap && !bitmap->Empty())
        frame = bitmap->GetPixel(0, 0);
    painter.fillRect(icon, ToQColor(frame));
    DrawRaisedEdge(painter, icon, !frameFromPixel_);
    const QRect inner = icon.adjusted(kCellInset, kCellInset, -kCellInset, -kCellInset);
    if (picture.Graphic() && !picture.Graphic()->Empty()) {
        const QSize size(picture.Width(), picture.Height());
        const QRect target(inner.center().x() - size.width() / 2 + (inner.width() % 2 == 0 ? 1 : 0),
                           inner.center().y() - size.height() / 2 + (inner.height() % 2 == 0 ? 1 : 0),
                           size.width(), size.height());
        if (bitmap && !bitmap->Transparent()) {
            painter.drawImage(target, bitmap->Pixels().ConstView());
        } else {
            TCanvas canvas(&painter);
            picture.Graphic()->Draw(
                canvas, TRect(target.left(), target.top(), target.right() + 1, target.bottom() + 1));
        }
    }

    QColor labelBack;
    QColor labelText = palette().color(QPalette::Text);
    if (item.selected) {
        const QColor mark =
            frameFromPixel_ ? palette().color(QPalette::Highlight) : ToQColor(kSelectionColor);
        if (selectionFrame_) {
            painter.setPen(QPen(mark, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(icon.adjusted(1, 1, -2, -2));
        }
        labelBack = mark;
        labelText = frameFromPixel_ ? palette().color(QPalette::HighlightedText) : QColor(Qt::white);
    }
    const QFontMetrics metrics(font());
    if (labelBack.isValid())
        painter.fillRect(QRect(label.left(), label.top(),
                               std::min(label.width(), metrics.horizontalAdvance(item.caption) + 2),
                               label.height()),
                         labelBack);
    painter.setPen(labelText);
    painter.setFont(font());
    painter.drawText(label.adjusted(1, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                     item.caption);
    // The keys' item: the current one, else the first, where the arrows start.
    if (hasFocus() && position == std::max(current_, 0)) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = bounds.adjusted(-kFocusGap, -kFocusGap, kFocusGap, kFocusGap);
        focus.backgroundColor = ToQColor(backColor_);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void TThumbGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    Arrange();
}

void TThumbGrid::hideEvent(QHideEvent* event) {
    // A grid nobody sees holds no cells and makes none.
    ClearLoader();
    cellPack_->ClearCache();
    QAbstractScrollArea::hideEvent(event);
}

void TThumbGrid::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    Arrange();
}

void TThumbGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TThumbGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TThumbGrid::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        ShortenCaptions();
        Arrange();
    }
}

bool TThumbGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const int position = ItemAt(help->pos());
        if (position >= 0 && items_[size_t(position)].caption != items_[size_t(position)].text)
            QToolTip::showText(help->globalPos(), items_[size_t(position)].text, viewport(),
                               ItemRect(position));
        else
            QToolTip::hideText();
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// ---- Selection

int TThumbGrid::SelectedIndex() const {
    for (const Item& item : items_)
        if (item.selected)
            return item.imageIndex;
    return -1;
}

void TThumbGrid::SelectIndex(int imageIndex) {
    if (imageIndex < 0) {
        SelectAll(false);
        return;
    }
    for (int i = 0; i < Count(); ++i)
        if (items_[size_t(i)].imageIndex == imageIndex) {
            SelectOnly(i);
            current_ = anchor_ = i;
            ScrollToPosition(i);
            NotifySelection();
            return;
        }
}

void TThumbGrid::SetMultiSelect(bool value) {
    if (value == multiSelect_)
        return;
    multiSelect_ = value;
    if (!multiSelect_ && SelectedCount() > 1) {
        int keep = current_ >= 0 && items_[size_t(current_)].selected ? current_ : -1;
        for (int i = 0; keep < 0 && i < Count(); ++i)
            if (items_[size_t(i)].selected)
                keep = i;
        SelectOnly(keep);
        NotifySelection();
    }
}

void TThumbGrid::SelectAll(bool value) {
    if (value && !multiSelect_)
        return;
    for (Item& item : items_)
        item.selected = value;
    NotifySelection();
}

bool TThumbGrid::IsSelected(int position) const {
    return position >= 0 && position < Count() && items_[size_t(position)].selected;
}

int TThumbGrid::SelectedCount() const {
    return int(std::count_if(items_.begin(), items_.end(), [](const Item& item) { return item.selected; }));
}

void TThumbGrid::SelectOnly(int position) {
    for (int i = 0; i < Count(); ++i)
        items_[size_t(i)].selected = i == position;
}

void TThumbGrid::SelectRange(int from, int to) {
    if (from > to)
        std::swap(from, to);
    for (int i = 0; i < Count(); ++i)
        items_[size_t(i)].selected = i >= from && i <= to;
}

void TThumbGrid::NotifySelection() {
    viewport()->update();
    emit selectionChanged();
}

void TThumbGrid::SetCurrent(int position, Qt::KeyboardModifiers modifiers) {
    position = std::clamp(position, 0, Count() - 1);
    if (position < 0)
        return;
    current_ = position;
    if (multiSelect_ && (modifiers & Qt::ShiftModifier) && anchor_ >= 0) {
        SelectRange(anchor_, position);
    } else if (multiSelect_ && (modifiers & Qt::ControlModifier)) {
        // Moves the focus only (keys) or toggles (clicks, handled by the caller).
    } else {
        SelectOnly(position);
        anchor_ = position;
    }
    ScrollToPosition(position);
    NotifySelection();
}

void TThumbGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int position = ItemAt(event->position().toPoint());
    dragStart_.reset();
    if (position >= 0)
        dragStart_ = event->position().toPoint();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (position < 0) {
        if (!(multiSelect_ && (modifiers & (Qt::ControlModifier | Qt::ShiftModifier))))
            SelectAll(false);
    } else if (multiSelect_ && (modifiers & Qt::ControlModifier) && !(modifiers & Qt::ShiftModifier)) {
        items_[size_t(position)].selected = !items_[size_t(position)].selected;
        current_ = anchor_ = position;
        NotifySelection();
    } else {
        SetCurrent(position, modifiers);
    }
    emit clicked();
}

void TThumbGrid::mouseMoveEvent(QMouseEvent* event) {
    if (!dragStart_ || !(event->buttons() & Qt::LeftButton) || !DragData ||
        (event->position().toPoint() - *dragStart_).manhattanLength() < QApplication::startDragDistance()) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    dragStart_.reset();
    QMimeData* data = DragData();
    if (data == nullptr)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}

void TThumbGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && ItemAt(event->position().toPoint()) >= 0)
        emit doubleClicked();
}

void TThumbGrid::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int rowsPerPage = std::max(1, viewport()->height() / (CellSize().height() + kCellGap));
    const int from = current_ < 0 ? 0 : current_;
    const int last = Count() - 1;
    // Arrows stop at the edges; paging and Home/End go as far as there are items.
    auto step = [&](int to) { return current_ < 0 ? 0 : (to < 0 || to > last ? from : to); };
    int target = -1;
    switch (event->key()) {
    case Qt::Key_Left:
        target = step(from - 1);
        break;
    case Qt::Key_Right:
        target = step(from + 1);
        break;
    case Qt::Key_Up:
        target = step(from - columns_);
        break;
    case Qt::Key_Down:
        target = step(from + columns_);
        break;
    case Qt::Key_PageUp:
        target = std::max(0, from - columns_ * rowsPerPage);
        break;
    case Qt::Key_PageDown:
        target = std::min(last, from + columns_ * rowsPerPage);
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = last;
        break;
    case Qt::Key_Space:
        if (current_ >= 0) {
            if (multiSelect_ && (modifiers & Qt::ControlModifier))
                items_[size_t(current_)].selected = !items_[size_t(current_)].selected;
            else if (!items_[size_t(current_)].selected)
                SelectOnly(current_);
            NotifySelection();
        }
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (SelectedCount() > 0)
            emit doubleClicked();
        return;
    case Qt::Key_A:
        if (modifiers & Qt::ControlModifier) {
            SelectAll(true);
            return;
        }
        break;
    default:
        break;
    }
    if (target < 0 || Count() == 0) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    SetCurrent(target, modifiers);
}
