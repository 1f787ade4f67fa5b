#pragma once
// The photo frames of the frame catalogue, genre by genre, as thumbnails; the frame selection window
// embeds it. Each entry names a thumbnail, the frame picture and a third picture: the shadow of an
// ordinary frame, the frame itself in genres flagged as alpha frames.

#include "app/dialogs/FShadeFileBrowser.h"

class TfrmFrameBrowser : public TfrmShadeBrowserBase {
    Q_OBJECT

public:
    explicit TfrmFrameBrowser(QWidget* parent = nullptr);
    ~TfrmFrameBrowser() override;

    // The current genre's AlphaFrame flag (false without a catalogue).
    bool IsAlphaFrame() const;
    // The selected entry's third name when cbShade is checked, else its picture (the thumbnail when
    // that is empty), in the listed folder; empty when none.
    QString GetFrameFile() const;
    // The selected entry's third name (the thumbnail when empty), in the listed folder.
    QString GetShadowFile() const;

    // Shared for the run (tests reset them).
    static int& RememberedGenre();
    static bool& RememberedShade();

protected:
    int& CurrentGenre() override { return RememberedGenre(); }
    void GenreShown() override;
    void Clicked() override;
    void ShadeClicked() override;
    void showEvent(QShowEvent* event) override;
};
