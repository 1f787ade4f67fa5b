#pragma once
// The picture files of one folder of the user's choice, as thumbnails or a report, with a folder
// history kept in the settings; the illustration property panel embeds it.

#include <QString>
#include <QWidget>
#include <memory>

class QAction;
class QButtonGroup;
class QLineEdit;
class QMenu;
class QToolButton;
class QPushButton;
class THistoryManager;
class TFileImagePack;
class TFormPanel;
class TfrmImageBrowser;

class TfrmUserFileBrowser : public QWidget {
    Q_OBJECT

public:
    explicit TfrmUserFileBrowser(QWidget* parent = nullptr);
    // Keeps the report choice in "UserIllustViewStyle".
    ~TfrmUserFileBrowser() override;

    QLineEdit* edtPath;
    QPushButton* btnRefer;
    QToolButton* btnHistory;
    QToolButton* btnListView;
    QButtonGroup* grpSize;
    QMenu* popupHistory;
    QAction* actHistory;
    TFormPanel* FormPanel1;
    std::unique_ptr<THistoryManager> HistoryManager1;
    std::unique_ptr<TFileImagePack> FileImagePack;

    TfrmImageBrowser* Browser() const { return browser_; }
    // The folder shown, with a trailing "/".
    const QString& Folder() const { return folder_; }
    void SelectIndex(int index);
    bool HasSelection() const;
    // The full path of the selected file; empty when none.
    QString GetSelectedFileName() const;
    void SetDblClickAction(QAction* action);
    // The file (compared by name without regard to case) selected after the first scan.
    void SetInitialFileName(const QString& fileName) { initialFile_ = fileName; }
    // Lists the folder's pictures (also done on the first showing).
    void Scan();
    // Shows the folder, adds it to the history and lists it.
    void ChangeFolder(const QString& folder);
    // The folder dialog (btnRefer, Enter in edtPath).
    void ReferFolder();
    void SetThumbSize(int size);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowFolder(const QString& folder);
    void HistoryClicked(const QString& entry);
    void UpdateHistoryAction();

    TfrmImageBrowser* browser_;
    QString folder_;
    QString initialFile_;
    bool scanned_ = false;
};
