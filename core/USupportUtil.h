#pragma once
// Small wrappers of platform queries and chores: live keyboard state, rounding, special folders,
// custom cursors, menu and mouse-click simulation, the screen's colour depth, the box shrink of
// bitmaps. The interface query on objects (QueryObjectInterface) is in core/UInterfaces.h.

#include "platform/Color.h"
#include "platform/Exception.h"
#include "platform/ShiftState.h"

#include <QCursor>
#include <QString>
#include <cstdint>
#include <vector>

class PixelBuffer;
class TBitmap;
class TCanvas;
class TComponent;
class TGraphic;
class TPersistent;
class TPicture;
struct TRect;
class QAction;
class QWidget;

// The shift state from the keyboard and mouse as they are now, not from a message.
TShiftState GetShiftStateNow();

// X + 0.5 truncated for X >= 0, X - 0.5 truncated otherwise, in extended precision.
int64_t RoundHalfAwayFromZero(long double x);

// Shell folder identifiers the system asks for.
enum : int {
    CSIDL_DESKTOP = 0x00,
    CSIDL_PERSONAL = 0x05, // documents
    CSIDL_MYMUSIC = 0x0d,
    CSIDL_MYVIDEO = 0x0e,
    CSIDL_DESKTOPDIRECTORY = 0x10,
    CSIDL_FONTS = 0x14,
    CSIDL_APPDATA = 0x1a,
    CSIDL_LOCAL_APPDATA = 0x1c,
    CSIDL_INTERNET_CACHE = 0x20,
    CSIDL_MYPICTURES = 0x27,
    CSIDL_PROFILE = 0x28,
};
// The folder the identifier stands for on this desktop (XDG folders), without a trailing "/", never
// cut short. Empty for an identifier without a folder here; with raiseOnError that raises
// EOleSysError instead.
QString GetSpecialFolderPath(int csidl, bool raiseOnError);

// The process's table of custom cursors, slots 1 to 255. Stores the cursor in the highest slot that
// still holds the default cursor and returns the slot; 0 when none is free.
int AddCustomCursor(const QCursor& cursor);
// The cursor of a slot; the default arrow for a slot without a custom cursor.
QCursor ScreenCursor(int slot);

// Triggers the item's parent menus from the top down, then the item; stops with false at the first
// disabled one on the way.
bool ClickMenuItem(QAction* item);
// Opens a URL (or a text the user typed as one, "www.example.com") with the desktop's handler.
bool OpenURL(QWidget* parentWindow, const QString& url);

// Bits per pixel of the primary screen; 0 without a screen.
int GetScreenColorBits();
// 256 colours or fewer.
bool IsLowColorScreen();
// The system's code chooses between the Windows NT family and Windows 9x in a few places; the NT
// family is the modern one, and this platform is treated as it.
bool IsWinNT();

// The printable area of the current printer in unitsPerInch: left and top are the sheet's
// unprintable margins, right and bottom add the printable width and height. Each axis is scaled by
// its own resolution. A printer that does not answer gives the whole sheet.
TRect GetPrintableAreaRect(int unitsPerInch);
// Selects the default printer (the print system's default, else the first queue, else the PDF-file
// printer); false when that failed. With the PDF-file printer always listed it succeeds.
bool HasDefaultPrinter();

// Posts a left-button press and release at the control's client origin; nothing for null.
void SimulateClick(QWidget* control);

// The load address of the module (executable or shared library) holding address; null when the
// address lies in none.
const void* GetAllocationBase(const void* address);

// (deviceType shl 16) or (access shl 14) or (function shl 2) or method.
uint32_t MakeCtlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access);

// Drive letters do not exist here, so no letter names a floppy drive.
bool IsFloppyDrive(QChar letter);

// The Windows check asks whether the user may write the machine-wide settings the application keeps.
// Here every setting is the user's own, so a user qualifies when the settings file can be written
// (or created).
bool IsPowerUser();

// Box-filters src into dst at dst's size, both as 24-bit pixels (dst is made 24-bit, src converted
// when it is not): each destination pixel is the truncated mean of the source block it covers. A
// destination larger than the source in an axis repeats source pixels instead of reading past them.
void ShrinkPixels(const PixelBuffer& src, PixelBuffer& dst);

// The graphic box-shrunk into dest at dest's size; dest becomes 24-bit. A bitmap is taken as it is,
// any other graphic is first drawn on white at its own size.
void ShrinkGraphicTo(TGraphic& graphic, TBitmap& dest);

// Stretches the part srcRect of bitmap onto destRect of the canvas with the canvas's copy mode (a
// transparent bitmap leaves its transparent colour unpainted); nothing when either rectangle is
// degenerate.
void StretchDrawPart(TCanvas& canvas, const TRect& destRect, TBitmap& bitmap, const TRect& srcRect);

// For every stored published TColor property of obj: for each pair in order, a value equal to
// oldValues[i] becomes newValues[i] (read again for each pair, so one replacement can feed a later
// pair). Objects obj's properties refer to (nested objects and referenced components) are handled
// the same way, each object once, so references that form a cycle end. Extra entries of the longer
// list are ignored.
void ReplaceColorProperties(TPersistent* obj, const std::vector<TColor>& oldValues,
                            const std::vector<TColor>& newValues);
// ReplaceColorProperties on the component and on everything it owns, at any depth.
void ReplaceComponentColors(TComponent* component, const std::vector<TColor>& oldValues,
                            const std::vector<TColor>& newValues);

// True when the picture is null, holds no graphic or an empty one.
bool IsPictureEmpty(const TPicture* picture);
// Makes the picture's graphic transparent with colour (a bitmap takes the colour as its fixed
// transparent colour), or opaque, without telling the picture's change event. Nothing for a picture
// without a graphic.
void SetPictureTransparent(TPicture* picture, TColor color, bool transparent);
