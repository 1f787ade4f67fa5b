#pragma once
// Speed buttons of our own class: a tool button with a glyph of up to four cells (up, disabled,
// clicked, down), groups of which one is down, and a caption that can be hidden or fixed
// independently of the action that drives the button.

#include "platform/Object.h"

#include <QImage>
#include <QToolButton>

// The glyph's cells as icon modes; the bottom-left pixel's colour is see-through.
QIcon SpeedButtonIcon(const QImage& glyph, int numGlyphs);

class TExSpeedButton : public QToolButton, public TObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TExSpeedButton(QWidget* parent = nullptr);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& value);
    const QImage& Glyph() const { return glyph_; }
    void SetGlyph(const QImage& value);
    int NumGlyphs() const { return numGlyphs_; }
    // 1 to 4; larger values are 4.
    void SetNumGlyphs(int value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool Down() const { return isChecked(); }
    void SetDown(bool value);
    bool Flat() const { return autoRaise(); }
    void SetFlat(bool value) { setAutoRaise(value); }

    TNotifyEvent OnClick;

protected:
    void nextCheckState() override;
    void paintEvent(QPaintEvent* event) override;
    // The text drawn on the face.
    virtual QString DisplayedCaption() const { return caption_; }
    // Draws the face with caption text.
    void PaintFace(QPainter& painter, const QString& text, bool labelOnly);

private:
    void ReleaseGroup();
    QString caption_;
    QImage glyph_;
    int numGlyphs_ = 1;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
};

class TSpeedButtonBase : public TExSpeedButton {
    Q_OBJECT

public:
    using TExSpeedButton::TExSpeedButton;

    bool DisableCaption() const { return disableCaption_; }
    void SetDisableCaption(bool value);
    QString FixedCaption() const { return fixedCaption_; }
    void SetFixedCaption(const QString& value);

protected:
    QString DisplayedCaption() const override;

private:
    bool disableCaption_ = false;
    QString fixedCaption_;
};
