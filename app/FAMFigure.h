#pragma once
// The side panel of the layout editor for figures: masks from the figure catalogue filled with a
// colour. The user picks a figure, pastes it or puts it into the selected figures, switches between
// its plain and blurred-edge variant, turns the figures and colours them.

#include "app/UEditModePanel.h"
#include "app/UPanelAngle.h"
#include "platform/Color.h"

#include <QString>
#include <QWidget>
#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TColGrid;
class TLOAlphaMask;
class TNotePanel;
class TPanelPicture;
class TTabbedPanel;
class TfrmShadeFileBrowser;

class TfrmAMFigure : public QWidget,
                     public IEditModePanel,
                     public IEditModeApplyHook,
                     public IEditModeInsertHook,
                     public IEditModeDefaults,
                     public IEditModeIdle {
    Q_OBJECT

public:
    enum TPage { pgFigure, pgSetup };
    // What the next apply changes.
    enum TOperation { opNone = -1, opAngle = 0, opColor = 1, opFigure = 2, opVariant = 3 };
    static constexpr int kMaxAngle = 360;
    // The preview's text is its colour with these bits inverted, readable on any colour.
    static constexpr TColor kPreviewTextMask = 0xAAAAAA;

    explicit TfrmAMFigure(QWidget* owner = nullptr);
    ~TfrmAMFigure() override;

    TTabbedPanel* TabbedPanel1;
    TNotePanel* notePanel;
    QWidget* pnlFigure;
    QWidget* pnlSetup;
    QPushButton* btnAngle00;
    QPushButton* btnAngle90;
    QPushButton* btnAngle180;
    QPushButton* btnAngle270;
    QLineEdit* edAngle;
    QSpinBox* udAngle;
    QWidget* pnlColor;
    TColGrid* ColGrid1;
    QLabel* pnlColorPreview;
    QPushButton* btnPasteFigure;
    QAction* actSingleClick;
    QAction* actDoubleClick;
    QAction* actChangeStatus;

    TfrmShadeFileBrowser* Browser() const { return browser_; }
    TLOAlphaMask* DefaultObject() const { return default_.get(); }
    int Operation() const { return operation_; }
    void SetPage(int page);

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject* object) override;
    void ApplyToObject(TDrawObject* object) override;
    void ApplyToDefault() override;
    void ShowDefault() override;
    void InitNewObject(TDrawObject* object) override;
    void SetApplyHandler(const TEditPanelHandler& handler) override { apply_ = handler; }
    void SetInsertHandler(const TEditPanelHandler& handler) override { insert_ = handler; }
    void LoadDefaults() override {}
    void SaveDefaults() override {}
    void IdleUpdate(TDrawSite* site) override;

private:
    void Request(TOperation operation);
    void Apply(TDrawObject* object, bool replace);
    TPanelAngle AngleControls() const;
    void ShowColor(TColor color);

    TEditPanelHandler apply_;
    TEditPanelHandler insert_;
    bool showing_ = false;
    bool figuresOnly_ = false;
    TOperation operation_ = opNone;
    std::unique_ptr<TLOAlphaMask> default_;
    std::unique_ptr<TPanelPicture> picture_;
    TfrmShadeFileBrowser* browser_;
    QString lastShownID_;
};
