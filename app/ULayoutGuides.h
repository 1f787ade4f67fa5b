#pragma once
// The layout editor's guides and what it draws over the page. Set up with the editor's draw site and
// its two rulers, it paints the face outline, the grid, the guides, the page frame and the margin
// outline after the objects; keeps a red marker on each ruler at the mouse; makes a guide from a
// press on a ruler and drags it (a press on a guide drags that one; Shift keeps 0.1 mm; dropped off
// the page it goes); and keeps the grid button and the snap commands checked as the document has them.

#include "platform/ShiftState.h"
#include "platform/Rect.h"

#include <QObject>
#include <memory>

class QAction;
class QLabel;
class QToolButton;
class QWidget;
class TDrawSite;
class TFaceInfo;
class TLabelData;
class TRuler;

class TLayoutGuides : public QObject {
public:
    // The commands and the grid button belong to owner (its shortcuts and font); the site's paint,
    // press and move callbacks and the rulers' mouse become the guides'. The site's release is left
    // to the owner, which ends a drag there (EndGuideDrag).
    TLayoutGuides(QWidget* owner, TDrawSite* site, TRuler* top, TRuler* left);
    ~TLayoutGuides() override;
    TLayoutGuides(const TLayoutGuides&) = delete;
    TLayoutGuides& operator=(const TLayoutGuides&) = delete;

    // The document whose grid and guides are shown and changed, and the face whose outlines are drawn
    // (both kept by the caller; none: nothing drawn, no guide made).
    void SetDocument(TLabelData* document, const TFaceInfo* face);

    // The grid button and the snap checks as the document's grid and guides have them.
    void SyncControls();
    // The guide bar toggled: on without guides makes the two centre guides.
    void ToggleGuideBar();

    // The guide point for a mouse position on the site, keeping the dragged guide's orientation.
    TPoint GuidePointFromMouse(TShiftState shift, int x, int y) const;
    void BeginGuideDrag(int index);
    void UpdateGuideDrag(TShiftState shift, int x, int y);
    // Stores the dragged guide (gone when off the page).
    void EndGuideDrag();
    // The drag ends without storing (the window lost the activation); a new guide goes.
    void CancelGuideDrag();
    // The dragged guide, or -1.
    int GuideIndex() const { return guideIndex_; }
    QLabel* GuideHint() const { return guideHint_.get(); }
    // The ruler markers follow the mouse (site pixels), held to the page.
    void TrackRulerMarkers(int x, int y);

    QAction* actSnapToGrid = nullptr;
    QAction* actGuideBar = nullptr;
    QToolButton* btnGrid = nullptr;
    QWidget* shpTop = nullptr;
    QWidget* shpLeft = nullptr;

protected:
    // The rulers' mouse: a press makes a guide, the moves and release drag and drop it.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Paint();
    void SiteMouseDown(int x, int y);
    void SiteMouseMove(TShiftState shift, int x, int y);
    void StartNewGuide(bool vertical);
    void FreeGuideDrag();

    QWidget* owner_;
    TDrawSite* site_;
    TRuler* rulerTop_;
    TRuler* rulerLeft_;
    TLabelData* document_ = nullptr;
    const TFaceInfo* face_ = nullptr;
    int guideIndex_ = -1;
    bool guideVertical_ = false;
    // The dragged guide came from a ruler with this drag.
    bool newGuide_ = false;
    TPoint guidePoint_;
    std::unique_ptr<QLabel> guideHint_;
    QWidget* guideLine_ = nullptr;
};
