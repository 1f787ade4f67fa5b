#pragma once
// The illustration collection of the content, genre by genre as the catalogue lists it, as
// thumbnails; the illustration property panel embeds it.

#include <QString>
#include <QWidget>
#include <memory>

class QAction;
class QButtonGroup;
class QComboBox;
class TFolderImagePack;
class TFormPanel;
class TWarningPanel;
class TfrmImageBrowser;

class TfrmIllustFileBrowser : public QWidget {
    Q_OBJECT

public:
    explicit TfrmIllustFileBrowser(QWidget* parent = nullptr);
    ~TfrmIllustFileBrowser() override;

    // Items show the genre's name; each item's data is "name,folder".
    QComboBox* cmbGenre;
    QButtonGroup* grpSize;
    TFormPanel* FormPanel1;
    TWarningPanel* pnlWarning;
    std::unique_ptr<TFolderImagePack> FolderImagePack1;

    TfrmImageBrowser* Browser() const { return browser_; }
    void SelectIndex(int index);
    bool HasSelection() const;
    QString GetSelectedFileName() const;
    void SetDblClickAction(QAction* action);
    void SetThumbSize(int size);

    // The genre chosen last, for the run (tests reset it).
    static int& RememberedGenre();

private:
    void LoadGenres();
    void ShowGenre();

    TfrmImageBrowser* browser_;
    bool loading_ = false;
};
