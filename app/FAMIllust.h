#pragma once
// The side panel of the layout editor for plain picture objects (not album photos): the user picks a
// picture from the illustration collection or from picture files, pastes it as a new object or puts
// it into the selected pictures, and turns them.

#include "app/UEditModePanelBase.h"
#include "app/UPanelAngle.h"
#include "platform/Color.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QPushButton;
class QSpinBox;
class TImagePanel;
class TLOImage;
class TNotePanel;
class TPanelPicture;
class TPictureEx;
class TfrmIllustFileBrowser;
class TfrmPluginImprt;
class TfrmUserFileBrowser;

class TfrmAMIllust : public TEditModePanelBase, public IEditModeInsertSource {
    Q_OBJECT

public:
    enum TPage { pgIllustFile, pgUserFile, pgTwain, pgSetup };
    static constexpr int kMaxAngle = 360;
    // Illustrations see through their light grey.
    static constexpr TColor kOnePointTransparent = 0xF0F0F0;

    explicit TfrmAMIllust(QWidget* owner = nullptr);
    ~TfrmAMIllust() override;

    TNotePanel* notePanel;
    QWidget* pnlIllustFile;
    QWidget* pnlUserFile;
    QWidget* pnlTwain;
    QWidget* pnlSetup;
    TImagePanel* ipTwain;
    QPushButton* btnTwain;
    QPushButton* btnAngle00;
    QPushButton* btnAngle90;
    QPushButton* btnAngle180;
    QPushButton* btnAngle270;
    QLineEdit* edAngle;
    QSpinBox* udAngle;
    QPushButton* btnPasteImage;

    TfrmIllustFileBrowser* IllustBrowser() const { return illustBrowser_; }
    TfrmUserFileBrowser* UserBrowser() const { return userBrowser_; }
    // The image-generation plug-ins' window (no page of the panel opens it).
    TfrmPluginImprt* PluginImport() const { return pluginImport_; }
    TLOImage* DefaultObject() const { return default_.get(); }
    // Shows page with nothing picked in the browsers.
    void SetPage(int page) override;

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject* object) override;
    void InitNewObject(TDrawObject* object) override;
    void IdleUpdate(TDrawSite* site) override;
    int InsertSource() const override;

private:
    void ApplyChange(TDrawObject* object, bool replace) override;
    TDrawObject* DefaultTarget() const override;
    QString SourceFile() const;
    bool HasSource() const;
    // The source picture, read once; nullptr when there is none or it cannot be read.
    const TPictureEx* SourcePicture(bool loud);
    TPanelAngle AngleControls() const;
    void SetRotationEnabled(bool value);

    bool picturesOnly_ = false;
    std::unique_ptr<TLOImage> default_;
    std::unique_ptr<TPanelPicture> picture_;
    TfrmIllustFileBrowser* illustBrowser_;
    TfrmUserFileBrowser* userBrowser_;
    TfrmPluginImprt* pluginImport_;
};
