#pragma once
// The sheet window: the mode form that shows a whole label sheet of the document, every face drawn
// with its contents and one tab per sheet. Face contents are copied, moved and deleted by drag and
// drop or through the clipboard (in the sheet-label format, which running copies of the program
// exchange); sheets are added, deleted, copied, reordered and renamed.

#include "app/UAppHost.h"
#include "app/USheetLabel.h"
#include "papers/ULOFace.h"

#include <QByteArray>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QTabBar;
class QToolBar;
class QToolButton;
class TComponent;
class TDrawSite;
class TEditFormBars;
class TExScrollBox;
class TLabelData;
class TOwnedDOList;

// A face of the sheet window: marks itself as a drop target and shows its selection by its outline.
class TLOFaceForSheet : public TLOFace {
    QUORLANE_CLASS(TLOFaceForSheet, TLOFace)

public:
    static constexpr int kNoHighlight = 0;
    static constexpr int kCopyHighlight = 1;
    static constexpr int kMoveHighlight = 2;

    explicit TLOFaceForSheet(TComponent* owner);

    int Highlight() const { return highlight_; }
    void SetHighlight(int value);

protected:
    void Paint() override;

private:
    int highlight_ = kNoHighlight;
};

class TfrmSheet : public QWidget {
    Q_OBJECT

public:
    // host gives the menus, commands and status bar (none without one); the form sits in parent,
    // else in the host's window.
    explicit TfrmSheet(IAppHost* host = nullptr, QWidget* parent = nullptr);
    ~TfrmSheet() override;

    // Takes the document and rebuilds the view (tabs, faces and their contents).
    void AttachDocument(TLabelData* document);
    TLabelData* Document() const { return document_; }

    // The face (index) under a point of the site in device pixels; -1 for none.
    int FaceAt(const QPoint& device) const;
    TLOFaceForSheet* Face(int index) const;
    int HoverFace() const { return hoverFace_; }
    int DragSource() const { return dragSource_; }

    // The paste question for a source of that size onto face target: true to go ahead.
    bool ConfirmFacePaste(const std::optional<TSheetLabelSize>& source, int target);
    // Face source's contents onto face target after the question; a move clears the source once the
    // target holds them. False when nothing was done.
    bool DropFace(int source, int target, bool move);
    // The current face onto the clipboard; true once the clipboard holds it.
    bool CopyFace();
    void CutFace();
    void ClearFace();
    void PasteFace();

    // Sheets.
    void AddSheet();
    void DeleteSheet();
    void CopySheet();
    void MoveSheet();
    void RenameSheet();
    // The tabs show the sheet names in order, the current one selected.
    void SyncTabs();

    // Zoom: a step's scale, or fitting the page to the view.
    void SetZoom(int scale);
    void SetAutoScale();
    bool AutoScale() const { return autoScale_; }
    void Relayout();
    // The enabled state of the commands for the current face, sheet count and clipboard.
    void UpdateActions();

    QToolBar* tbCommand = nullptr;
    QToolButton* btnLayout = nullptr;
    QTabBar* TabSheet = nullptr;
    TExScrollBox* ScrollBox1 = nullptr;
    TDrawSite* DrawSite1 = nullptr;
    QMenu* popupEdit = nullptr;
    QMenu* popupSheet = nullptr;
    QMenu* popupView = nullptr;
    QMenu* popupFace = nullptr;

    QAction* actCut = nullptr;
    QAction* actCopy = nullptr;
    QAction* actPaste = nullptr;
    QAction* actClear = nullptr;
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actAddSheet = nullptr;
    QAction* actDelSheet = nullptr;
    QAction* actCopySheet = nullptr;
    QAction* actMoveSheet = nullptr;
    QAction* actSheetName = nullptr;
    std::vector<QAction*> zoomActions;
    QAction* actAutoScale = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    IAppHost* host_;
    // The zoom is left for the next sheet window once, when this one closes (or goes unclosed).
    bool zoomKept_ = false;
    void KeepZoomForNext();
    // The menu and step bars and the status panels (none without a host).
    std::unique_ptr<TEditFormBars> bars_;
    void MakeActions();
    void MakeMenus();
    void MakeCommandButtons();
    void Rebuild();
    void PlaceFaceContents(int face);
    bool CurrentFaceHoldsData();
    // An unused cover slot has no paper, so its face has no area: nothing there can take a paste.
    bool CurrentFaceHasArea() const;
    // The current sheet is a cover slot the album does not use.
    bool OnUnusedCover() const;
    bool CanDeletePage() const;
    void SetHover(int face, bool move);
    void ClearHover();
    void SiteMouseDown(int x, int y);
    void SiteMouseMove(bool shift, int x, int y);
    void SiteMouseUp(bool shift, int x, int y);
    void SiteKey(int key, bool shift);
    void FacePopup(const QPoint& device, const QPoint& global);
    void FaceDoubleClicked(int face);
    // Writes the objects as face index (topmost first) and clears nothing else.
    void StoreFace(int index, TOwnedDOList& topmostFirst);

    std::unique_ptr<TComponent> components_;
    TLabelData* document_ = nullptr;
    int hoverFace_ = -1;
    int dragSource_ = -1;
    bool autoScale_ = true;
    bool syncingTabs_ = false;
};

// The next sheet window opens with the automatic zoom, as the first of a run does.
void ForgetSheetZoom();
