#pragma once
// The JAN code window: the digits of an EAN-13 (or EAN-8) bar code and whether its figures and a
// frame are drawn. A code that would not scan is refused with the reason; seven or twelve digits
// get their check digit added.

#include "app/dialogs/UToolWindow.h"

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class TLOJANCode;

// What the typed text gives: the code to store (full-width digits, spaces and hyphens allowed in
// the typing), or the reason it cannot be a code that scans.
struct TJANCodeInput {
    bool Valid = false;
    QString Code;
    QString Message;
};
TJANCodeInput CheckJANCodeInput(const QString& typed);

class TfrmJANCode : public TToolWindow {
    Q_OBJECT

public:
    explicit TfrmJANCode(QWidget* parent = nullptr);
    ~TfrmJANCode() override;

    QLineEdit* edtJANCode;
    QLabel* lblCheck;
    QCheckBox* cbShowNumber;
    QCheckBox* cbShowFrame;

    void LoadFrom(const TLOJANCode& code);
    // The accepted code and settings into code.
    void SaveTo(TLOJANCode& code) const;

private:
    void ShowCheck();
    // A code that scans; otherwise the reason is told and the window stays.
    bool CanAccept();
};
