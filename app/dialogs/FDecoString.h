#pragma once
// The decorated text window: the text, the image font it is drawn with and its alignment, with a
// sample of the text in the chosen font.

#include "app/dialogs/UToolWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class TLODecoString;

// The image fonts the glyph pack holds (whole sets of pictures; 0 without decorated-character data).
int ImageFontCount();
// The characters of text an image font has no picture for (they leave gaps), each once; spaces,
// which are meant as gaps, are not among them.
QString CharactersWithoutGlyphs(const QString& text);

class TfrmDecoString : public TToolWindow {
    Q_OBJECT

public:
    // A new text is 10 mm high.
    static constexpr int kDefaultHeight = 100;

    explicit TfrmDecoString(QWidget* parent = nullptr);
    ~TfrmDecoString() override;

    QLineEdit* edtText;
    QComboBox* cmbFont;
    QComboBox* cmbAlign;
    QLabel* lblSample;
    QLabel* lblNote;

    void LoadFrom(const TLODecoString& text);
    // A new text (no extent yet) is as wide as its glyphs at the default height.
    void SaveTo(TLODecoString& text) const;

private:
    void ShowSample();
    // A text and an image font to draw it.
    bool CanAccept();
};
