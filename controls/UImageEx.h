#pragma once
// One image-pack cell, stretched over the control or fitted into it with its proportions kept.

#include "controls/UBitmapControl.h"

class TImageEx : public TBitmapControl {
    Q_OBJECT

public:
    explicit TImageEx(QWidget* parent = nullptr);

    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool KeepRatio() const { return keepRatio_; }
    void SetKeepRatio(bool value);

protected:
    void Paint(TCanvas& canvas) override;
    void ImagePackChanged() override;

private:
    void ApplyAutoSize();
    int imageIndex_ = 0;
    bool autoSize_ = false;
    bool keepRatio_ = true;
};
