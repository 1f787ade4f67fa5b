#include "controls/UExButtons.h"

#include <QPainter>
#include <QPixmap>
#include <QStyleOptionToolButton>
#include <QStylePainter>

QIcon SpeedButtonIcon(const QImage& glyph, int numGlyphs) {
    QIcon icon;
    if (glyph.isNull())
        return icon;
    const int n = std::clamp(numGlyphs, 1, 4);
    const int w = glyph.width() / n;
    if (w < 1)
        return icon;
    const QRgb clear = glyph.pixel(0, glyph.height() - 1);
    const auto cell = [&](int k) {
        QImage part = glyph.copy(k * w, 0, w, glyph.height()).convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                if ((part.pixel(x, y) & 0xFFFFFF) == (clear & 0xFFFFFF))
                    part.setPixel(x, y, 0);
        return QPixmap::fromImage(part);
    };
    icon.addPixmap(cell(0), QIcon::Normal, QIcon::Off);
    if (n >= 2)
        icon.addPixmap(cell(1), QIcon::Disabled, QIcon::Off);
    if (n >= 3)
        icon.addPixmap(cell(2), QIcon::Active, QIcon::Off);
    icon.addPixmap(cell(n >= 4 ? 3 : 0), QIcon::Normal, QIcon::On);
    return icon;
}

TExSpeedButton::TExSpeedButton(QWidget* parent) : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(this, &QToolButton::clicked, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}

void TExSpeedButton::SetCaption(const QString& value) {
    caption_ = value;
    setText(DisplayedCaption());
    update();
}

void TExSpeedButton::SetGlyph(const QImage& value) {
    glyph_ = value;
    setIcon(SpeedButtonIcon(glyph_, numGlyphs_));
}

void TExSpeedButton::SetNumGlyphs(int value) {
    numGlyphs_ = std::clamp(value, 1, 4);
    setIcon(SpeedButtonIcon(glyph_, numGlyphs_));
}

void TExSpeedButton::SetGroupIndex(int value) {
    groupIndex_ = value;
    setCheckable(value != 0);
}

void TExSpeedButton::SetAllowAllUp(bool value) {
    allowAllUp_ = value;
    if (!parentWidget() || groupIndex_ == 0)
        return;
    for (auto* other : parentWidget()->findChildren<TExSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->groupIndex_ == groupIndex_)
            other->allowAllUp_ = value;
}

void TExSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0 || value == isChecked())
        return;
    if (!value && !allowAllUp_)
        return;
    setChecked(value);
    if (value)
        ReleaseGroup();
}

void TExSpeedButton::ReleaseGroup() {
    if (!parentWidget())
        return;
    for (auto* other : parentWidget()->findChildren<TExSpeedButton*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->groupIndex_ == groupIndex_ && other->isChecked())
            other->setChecked(false);
}

void TExSpeedButton::nextCheckState() {
    if (groupIndex_ == 0)
        return;
    if (isChecked()) {
        if (allowAllUp_)
            setChecked(false);
        return;
    }
    setChecked(true);
    ReleaseGroup();
}

void TExSpeedButton::PaintFace(QPainter& painter, const QString& text, bool labelOnly) {
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text = text;
    if (labelOnly)
        style()->drawControl(QStyle::CE_ToolButtonLabel, &option, &painter, this);
    else
        style()->drawComplexControl(QStyle::CC_ToolButton, &option, &painter, this);
}

void TExSpeedButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintFace(painter, DisplayedCaption(), false);
}

void TSpeedButtonBase::SetDisableCaption(bool value) {
    disableCaption_ = value;
    setText(DisplayedCaption());
    update();
}

void TSpeedButtonBase::SetFixedCaption(const QString& value) {
    fixedCaption_ = value;
    setText(DisplayedCaption());
    update();
}

QString TSpeedButtonBase::DisplayedCaption() const {
    if (disableCaption_)
        return QString();
    return fixedCaption_.isEmpty() ? Caption() : fixedCaption_;
}
