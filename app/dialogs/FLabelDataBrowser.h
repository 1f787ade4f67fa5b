#pragma once
// The documents of a folder of the user's choice, or their pages, as thumbnails or a report; the
// template window embeds it to let the user pick a page of an existing document as a template.

#include "app/dialogs/UMaterialBrowser.h"

#include <QString>
#include <QStringList>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TWarningPanel;

class TfrmLabelDataBrowser : public TTemplateBrowserBase {
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
    TWarningPanel* pnlWarning;
    std::unique_ptr<THistoryManager> HistoryManager1;

    const QString& Folder() const { return folder_; }
    void SetWarningLines(const QStringList& lines);
    // Hides the view style, forces thumbnails and rescans; the style is then neither applied nor saved.
    void HideViewStyle();
    // The paper-name filter ("*": any paper).
    void SetPaperName(const QString& paperName) { paperName_ = paperName; }
    // Lists the folder's documents (first painting, folder and view changes).
    void Scan();
    // Shows the folder, adds it to the history and lists it.
    void ChangeFolder(const QString& folder);
    void ReferFolder();

protected:
    void FirstPaint() override { Scan(); }

private:
    void ViewReportClicked();

    QString paperName_ = QStringLiteral("*");
    QString folder_;
    bool viewStyleHidden_ = false;
};
