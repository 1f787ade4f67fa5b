#pragma once
// The side panel of the layout editor for the page background: the user picks a background picture
// in the embedded background browser and pastes it, puts it into the page's background, or removes
// the background picture. It only ever changes the background's fill (kind, picture, tiling).

#include "app/UEditModePanelBase.h"

#include <QWidget>
#include <memory>

class QPushButton;
class TFormPanel;
class TLOBackImage;
class TPanelPicture;
class TPictureEx;
class TfrmBackFileBrowser;

class TfrmAMBackGround : public TEditModePanelBase {
    Q_OBJECT

public:
    explicit TfrmAMBackGround(QWidget* owner = nullptr);
    ~TfrmAMBackGround() override;

    TFormPanel* fpnlBackImage;
    QPushButton* btnPasteBackGround;
    // Stays pressed until the removal has been applied.
    QPushButton* btnDeleteBackGround;

    TfrmBackFileBrowser* Browser() const { return browser_; }
    TLOBackImage* DefaultObject() const { return default_.get(); }

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject*) override {}
    void ShowDefault() override {}
    void InitNewObject(TDrawObject* object) override;
    void IdleUpdate(TDrawSite* site) override;

private:
    void ApplyChange(TDrawObject* object, bool replace) override;
    TDrawObject* DefaultTarget() const override;
    // The browser's selected picture, loaded once per file; nullptr when it cannot be loaded (the
    // user was told when loud).
    const TPictureEx* SelectedPicture(bool loud);

    std::unique_ptr<TLOBackImage> default_;
    TfrmBackFileBrowser* browser_;
    std::unique_ptr<TPanelPicture> picture_;
};
