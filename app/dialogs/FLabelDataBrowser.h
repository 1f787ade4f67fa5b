#pragma once
// The documents of a folder of the user's choice, or their pages, as thumbnails or a report; the
// template window embeds it to let the user pick a page of an existing document as a template.

#include "papers/UMaterialCatalog.h"

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <optional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TCustomImagePack;
class TFormPanel;
class THistoryManager;
class TWarningPanel;
class TfrmImageBrowser;

class TfrmLabelDataBrowser : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5015;

    explicit TfrmLabelDataBrowser(QWidget* parent = nullptr);
    // Keeps the report choice in "LabelDataViewStyle" unless the view style is hidden.
    ~TfrmLabelDataBrowser() override;

    QLineEdit* edtPath;
    QPushButton* btnReference;
    QToolButton* btnHistory;
    QAction* actHistory;
    QMenu* popupHistory;
    QGroupBox* gbViewStyle;
    QCheckBox* cbViewReport;
    QGroupBox* rgSize;
    QButtonGroup* grpSize;
    TWarningPanel* pnlWarning;
    TFormPanel* FormPanel1;
    std::unique_ptr<THistoryManager> HistoryManager1;
    std::unique_ptr<TCustomImagePack> CustomImagePack1;

    TfrmImageBrowser* Browser() const { return browser_; }
    const TTemplateList& Templates() const { return templates_; }
    const QString& Folder() const { return folder_; }
    void SetWarningLines(const QStringList& lines);
    // Hides the view style, forces thumbnails and rescans; the style is then neither applied nor saved.
    void HideViewStyle();
    // The entry selected after the first scan (same file name without regard to case, sheet and face).
    void SetInitialSelection(const TTemplateInfo& info) { initial_ = info; }
    bool HasSelection() const;
    void SetDblClickAction(QAction* action);
    // The selected entry; nullopt when none.
    std::optional<TTemplateInfo> SelectedTemplate() const;
    // The paper-name filter ("*": any paper).
    void SetPaperName(const QString& paperName) { paperName_ = paperName; }
    // Lists the folder's documents (first painting, folder and view changes).
    void Scan();
    // Shows the folder, adds it to the history and lists it.
    void ChangeFolder(const QString& folder);
    void ReferFolder();

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ViewReportClicked();
    void SelectEntry(const TTemplateInfo& info);

    TfrmImageBrowser* browser_;
    TFaceInfo filter_;
    QString paperName_ = QStringLiteral("*");
    TTemplateList templates_;
    QString folder_;
    std::optional<TTemplateInfo> initial_;
    bool painted_ = false;
    bool viewStyleHidden_ = false;
};

// Same file name (without regard to case), sheet and face.
bool SameTemplate(const TTemplateInfo& a, const TTemplateInfo& b);
