#pragma once
// The borderless thumbnail list the print mode embeds for its sheet previews: the shared thumbnail
// grid made at once from its host's pack (no loader), no selection frame, each cell framed in the
// colour of its picture's top-left pixel.

#include "platform/Color.h"

#include <QStringList>
#include <QWidget>

class TImagePack;
class TThumbGrid;

class TfrmPrintPreviewBrowser : public QWidget {
    Q_OBJECT

public:
    explicit TfrmPrintPreviewBrowser(QWidget* parent = nullptr);

    TThumbGrid* ListView1;

    void SetImagePack(TImagePack* pack);
    int ThumbSize() const;
    // Also sizes the cell cache to ten MiB of cells.
    void SetThumbSize(int size);
    void SetBackColor(TColor color);
    // One item per caption, the item's image its position.
    void SetItemCaptions(const QStringList& captions);
    // The captions' font size in points; the items are arranged again.
    void SetListFontSize(int points);
};
