#pragma once
// The picture files of one folder as thumbnails or as a file report, for the photo panel. The folder
// comes from a history (the current folder is its first entry) or the folder dialog; the host reads
// the selected files. Thumbnails are the data module's previews, made on the browser's loader.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QAction;
class QLineEdit;
class QMenu;
class QToolButton;
class TFileImagePack;
class TFormPanel;
class THistoryManager;
class TfrmImageBrowser;

class TfrmPhotoFileBrowser : public QWidget {
    Q_OBJECT

public:
    static constexpr int kPathDisplayLength = 28;

    explicit TfrmPhotoFileBrowser(QWidget* parent = nullptr);
    // Writes "PhotoFileViewStyle".
    ~TfrmPhotoFileBrowser() override;

    // The file of the index-th selected item in list order; "" when fewer are selected.
    QString GetSelectedFileName(int index) const;
    int SelectedCount() const;
    bool HasSelection() const;
    void SetMultiSelect(bool value);
    void SelectIndex(int index);
    void SetDblClickAction(QAction* action);
    // Lists the current folder the first time only; hosts call it right after embedding.
    void FormPaint();

    // Lists folder's picture files (the folder becomes the one last listed).
    void FillFromFolder(const QString& folder);
    // The history's first entry.
    QString CurrentFolder();
    QString LastListed() const { return lastListed_; }
    // The file of image index (a line of the file list).
    QString GetFileName(int index) const;

    // The folder dialog, opened at the current folder (also Enter in the path box).
    void btnReferenceClick();
    // Pops up the history menu below the history button.
    void actHistoryExecute();
    // Makes a history entry current and lists it when it differs from the one shown.
    void HistoryMenuClick(const QString& folder);
    // 50, 80 or 200: leaves the report first.
    void SetPreviewSize(int size);
    void SetListView(bool value);

    TfrmImageBrowser* Browser() const { return browser_; }
    TFileImagePack* FileImagePack() const { return fileImagePack_.get(); }
    THistoryManager* HistoryManager1() const { return historyManager_.get(); }
    QLineEdit* edtPath = nullptr;
    QToolButton* btnHistory = nullptr;
    QToolButton* btnReference = nullptr;
    QToolButton* btnPix50 = nullptr;
    QToolButton* btnPix80 = nullptr;
    QToolButton* btnPix200 = nullptr;
    QToolButton* btnSelectAll = nullptr;
    QToolButton* btnCancelAll = nullptr;
    QToolButton* btnListView = nullptr;
    QAction* actHistory = nullptr;
    QMenu* popupHistory = nullptr;
    TFormPanel* fpnlBrowser = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPath(const QString& folder);
    void UpdateHistoryAction();

    std::unique_ptr<TFileImagePack> fileImagePack_;
    std::unique_ptr<THistoryManager> historyManager_;
    TfrmImageBrowser* browser_ = nullptr;
    QString lastListed_;
    bool painted_ = false;
};

// Whether a file's extension (with its point, in any case) is one of the ";"-separated extensions:
// whole extensions only, and a file without one is no picture.
bool HasPictureExtension(const QString& fileName, const QStringList& extensions);
// "$(ImageFileExtentions)" expanded, upper case, split.
QStringList PictureExtensions();
