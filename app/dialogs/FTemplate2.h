#pragma once
// The modal window "テンプレートの選択": a page design for the current face, either from the
// template catalogue ("テンプレート集") or from a document the user saved ("保存したファイルから").
// The main window's template command gives it the face and, on OK, asks for the chosen page.

#include "papers/UMaterialCatalog.h"
#include "platform/Rect.h"

#include <QDialog>
#include <QStringList>
#include <optional>

class QAction;
class QPushButton;
class QStackedWidget;
class TDOList;
class TFormPanel;
class TLabelData;
class TOwnedDOList;
class TTabbedPanel;
class TfrmLabelDataBrowser;
class TfrmTemplateBrowser;

class TfrmTemplate2 : public QDialog {
    Q_OBJECT

public:
    enum TPage { kPageIllust, kPageFile };

    explicit TfrmTemplate2(QWidget* parent = nullptr);
    ~TfrmTemplate2() override;

    TTabbedPanel* TabbedPanel1;
    QStackedWidget* Notebook1;
    TFormPanel* FormPanel2;
    TFormPanel* FormPanel1;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QPushButton* btnHelp;
    QAction* actOK;
    // The label-data browser's warning lines.
    QStringList shWarning;

    TfrmTemplateBrowser* TemplateBrowser() const { return templates_; }
    TfrmLabelDataBrowser* LabelDataBrowser() const { return files_; }
    TPage Page() const;
    void SetPage(TPage page);

    // The face to fit: the template browser offers the templates of its size and purpose, the
    // label-data browser the pages of its paper.
    void SetFace(const TFaceInfo& face, const QString& paperName);
    // Whether the catalogue offers any template for the face.
    bool HasTemplates() const;
    // The chosen page (remembered for the next time): its objects, topmost first, and its face's
    // outer rectangle. False without a selection or when the page is no longer in its file; raises
    // when the file cannot be read.
    bool GetSelection(TOwnedDOList& objects, TRect& faceRect);

    // The last choice and its page, for the run (tests reset them).
    static std::optional<TTemplateInfo>& LastChoice();
    static TPage& LastPage();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void UpdateActions();

    TfrmTemplateBrowser* templates_;
    TfrmLabelDataBrowser* files_;
};

// Reads page info.FaceIndex of sheet info.SheetIndex of the document file into objects (topmost
// first, the order a page is stored in) and that face's outer rectangle. The file is read whole
// before anything is returned; false when the sheet or face is not in it (the file changed since
// it was listed). Raises when the file cannot be read.
bool LoadTemplatePage(const TTemplateInfo& info, TOwnedDOList& objects, TRect& faceRect);

// Puts a template page on face of document: the objects rescaled from the template's face
// (templateFace, moved to the origin) to the face's outer rectangle (moved to the origin), text
// fields filled from the document's product and creator records (a field number that record does
// not have is left as it is), and stored as the face's page. False, with nothing changed, for a
// template face without area.
bool ApplyTemplate(TLabelData& document, int face, const TDOList& objects, const TRect& templateFace);
