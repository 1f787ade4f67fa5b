#pragma once
// The side panel of the layout editor for photos in frames: the user picks photo files and puts them
// into the frames of the page, chooses frames, shadows, turn, placement and the printed date, starts
// the colour adjuster, and reaches the album functions. Like every property panel it never writes
// the page itself: a control sets the operation and asks the editor to apply it.
//
// Windows of their own (frame selection, colour adjuster) run from their button before the apply is
// requested; the apply only writes their result, so no undo group spans a nested event loop and a
// cancelled window records nothing.

#include "app/UEditModePanelBase.h"
#include "platform/Color.h"

#include <QStringList>
#include <QWidget>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TColGrid;
class TImageData;
class TImagePanel;
class TLOAlbumPhoto;
class TNotePanel;
class TPanelPicture;
class TPicture;
class TPictureEx;
class TfrmPhotoFileBrowser;

class TfrmAMPhoto : public TEditModePanelBase {
    Q_OBJECT

public:
    enum TPage { pgPhoto, pgTwain, pgFrame, pgSetup, pgFunction };
    // What a control asks the editor to apply (codes 1 and 4 are unused).
    enum TOperation {
        opNone = -1,
        opSetPhoto = 0,
        opFrame = 2,
        opPhotoAngle = 3,
        opFrameFit = 5,
        opColorAdjust = 6,
        opAutoAdjust = 7,
        opClearPhoto = 8,
        opPlacePicture = 9,
        opShadow = 10,
        opFitOuter = 11,
        opDate = 12,
        opMovable = 13,
    };
    static constexpr int kMaxShadowSize = 50;
    static constexpr TColor kTabSelectedColor = 0xE6E6E6;
    static constexpr TColor kTabUnSelectedColor = 0xB4B4B4;
    // Ordinary frames see through this colour in the preview.
    static constexpr TColor kFramePreviewTransparent = 0x607090;

    explicit TfrmAMPhoto(QWidget* owner = nullptr);
    ~TfrmAMPhoto() override;

    // The date patterns a photo stores, in list order.
    static const QStringList& DateFormats();
    // The rotation list's PhotoAngle by index, and the index that shows an angle.
    static int PhotoAngleOfIndex(int index);
    static int IndexOfPhotoAngle(int angle);
    // The settings new photos take; one for the whole program.
    static TLOAlbumPhoto* DefaultPhoto();

    TNotePanel* notePanel1;
    QWidget* pnlPhoto;
    QWidget* pnlTwain;
    QWidget* pnlFrame;
    QWidget* pnlSetup;
    QWidget* pnlFunction;
    TImagePanel* ipTwain;
    QPushButton* btnTwain;
    QPushButton* btnFrame;
    TImagePanel* imgPnlFrame;
    QRadioButton* rbFitFrame;
    QRadioButton* rbFitPhoto;
    QCheckBox* cbShadow;
    QCheckBox* cbShadowShade;
    QLabel* lblShadowSize;
    QLineEdit* edShadowSize;
    QSpinBox* udShadowSize;
    QLabel* lblShadowColor;
    TColGrid* cgShadowColor;
    QPushButton* btnColorAdjust;
    QPushButton* btnAutoAdjust;
    QComboBox* cmbPhotoRatate;
    QCheckBox* cbMovable;
    QCheckBox* cbDispDate;
    QLabel* lblDateStyle;
    QComboBox* cmbDateStyle;
    QRadioButton* rbFitInner;
    QRadioButton* rbFitOuter;
    QPushButton* btnPhotoInsert;
    QPushButton* btnPhotoDelete;
    QPushButton* btnAdjustAll;
    QPushButton* btnCoverPhoto;
    QPushButton* btnSetPhoto;
    QPushButton* btnSetPhotoMulti;
    QPushButton* btnPasteImage;
    QPushButton* btnPhotoClear;

    TfrmPhotoFileBrowser* PhotoBrowser() const { return browser_; }
    // Shows page with nothing picked in the photo browser.
    void SetPage(int page) override;
    int Operation() const { return operation_; }

    // The editor's album actions the buttons run: multi-paste, adjust-all, insert-frame,
    // delete-frame, cover-photo (any may be null).
    void SetEditorActions(QAction* setMulti, QAction* adjustAll, QAction* insertFrame, QAction* deleteFrame,
                          QAction* coverPhoto);

    // ---- for the album functions
    // How many files are selected in the photo browser.
    int SelectedPhotoCount() const;
    // Loads the index-th selected file (in list order) into photo: its picture, the file as its
    // source and the file's date. A file that cannot be read leaves photo as it was, and is named
    // to the user when loud. True when photo has a picture afterwards.
    bool LoadSelectedPhoto(TLOAlbumPhoto* photo, int index, bool loud = true);
    // Puts picture into the first selected photo the editor reaches (later ones keep theirs).
    void PlacePicture(const TPicture* picture);
    // The page's source of photos: the browser's selection on the photo page, else the scanned
    // image.
    bool HasPhotoSource() const;
    // Puts the source's photo into photo; true when it has a picture afterwards.
    bool SetPhotoFromSource(TLOAlbumPhoto* photo);

    // ---- the editor's contract
    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject* object) override;
    void ApplyToObject(TDrawObject* object) override;
    void ApplyToDefault() override;
    void ShowDefault() override;
    void InitNewObject(TDrawObject* object) override;
    void IdleUpdate(TDrawSite* site) override;

private:
    void BuildPages();
    void BuildFramePage();
    void BuildSetupPage();
    void BuildFunctionPage();
    void Request(TOperation operation);
    void ApplyOperation(TLOAlbumPhoto* photo, bool replace);
    void ApplyFrame(TLOAlbumPhoto* photo) const;
    // The one selected photo on the site the idle update saw; null unless exactly that.
    TLOAlbumPhoto* SinglePhoto() const;
    void FrameSelect();
    void ColorAdjust();
    void AutoAdjust();
    void RenderFramePreview(TLOAlbumPhoto* photo);
    void UpdateShadowEnabled();
    void UpdateFrameEnabled(TLOAlbumPhoto* first);
    void FillDateStyles();
    // The file-picture of the source, read once before the apply; nullptr after telling the user.
    const TPictureEx* SourcePicture(bool loud);

    int operation_ = opNone;
    bool singlePhoto_ = false;
    bool photosOnly_ = false;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    QString lastFrameID_;
    TDrawSite* site_ = nullptr;
    TfrmPhotoFileBrowser* browser_;
    std::unique_ptr<TPanelPicture> picture_;
    // The frame window's answer, waiting for the apply.
    struct TFrameChoice;
    std::unique_ptr<TFrameChoice> frameChoice_;
    // The colour adjuster's answer, waiting for the apply.
    std::unique_ptr<TImageData> adjusted_;
    // The automatic adjustment window's number, waiting for the apply (-1: none).
    int autoAdjustNo_ = -1;
    // The cover picture, waiting for the first photo reached.
    std::unique_ptr<TPictureEx> held_;
    QAction* actPhotoSetMulti_ = nullptr;
    QAction* actPhotoAdjustAll_ = nullptr;
    QAction* actPhotoInsert_ = nullptr;
    QAction* actPhotoDelete_ = nullptr;
    QAction* actCoverPhoto_ = nullptr;
};

// Puts a picture read from fileName into photo, as a photo chosen from the photo browser goes in:
// the picture, the file as its source and the file's date. True when photo has a picture afterwards.
bool PutPhotoFile(TLOAlbumPhoto* photo, const TPictureEx* picture, const QString& fileName);
