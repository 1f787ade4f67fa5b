#pragma once
// A panel whose bevels are drawn as bands with three brushes (mode bars, editors), with a caption.

#include "controls/PaintPanel.h"
#include "controls/UFillImageBevel.h"

class TPanelEx : public TPaintPanel {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TPanelEx(QWidget* parent = nullptr);

    TNoDefaultBrush& HighlightBrush() { return highlight_; }
    TNoDefaultBrush& BorderBrush() { return border_; }
    TNoDefaultBrush& ShadowBrush() { return shadow_; }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value) { Set(bevelInner_, value); }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value) { Set(bevelOuter_, value); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value) { Set(bevelWidth_, value); }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value) { Set(borderWidth_, value); }
    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment value) { Set(alignment_, value); }
    QString Caption() const { return caption_; }
    void SetCaption(const QString& value) { Set(caption_, value); }

protected:
    void Paint(TCanvas& canvas) override;

private:
    template <class T>
    void Set(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        update();
    }
    TNoDefaultBrush highlight_;
    TNoDefaultBrush border_;
    TNoDefaultBrush shadow_;
    TBevelCut bevelInner_ = bvNone;
    TBevelCut bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    QString caption_;
};
