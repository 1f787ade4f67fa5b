#pragma once
// The illustration collection of the content, genre by genre as the catalogue lists it, as
// thumbnails; the illustration property panel embeds it.

#include "app/dialogs/UMaterialBrowser.h"

#include <QString>

class QComboBox;
class TWarningPanel;

class TfrmIllustFileBrowser : public TMaterialBrowserBase {
    Q_OBJECT

public:
    explicit TfrmIllustFileBrowser(QWidget* parent = nullptr);
    ~TfrmIllustFileBrowser() override;

    // Items show the genre's name; each item's data is "name,folder".
    QComboBox* cmbGenre;
    QButtonGroup* grpSize;
    TWarningPanel* pnlWarning;
    TFolderImagePack* FolderImagePack1;

    using TMaterialBrowserBase::GetSelectedFileName;

    // The genre chosen last, for the run (tests reset it).
    static int& RememberedGenre();

private:
    void LoadGenres();
    void ShowGenre();

    bool loading_ = false;
};
