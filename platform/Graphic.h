#pragma once
// The framework's graphic base class: a picture that can draw itself into a rectangle of a canvas
// and store itself in a stream. Bitmaps, JPEG and PNG images, icons and metafiles derive from it;
// the picture holder keeps one of them.

#include "platform/Object.h"
#include "platform/Rect.h"

#include <QString>
#include <memory>

class TCanvas;
class TStream;

class TGraphic : public TObject {
public:
    TGraphic() = default;
    ~TGraphic() override = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // The class name stored in a picture's "Data" form ("TBitmap", "TJPEGImage"...).
    virtual const char* ClassName() const = 0;
    // A new, empty graphic of the same class (the framework's virtual constructor).
    virtual std::unique_ptr<TGraphic> NewInstance() const = 0;

    // Takes the content of another graphic; raises EConvertError ("Cannot assign a %s to a %s")
    // when the classes do not fit.
    virtual void Assign(const TGraphic& source);
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    void LoadFromFile(const QString& fileName);
    // Replaces the file only once everything is written.
    void SaveToFile(const QString& fileName);

    // The graphic's part of a picture's stored "Data" form; by default the bare stream form.
    virtual void ReadData(TStream& stream) { LoadFromStream(stream); }
    virtual void WriteData(TStream& stream) { SaveToStream(stream); }
    // Same content; the base compares the stored forms.
    virtual bool Equals(const TGraphic* graphic);

    bool Modified() const { return modified_; }
    void SetModified(bool value);
    TNotifyEvent OnChange;

protected:
    // Marks the graphic modified and tells OnChange.
    virtual void Changed();

private:
    bool transparent_ = false;
    bool modified_ = false;
};
