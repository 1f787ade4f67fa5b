#pragma once
// The side panel of the layout editor for texts: the words, the face, size, colour, alignment,
// style, spacing, vertical writing and frame sizing on one page, the shadow and outline on the
// other, and the Exif information of a picture file or a photo on the page imported as text.

#include "app/UEditModePanelBase.h"
#include "platform/Color.h"
#include "platform/Rect.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QDoubleSpinBox;
class QToolButton;
class TExifReader;
class TLOText;
class TNotePanel;
class TPictureEx;
class TfrmColorGrid;
class THistoryManager;

class TfrmAMText : public TEditModePanelBase {
    Q_OBJECT

public:
    enum TPage { pgText, pgEffect };
    // What the next apply changes; with several texts selected only that property is written.
    enum TOperation {
        opNone = -1,
        opText = 0,
        opFontName,
        opFontSize,
        opFontColor,
        opAlign,
        opStyle,
        opCharSpace,
        opLineSpace,
        opVertical,
        opAutoSize,
        opShadow,
        opShadowPosition,
        opShadowColor,
        opOutline,
        opOutlineWidth,
        opOutlineColor,
    };
    // The selection as the idle update saw it: nothing (or one photo), one text, several texts,
    // or something that is not a text.
    enum TSelectionKind { skNone = -1, skOneText = 0, skTexts = 1, skOther = 2 };

    static constexpr int kDefaultFontSize = 24;
    static constexpr int kMinFontSize = 6;
    static constexpr int kMaxFontSize = 999;
    static constexpr int kNormalSpacing = 2;
    static constexpr int kMaxOutlineWidth = 999;
    static constexpr int kColorGlyphWidth = 48;
    static constexpr int kColorGlyphHeight = 14;

    explicit TfrmAMText(QWidget* owner = nullptr);
    ~TfrmAMText() override;

    TNotePanel* pgcEditor;
    QPlainTextEdit* memText;
    QComboBox* cmbFontName;
    QComboBox* cmbFontSize;
    QToolButton* btnFontColor;
    QComboBox* cmbCharSpace;
    QComboBox* cmbLineSpace;
    QToolButton* btnLeftAlign;
    QToolButton* btnCentering;
    QToolButton* btnRightAlign;
    QToolButton* btnEquality;
    QToolButton* btnBold;
    QToolButton* btnItalic;
    QToolButton* btnUnderline;
    QToolButton* btnStrikeOut;
    QCheckBox* cbVertical;
    QCheckBox* cbAutoSize;
    QPushButton* btnExifInfoFile;
    QPushButton* btnExifInfoFilePhoto;
    QCheckBox* cbShadow;
    QComboBox* cmbShadow;
    QToolButton* btnShadowColor;
    QCheckBox* cbOutline;
    QDoubleSpinBox* spnOutline;
    QToolButton* btnOutlineColor;
    QPushButton* btnPastText;

    TLOText* DefaultText() const { return default_.get(); }
    int Operation() const { return operation_; }
    int SelectionKind() const { return selectionKind_; }
    // The colour a colour button holds, and its popup (shown while the button is down).
    static TColor ButtonColor(const QToolButton* button);
    TfrmColorGrid* ColorPopup() const { return popup_; }

    // The memo's text as the lines a text object holds: a trailing line break starts no line.
    QStringList MemoLines() const;
    // The keys go to the memo (its page shown), its text selected when selectText so that what is
    // typed replaces it. False when the memo takes no keys (the selection is not one text).
    bool EnterMemo(bool selectText);

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject* object) override;
    void ApplyToObject(TDrawObject* object) override;
    void ApplyToDefault() override;
    void ShowDefault() override;
    void InitNewObject(TDrawObject* object) override;
    void LoadDefaults() override;
    void SaveDefaults() override;
    void IdleUpdate(TDrawSite* site) override;

    // The memo text of an Exif block: the source line, then one line for each tag of the import
    // table that the block holds. Empty when the first directory has no date.
    static QString ExifText(const TExifReader& reader, const QString& sourceLine);

private:
    void Request(TOperation operation);
    // Writes the panel's settings into a text: all of them, or only the pending operation's.
    void Apply(TLOText* text, bool all, bool withText);
    void ShowText(TLOText* text);
    void UpdateEffectGroups();
    void SetButtonColor(QToolButton* button, TColor color);
    void DropColors(QToolButton* button);
    bool ListDropped() const;
    int ShadowCode() const;
    int AlignIndex() const;
    void ImportExifFromFile();
    void ImportExifFromPhoto();

    TSelectionKind selectionKind_ = skNone;
    // One album photo with a picture is selected: a copy of its picture for the Exif import.
    std::unique_ptr<TPictureEx> photo_;
    QString photoKey_;
    TRect lastBounds_;
    TOperation operation_ = opNone;
    std::unique_ptr<TLOText> default_;
    TfrmColorGrid* popup_;
    QToolButton* popupButton_ = nullptr;
    std::unique_ptr<THistoryManager> history_;
    QString lastFontName_;
    QString lastFontSize_;
    QStringList memoLines_;
};
