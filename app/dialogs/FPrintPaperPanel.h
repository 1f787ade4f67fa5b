#pragma once
// The print mode's panel: one preview per printable sheet of the document in reading order (front
// cover, the pages, back cover), each captioned with the sheet and the side of the paper it is
// printed on, and the "印刷..." button that opens the print dialog. Previews are rendered once and
// kept for the life of the panel; once the document is about to be replaced the panel reads nothing
// more of it and answers the placeholder for what it has not rendered.

#include "app/UAppHost.h"
#include "papers/ULabelData.h"
#include "platform/Color.h"

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QLabel;
class QPushButton;
class QToolButton;
class TComponent;
class TCustomImagePack;
class TFormPanel;
class TGlobalNotify;
class TfrmPrintPreviewBrowser;
class TPictureEx;

// ---- The sheets in reading order

// Previews of a document: its sheets less the cover slots it does not use.
int PrintPreviewCount(int sheetCount, bool frontCover, bool backCover);
// The sheet shown at a reading-order position.
int PreviewIndexToSheet(int index, int count, bool frontCover, bool backCover);
// The sheet is printed on the back side of the paper.
bool IsBackSideSheet(TFaceSides sides, bool landscape, int sheet);
// "表表紙(表面)", "1ページ(裏面)"... in reading order.
QStringList BuildPrintCaptions(int sheetCount, bool frontCover, bool backCover, TFaceSides sides,
                               bool landscape);

// ---- The browser's tiles

constexpr int kPreviewTileSize = 380;
// A blank page stands for a sheet without a preview: face 0 fitted into this square.
constexpr int kBlankPreviewSize = 360;
constexpr TColor kFrontTileColor = RGB(0xE1, 0xEB, 0xD5);
constexpr TColor kBackTileColor = RGB(0xE6, 0xD3, 0xC6);
constexpr TColor kPrintBrowserColor = RGB(0xF7, 0xF2, 0xDD);

// The stepped drop shadow under a preview of that rectangle (tile pixels), darkening from base.
void DrawSteppedShadow(QImage& tile, const QRect& preview, TColor base);
// A 380 x 380 tile in the side's colour with the preview centred on its shadow.
QImage MakePreviewTile(const QImage& preview, bool backSide);
// A white page of the face's proportions within 360 x 360 (empty for a face without area).
QImage BlankPreview(int faceWidth, int faceHeight);

// The preview sizes: cell size in pixels and caption font size.
struct TPreviewSize {
    int Cell;
    int FontSize;
};
constexpr TPreviewSize kPreviewSizes[] = {{120, 7}, {180, 9}, {240, 16}, {380, 20}};
constexpr int kDefaultPreviewSize = 1;

class TfrmPrintPaperPanel : public QWidget {
    Q_OBJECT

public:
    // host prints and sets the printer up for the panel's buttons.
    explicit TfrmPrintPaperPanel(TLabelData* document, QWidget* parent = nullptr, IAppHost* host = nullptr);
    ~TfrmPrintPaperPanel() override;

    QPushButton* btnStart;
    QPushButton* btnSetup;
    QButtonGroup* grpPreviewSize;
    QToolButton* btnPreviewSizeS;
    QToolButton* btnPreviewSizeM;
    QToolButton* btnPreviewSizeL;
    QToolButton* btnPreviewSizeXL;
    QLabel* imgPrinter;
    TFormPanel* FormPanel1;
    QAction* actPrintStart;
    // Feeds the browser the decorated previews.
    TCustomImagePack* CustomImagePack1;
    TGlobalNotify* GlobalNotify2;
    TfrmPrintPreviewBrowser* Browser() const { return browser_; }

    // The preview of a reading-order position (the print dialog's source).
    QImage GetPreview(int index);
    // The decorated tile of a position, as the browser gets it.
    void GetTile(TPictureEx& picture, int index);
    int PreviewCount() const { return count_; }
    const QStringList& Captions() const { return captions_; }
    // The document is about to be replaced: nothing more is read of it.
    void MarkDocumentGone();
    bool DocumentGone() const { return documentGone_; }
    // Renders the previews (under a progress window when there is work) and captions them; runs by
    // itself at the first idle moment while the panel is shown.
    void Prepare();
    void SetPreviewSize(int sizeIndex);
    // Opens the print dialog over the document; its current sheet is kept.
    void PrintStart();

private:
    QImage RenderPreview(int index);

    IAppHost* host_;
    TLabelData* document_;
    std::unique_ptr<TComponent> components_;
    TfrmPrintPreviewBrowser* browser_ = nullptr;
    // Index: reading-order position; a null image is not rendered yet.
    std::vector<QImage> cache_;
    QStringList captions_;
    int count_ = 0;
    // What the tiles and captions need of the document, taken when the previews are prepared.
    bool frontCover_ = false;
    bool backCover_ = false;
    TFaceSides sides_ = fsFront;
    bool landscape_ = false;
    bool documentGone_ = false;
    bool prepared_ = false;
};
