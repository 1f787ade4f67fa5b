#pragma once
// Controls that draw cells of an image pack. TImagePackLink follows one pack: it repaints its
// control when the pack changes and forgets the pack when the pack is destroyed.

#include "controls/UOriginalControl.h"

#include <functional>
#include <memory>

class TImagePack;
class TListener;

class TImagePackLink {
public:
    // changed: the pack's contents changed or the pack went (it is then already forgotten).
    explicit TImagePackLink(std::function<void()> changed);
    ~TImagePackLink();
    TImagePackLink(const TImagePackLink&) = delete;
    TImagePackLink& operator=(const TImagePackLink&) = delete;

    TImagePack* Pack() const { return pack_; }
    // Moves the subscription from the old pack to pack; false when pack is the one held.
    bool SetPack(TImagePack* pack);
    // No pack, or index not an image of it.
    bool IsEmpty(int index) const;
    // The cell's size; (0, 0) when empty.
    TSize CellSize(int index) const;
    // Stretches cell index into r; false when nothing was drawn.
    bool StretchDraw(TCanvas& canvas, const TRect& r, int index) const;

private:
    std::function<void()> changed_;
    std::unique_ptr<TListener> listener_;
    TImagePack* pack_ = nullptr;
};

class TBitmapControl : public TOriginalControl {
    Q_OBJECT

public:
    explicit TBitmapControl(QWidget* parent = nullptr);
    ~TBitmapControl() override;

    TImagePack* ImagePack() const { return link_.Pack(); }
    void SetImagePack(TImagePack* pack);

protected:
    virtual void ImagePackChanged() { update(); }
    const TImagePackLink& Link() const { return link_; }

private:
    TImagePackLink link_;
};
