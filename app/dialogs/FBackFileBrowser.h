#pragma once
// The background pictures ("用紙柄") of one sub-genre of the background catalogue, captioned with their
// image IDs when the ID list knows them; a picture can be found by its four-character ID. The
// background property panel embeds it and asks whether the sub-genre shown is tiled.

#include <QString>
#include <QWidget>
#include <memory>

class QAction;
class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPushButton;
class TBackGroundList;
class TFolderImagePack;
class TFormPanel;
class TImageIDList;
class TWarningPanel;
class TfrmImageBrowser;

class TfrmBackFileBrowser : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5008;
    static constexpr int kImageIDLength = 4;

    explicit TfrmBackFileBrowser(QWidget* parent = nullptr);
    ~TfrmBackFileBrowser() override;

    QComboBox* cmbGenre;
    QComboBox* cmbSubGenre;
    QButtonGroup* grpSize;
    QWidget* pnlImageID;
    QLineEdit* edtImageID;
    QPushButton* btnImageID;
    TWarningPanel* pnlWarning;
    TFormPanel* FormPanel1;
    std::unique_ptr<TFolderImagePack> FolderImagePack1;

    TfrmImageBrowser* Browser() const { return browser_; }
    const TBackGroundList* Catalog() const { return catalog_.get(); }
    bool HasSelection() const;
    QString GetSelectedFileName() const;
    void SetDblClickAction(QAction* action);
    // The sub-genre shown is tiled; TileShift beside it.
    bool IsTile() const { return tile_; }
    bool IsTileShift() const { return tileShift_; }
    // Shows the genre and sub-genre whose folder holds the file and selects it; nothing when no genre
    // holds it or the catalogue is missing.
    void SelectFile(const QString& fileName);
    // The "検索" button: selects the picture of the typed ID, or says it is unknown.
    void SearchImageID();
    void SetThumbSize(int size);

    // The genre and sub-genre chosen last, for the run (tests reset them).
    static int& RememberedGenre();
    static int& RememberedSubGenre();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void FillSubGenres();
    void ShowSubGenre();

    TfrmImageBrowser* browser_;
    std::unique_ptr<TBackGroundList> catalog_;
    std::unique_ptr<TImageIDList> idList_;
    bool painted_ = false;
    bool muted_ = false;
    bool tile_ = false;
    bool tileShift_ = false;
};
