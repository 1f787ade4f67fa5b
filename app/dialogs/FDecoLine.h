#pragma once
// The decorated line window: the motif repeated along the line, chosen from the illustrations of
// the content (their $F0F0F0 shows what lies below, as the line's own see-through colour does), and
// the line's width.

#include "app/dialogs/UToolWindow.h"

#include <memory>

class TLODecoLine;
class TPanelPicture;
class TfrmIllustFileBrowser;

class TfrmDecoLine : public TToolWindow {
    Q_OBJECT

public:
    // A new line runs 100 mm across; its band is 5 mm wide.
    static constexpr int kDefaultLength = 1000;
    static constexpr int kDefaultWidth = 50;

    explicit TfrmDecoLine(QWidget* parent = nullptr);
    ~TfrmDecoLine() override;

    TfrmIllustFileBrowser* Motifs() const { return motifs_; }
    TExSpinEdit* esLineWidth;

    void LoadFrom(const TLODecoLine& line);
    // The chosen motif (when one was chosen) and the width into line; a line without length gets
    // the default one.
    void SaveTo(TLODecoLine& line) const;

private:
    // A motif: the one chosen (read before closing) or the line's own.
    bool CanAccept();

    TfrmIllustFileBrowser* motifs_;
    std::unique_ptr<TPanelPicture> picture_;
    bool hasMotif_ = false;
};
