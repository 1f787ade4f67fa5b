#pragma once
// The picture files of one folder of the user's choice, as thumbnails or a report, with a folder
// history kept in the settings; the illustration property panel embeds it.

#include "app/dialogs/UMaterialBrowser.h"

#include <QString>
#include <memory>

class QLineEdit;
class QPushButton;

class TfrmUserFileBrowser : public TMaterialBrowserBase {
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
    std::unique_ptr<THistoryManager> HistoryManager1;
    TFileImagePack* FileImagePack;

    // The folder shown, with a trailing "/".
    const QString& Folder() const { return folder_; }
    // The full path of the selected file; empty when none.
    using TMaterialBrowserBase::GetSelectedFileName;
    // The file (compared by name without regard to case) selected after the first scan.
    void SetInitialFileName(const QString& fileName) { initialFile_ = fileName; }
    // Lists the folder's pictures (also done on the first showing).
    void Scan();
    // Shows the folder, adds it to the history and lists it.
    void ChangeFolder(const QString& folder);
    // The folder dialog (btnRefer, Enter in edtPath).
    void ReferFolder();
    // Back to thumbnails first when the report is shown.
    void SetThumbSize(int size) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowFolder(const QString& folder);
    void HistoryClicked(const QString& entry);
    void UpdateHistoryAction();

    QString folder_;
    QString initialFile_;
    bool scanned_ = false;
};
