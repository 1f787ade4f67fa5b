#include "app/dialogs/FPrintPreviewBrowser.h"

#include "app/dialogs/UThumbGrid.h"

#include <QVBoxLayout>

TfrmPrintPreviewBrowser::TfrmPrintPreviewBrowser(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmPrintPreviewBrowser"));
    ListView1 = new TThumbGrid(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setFrameShape(QFrame::NoFrame);
    ListView1->SetUseLoader(false);
    ListView1->SetSelectionFrame(false);
    ListView1->SetFrameFromPixel(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListView1);
}

void TfrmPrintPreviewBrowser::SetImagePack(TImagePack* pack) {
    ListView1->SetImagePack(pack);
}

int TfrmPrintPreviewBrowser::ThumbSize() const {
    return ListView1->ThumbSize();
}

void TfrmPrintPreviewBrowser::SetThumbSize(int size) {
    ListView1->SetThumbSize(size);
}

void TfrmPrintPreviewBrowser::SetBackColor(TColor color) {
    if (ListView1->BackColor() != color)
        ListView1->SetBackColor(color);
}

void TfrmPrintPreviewBrowser::SetItemCaptions(const QStringList& captions) {
    ListView1->SetItemCaptions(captions);
}

void TfrmPrintPreviewBrowser::SetListFontSize(int points) {
    QFont font = ListView1->font();
    if (font.pointSize() == points)
        return;
    font.setPointSize(points);
    // The grid measures its captions and rows again on a font change.
    ListView1->setFont(font);
}
