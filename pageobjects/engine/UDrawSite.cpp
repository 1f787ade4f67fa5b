#include "pageobjects/engine/UDrawSite.h"

#include "core/UGMEMStream.h"
#include "core/UGeometryUtil.h"
#include "imaging/PixelKernel.h"
#include "imaging/UCanvas.h"
#include "imaging/UJPEGImage.h"
#include "pageobjects/engine/UGhost.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"
#include "platform/Clipboard.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"

#include <QAbstractScrollArea>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

namespace {

// Signature, prefix byte, class name and name lengths, end of properties, end of children.
constexpr int64_t kMinStoredComponent = 4 + 2 + 1 + 1;

} // namespace

// ---- TDOList

TDrawObject* TDOList::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[size_t(index)];
}

void TDOList::SetItem(int index, TDrawObject* object) {
    Items(index);
    items_[size_t(index)] = object;
}

int TDOList::Add(TDrawObject* object) {
    items_.push_back(object);
    return Count() - 1;
}

void TDOList::Insert(int index, TDrawObject* object) {
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    items_.insert(items_.begin() + index, object);
}

void TDOList::Delete(int index) {
    Items(index);
    items_.erase(items_.begin() + index);
}

int TDOList::Remove(TDrawObject* object) {
    const int index = IndexOf(object);
    if (index >= 0)
        items_.erase(items_.begin() + index);
    return index;
}

int TDOList::IndexOf(const TDrawObject* object) const {
    const auto it = std::find(items_.begin(), items_.end(), object);
    return it == items_.end() ? -1 : int(it - items_.begin());
}

void TDOList::Exchange(int a, int b) {
    Items(a);
    Items(b);
    std::swap(items_[size_t(a)], items_[size_t(b)]);
}

void TDOList::SaveToStream(TStream& stream) const {
    stream.WriteInt32(int32_t(items_.size()));
    for (TDrawObject* object : items_)
        WriteComponent(stream, object);
}

void TDOList::CopyToClipboard(unsigned format) const {
    if (items_.empty())
        return;
    TOwnedDOList clones;
    for (TDrawObject* object : items_) {
        std::unique_ptr<TDrawObject> clone = CloneDrawObject(object);
        if (!clone)
            continue;
        clone->SetName(object->Name());
        clones.Add(std::move(clone));
    }
    TGMEMStream stream(nullptr);
    clones.SaveToStream(stream);
    const QByteArray bytes(stream.Memory(), qsizetype(stream.GetSize()));
    Clipboard::SetData(format, bytes);
}

// ---- TOwnedDOList

TOwnedDOList::~TOwnedDOList() {
    FreeObjects();
}

TDrawObject* TOwnedDOList::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[size_t(index)].get();
}

void TOwnedDOList::Add(std::unique_ptr<TDrawObject> object) {
    if (object)
        items_.push_back(std::move(object));
}

std::unique_ptr<TDrawObject> TOwnedDOList::Take(TDrawObject* object) {
    const auto it =
        std::find_if(items_.begin(), items_.end(), [&](const auto& held) { return held.get() == object; });
    if (it == items_.end())
        return nullptr;
    std::unique_ptr<TDrawObject> taken = std::move(*it);
    items_.erase(it);
    return taken;
}

std::vector<std::unique_ptr<TDrawObject>> TOwnedDOList::TakeAll() {
    return std::exchange(items_, {});
}

void TOwnedDOList::FreeObjects() {
    // Last first, as owners free what they own.
    while (!items_.empty())
        items_.pop_back();
}

void TOwnedDOList::ListObjects(TDOList& list) const {
    for (const auto& object : items_)
        list.Add(object.get());
}

void TOwnedDOList::SaveToStream(TStream& stream) const {
    TDOList list;
    ListObjects(list);
    list.SaveToStream(stream);
}

void TOwnedDOList::LoadFromStream(TStream& stream) {
    FreeObjects();
    const int32_t count = stream.ReadInt32();
    if (count < 0 || count > TDOList::kMaxStoredObjects ||
        int64_t(count) > stream.Remaining() / kMinStoredComponent)
        throw EDOListError(QStringLiteral("Invalid object count %1").arg(count));
    std::vector<std::unique_ptr<TDrawObject>> read;
    for (int32_t i = 0; i < count; ++i) {
        TReader reader(stream);
        const QString className = reader.PeekClassName();
        const TMetaClass* meta = GetClass(className);
        if (meta == nullptr)
            throw EClassNotFound(QStringLiteral("Class %1 not found").arg(className));
        if (!meta->InheritsFrom(TDrawObject::StaticClass()) || meta->IsAbstract()) {
            // A stored component that is no draw object is passed over without being made.
            reader.SkipComponent();
            continue;
        }
        std::unique_ptr<TDrawObject> object = ReadComponentAs<TDrawObject>(stream);
        read.push_back(std::move(object));
    }
    items_ = std::move(read);
}

void TOwnedDOList::LoadFromClipboard(unsigned format) {
    if (!Clipboard::HasFormat(format))
        return;
    const TGlobalHandle handle = std::make_shared<QByteArray>(Clipboard::GetData(format));
    TGMEMStream stream(handle);
    LoadFromStream(stream);
}

std::unique_ptr<TDrawObject> ReleaseFromOwner(TDrawObject* object) {
    if (object != nullptr && object->Owner() != nullptr)
        object->Owner()->RemoveComponent(object);
    return std::unique_ptr<TDrawObject>(object);
}

// ---- TDrawSite

TDrawSite::TDrawSite(TComponent* owner, QWidget* parentWidget)
    : TWinControl(owner, parentWidget), scaler_(std::make_unique<TScaler>()),
      broadcaster_(std::make_unique<TBroadcaster>(static_cast<TComponent*>(this))),
      listener_(std::make_unique<TListener>()) {
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) { HandleNotify(sender, eventID); };
    scaler_->OnChange = [this](TObject*) { UpdateSize(); };
    SetColor(clWindow);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

TDrawSite::~TDrawSite() {
    alive_.reset();
    if (GhostList().Site() == this)
        GhostList().ClearGhosts();
    scaler_->OnChange = nullptr;
    // Owned objects go while the site is whole; the others are let go.
    DestroyComponents();
    while (ControlCount() > 0)
        Controls(ControlCount() - 1)->SetParent(nullptr);
    listener_.reset();
    broadcaster_->DestroyLinks();
}

void TDrawSite::DeclareProperties(TPropertyBuilder<TDrawSite>& p) {
    p.Integer("LogWidth", &TDrawSite::LogWidth, &TDrawSite::SetLogWidth);
    p.Integer("LogHeight", &TDrawSite::LogHeight, &TDrawSite::SetLogHeight);
    p.Object("Scaler", [](TDrawSite& s) { return &s.Scaler(); });
    p.Integer("MoveCursor", &TDrawSite::MoveCursor, &TDrawSite::SetMoveCursor).Default(0);
    p.Boolean("Border", &TDrawSite::Border, &TDrawSite::SetBorder).Default(true);
    p.Color(
         "Color", [](TDrawSite& s) { return s.Color(); }, [](TDrawSite& s, TColor c) { s.SetColor(c); })
        .Default(clWindow);
}

HRESULT TDrawSite::QueryInterface(const TGUID& iid, void** obj) {
    *obj = nullptr;
    if (iid == IBroadcaster::IID || iid == IUnknownEx::IID) {
        IBroadcaster* self = this;
        self->AddRef();
        *obj = iid == IBroadcaster::IID ? static_cast<void*>(self)
                                        : static_cast<void*>(static_cast<IUnknownEx*>(self));
        return S_OK;
    }
    return E_NOINTERFACE;
}

void TDrawSite::Broadcast(TObject* sender, const TGUID& eventID) {
    if (broadcaster_)
        broadcaster_->Broadcast(sender, eventID);
}

void TDrawSite::AddListener(IListener* listener) {
    if (broadcaster_)
        broadcaster_->AddListener(listener);
}

void TDrawSite::RemoveListener(IListener* listener) {
    if (broadcaster_)
        broadcaster_->RemoveListener(listener);
}

// ---- page and scale

void TDrawSite::SetLogWidth(int value) {
    if (value == logWidth_)
        return;
    logWidth_ = value;
    UpdateSize();
}

void TDrawSite::SetLogHeight(int value) {
    if (value == logHeight_)
        return;
    logHeight_ = value;
    UpdateSize();
}

void TDrawSite::SetBorder(bool value) {
    if (value == border_)
        return;
    border_ = value;
    InvalidateOverlay();
}

void TDrawSite::SetModified(bool value) {
    pivotsDirty_ = true;
    if (value == modified_)
        return;
    modified_ = value;
    if (OnModifyChanged)
        OnModifyChanged(this);
}

void TDrawSite::UpdateSize() {
    if ((ComponentState() & (csLoading | csReading)) != 0 || paintingCopy_)
        return;
    const TRect dev = LogRectToDev(TRect(0, 0, logWidth_, logHeight_));
    resize(std::max(dev.Right, 0), std::max(dev.Bottom, 0));
    const bool hidden = HidePivots();
    TDOList objects;
    ListObjects(objects, false);
    for (TDrawObject* object : objects)
        UpdateObjectBounds(object);
    InvalidatePage();
    if (hidden)
        UpdatePivots();
    if (OnScalerChanged)
        OnScalerChanged(this);
}

void TDrawSite::Loaded() {
    TWinControl::Loaded();
    if (logWidth_ == 0 && logHeight_ == 0) {
        const TPoint size = DevToLog(TPoint(width(), height()));
        logWidth_ = size.X;
        logHeight_ = size.Y;
    } else {
        UpdateSize();
    }
    SetModified(false);
}

void TDrawSite::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (int i = 0; i < ControlCount(); ++i) {
        auto* object = dynamic_cast<TDrawObject*>(Controls(i));
        if (object != nullptr && object->Owner() == root)
            proc(object);
    }
}

// ---- objects

void TDrawSite::AddObject(TDrawObject* object) {
    if (object == nullptr)
        return;
    object->SetParent(this);
    UpdateObjectBounds(object);
    object->BringToFrontInLayer();
    SetModified(true);
}

TDrawObject* TDrawSite::AdoptObject(std::unique_ptr<TDrawObject> object) {
    if (!object)
        return nullptr;
    if (object->Owner() != this) {
        if (object->Owner() != nullptr)
            object->Owner()->RemoveComponent(object.get());
        if (!object->Name().isEmpty() && FindComponent(object->Name()) != nullptr)
            object->SetName(QString());
        InsertComponent(object.get());
    }
    TDrawObject* adopted = object.release();
    AddObject(adopted);
    return adopted;
}

void TDrawSite::ListObjects(TDOList& list, bool selectedOnly) const {
    for (int i = ControlCount() - 1; i >= 0; --i) {
        auto* object = dynamic_cast<TDrawObject*>(Controls(i));
        if (object != nullptr && (!selectedOnly || object->Selected()))
            list.Add(object);
    }
}

int TDrawSite::DrawObjectCount() const {
    int n = 0;
    for (int i = 0; i < ControlCount(); ++i)
        if (dynamic_cast<TDrawObject*>(Controls(i)) != nullptr)
            ++n;
    return n;
}

void TDrawSite::SelectAll(bool value) {
    TDOList list;
    ListObjects(list, !value);
    for (int i = list.Count() - 1; i >= 0; --i)
        list[i]->SetSelected(value);
}

void TDrawSite::SelectInRect(const TRect& r) {
    TDOList list;
    ListObjects(list, false);
    for (int i = list.Count() - 1; i >= 0; --i) {
        const TRect b = list[i]->BoundsRect();
        if (b.Left >= r.Left && b.Top >= r.Top && b.Right <= r.Right && b.Bottom <= r.Bottom)
            list[i]->SetSelected(true);
    }
}

TDrawObject* TDrawSite::ObjectAt(const TPoint& p) const {
    for (int i = ControlCount() - 1; i >= 0; --i) {
        auto* object = dynamic_cast<TDrawObject*>(Controls(i));
        if (object != nullptr && object->Visible() && object->HitTest(p))
            return object;
    }
    return nullptr;
}

// ---- conversions

TPoint TDrawSite::DevToLog(const TPoint& p) const {
    return ActiveScaler().DevToLog(*const_cast<TDrawSite*>(this)->GetDrawCanvas(), p);
}

TPoint TDrawSite::LogToDev(const TPoint& p) const {
    return ActiveScaler().LogToDev(*const_cast<TDrawSite*>(this)->GetDrawCanvas(), p);
}

TRect TDrawSite::LogRectToDev(const TRect& r) const {
    return ActiveScaler().LogRectToDev(*const_cast<TDrawSite*>(this)->GetDrawCanvas(), r);
}

TRect TDrawSite::GetLogClientRect() const {
    const TPoint p = DevToLog(TPoint(width(), height()));
    return TRect(0, 0, p.X, p.Y);
}

void TDrawSite::UpdateObjectBounds(TDrawObject* object) {
    const TRect r = LogRectToDev(object->LogRect());
    object->SetBounds(r.Left, r.Top, r.Width() + 1, r.Height() + 1);
}

// ---- handles

bool TDrawSite::HidePivots() {
    bool hidden = false;
    for (int i = 0; i < ControlCount(); ++i) {
        if (auto* pivot = dynamic_cast<TPivot*>(Controls(i)); pivot != nullptr && pivot->Visible()) {
            pivot->Hide();
            hidden = true;
        }
    }
    pivotsDirty_ = true;
    return hidden;
}

void TDrawSite::ClearPivots() {
    std::vector<TPivot*> pivots;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* pivot = dynamic_cast<TPivot*>(Controls(i)))
            pivots.push_back(pivot);
    for (TPivot* pivot : pivots)
        delete pivot;
    if (!pivots.empty()) {
        InvalidateOverlay();
        pivotsDirty_ = true;
    }
}

void TDrawSite::UpdatePivots() {
    if (!pivotsDirty_ || CaptureControl() != nullptr)
        return;
    ClearPivots();
    TDOList selected;
    ListObjects(selected, true);
    for (int i = selected.Count() - 1; i >= 0; --i)
        selected[i]->MakePivots();
    if (selected.Count() > 1) {
        for (int i = 0; i < ControlCount(); ++i)
            if (auto* pivot = dynamic_cast<TPivot*>(Controls(i)))
                pivot->SetCursor(crDefault);
    }
    pivotsDirty_ = false;
    InvalidateOverlay();
}

void TDrawSite::PlacePivot(TPivot* pivot, const TPoint& p) {
    const int s = pivot->Size;
    const TPoint d = LogToDev(p);
    pivot->SetBounds(d.X - s / 2, d.Y - s / 2, s, s);
    pivot->SetParent(this);
}

// ---- change relay

void TDrawSite::HandleNotify(TObject* sender, const TGUID& eventID) {
    // Whatever changed in an object shows on the next paint, even when the object forgot to
    // invalidate itself.
    if (eventID == GUID_Changed) {
        auto* object = dynamic_cast<TDrawObject*>(sender);
        if (object != nullptr && object->Parent() == this)
            InvalidatePage(object->BoundsRect());
    }
    if (eventID == GUID_SelectionChanged || eventID == GUID_MovableChanged) {
        pivotsDirty_ = true;
        // The handles follow the selection once the current event is done.
        // An event-loop entry like any other: no exception may cross the loop.
        QTimer::singleShot(0, static_cast<QWidget*>(this),
                           [this] { TApplication::Guard(this, [this] { UpdatePivots(); }); });
    }
    Broadcast(sender, eventID);
}

void TDrawSite::ControlListChange(TGraphicControl* control, bool inserting) {
    auto* object = dynamic_cast<TDrawObject*>(control);
    if (object == nullptr)
        return;
    pivotsDirty_ = true;
    // A removed object stays linked: an undo entry that keeps it still reaches the site.
    if (inserting && listener_)
        listener_->AddBroadcaster(object->AsBroadcaster());
}

// ---- rendering

TCanvas* TDrawSite::GetDrawCanvas() {
    return drawTarget_ != nullptr ? drawTarget_ : &Canvas();
}

void TDrawSite::InvalidateControl(TGraphicControl* control, const TRect& r) {
    if (dynamic_cast<TDrawObject*>(control) != nullptr)
        InvalidatePage(r);
    else
        update(r.ToQRect());
}

template <class F>
void TDrawSite::ForTilesIn(const QRect& r, F f) {
    const QRect area = r.intersected(rect());
    if (area.isEmpty() || tiles_.empty())
        return;
    for (int row = area.top() / kPageTileSize; row <= area.bottom() / kPageTileSize; ++row)
        for (int col = area.left() / kPageTileSize; col <= area.right() / kPageTileSize; ++col)
            if (auto it = tiles_.find(TileKey(col, row)); it != tiles_.end())
                f(it->second);
}

void TDrawSite::InvalidatePage(const TRect& r) {
    const QRect area = r.ToQRect().normalized();
    ForTilesIn(area, [&](TPageTile& tile) { tile.Dirty += area.intersected(tile.Area); });
    update(area);
}

void TDrawSite::InvalidatePage() {
    for (auto& [key, tile] : tiles_)
        tile.Dirty = tile.Area;
    update();
}

void TDrawSite::InvalidateOverlay() {
    update();
}

void TDrawSite::resizeEvent(QResizeEvent* event) {
    TWinControl::resizeEvent(event);
    tiles_.clear();
}

void TDrawSite::RenderArea(const QRegion& region) {
    const QRegion need = region.intersected(rect());
    if (need.isEmpty())
        return;
    const QImage::Format format =
        Color() == clNone ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const QRect box = need.boundingRect();
    for (int row = box.top() / kPageTileSize; row <= box.bottom() / kPageTileSize; ++row) {
        for (int col = box.left() / kPageTileSize; col <= box.right() / kPageTileSize; ++col) {
            const QRect area = QRect(col * kPageTileSize, row * kPageTileSize, kPageTileSize, kPageTileSize)
                                   .intersected(rect());
            if (!need.intersects(area))
                continue;
            TPageTile& tile = tiles_[TileKey(col, row)];
            if (tile.Image.size() != area.size() || tile.Image.format() != format) {
                tile.Area = area;
                tile.Image = QImage(area.size(), format);
                tile.Image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
                tile.Image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
                tile.Image.fill(Qt::transparent);
                tile.Dirty = area;
            }
            tile.LastUse = ++tileClock_;
            if (!tile.Dirty.isEmpty())
                RenderTile(tile, std::exchange(tile.Dirty, QRegion()));
        }
    }
}

void TDrawSite::RenderTile(TPageTile& tile, const QRegion& area) {
    ++tilesRendered_;
    TCanvas canvas(&tile.Image);
    canvas.SetPixelsPerInch(logicalDpiY());
    canvas.CopyTools(ToolCanvas());
    // The tile's pixels are the client pixels from its corner on: clip in tile pixels, drawing
    // in client coordinates.
    const QRegion clip = area.translated(-tile.Area.topLeft());
    canvas.SelectClipRgn(&clip);
    canvas.OffsetWindowOrg(tile.Area.left(), tile.Area.top());
    const QRect box = area.boundingRect();
    SetWindowPaintCanvas(&canvas);
    TApplication::Guard(this, [&] {
        Paint();
        for (int i = 0; i < ControlCount(); ++i) {
            auto* object = dynamic_cast<TDrawObject*>(Controls(i));
            if (object != nullptr && object->Visible() && object->BoundsRect().ToQRect().intersects(box))
                PaintControl(object, canvas);
        }
    });
    SetWindowPaintCanvas(nullptr);
    canvas.FreeHandle();
}

int TDrawSite::TileBudget() const {
    // The view the site is scrolled in (its parent), or the site itself.
    const QSize view = (parentWidget() != nullptr ? parentWidget()->size() : size()).boundedTo(size());
    // A view straddles one more tile than it spans along each axis.
    const int cols = std::max(view.width(), 1) / kPageTileSize + 2;
    const int rows = std::max(view.height(), 1) / kPageTileSize + 2;
    return kPageCacheViews * cols * rows;
}

int64_t TDrawSite::PageCacheBudgetBytes() const {
    constexpr int64_t kTileBytes = int64_t(kPageTileSize) * kPageTileSize * 4;
    return TileBudget() * kTileBytes;
}

int64_t TDrawSite::PageCacheBytes() const {
    int64_t bytes = 0;
    for (const auto& [key, tile] : tiles_)
        bytes += tile.Image.sizeInBytes();
    return bytes;
}

void TDrawSite::TrimPageCache() {
    const size_t budget = size_t(TileBudget());
    if (tiles_.size() <= budget)
        return;
    std::vector<std::pair<uint64_t, uint64_t>> byUse;
    byUse.reserve(tiles_.size());
    for (const auto& [key, tile] : tiles_)
        byUse.emplace_back(tile.LastUse, key);
    std::sort(byUse.begin(), byUse.end());
    for (size_t i = 0; i < byUse.size() - budget; ++i)
        tiles_.erase(byUse[i].second);
}

QImage TDrawSite::PageImage(const TRect& area) {
    const QRect wanted = area.ToQRect().normalized().intersected(rect());
    const QImage::Format format =
        Color() == clNone ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage result(std::max(wanted.width(), 1), std::max(wanted.height(), 1), format);
    result.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    result.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    result.fill(Qt::transparent);
    if (wanted.isEmpty())
        return result;
    RenderArea(wanted);
    {
        QPainter painter(&result);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        ForTilesIn(wanted, [&](TPageTile& tile) {
            painter.drawImage(tile.Area.topLeft() - wanted.topLeft(), tile.Image);
        });
    }
    TrimPageCache();
    return result;
}

QImage TDrawSite::PageImage() {
    return PageImage(TRect(0, 0, width(), height()));
}

void TDrawSite::Paint() {
    TCanvas& canvas = Canvas();
    if (!paintingCopy_) {
        if (Color() == clNone) {
            if (QPainter* painter = canvas.Painter()) {
                painter->setCompositionMode(QPainter::CompositionMode_Clear);
                painter->fillRect(rect(), Qt::transparent);
                painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
            }
        } else {
            canvas.FillSolid(TRect(0, 0, width(), height()), Color());
        }
    }
    if (OnPaint) {
        canvas.SaveDC();
        ActiveScaler().PrepareCanvas(canvas);
        try {
            OnPaint(this);
        } catch (...) {
            canvas.RestoreDC(-1);
            throw;
        }
        canvas.RestoreDC(-1);
    }
}

void TDrawSite::paintEvent(QPaintEvent* event) {
    RenderArea(event->region());
    QPainter painter(this);
    painter.setCompositionMode(Color() == clNone ? QPainter::CompositionMode_SourceOver
                                                 : QPainter::CompositionMode_Source);
    ForTilesIn(event->rect(), [&](TPageTile& tile) { painter.drawImage(tile.Area.topLeft(), tile.Image); });
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    TCanvas overlay(&painter);
    overlay.SetPixelsPerInch(logicalDpiY());
    overlay.CopyTools(ToolCanvas());
    SetWindowPaintCanvas(&overlay);
    TApplication::Guard(this, [&] {
        for (int i = 0; i < ControlCount(); ++i) {
            TGraphicControl* control = Controls(i);
            if (control->Visible() && dynamic_cast<TDrawObject*>(control) == nullptr)
                PaintControl(control, overlay);
        }
        overlay.SaveDC();
        GhostList().PaintGhosts(this);
        overlay.RestoreDC(-1);
        PaintAfter();
    });
    SetWindowPaintCanvas(nullptr);
    overlay.FreeHandle();
    TrimPageCache();
}

void TDrawSite::PaintAfter() {
    TCanvas* canvas = GetDrawCanvas();
    if (OnPaintAfter) {
        canvas->SaveDC();
        ActiveScaler().PrepareCanvas(*canvas);
        try {
            OnPaintAfter(this);
        } catch (...) {
            canvas->RestoreDC(-1);
            throw;
        }
        canvas->RestoreDC(-1);
    }
    if (border_) {
        canvas->SaveDC();
        const TPen pen = canvas->Pen();
        const TBrush brush = canvas->Brush();
        canvas->SetMapMode(MM_TEXT);
        canvas->Pen() = TPen{clBlack, 1, psSolid, pmCopy};
        canvas->Brush().Style = bsClear;
        canvas->Rectangle(0, 0, width(), height());
        canvas->Pen() = pen;
        canvas->Brush() = brush;
        canvas->RestoreDC(-1);
    }
}

void TDrawSite::DoDrawToProgress(int index) {
    if (OnDrawToProgress)
        OnDrawToProgress(this, index);
}

void TDrawSite::DrawObject(TDrawObject* object) {
    object->PaintTo(*drawTarget_);
}

void TDrawSite::DrawTo(TCanvas& canvas, const TPoint& origin, int scale) {
    TIntf<IUnknownEx> canvasSaver;
    SaveCanvasState(canvas, true, canvasSaver);
    TCanvas* const savedTarget = drawTarget_;
    const bool savedCopy = paintingCopy_;
    std::unique_ptr<TScaler> savedScaler = std::move(drawScaler_);

    drawTarget_ = &canvas;
    canvas.CopyTools(ToolCanvas());
    paintingCopy_ = true;
    drawScaler_ = std::make_unique<TScaler>();
    drawScaler_->SetUnitDPI(scaler_->UnitDPI());
    drawScaler_->SetScale(scale);
    const auto restore = [&] {
        drawScaler_ = std::move(savedScaler);
        paintingCopy_ = savedCopy;
        drawTarget_ = savedTarget;
    };
    try {
        canvas.OffsetWindowOrg(-origin.X, -origin.Y);
        drawScaler_->PrepareCanvas(canvas);
        if (OnPaint)
            OnPaint(this);
        if (prepareInParallel_)
            PrepareObjects(canvas);
        for (int i = 0; i < ControlCount(); ++i) {
            TGraphicControl* control = Controls(i);
            if (auto* object = dynamic_cast<TDrawObject*>(control); object != nullptr && object->Visible())
                DrawObject(object);
            DoDrawToProgress(i);
        }
        PaintAfter();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

void TDrawSite::PrepareObjects(TCanvas& canvas) {
    std::vector<std::function<void()>> work;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* object = dynamic_cast<TDrawObject*>(Controls(i));
            object != nullptr && object->Visible() && canvas.RectVisible(object->LogRect()))
            if (std::function<void()> preparation = object->PaintPreparation(canvas))
                work.push_back(std::move(preparation));
    // One alone is made where it is painted.
    if (work.size() < 2)
        return;
    TJPEGDecodeCache* const decodes = TJPEGDecodeCache::Current();
    ParallelBands(int(work.size()), 1, [&](int begin, int end) {
        const TJPEGDecodeCache::TLend lend(decodes);
        for (int i = begin; i < end; ++i)
            work[size_t(i)]();
    });
}

int TDrawSite::CalcFitScale(TCanvas& canvas, const TRect& r, bool fitWidth, bool fitHeight) const {
    TScaler scaler;
    scaler.SetUnitDPI(scaler_->UnitDPI());
    scaler.SetScale(100);
    const TPoint d = scaler.LogToDev(canvas, TPoint(logWidth_, logHeight_));
    const int sw = MulDiv(100, r.Width(), d.X);
    const int sh = MulDiv(100, r.Height(), d.Y);
    if (fitWidth)
        return fitHeight ? std::min(sw, sh) : sw;
    if (fitHeight)
        return sh;
    return 100;
}

// ---- input

void TDrawSite::ObjectMouseDown(TMouseButton button, TShiftState shift, TDrawObject* object, int handleIndex,
                                int x, int y) {
    pressMoved_ = false;
    soleOnClick_ = false;
    if (object != nullptr) {
        if (!object->Selected()) {
            if ((shift & ssShift) == 0)
                SelectAll(false);
            object->SetSelected(true);
        } else if ((shift & ssShift) != 0) {
            deselectOnClick_ = true;
        } else {
            TDOList selected;
            ListObjects(selected, true);
            soleOnClick_ = selected.Count() > 1;
        }
    }
    if (button == mbLeft) {
        pressed_ = object;
        SetMouseCapture(true);
        SetClicked(true);
        if (GhostList().IsEmpty()) {
            TDOList selected;
            ListObjects(selected, true);
            const int index = selected.Count() > 1 ? ghMove : handleIndex;
            for (int i = selected.Count() - 1; i >= 0; --i)
                if (selected[i]->Movable())
                    selected[i]->MakeGhost(index);
        }
    }
    MouseDown(button, shift, x, y);
}

void TDrawSite::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
    if (button == mbLeft) {
        const TPoint p = DevToLog(TPoint(x, y));
        if (GhostList().IsEmpty()) {
            TDrawObject* object = ObjectAt(p);
            if (object == nullptr || !object->Selectable()) {
                if ((shift & ssShift) == 0)
                    SelectAll(false);
                AddGhost(std::make_unique<TSelectGhost>());
            }
        }
        if (!GhostList().IsEmpty()) {
            if (HidePivots())
                repaint();
            const TWeakRef<TDrawSite> self(this);
            GhostList().OnClear = [self](TObject* sender) {
                if (TDrawSite* site = self.get())
                    site->GhostsCleared(sender);
                else
                    GhostList().OnClear = nullptr;
            };
            GhostList().Start(this, GetLogClientRect(), p, shift);
        } else {
            UpdatePivots();
        }
    } else {
        SelectAll(false);
    }
    TWinControl::MouseDown(button, shift, x, y);
}

void TDrawSite::MouseMove(TShiftState shift, int x, int y) {
    lastMouse_ = TPoint(x, y);
    if (!GhostList().IsEmpty() && GhostList().Site() == this) {
        AutoScroll(x, y);
        GhostList().DragTo(shift, DevToLog(TPoint(x, y)));
    }
    TWinControl::MouseMove(shift, x, y);
}

void TDrawSite::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    lastMouse_ = TPoint(x, y);
    if (button != mbLeft) {
        TWinControl::MouseUp(button, shift, x, y);
        return;
    }
    const bool hadGhosts = !GhostList().IsEmpty();
    if (hadGhosts) {
        GhostList().DragTo(shift, DevToLog(TPoint(x, y)));
        pressMoved_ = GhostList().Moved();
        GhostList().Drop();
    }
    TWinControl::MouseUp(button, shift, x, y);
    if (hadGhosts)
        UpdatePivots();
    pressed_ = nullptr;
}

void TDrawSite::Click() {
    if (TDrawObject* object = pressed_.get()) {
        if (!pressMoved_ && deselectOnClick_)
            object->SetSelected(false);
        if (!pressMoved_ && soleOnClick_) {
            SelectAll(false);
            object->SetSelected(true);
            UpdatePivots();
        }
        object->Click();
    } else {
        TWinControl::Click();
    }
    deselectOnClick_ = false;
    soleOnClick_ = false;
}

void TDrawSite::KeyDown(int& key, TShiftState shift) {
    if (!GhostList().IsEmpty() && GhostList().Site() == this)
        GhostList().DragTo(shift, DevToLog(lastMouse_));
    TWinControl::KeyDown(key, shift);
}

void TDrawSite::KeyUp(int& key, TShiftState shift) {
    if (!GhostList().IsEmpty() && GhostList().Site() == this)
        GhostList().DragTo(shift, DevToLog(lastMouse_));
    TWinControl::KeyUp(key, shift);
}

void TDrawSite::CancelMode() {
    if (GhostList().Active() && GhostList().Site() == this)
        GhostList().ClearGhosts();
    TWinControl::CancelMode();
}

void TDrawSite::GhostsCleared(TObject*) {
    GhostList().OnClear = nullptr;
    if (OnClearGhost)
        OnClearGhost(this);
}

void TDrawSite::AutoScroll(int x, int y) {
    QWidget* viewport = parentWidget();
    auto* area = viewport != nullptr ? qobject_cast<QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
    if (area == nullptr || area->viewport() != viewport)
        return;
    bool scrolled = false;
    const int top = pos().y();
    const int left = pos().x();
    QScrollBar* vertical = area->verticalScrollBar();
    QScrollBar* horizontal = area->horizontalScrollBar();
    if (top < 0 && y < -top) {
        vertical->setValue(vertical->value() - vertical->singleStep());
        scrolled = true;
    } else if (viewport->height() < top + y && viewport->height() < top + height()) {
        vertical->setValue(vertical->value() + vertical->singleStep());
        scrolled = true;
    }
    if (left < 0 && x < -left) {
        horizontal->setValue(horizontal->value() - horizontal->singleStep());
        scrolled = true;
    } else if (viewport->width() < left + x && viewport->width() < left + width()) {
        horizontal->setValue(horizontal->value() + horizontal->singleStep());
        scrolled = true;
    }
    if (scrolled) {
        GhostList().DrawGhosts();
        viewport->update();
    }
}
