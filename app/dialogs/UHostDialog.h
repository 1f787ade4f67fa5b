#pragma once
// The frame of the modal windows that host one browser or editor form: a base panel filling the
// window with the form panel in it, above a row of OK (the default), キャンセル (which cancels) and
// the help button on its panel, hidden as no help pages ship, and a status bar at the foot.

class QDialog;
class QHBoxLayout;
class QPushButton;
class QStatusBar;
class QString;
class QVBoxLayout;
class QWidget;
class TFormPanel;

struct THostDialogFrame {
    QWidget* Base = nullptr;
    // The base panel's layout, without margins; the form panel is in it, stretched.
    QVBoxLayout* BaseLayout = nullptr;
    TFormPanel* FormPanel = nullptr;
    // Buttons that belong at the row's left go in at its start.
    QHBoxLayout* Buttons = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
    QWidget* HelpPanel = nullptr;
    QPushButton* Help = nullptr;
    QStatusBar* StatusBar = nullptr;
};

// Lays the frame out in dialog, which has no layout yet; the base panel takes baseName.
THostDialogFrame BuildHostDialogFrame(QDialog* dialog, const QString& baseName);
