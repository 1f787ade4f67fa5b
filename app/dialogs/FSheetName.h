#pragma once
// The window that renames the current sheet of a document; names stay unique across its sheets.

#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class TLabelData;

// True when a sheet of names already carries name (the sheet being renamed counts too).
bool SheetNameTaken(const QStringList& names, const QString& name);

class TfrmSheetName : public QDialog {
    Q_OBJECT

public:
    static constexpr int kMaxNameLength = 50;

    explicit TfrmSheetName(QWidget* parent = nullptr);

    QLabel* lblSheetName;
    QLineEdit* edtSheetName;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The edit shows the current sheet's name; OK renames that sheet of document.
    void Setup(TLabelData* document);

private:
    void OkClicked();

    TLabelData* document_ = nullptr;
};
