#pragma once
// The background pictures ("用紙柄") of one sub-genre of the background catalogue, captioned with their
// image IDs when the ID list knows them; a picture can be found by its four-character ID. The
// background property panel embeds it and asks whether the sub-genre shown is tiled.

#include "app/dialogs/UMaterialBrowser.h"

#include <QString>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class TBackGroundList;
class TImageIDList;
class TWarningPanel;

class TfrmBackFileBrowser : public TMaterialBrowserBase {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5008;
    static constexpr int kImageIDLength = TImageIDControls::kLength;

    explicit TfrmBackFileBrowser(QWidget* parent = nullptr);
    ~TfrmBackFileBrowser() override;

    QComboBox* cmbGenre;
    QComboBox* cmbSubGenre;
    QButtonGroup* grpSize;
    QWidget* pnlImageID;
    QLineEdit* edtImageID;
    QPushButton* btnImageID;
    TWarningPanel* pnlWarning;
    TFolderImagePack* FolderImagePack1;

    const TBackGroundList* Catalog() const { return catalog_.get(); }
    using TMaterialBrowserBase::GetSelectedFileName;
    // The sub-genre shown is tiled; TileShift beside it.
    bool IsTile() const { return tile_; }
    bool IsTileShift() const { return tileShift_; }
    // Shows the genre and sub-genre whose folder holds the file and selects it; nothing when no genre
    // holds it or the catalogue is missing.
    void SelectFile(const QString& fileName);
    // The "検索" button: selects the picture of the typed ID, or says it is unknown.
    void SearchImageID();

    // The genre and sub-genre chosen last, for the run (tests reset them).
    static int& RememberedGenre();
    static int& RememberedSubGenre();

protected:
    void FirstPaint() override;

private:
    void FillSubGenres();
    void ShowSubGenre();

    std::unique_ptr<TBackGroundList> catalog_;
    std::unique_ptr<TImageIDList> idList_;
    bool muted_ = false;
    bool tile_ = false;
    bool tileShift_ = false;
};
