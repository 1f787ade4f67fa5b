#pragma once
// Pieces every material browser window is built from: the warning panel shown when the content is
// not found, the exclusive thumbnail-size buttons, and the loader that file packs use.

#include "imaging/UImagePack.h"
#include "papers/UMaterialCatalog.h"

#include <QFrame>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QAction;
class QGroupBox;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TFormPanel;
class THistoryManager;
class TfrmImageBrowser;

// The lines of a missing-content warning: first, an empty line, "$(AppName)の" and the request to set
// the disc (macros expanded).
QStringList ContentWarningLines(const QString& first, bool withFullStops = false);

// The panel "pnlWarning" holding the label "lblWarning"; hidden until shown.
class TWarningPanel : public QFrame {
    Q_OBJECT

public:
    explicit TWarningPanel(QWidget* parent);

    QLabel* lblWarning;

    QStringList Lines() const;
    void SetLines(const QStringList& lines);
    bool HasLines() const;
};

// One thumbnail-size button (checkable, in group, its size as its id).
struct TSizeButton {
    const char* Name;
    const char* Hint;
    int Size;
};

// Makes the buttons in one exclusive group; the one of checkedSize starts pressed.
std::vector<QToolButton*> AddSizeButtons(QWidget* parent, QButtonGroup* group,
                                         const std::vector<TSizeButton>& buttons, int checkedSize);

// The size buttons of the file browsers: "btnPix50", "btnPix80" (pressed) and "btnPix200".
constexpr int kFileThumbStartSize = 80;
std::vector<QToolButton*> AddThumbSizeButtons(QWidget* parent, QButtonGroup* group);

// The loader of pictures for file packs: the data module's thumbnails (through the image cache) when
// it runs, else the pack's own loading. Safe on a loader's worker thread.
TFileImagePackBase::TOnFileLoadEvent DataModuleFileLoader();

// The thumbnail of a template entry: a blank white 100 x 100 picture for a whole document, else the
// page's stored preview, else the default picture (also for a document that cannot be read). Safe on
// a loader's worker thread.
void LoadTemplateThumbnail(const TTemplateInfo& info, TPicture& picture);
// The picture shown for a page without a preview.
void GetDefaultTemplatePicture(TPicture& picture);

// The radio group "rgSize" "サイズ" of the template browsers: 50, 100 (chosen), 150 and 200 pixels,
// each button's id its size.
QGroupBox* CreateTemplateSizeGroup(QWidget* parent, QButtonGroup* group);

// What every browser over one pack of images is built on: the pack (owned here, so it outlives the
// browser reading it), "FormPanel1" holding the image browser, the selection, the thumbnail size and
// work put off until the window is first painted.
class TMaterialBrowserBase : public QWidget {
    Q_OBJECT

public:
    // Deletes the image browser (its loader stops) before the pack.
    ~TMaterialBrowserBase() override;

    TFormPanel* FormPanel1 = nullptr;

    TfrmImageBrowser* Browser() const { return browser_; }
    bool HasSelection() const;
    void SelectIndex(int index);
    void SetDblClickAction(QAction* action);
    virtual void SetThumbSize(int size);

protected:
    TMaterialBrowserBase(QWidget* parent, std::unique_ptr<TImagePack> pack);

    template <class TPack>
    TPack* Pack() const {
        return static_cast<TPack*>(pack_.get());
    }
    // Makes FormPanel1 with the image browser of the pack; the derived form places it.
    void CreateBrowser();
    // For forms whose pack reads their own members: the browser goes before they do.
    void DeleteBrowser();
    // Packs of files: the file of the selected image; empty when none.
    QString GetSelectedFileName() const;
    // Captions the items with their image IDs when any is known, else numbers them; true when any is.
    bool ShowIDCaptions(int count, const std::function<QString(int index)>& idOf);

    // Run once, on the first painting; what it throws is logged (nothing may cross the event loop).
    virtual void FirstPaint() {}
    bool Painted() const { return painted_; }
    void paintEvent(QPaintEvent* event) override;

    TfrmImageBrowser* browser_ = nullptr;

private:
    std::unique_ptr<TImagePack> pack_;
    bool painted_ = false;
};

// Browsers of template entries (pages of documents, or whole documents) on a pack of their
// thumbnails, with the size group "rgSize".
class TTemplateBrowserBase : public TMaterialBrowserBase {
    Q_OBJECT

public:
    ~TTemplateBrowserBase() override;

    QGroupBox* rgSize = nullptr;
    QButtonGroup* grpSize = nullptr;
    TCustomImagePack* CustomImagePack1;

    const TTemplateList& Templates() const { return templates_; }
    // The entry selected once the entries are first listed (same file name without regard to case,
    // sheet and face).
    void SetInitialSelection(const TTemplateInfo& info) { initial_ = info; }
    // The selected entry; nullopt when none.
    std::optional<TTemplateInfo> SelectedTemplate() const;

protected:
    explicit TTemplateBrowserBase(QWidget* parent);
    // Makes rgSize (the derived form places it).
    void CreateSizeGroup();
    // CreateBrowser at rgSize's size.
    void CreateTemplateBrowser();
    // Lists folder's entries that fit filter; the browser's loader reads the list, so it is stopped
    // first.
    void ScanTemplates(const QString& folder, const TFaceInfo& filter);
    int FindTemplate(const TTemplateInfo& info) const;

    TFaceInfo filter_;
    TTemplateList templates_;
    std::optional<TTemplateInfo> initial_;
};

// The folder row of the browsers of a folder of the user's choice: the history drop-down button
// "btnHistory" (action "actHistory" "▼", menu "popupHistory", whose first item anchors the
// manager's entries, kept under key) and Enter in the path edit asking for a folder.
struct TFolderHistoryControls {
    QAction* Action;
    QToolButton* Button;
    QMenu* Menu;
};
TFolderHistoryControls CreateHistoryDropDown(QWidget* parent, THistoryManager& history, const QString& key,
                                             bool useAccelerator);
// Return or Enter in edit calls onEnter instead of reaching the edit.
void OnEnterKey(QLineEdit* edit, std::function<void()> onEnter);

// The row "pnlImageID" of a four-character image ID "edtImageID" and its search button "btnImageID",
// enabled while four characters are typed; hidden until shown.
struct TImageIDControls {
    static constexpr int kLength = 4;
    QWidget* Panel;
    QLineEdit* Edit;
    QPushButton* Button;
};
TImageIDControls CreateImageIDRow(QWidget* parent, bool labelled);
