#pragma once
// The side panel of the layout editor for figures: masks from the figure catalogue filled with a
// colour. The user picks a figure, pastes it or puts it into the selected figures, switches between
// its plain and blurred-edge variant, turns the figures and colours them.

#include "app/UEditModePanelBase.h"
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
class TfrmShadeFileBrowser;

class TfrmAMFigure : public TEditModePanelBase {
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
    QAction* actChangeStatus;

    TfrmShadeFileBrowser* Browser() const { return browser_; }
    TLOAlphaMask* DefaultObject() const { return default_.get(); }
    int Operation() const { return operation_; }

    void CopyStyle(TDrawObject* src, TDrawObject* dst) override;
    void ShowObject(TDrawObject* object) override;
    void InitNewObject(TDrawObject* object) override;
    void IdleUpdate(TDrawSite* site) override;

private:
    void Request(TOperation operation);
    void ApplyChange(TDrawObject* object, bool replace) override;
    TDrawObject* DefaultTarget() const override;
    TPanelAngle AngleControls() const;
    void ShowColor(TColor color);

    bool figuresOnly_ = false;
    TOperation operation_ = opNone;
    std::unique_ptr<TLOAlphaMask> default_;
    std::unique_ptr<TPanelPicture> picture_;
    TfrmShadeFileBrowser* browser_;
    QString lastShownID_;
};
