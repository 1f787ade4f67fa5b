#pragma once
// The templates of the content that fit a face, grouped by use ("用途") as the template group file
// lists them; a page can be found by its image ID. The cover dialog embeds it.

#include "papers/UMaterialCatalog.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class QAction;
class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class TCustomImagePack;
class TFormPanel;
class TWarningPanel;
class TfrmImageBrowser;

class TfrmTemplateBrowser : public QWidget {
    Q_OBJECT

public:
    static constexpr int kImageIDLength = 4;

    explicit TfrmTemplateBrowser(QWidget* parent = nullptr);
    ~TfrmTemplateBrowser() override;

    QComboBox* cmbGenre;
    QWidget* pnlImageID;
    QLineEdit* edtImageID;
    QPushButton* btnImageID;
    QGroupBox* rgSize;
    QButtonGroup* grpSize;
    TWarningPanel* pnlWarning;
    TFormPanel* FormPanel1;
    std::unique_ptr<TCustomImagePack> CustomImagePack1;

    TfrmImageBrowser* Browser() const { return browser_; }
    const TTemplateList& Templates() const { return templates_; }
    const TTemplateGroup& Group() const { return group_; }
    // The face to fit: loads the genres of its purpose.
    void SetFaceInfo(const TFaceInfo& face);
    // The entry selected on the first painting (same file name without regard to case, sheet and face).
    void SetInitialSelection(const TTemplateInfo& info) { initial_ = info; }
    bool HasSelection() const;
    void SetDblClickAction(QAction* action);
    std::optional<TTemplateInfo> SelectedTemplate() const;
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
    void paintEvent(QPaintEvent* event) override;

private:
    // Rescans the list with filter from folder (the pack's loader stopped first).
    void ScanFolder(const QString& folder, const TFaceInfo& filter);
    void ShowTemplates();
    int FindTemplate(const TTemplateInfo& info) const;

    TfrmImageBrowser* browser_;
    TFaceInfo filter_;
    TTemplateList templates_;
    TTemplateGroup group_;
    std::unique_ptr<TImageIDList> idList_;
    std::optional<TTemplateInfo> initial_;
    bool painted_ = false;
    bool loading_ = false;
};
