#pragma once
// TColorSpec and TGradationColors: how an area is painted: a solid brush colour and style, a bitmap
// (stretched or tiled) with the filters of an image data, or a multi-colour gradation. Every page object with
// a fill, frame, line, text, outline, shadow or blend colour holds one as a nested published property, so the
// colour spec is stored inside the object and announces every change so that it repaints.

#include "core/UBroadcaster.h"
#include "imaging/UImageData.h"
#include "imaging/URectGrad.h"
#include "platform/Canvas.h"
#include "platform/Color.h"
#include "platform/Component.h"

#include <memory>
#include <vector>

class TSafetyBitmap;

// The colours of a gradation, in order, repeated RepeatCount times across it.
class TGradationColors : public TPersistent, public TChangeNotifyForwarder {
    QUORLANE_CLASS(TGradationColors, TPersistent)

public:
    // Most colours a stored list may hold, and most entries an expanded list is given: far more
    // than a gradation can show (its colour table has 1024 steps), few enough that a damaged count
    // cannot make painting allocate without end.
    static constexpr int kMaxStoredColors = 65536;
    static constexpr int kMaxExpandedColors = 65536;

    TGradationColors();
    ~TGradationColors() override;

    static void DeclareProperties(TPropertyBuilder<TGradationColors>& p);

    int Count() const { return int(colors_.size()); }
    // New entries are black; a negative count is taken as 0.
    void SetCount(int n);
    // ERangeError outside 0..Count-1.
    TColor Colors(int index) const;
    void SetColors(int index, TColor value);
    int32_t RepeatCount() const { return repeatCount_; }
    void SetRepeatCount(int32_t value);
    // Count x RepeatCount colours (at most kMaxExpandedColors), entry k being colour k mod Count;
    // empty without colours or repeats.
    void GetExpandedColors(std::vector<TColor>& colors) const;

    // The binary "Colors": a 32-bit count, then the colours; left out for white then black.
    void DefineProperties(TFiler& filer) override;

protected:
    // Into other gradation colours inside one update of theirs (one broadcast at most).
    void AssignTo(TPersistent* dest) const override;

private:
    TChangeNotify& Notifier() override { return *notifier_; }

    std::unique_ptr<TChangeNotify> notifier_;
    std::vector<TColor> colors_{clWhite, clBlack};
    int32_t repeatCount_ = 1;
};

enum TColorSpecKind { cskSolid, cskBitmap, cskGradation };

class TColorSpec : public TPersistent, public TChangeNotifyForwarder {
    QUORLANE_CLASS(TColorSpec, TPersistent)

public:
    TColorSpec();
    ~TColorSpec() override;

    static void DeclareProperties(TPropertyBuilder<TColorSpec>& p);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    // The image data's picture as the system's bitmap (a framework bitmap is converted in place).
    // Null while the picture holds another kind of graphic: that graphic is kept, not replaced.
    TSafetyBitmap* Bitmap() const;
    // Nothing when both the picture and value are empty; else the picture takes value.
    void SetBitmap(const TBitmap* value);
    bool Tile() const { return tile_; }
    void SetTile(bool value);
    // The stored kind, except that a bitmap kind reads as solid while there is no picture.
    TColorSpecKind Kind() const;
    void SetKind(TColorSpecKind value);
    TColorSpecKind StoredKind() const { return kind_; }
    bool TileShift() const { return tileShift_; }
    void SetTileShift(bool value);
    TImageData* ImageData() const { return imageData_.get(); }
    void SetImageData(const TImageData* value) { imageData_->Assign(value); }
    int32_t GradAngle() const { return gradAngle_; }
    void SetGradAngle(int32_t value);
    rgGradationKind GradKind() const { return gradKind_; }
    void SetGradKind(rgGradationKind value);
    TGradationColors* GradColors() const { return gradColors_.get(); }
    void SetGradColors(const TGradationColors* value) { gradColors_->Assign(value); }
    // A direction view over GradKind and GradAngle.
    rgGradationDir GradDir() const;
    void SetGradDir(rgGradationDir value);
    int GradColNum() const { return gradColors_->Count(); }
    void SetGradColNum(int value) { gradColors_->SetCount(value); }
    // Colour index of the gradation (ERangeError beyond the count); writes beyond it are ignored.
    TColor GradColor(int index) const { return gradColors_->Colors(index); }
    void SetGradColor(int index, TColor value);

    // From another colour spec inside one update (one broadcast); the gradation settings only
    // when the kind is gradation. Other sources: the class library's error.
    void Assign(const TPersistent* source) override;

    // A solid fill in a solid style whose colour the canvas's device shows exactly.
    bool IsExactSolidColor(TCanvas& canvas) const;
    // Paints rect; the canvas's tools are as they were afterwards.
    void FillRect(TCanvas& canvas, const TRect& rect);
    // A sample of the colour spec on a grey and white checkerboard.
    void DrawPreview(TCanvas& canvas, const TRect& rect);

    // Called with the colour spec after every change.
    TNotifyEvent OnChange;

    TChangeNotify& Notifier() override { return *notifier_; }

private:
    void Tiling(TCanvas& canvas, const TRect& rect, TGraphic& graphic) const;

    std::unique_ptr<TListener> listener_;
    std::unique_ptr<TChangeNotify> notifier_;
    std::unique_ptr<TImageData> imageData_;
    std::unique_ptr<TGradationColors> gradColors_;
    TColor color_ = 0;
    TBrushStyle style_ = bsSolid;
    bool tile_ = false;
    TColorSpecKind kind_ = cskSolid;
    bool tileShift_ = false;
    int32_t gradAngle_ = 270;
    rgGradationKind gradKind_ = rgkSimple;
};
