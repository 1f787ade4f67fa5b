#pragma once
// A fill image with a header line (caption and an optional header picture) that collapses the panel
// to its header on a click and expands it again on the next one.

#include "controls/UFillImage.h"

class TShrinkPanel : public TFillImage {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TShrinkPanel(QWidget* parent = nullptr);
    ~TShrinkPanel() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool Shrinked() const { return shrinked_; }
    void SetShrinked(bool value);
    // The height the panel takes when expanded; 0 leaves the height as it is.
    int ExpandHeight() const { return expandHeight_; }
    void SetExpandHeight(int value) { expandHeight_ = value; }
    int ImageIndexExpanded() const { return imageIndexExpanded_; }
    void SetImageIndexExpanded(int value);
    int ImageIndexShrinked() const { return imageIndexShrinked_; }
    void SetImageIndexShrinked(int value);
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment value);
    // Qt::AlignVCenter or Qt::AlignBottom.
    Qt::Alignment Layout() const { return layout_; }
    void SetLayout(Qt::Alignment value);
    Qt::Alignment ImageAlignment() const { return imageAlignment_; }
    void SetImageAlignment(Qt::Alignment value);
    TImagePack* HeaderImagePack() const { return header_.Pack(); }
    void SetHeaderImagePack(TImagePack* pack);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);

    int HeaderHeight() const;

protected:
    void Paint(TCanvas& canvas) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateMargins();
    void UpdateHeight();

    TImagePackLink header_;
    QString caption_;
    bool shrinked_ = false;
    int expandHeight_ = 0;
    int imageIndexExpanded_ = -1;
    int imageIndexShrinked_ = -1;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    Qt::Alignment layout_ = Qt::AlignVCenter;
    Qt::Alignment imageAlignment_ = Qt::AlignLeft;
    int borderWidth_ = 0;
};
