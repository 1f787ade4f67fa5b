#pragma once
// The modal dialog "表紙デザインの選択": a template browser for a cover face; OK hands back the chosen
// page's objects and its face rectangle. The template chosen last is offered again next time.

#include "papers/UMaterialCatalog.h"

#include <QDialog>
#include <optional>

class QAction;
class QPushButton;
class TFormPanel;
class TOwnedDOList;
class TfrmTemplateBrowser;

class TfrmCoverTemplate : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5009;
    // Room for the use and size rows and a few rows of cover thumbnails; the embedded browser
    // asks for no size of its own.
    static constexpr int kMinWidth = 520;
    static constexpr int kMinHeight = 420;

    explicit TfrmCoverTemplate(QWidget* parent = nullptr);
    ~TfrmCoverTemplate() override;

    TFormPanel* FormPanel1;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QPushButton* btnDelete;
    QWidget* pnlHelp;
    QPushButton* btnHelp;
    QAction* actOK;

    TfrmTemplateBrowser* TemplateBrowser() const { return browser_; }
    void SetFaceInfo(const TFaceInfo& face);
    // Shows "表紙削除" (the cover has content; it answers mrYes).
    void ShowDeleteButton();
    // With a selected page: remembers it as the last template, reads its objects into objects (in
    // reverse stored order) and its face's outer rectangle into faceRect; false without a selection.
    // Raises when the document cannot be read.
    bool GetSelection(TOwnedDOList& objects, TRect& faceRect);

    // The template chosen last, for the run (tests reset it).
    static std::optional<TTemplateInfo>& LastTemplate();

private:
    void UpdateActions();

    TfrmTemplateBrowser* browser_;
    bool faceSet_ = false;
};
