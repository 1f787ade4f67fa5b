#pragma once
// The side panel of the layout editor for the page background: the user picks a background picture
// in the embedded background browser and pastes it, puts it into the page's background, or removes
// the background picture. It only ever changes the background's fill (kind, picture, tiling).

#include "app/UEditModePanel.h"

#include <QWidget>
#include <memory>

class QAction;
class QPushButton;
class TFormPanel;
class TLOBackImage;
class TPanelPicture;
class TPictureEx;
class TfrmBackFileBrowser;

class TfrmAMBackGround : public QWidget,
                         public IEditModePanel,
                         public IEditModeApplyHook,
                         public IEditModeInsertHook,
                         public IEditModeDefaults,
                         public IEditModeIdle {
    Q_OBJECT

public:
    explicit TfrmAMBackGround(QWidget* owner = nullptr);
    ~TfrmAMBackGround() override;

    TFormPanel* fpnlBackImage;
    QPushButton* btnPasteBackGround;
    // Stays pressed until the removal has been applied.
    QPushButton* btnDeleteBackGround;
    QAction* actSingleClick;
    QAction* actDoubleClick;

    TfrmBackFileBrowser* Browser() const { return browser_; }
    TLOBackImage* DefaultObject() const { return default_.get(); }

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject*) override {}
    void ApplyToObject(TDrawObject* object) override;
    void ApplyToDefault() override;
    void ShowDefault() override {}
    void InitNewObject(TDrawObject* object) override;
    void SetApplyHandler(const TEditPanelHandler& handler) override { apply_ = handler; }
    void SetInsertHandler(const TEditPanelHandler& handler) override { insert_ = handler; }
    void LoadDefaults() override {}
    void SaveDefaults() override {}
    void IdleUpdate(TDrawSite* site) override;

private:
    void Apply(TDrawObject* object, bool replace);
    // The browser's selected picture, loaded once per file; nullptr when it cannot be loaded (the
    // user was told when loud).
    const TPictureEx* SelectedPicture(bool loud);
    void RequestApply();

    TEditPanelHandler apply_;
    TEditPanelHandler insert_;
    std::unique_ptr<TLOBackImage> default_;
    TfrmBackFileBrowser* browser_;
    std::unique_ptr<TPanelPicture> picture_;
};
