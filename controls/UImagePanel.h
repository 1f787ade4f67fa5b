#pragma once
// Shows a picture fitted into the panel with its aspect ratio kept and equal margins (previews in
// dialogs and browsers), optionally framed.

#include "controls/PaintPanel.h"

#include <memory>

class TPicture;

// The picture's rectangle in a panel of width x height: fitted in single precision, rounded half to
// even, sizes grown by one where a margin would be odd. Empty for a picture without area.
TRect ImagePanelRect(int width, int height, bool border, int pictureWidth, int pictureHeight);

// The decoding scale of a JPEG image iw pixels wide shown in a panel w pixels wide: full size below
// 1.5 w, half below 3 w, quarter below 6 w, else an eighth.
int ImagePanelJPEGScale(int imageWidth, int panelWidth);

class TImagePanel : public TPaintPanel {
    Q_OBJECT

public:
    explicit TImagePanel(QWidget* parent = nullptr);
    ~TImagePanel() override;

    TPicture& Picture() { return *picture_; }
    void SetPicture(const TPicture& value);
    TColor BorderColor() const { return borderColor_; }
    void SetBorderColor(TColor value);
    bool Border() const { return border_; }
    void SetBorder(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool ImageBorder() const { return imageBorder_; }
    void SetImageBorder(bool value);
    TRect ImageRect() const { return imageRect_; }

protected:
    void Paint(TCanvas& canvas) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void PictureChanged();
    void UpdateImageRect();
    void PaintBackground(TCanvas& canvas);

    std::unique_ptr<TPicture> picture_;
    TColor borderColor_ = clBlack;
    bool border_ = true;
    bool transparent_ = false;
    bool imageBorder_ = false;
    TRect imageRect_;
    bool adjusting_ = false;
};
