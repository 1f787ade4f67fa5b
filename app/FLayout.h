#pragma once
// The layout editor: the mode form in which the user edits one page of the document. It shows face
// CurrentLabelNo of the current sheet on a draw site inside a centring scroll box with millimetre
// rulers, loads each page from the document (paper images, photo frames on a page's first visit, the
// stored objects) and writes it back whenever the page changes, the mode is left or the document is
// saved.

#include "app/UAppHost.h"
#include "app/UAlbumFunc.h"
#include "app/ULayoutRules.h"
#include "papers/ULabelData.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/GraphicControl.h"
#include "platform/ShiftState.h"

#include <QPointer>
#include <QRegion>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QHBoxLayout;
class TfrmAMPhoto;
class QLabel;
class QMenu;
class TComponent;
class TCustomAction;
class TDSAQueryClear;
class TDrawSiteActionBase;
class TGrid;
class TLayoutGuides;
class TEditFormBars;
class TDOChangeAction;
class TDrawObject;
class TDrawSite;
class TExScrollBox;
class TLOAlbumPhoto;
class TLOText;
class TRuler;

// The zoom the next editor opens with (0: automatic); kept for the run when an editor goes.
extern int LastLayoutScale;

class QMenu;
class QToolBar;
class QToolButton;
class TframeEditModeBar;
class TFormPanel;
class TframePages;
class TGlobalNotify;

class TfrmLayout : public QWidget {
    Q_OBJECT

public:
    // host gives the menus, commands and status bar (none without one); the form sits in parent,
    // else in the host's window.
    explicit TfrmLayout(IAppHost* host = nullptr, QWidget* parent = nullptr);
    ~TfrmLayout() override;

    // ---- the main window's interface
    void AttachDocument(TLabelData* document);
    // Writes the site's objects into the current face when the site was modified.
    void StorePage();
    bool IsModified() const;
    std::optional<bool> HasPageContent() const;
    void SetModified(bool value);

    void ReloadPage();
    // CommitPage then LoadPage onto sheet index (only the strip is refreshed for the current one).
    void GoToPage(int index);
    void LoadPage();
    // A page whose frames were just created is written even when the user changed nothing.
    void CommitPage();
    void CreatePhotoFrames();
    // The photo frames (emptied) and backgrounds of sheet fromSheet onto the page just inserted,
    // the frames mirrored when the two pages lie on different sides of the paper.
    void CopyPageFrames(int fromSheet);
    void UpdateLogicalSize();
    void UpdatePageLabel();
    // Every page may be chosen from the page strip.
    bool CanSelectPage(int sheet) const;
    // The main window's status bar gets the editor's six panels (nothing without one).
    void SetupStatusBar();
    // The mouse (unless kept), the first selected object's place, size, lock and print state, the
    // scale and the page label.
    void UpdateStatusText(bool keepMouseText);
    // The enabled and checked states of the editor's commands for the selection and page.
    void UpdateActions();
    // The move-mode commands' checks and the toggle's caption.
    void UpdateMoveModes();

    // ---- pages
    // A new page after the current one, carrying its frames; in a two-sided album every later
    // page changes side and is mirrored.
    void AddPage();
    // Deletes the current page (after the question when it holds more than empty frames), or
    // takes the cover away after asking.
    void DeletePage();
    bool ConfirmPageDelete();

    // ---- album commands over several pages (the page menu, the photo panel's buttons)
    // The callbacks through which the album functions store, load and add this editor's pages.
    TAlbumFuncContext MakeAlbumContext();
    // Each commits the page, runs under a waiting popup with its progress, and comes back to the
    // page it started from.
    void PhotoInsert();
    void PhotoDelete();
    void PhotoSetMulti();
    // The cover-template window; an applied cover is shown, a removed one leaves a page.
    void ApplyCover(bool front);
    // The collage window for the one selected photo of a cover page; OK puts the collage into it.
    void CoverPhoto();
    // Every photo of the document through the automatic adjustment window.
    void PhotoAdjustAll();
    void UpdateAlbumActions();
    bool IsAlbumDocument() const;
    QAction* actPhotoInsert = nullptr;
    QAction* actPhotoDelete = nullptr;
    QAction* actPhotoSetMulti = nullptr;
    QAction* actPhotoAdjustAll = nullptr;
    QAction* actCoverFront = nullptr;
    QAction* actCoverBack = nullptr;
    QAction* actCoverPhoto = nullptr;
    QToolButton* btnFrontCover = nullptr;
    QToolButton* btnBackCover = nullptr;

    // ---- zoom
    bool AutoScale() const { return autoScale_; }
    // A step's scale (auto scale goes off).
    void SetZoom(int scale);
    void SetAutoScale();
    void Magnify();
    void Reduce();
    int Scale() const;
    // Re-lays the site in the scroll box: an automatic scale fits the page to the view.
    void Relayout();

    // ---- objects
    // Hands the kind name to the designer list, which lets the user place the new object.
    bool RunTool(const QString& kindName);
    // A picture file as a new photo (JPEG) or illustration, fitted to the page and selected.
    // False when the file gave no picture.
    bool InsertPicture(const QString& fileName);
    // The picture file dialog; the chosen file is placed as a dropped one. False when cancelled or
    // nothing was placed.
    bool InsertPictureFromDialog();
    // The illustration panel on its illustration page, from which the user places one.
    void ShowIllustrations();
    // A picture file dropped on a photo frame (the point in the site's coordinates) goes into that
    // frame, selected, in one undo step; dropped anywhere else it is a new object.
    TLOAlbumPhoto* DropFrameAt(const QPoint& point) const;
    bool DropPhotoInto(TLOAlbumPhoto* frame, const QString& fileName);
    // Every object a designer creates passes here while the editor is shown.
    void ObjectCreated(TDrawObject* object);
    // An object the user put on the page or moved (dragged, nudged, aligned): a photo frame takes
    // the shape of the face it covers most at once, as it would when the page is next loaded.
    void ObjectPlaced(TDrawObject* object);
    // A new object placed at once on an album page is moved off the page's binding strip.
    void KeepClearOfBindingStrip(TDrawObject* object);
    // Two or more selected objects become one group, in one undo step.
    bool CanGroup() const;
    void GroupSelection();
    // Each selected group gives its members back to the page, selected, in one undo step.
    bool CanUngroup() const;
    void UngroupSelection();
    // One background a page: with one there the background panel's settings go into it, else the
    // factory makes one.
    void BackgroundTool();
    // Each line of a text of several lines becomes a text of its own, centred on the page, selected.
    void SeparateText(TLOText* source);
    // Moves the movable selected objects by one step (1 mm, 0.1 mm when fine) and keeps every
    // selected object on the page. The nudges of one burst (an arrow key held, repeating) are one
    // undo step "移動", recorded when the burst ends.
    void NudgeSelection(int dx, int dy, bool fine);
    // Records the burst's nudges (nothing when none is running).
    void EndNudgeBurst();
    // One object moved by (dx, dy) as one undo step.
    void MoveObjectBy(TDrawObject* object, int dx, int dy);
    // Aligns the selected page objects (two or more) in one undo step "位置揃え".
    void AlignSelection(TOrderMode mode);
    // What the snap hook answers while the editor is shown.
    void SnapPoint(const TPoint& p, TPoint& offset);

    // ---- edit modes and the property panel
    // Shows the panel of a mode (0 photo to 4 background) in the side panel.
    void ShowEditMode(int mode);
    // The mode whose panel edits the object is shown (other objects change nothing).
    void EditObjectProperty(TObject* object);
    // The panel's apply request: its settings into every target of its mode as one undo step.
    void ApplyPanelProperties(QWidget* sender);
    // The panel's insert request: the mode's insert action on the focused site.
    void InsertFromPanel(QWidget* sender);
    // The panel follows the selection.
    void EditPanelIdle();
    void GlobalNotify1Idle();
    QWidget* EditPanel() const;
    static int EditModeOf(const QWidget* panel);
    // Set while the background command applies: plain-colour backgrounds take the panel's settings too.
    bool BackPropertyForced = false;
    TframeEditModeBar* frameEditModeBar1 = nullptr;
    TFormPanel* pnlPropertySheet = nullptr;
    QAction* actModePhoto = nullptr;
    QAction* actModeText = nullptr;
    QAction* actModeIllust = nullptr;
    QAction* actModeFigure = nullptr;
    QAction* actModeBackGround = nullptr;
    TGlobalNotify* GlobalNotify1 = nullptr;

    // ---- paste by format: "形式を指定して貼り付け(&S)", for the edit and object menus
    QMenu* mnuPasteSpecial = nullptr;
    QAction* actPasteText = nullptr;
    QAction* actPasteBitmap = nullptr;
    QAction* actPasteMetafile = nullptr;
    QAction* actPasteOLEObject = nullptr;
    // Enables each by what the clipboard holds (metafiles and embedded objects are never pasted here).
    void UpdatePasteActions();

    TLabelData* Document() const { return document_; }
    const TFaceInfo& FaceInfo() const { return faceInfo_; }

    TDrawSite* DrawSite1 = nullptr;
    TExScrollBox* ScrollBox1 = nullptr;
    TRuler* rulerTop = nullptr;
    TRuler* rulerLeft = nullptr;
    QLabel* lblPage = nullptr;
    TframePages* framePages1 = nullptr;
    // The editor's own tools and commands.
    QToolBar* tbTools = nullptr;
    // Zoom, grid and move mode, beside the page strip: the tool bar alone fills a narrow window.
    QToolBar* tbView = nullptr;
    QToolButton* btnSelect = nullptr;
    // The menus of the tool bar and the objects' menu.
    QMenu* popupEdit = nullptr;
    QMenu* popupPage = nullptr;
    QMenu* popupLocation = nullptr;
    QMenu* popupSetting = nullptr;
    QMenu* popupView = nullptr;
    QMenu* popupObject = nullptr;
    QMenu* popupMoveMode = nullptr;

    // Tools: each hands its kind name to the designer list.
    QAction* actSelectTool = nullptr;
    QAction* actText = nullptr;
    QAction* actDate = nullptr;
    QAction* actLine = nullptr;
    QAction* actArc = nullptr;
    QAction* actRect = nullptr;
    QAction* actCircle = nullptr;
    QAction* actOnePoint = nullptr;
    QAction* actTwain = nullptr;
    QAction* actImageFile = nullptr;
    QAction* actAlbumPhoto = nullptr;
    QAction* actJANCode = nullptr;
    QAction* actDecoLine = nullptr;
    QAction* actDecoString = nullptr;
    QAction* actAlphaMask = nullptr;
    QAction* actBackground = nullptr;
    // The tools by kind: texts, figures and pictures.
    QMenu* popupText = nullptr;
    QMenu* popupFigure = nullptr;
    QMenu* popupImage = nullptr;
    // Draw-site commands on the focused site.
    TDrawSiteActionBase* DSACopy1 = nullptr;
    TDrawSiteActionBase* DSAPaste1 = nullptr;
    TDrawSiteActionBase* DSAQueryCut1 = nullptr;
    TDSAQueryClear* DSAQueryClear1 = nullptr;
    TDrawSiteActionBase* DSABringToFront1 = nullptr;
    TDrawSiteActionBase* DSASendToBack1 = nullptr;
    TDrawSiteActionBase* DSASelectAll1 = nullptr;
    TDrawSiteActionBase* DSAUndo1 = nullptr;
    TDrawSiteActionBase* DSARedo1 = nullptr;
    TDrawSiteActionBase* DSAClear1 = nullptr;
    TDrawSiteActionBase* DSASeparateText = nullptr;
    TDrawSiteActionBase* DSALock1 = nullptr;
    TDrawSiteActionBase* DSAUnlock1 = nullptr;
    TDrawSiteActionBase* DSAPhotoLock = nullptr;
    TDrawSiteActionBase* DSAPhotoUnlock = nullptr;
    TDrawSiteActionBase* DSAEditProperty1 = nullptr;
    TDrawSiteActionBase* DSADontPrint1 = nullptr;
    TDrawSiteActionBase* DSADoPrint1 = nullptr;
    TDrawSiteActionBase* DSAVertText1 = nullptr;
    TDrawSiteActionBase* DSAHorzText1 = nullptr;
    TDrawSiteActionBase* DSARotate90 = nullptr;
    TDrawSiteActionBase* DSARotate180 = nullptr;
    TDrawSiteActionBase* DSARotate270 = nullptr;
    TDrawSiteActionBase* DSAPhotoRotateAuto = nullptr;
    TDrawSiteActionBase* DSAPhotoRotate00 = nullptr;
    TDrawSiteActionBase* DSAPhotoRotate90 = nullptr;
    TDrawSiteActionBase* DSAPhotoRotate180 = nullptr;
    TDrawSiteActionBase* DSAPhotoRotate270 = nullptr;
    QAction* actGroup = nullptr;
    QAction* actTextEntry = nullptr;
    QAction* actUngroup = nullptr;
    // Pages.
    QAction* actPageAdd = nullptr;
    QAction* actPageDelete = nullptr;
    // Move modes read by the move ghosts.
    QAction* actFreeMove = nullptr;
    QAction* actCircumMove = nullptr;
    QAction* actParallelMove = nullptr;
    QAction* actCircumRotate = nullptr;
    QAction* actCircumPhased = nullptr;
    QAction* act60Phase = nullptr;
    QAction* act12Phase = nullptr;
    QAction* act8Phase = nullptr;
    QAction* actToggleMoveMode = nullptr;
    // Zoom.
    std::vector<QAction*> zoomActions;
    QAction* actAutoScale = nullptr;
    QAction* actMagnify = nullptr;
    QAction* actReduce = nullptr;

    // ---- tool windows, overlays and guides
    // The grid window; on OK the document's grid and the grid button follow it.
    void ShowGridWindow();
    // The alignment window, then the selected page objects (two or more) aligned.
    void OrderSelection();
    // The positioning window, then each selected object moved or turned against the page (one undo
    // step "設定変更").
    void AdjustSelectionPosition();
    void AdjustPosition(TAdjustPosMode mode);
    // The position and size window for the one selected object (not a group).
    void EditPositionProperty();
    // Photo frames: the standard size registered, applied, taken from the first, typed or the page.
    void RegistDefPhotoSize();
    void ChangeDefPhotoSize();
    void SamePhotoSize();
    void DetailsPhotoSize();
    void PhotoFullSize();
    // The register item's caption with the size registered now.
    void UpdateRegistCaption();
    // The enabled state of the arranging and photo-size commands for the selection now.
    void UpdateArrangeActions();
    int DefPhotoWidth = 0;
    int DefPhotoHeight = 0;

    // The guides, the ruler markers, the grid button and what is drawn over the page.
    TLayoutGuides* Guides() const { return guides_.get(); }

    QAction* actGrid = nullptr;
    QAction* actOrder = nullptr;
    QAction* actAlign = nullptr;
    QAction* actPosition = nullptr;
    QAction* actSamePhotoSize = nullptr;
    QAction* actChangeDefPhotoSize = nullptr;
    QAction* actRegistDefPhotoSize = nullptr;
    QAction* actDetailsPhotoSize = nullptr;
    QAction* actPhotoFullSize = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    IAppHost* host_;
    // The menu and step bars and the status panels (none without a host).
    std::unique_ptr<TEditFormBars> bars_;
    void MakeMenus();
    void MakeToolBar();
    void MakeMoveModeActions();
    void MarkMoveModeMenu();
    void Idle();
    void PlacePaperImages();
    void SiteAdjusted();
    // Esc and a click beside the page: the placement ends, or else the selection is let go.
    void EscapeSelection();
    void MakeActions();
    void MakeAlbumActions(QHBoxLayout* pagePanel);
    // Runs an album function on this editor's pages under the waiting popup.
    // The hosted photo panel, or nullptr.
    TfrmAMPhoto* PhotoPanel() const;
    // The selected photo frame when exactly one is selected.
    TLOAlbumPhoto* SelectedCoverFrame() const;
    void RunAlbumFunction(const std::function<void(TAlbumFuncContext&)>& run, bool abortable);
    // A tool that hands kindName to the designer list, or runs run instead when given (the panels'
    // paste still places kindName).
    QAction* MakeTool(const char* name, const QString& caption, const QString& kindName,
                      std::function<void()> run = {});
    template <class A>
    A* MakeSiteAction(const char* name, const QString& caption, const QString& shortcut,
                      const QString& undoCaption);
    bool ConfirmFixedPhotoDelete();
    void InstallHooks(bool install);
    QWidget* MakeEditModeSide();
    void MakePasteActions();
    QAction* ModeAction(int mode) const;
    void MakeToolWindowActions();
    // The selected objects of class T (all of them, topmost first).
    template <class T>
    std::vector<T*> SelectedOf() const;
    // Sets each frame to w x h, recorded in one undo step "写真サイズ変更".
    void ResizePhotos(const std::vector<TLOAlbumPhoto*>& photos, int w, int h);
    void ShowTextPanelForClickedText();
    void EnterTextMemo();
    // The selected objects' states before the running nudge burst.
    std::vector<std::unique_ptr<TDOChangeAction>> nudgeBurst_;
    std::unique_ptr<TLayoutGuides> guides_;

    std::unique_ptr<TComponent> components_;
    TLabelData* document_ = nullptr;
    TFaceInfo faceInfo_;
    // The object the last tool made, while the tool runs.
    TDrawObject* created_ = nullptr;
    int lastPageLabelSheet_ = -1;
    int lastPageLabelCount_ = -1;
    // The last mouse position over the site (device pixels).
    QPoint mouse_;
    // Where a drag of files over the main window is, in the site's coordinates, until it ends.
    std::optional<QPoint> dropPoint_;
    QPointer<QWidget> dropWindow_;
    bool autoScale_ = true;
    // The zoom is left for the next editor once, when the editor closes (or goes unclosed).
    bool zoomKept_ = false;
    void KeepZoomForNext();
};
