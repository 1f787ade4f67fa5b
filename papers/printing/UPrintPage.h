#pragma once
// A print page stands between the print site and the printer canvas for one face. Without banding
// it hands out the printer canvas itself. With banding it cuts the face's device rectangle into
// horizontal bands of at most MaxBandPixels pixels at the band resolution, hands out a memory canvas
// on a white 24-bit band for each, and when the next band is asked for draws the finished one onto
// the printer canvas, stretched to its destination. So a face can be drawn at 254 dpi on a printer
// of higher resolution, and memory stays bounded.
//
// The site draws each band once between two calls of NextBand: the first call prepares band 0, each
// further call transfers the previous band and prepares the next, and the call that answers false
// transfers the last band. A band is put on the target by another thread while the site draws the
// next one (the target canvas's next use waits for it); the call that answers false returns when
// the last band is there.

#include "core/UInterfaces.h"
#include "platform/Rect.h"

#include <QRegion>

#include <cstdint>
#include <memory>

class TCanvas;
class TDrawObject;
class TMemoryCanvas;
class TSafetyBitmap;

// The pixels one band may hold.
constexpr int64_t MaxBandPixels = 5242880;

class TPrintPageBase {
public:
    virtual ~TPrintPageBase();
    // The canvas to draw the current band on.
    virtual TCanvas& GetCanvas() = 0;
    // True when a band is ready to be drawn.
    virtual bool NextBand() = 0;
    int BandCount() const { return bandCount_; }
    // Set by the site after painting white outside a face's shape in a band.
    bool Masked = false;

protected:
    std::unique_ptr<TSafetyBitmap> band_;
    int bandCount_ = 0;
    int nextBand_ = 0;
};

struct TBandInfo {
    int Width = 0;  // band pixels
    int Height = 0; // band pixels
    TRect Dest;     // target canvas's logical units (device pixels moved by the origin)
};

// The bands of a face rectangle, each worked out when asked for (64-bit arithmetic; an empty
// rectangle has none, a band at least one row).
struct TBandTable {
    TRect Rect;
    int64_t Width = 0;  // band pixels
    int64_t Height = 0; // band pixels of the whole face
    int64_t Count = 0;

    static TBandTable Make(const TRect& rect, int bandResolution, int targetResolution);
    TBandInfo Band(int64_t k) const;
};

class TStretchPrintPage : public TPrintPageBase {
public:
    // rect: the face's device rectangle before the origin; origin moves what is drawn on the
    // target canvas. resolution 0 is the target canvas's own.
    TStretchPrintPage(TCanvas& canvas, int resolution, bool banding, const TPoint& origin, const TRect& rect);
    // Puts back the target canvas's tools, mapping and clip.
    ~TStretchPrintPage() override;
    TCanvas& GetCanvas() override;
    bool NextBand() override;

    const TBandTable& Bands() const { return bands_; }
    int BandResolution() const { return bandResolution_; }

    // Called after each object is drawn on the current band, in drawing order: what it covered is
    // no longer what an earlier photo alone painted, and where it painted a photo of its own (a
    // JPEG, opaque, unturned), that part of the band is a photo. When the band goes to the
    // target, its photo parts go as images of their own at photo quality (DCT); the rest of the
    // band, text and line art, stays lossless, with the photo parts left white beneath them. Every
    // pixel not in a photo part is exactly as drawn.
    void ObjectDrawn(TDrawObject& object);
    // The photo parts of the current band, in band pixels.
    const QRegion& PhotoArea() const { return photoArea_; }

private:
    void TransferBand();

    TCanvas& target_;
    std::unique_ptr<TMemoryCanvas> bandCanvas_;
    TRect rect_;
    TIntf<IUnknownEx> saver_;
    bool banding_;
    int bandResolution_;
    int targetResolution_;
    TBandTable bands_;
    QRegion photoArea_;
    // The previous band, while another thread puts it on the target (with more than one processor
    // to use: the next band is drawn meanwhile).
    std::unique_ptr<TSafetyBitmap> sending_;
    bool overlap_ = false;
};
