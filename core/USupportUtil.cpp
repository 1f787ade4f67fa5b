#include "core/USupportUtil.h"

#include "core/UGeometryUtil.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Component.h"
#include "platform/IntMath.h"
#include "platform/Picture.h"
#include "platform/PixelBuffer.h"
#include "platform/Printer.h"
#include "platform/PropertyRegistry.h"
#include "platform/Settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>
#include <array>
#include <cmath>
#include <dlfcn.h>
#include <optional>
#include <set>
#include <vector>

TShiftState GetShiftStateNow() {
    return ShiftStateFromQt(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

int64_t RoundHalfAwayFromZero(long double x) {
    return static_cast<int64_t>(RoundAway(x));
}

QString GetSpecialFolderPath(int csidl, bool raiseOnError) {
    std::optional<QStandardPaths::StandardLocation> location;
    switch (csidl) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
        location = QStandardPaths::DesktopLocation;
        break;
    case CSIDL_PERSONAL:
        location = QStandardPaths::DocumentsLocation;
        break;
    case CSIDL_MYMUSIC:
        location = QStandardPaths::MusicLocation;
        break;
    case CSIDL_MYVIDEO:
        location = QStandardPaths::MoviesLocation;
        break;
    case CSIDL_FONTS:
        location = QStandardPaths::FontsLocation;
        break;
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
        location = QStandardPaths::GenericDataLocation;
        break;
    case CSIDL_INTERNET_CACHE:
        location = QStandardPaths::GenericCacheLocation;
        break;
    case CSIDL_MYPICTURES:
        location = QStandardPaths::PicturesLocation;
        break;
    case CSIDL_PROFILE:
        location = QStandardPaths::HomeLocation;
        break;
    default:
        break;
    }
    const QString path = location ? QStandardPaths::writableLocation(*location) : QString();
    if (path.isEmpty() && raiseOnError)
        throw EOleSysError(QStringLiteral("The system has no special folder %1").arg(csidl), E_INVALIDARG);
    return path;
}

namespace {
std::array<std::optional<QCursor>, 256>& CursorTable() {
    static std::array<std::optional<QCursor>, 256> table;
    return table;
}
} // namespace

int AddCustomCursor(const QCursor& cursor) {
    auto& table = CursorTable();
    for (int slot = 255; slot >= 1; --slot) {
        if (!table[size_t(slot)]) {
            table[size_t(slot)] = cursor;
            return slot;
        }
    }
    return 0;
}

QCursor ScreenCursor(int slot) {
    if (slot >= 1 && slot <= 255) {
        if (const auto& cursor = CursorTable()[size_t(slot)])
            return *cursor;
    }
    return QCursor(Qt::ArrowCursor);
}

namespace {
// The menu item that opens the menu holding item, or null for an item of a menu bar or of no menu.
QAction* ParentItem(QAction* item) {
    for (QObject* object : item->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu->menuAction() == item ? nullptr : menu->menuAction();
    }
    return nullptr;
}
} // namespace

bool ClickMenuItem(QAction* item) {
    if (!item)
        return false;
    // Menus nest a few levels; the bound only guards against a menu that (wrongly) holds itself.
    std::vector<QAction*> chain;
    for (QAction* a = item; a && chain.size() < 64; a = ParentItem(a))
        chain.push_back(a);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!(*it)->isEnabled())
            return false;
        (*it)->trigger();
    }
    return true;
}

bool OpenURL(QWidget*, const QString& url) {
    const QUrl target = QUrl::fromUserInput(url);
    return target.isValid() && QDesktopServices::openUrl(target);
}

int GetScreenColorBits() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->depth() : 0;
}

bool IsLowColorScreen() {
    return GetScreenColorBits() < 9;
}

bool IsWinNT() {
    return true;
}

void SimulateClick(QWidget* control) {
    if (!control)
        return;
    const QPointF local(0, 0);
    const QPointF global = control->mapToGlobal(QPoint(0, 0));
    QCoreApplication::postEvent(control, new QMouseEvent(QEvent::MouseButtonPress, local, global,
                                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(control, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

const void* GetAllocationBase(const void* address) {
    Dl_info info{};
    if (!address || dladdr(address, &info) == 0)
        return nullptr;
    return info.dli_fbase;
}

uint32_t MakeCtlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access) {
    return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

bool IsFloppyDrive(QChar) {
    return false;
}

bool IsPowerUser() {
    const QFileInfo file(SettingsStore::FileName());
    if (file.exists())
        return file.isFile() && file.isWritable();
    // The file is created on first write: the nearest folder that exists must take it.
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder)) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            return false;
        folder = parent;
    }
    const QFileInfo info(folder);
    return info.isDir() && info.isWritable();
}

void ShrinkPixels(const PixelBuffer& src, PixelBuffer& dst) {
    const PixelBuffer source = src.BitCount() == 24 ? src : src.Converted(24);
    if (dst.IsNull() || dst.BitCount() != 24)
        dst = PixelBuffer(dst.Width(), dst.Height(), 24);
    const int w = source.Width(), h = source.Height();
    const int dw = dst.Width(), dh = dst.Height();
    if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0)
        return;
    // One accumulator row of blue, green and red sums per source column.
    std::vector<int64_t> acc(size_t(w) * 3);
    for (int y = 0; y < dh; ++y) {
        const int top = static_cast<int>(int64_t(y) * h / dh);
        const int bottom = std::max(static_cast<int>(int64_t(y + 1) * h / dh), top + 1);
        std::fill(acc.begin(), acc.end(), 0);
        for (int sy = top; sy < bottom; ++sy) {
            const uint8_t* row = source.ConstScanLine(sy);
            for (size_t i = 0; i < acc.size(); ++i)
                acc[i] += row[i];
        }
        const int64_t rows = bottom - top;
        uint8_t* out = dst.ScanLine(y);
        for (int x = 0; x < dw; ++x) {
            const int left = static_cast<int>(int64_t(x) * w / dw);
            const int right = std::max(static_cast<int>(int64_t(x + 1) * w / dw), left + 1);
            int64_t b = 0, g = 0, r = 0;
            for (int sx = left; sx < right; ++sx) {
                b += acc[size_t(sx) * 3];
                g += acc[size_t(sx) * 3 + 1];
                r += acc[size_t(sx) * 3 + 2];
            }
            const int64_t divisor = rows * (right - left);
            out[x * 3] = static_cast<uint8_t>(b / divisor);
            out[x * 3 + 1] = static_cast<uint8_t>(g / divisor);
            out[x * 3 + 2] = static_cast<uint8_t>(r / divisor);
        }
    }
}

void ShrinkGraphicTo(TGraphic& graphic, TBitmap& dest) {
    if (graphic.Empty() || dest.Empty())
        return;
    TBitmap source;
    if (dynamic_cast<TBitmap*>(&graphic)) {
        source.Assign(graphic);
    } else {
        source.SetPixelFormat(pf24bit);
        source.SetSize(graphic.Width(), graphic.Height()); // new pixels are white
        source.Canvas().Draw(0, 0, graphic);
    }
    PixelBuffer shrunk(dest.Width(), dest.Height(), 24);
    ShrinkPixels(source.Pixels(), shrunk);
    dest.SetPixels(shrunk);
}

void StretchDrawPart(TCanvas& canvas, const TRect& destRect, TBitmap& bitmap, const TRect& srcRect) {
    if (IsRectDegenerate(destRect) || IsRectDegenerate(srcRect) || bitmap.Empty())
        return;
    if (srcRect == TRect(0, 0, bitmap.Width(), bitmap.Height())) {
        canvas.StretchDraw(destRect, bitmap);
        return;
    }
    // Only the part of srcRect that lies on the bitmap is drawn, onto the matching share of destRect.
    TRect part;
    if (!IntersectRect(part, srcRect, TRect(0, 0, bitmap.Width(), bitmap.Height())))
        return;
    const auto mapX = [&](int x) {
        return destRect.Left + MulDiv(x - srcRect.Left, RectWidth(destRect), RectWidth(srcRect));
    };
    const auto mapY = [&](int y) {
        return destRect.Top + MulDiv(y - srcRect.Top, RectHeight(destRect), RectHeight(srcRect));
    };
    const TRect target(mapX(part.Left), mapY(part.Top), mapX(part.Right), mapY(part.Bottom));
    if (!bitmap.Transparent()) {
        canvas.StretchPixels(target, bitmap.Pixels(), part, canvas.CopyMode(),
                             bitmap.HandleType() == bmDDB ? mcTextAndBackground : mcColorTable);
        return;
    }
    // The key colour belongs to the whole bitmap (its bottom-left pixel in automatic mode), so the
    // piece carries it over as a fixed colour.
    TBitmap piece;
    piece.SetPixels(PixelBuffer::FromImage(bitmap.Pixels().ToImage().copy(part.ToQRect()), 32));
    piece.SetTransparentColor(bitmap.TransparentColor());
    piece.SetTransparent(true);
    piece.Draw(canvas, target);
}

namespace {

struct ColorReplacer {
    const std::vector<TColor>& oldValues;
    const std::vector<TColor>& newValues;
    std::set<const TPersistent*> visited;

    // Handles obj and what its properties refer to; returns nothing it has not handled before.
    void Run(TPersistent* first) {
        std::vector<TPersistent*> work{first};
        while (!work.empty()) {
            TPersistent* obj = work.back();
            work.pop_back();
            if (!obj || !visited.insert(obj).second)
                continue;
            ReplaceIn(obj, work);
        }
    }

    void ReplaceIn(TPersistent* obj, std::vector<TPersistent*>& work) {
        const size_t pairs = std::min(oldValues.size(), newValues.size());
        for (const TPropInfo* prop : obj->ClassType().Properties()) {
            if (!prop->IsStored(obj))
                continue;
            if (prop->TypeName() == u"TColor" && prop->CanWrite()) {
                for (size_t i = 0; i < pairs; ++i) {
                    if (prop->GetOrdinal(obj) == oldValues[i])
                        prop->SetOrdinal(obj, newValues[i]);
                }
            } else if (prop->Kind() == TPropKind::Object) {
                work.push_back(prop->GetObject(obj));
            } else if (prop->Kind() == TPropKind::Component) {
                work.push_back(prop->GetComponent(obj));
            }
        }
    }
};

} // namespace

void ReplaceColorProperties(TPersistent* obj, const std::vector<TColor>& oldValues,
                            const std::vector<TColor>& newValues) {
    ColorReplacer{oldValues, newValues, {}}.Run(obj);
}

void ReplaceComponentColors(TComponent* component, const std::vector<TColor>& oldValues,
                            const std::vector<TColor>& newValues) {
    ColorReplacer replacer{oldValues, newValues, {}};
    std::vector<TComponent*> work{component};
    while (!work.empty()) {
        TComponent* c = work.back();
        work.pop_back();
        if (!c)
            continue;
        replacer.Run(c);
        for (int i = c->ComponentCount() - 1; i >= 0; --i)
            work.push_back(c->Components(i));
    }
}

bool IsPictureEmpty(const TPicture* picture) {
    return !picture || !picture->Graphic() || picture->Graphic()->Empty();
}

void SetPictureTransparent(TPicture* picture, TColor color, bool transparent) {
    if (!picture || !picture->Graphic())
        return;
    TGraphic* graphic = picture->Graphic();
    auto* bitmap = dynamic_cast<TBitmap*>(graphic);
    // A picture already transparent in another colour takes the new one too.
    const bool colorDiffers = transparent && bitmap && bitmap->TransparentColor() != color;
    if (graphic->Transparent() == transparent && !colorDiffers)
        return;
    const TNotifyEvent saved = picture->OnChange;
    picture->OnChange = nullptr;
    try {
        if (bitmap)
            bitmap->SetTransparentColor(color);
        graphic->SetTransparent(transparent);
    } catch (...) {
        picture->OnChange = saved;
        throw;
    }
    picture->OnChange = saved;
}

TRect GetPrintableAreaRect(int unitsPerInch) {
    const TPrinterGeometry g = Printer().Geometry();
    return TRect(MulDiv(g.OffsetX, unitsPerInch, g.DpiX), MulDiv(g.OffsetY, unitsPerInch, g.DpiY),
                 MulDiv(g.OffsetX + g.PageWidth, unitsPerInch, g.DpiX),
                 MulDiv(g.OffsetY + g.PageHeight, unitsPerInch, g.DpiY));
}

bool HasDefaultPrinter() {
    try {
        Printer().SetPrinterIndex(-1);
        return true;
    } catch (const Exception&) {
        return false;
    }
}
