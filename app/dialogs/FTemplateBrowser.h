#pragma once
// The templates of the content that fit a face, grouped by use ("用途") as the template group file
// lists them; a page can be found by its image ID. The cover dialog embeds it.

#include "app/dialogs/UMaterialBrowser.h"

#include <QString>
#include <QStringList>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class TWarningPanel;

class TfrmTemplateBrowser : public TTemplateBrowserBase {
    Q_OBJECT

public:
    static constexpr int kImageIDLength = TImageIDControls::kLength;

    explicit TfrmTemplateBrowser(QWidget* parent = nullptr);
    ~TfrmTemplateBrowser() override;

    QComboBox* cmbGenre;
    QWidget* pnlImageID;
    QLineEdit* edtImageID;
    QPushButton* btnImageID;
    TWarningPanel* pnlWarning;

    const TTemplateGroup& Group() const { return group_; }
    // The face to fit: loads the genres of its purpose.
    void SetFaceInfo(const TFaceInfo& face);
    // Scans genre index and shows its templates.
    void LoadGenre(int index);
    // "検索": selects the template of the typed ID (in the genre shown, else the first genre holding
    // it); an unknown ID is said so.
    void SearchImageID();
    // Selects the initial template (done on the first painting).
    void SelectInitial();

    // The genre chosen last, for the run (tests reset it).
    static int& RememberedGenre();

protected:
    void FirstPaint() override { SelectInitial(); }

private:
    void ShowTemplates();
    void ShowGenre(int genre);

    TTemplateGroup group_;
    std::unique_ptr<TImageIDList> idList_;
    bool loading_ = false;
};
