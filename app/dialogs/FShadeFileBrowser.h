#pragma once
// The figure (shade) materials of the figure catalogue, genre by genre, as thumbnails; the figure
// property panel embeds it. Each catalogue entry names three files: a thumbnail, the picture and a
// blurred-edge variant; the browser shows the thumbnails and hands out the picture or the variant.
// The frame browser is its twin and shares the base.

#include "app/dialogs/UMaterialBrowser.h"
#include "platform/Color.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QToolButton;
class TFileImagePack;
class TFormPanel;
class TImageIDList;
class TShadeInfo;
class TShadeList;
class TWarningPanel;
class TfrmImageBrowser;
struct TShadeItem;
struct TSizeButton;

// A catalogue of genres whose entries name three files, shown one genre at a time.
class TfrmShadeBrowserBase : public TMaterialBrowserBase {
    Q_OBJECT

public:
    ~TfrmShadeBrowserBase() override;

    QWidget* PanelEx1;
    QComboBox* cmbGenre;
    QCheckBox* cbShade;
    QButtonGroup* grpSize;
    TWarningPanel* pnlWarning;
    QAction* actClick;

    // The selected thumbnail's image index, -1 when none.
    int SelectedIndex() const;
    // 0 when the catalogue is missing.
    int GenreCount() const;
    const TShadeList* ShadeList() const { return shadeList_.get(); }
    // The files listed for the genre shown.
    QStringList ListedFiles() const;
    // Its size button pressed too.
    void SetThumbSize(int size) override;

protected:
    TfrmShadeBrowserBase(QWidget* parent, const QString& catalog, const QString& warning,
                         const std::vector<TSizeButton>& sizes, TColor transparentColor);
    // Fills the genres and shows the remembered one; called by the derived constructor.
    void Start();

    // The genre shown, shared by every browser of the kind for the run.
    virtual int& CurrentGenre() = 0;
    // The items' captions once the genre is listed; empty: numbered.
    virtual QStringList Captions() { return {}; }
    // After a genre is shown, after a click in the thumbnails, after a click of cbShade.
    virtual void GenreShown() = 0;
    virtual void Clicked() = 0;
    virtual void ShadeClicked() = 0;

    const TShadeInfo* CurrentInfo() const;
    // The entry of the selected thumbnail, else (firstWhenNone) the genre's first; false when none.
    bool CurrentEntry(TShadeItem& item, bool firstWhenNone) const;
    // name joined to the folder of the listed thumbnail; empty for an empty name.
    QString JoinListed(const QString& name) const;
    // The first non-empty of the names, joined to the listed folder; empty when all are empty.
    QString FirstListed(const QStringList& names) const;
    void ShowGenre();

    std::unique_ptr<TShadeList> shadeList_;
    TFileImagePack* fImagePack;
    bool listed_ = false;

private:
    void FillGenres();
    void GenreChanged(int index);
    bool filling_ = false;
};

class TfrmShadeFileBrowser : public TfrmShadeBrowserBase {
    Q_OBJECT

public:
    explicit TfrmShadeFileBrowser(QWidget* parent = nullptr);
    ~TfrmShadeFileBrowser() override;

    // Executed when cbShade is clicked (set by the host; not owned).
    QAction* ChangeStatusAction = nullptr;
    const TImageIDList* ImageIDList() const { return idList_.get(); }

    // The selected entry's file: the blurred-edge name when cbShade is checked and enabled, else the
    // picture (the thumbnail when that is empty), in the listed folder; empty when none.
    QString GetSelectedFile() const;
    // Shows the genre holding the file and selects its entry.
    void SelectFile(const QString& fileName);
    // For a file of the catalogue, the file of the same entry (blurred edge or picture) in the same
    // folder; the genre's first entry when no entry names the file; empty when no genre holds it.
    QString GetVariantFile(const QString& fileName, bool blurredEdge);
    // The file is the blurred-edge name of its entry.
    bool IsBlurredEdgeFile(const QString& fileName);

    // Shared for the run (tests reset them).
    static int& RememberedGenre();
    static bool& RememberedBlurredEdge();

protected:
    int& CurrentGenre() override { return RememberedGenre(); }
    QStringList Captions() override;
    void GenreShown() override { UpdateShadeEnabled(); }
    void Clicked() override { UpdateShadeEnabled(); }
    void ShadeClicked() override;

private:
    // cbShade is enabled when the selected (or first) entry has a blurred-edge name.
    void UpdateShadeEnabled();
    // The genre holding the file and the index of the entry naming it (-1 when none); false when no
    // genre holds it.
    bool FindEntry(const QString& fileName, int& genre, int& entry);

    std::unique_ptr<TImageIDList> idList_;
};
