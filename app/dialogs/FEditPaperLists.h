#pragma once
// The plain list editors of the paper data: group, maker and photo-size names, one per line in a
// memo that neither wraps nor hides long lines.

#include "platform/StringList.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;

// One editor: a label over the memo, OK and "キャンセル".
class TPaperListEditor : public QDialog {
    Q_OBJECT

public:
    QLabel* lblTitle;
    QPlainTextEdit* Memo;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The memo shows lines (after clearing).
    void SetLines(const TStringList& lines);
    // The memo's lines, empty lines left out: an empty name would be offered as a filter entry.
    TStringList Lines() const;

protected:
    TPaperListEditor(const QString& objectName, const QString& label, QWidget* parent);
};

class TfrmEditPaperGroup : public TPaperListEditor {
    Q_OBJECT

public:
    explicit TfrmEditPaperGroup(QWidget* parent = nullptr);
};

class TfrmEditPaperMaker : public TPaperListEditor {
    Q_OBJECT

public:
    explicit TfrmEditPaperMaker(QWidget* parent = nullptr);
};

class TfrmEditPhotoSize : public TPaperListEditor {
    Q_OBJECT

public:
    explicit TfrmEditPhotoSize(QWidget* parent = nullptr);
};

// A memo of lines that ends in empty lines loses them: a memo's text usually ends in a line break.
TStringList MemoLines(const QPlainTextEdit& memo, bool keepEmptyLines);
// The memo shows lines, one a line (after clearing).
void SetMemoLines(QPlainTextEdit& memo, const TStringList& lines);

// The body of a lines editor, put into layout after what the caller placed there: the memo
// ("Memo", stretched, neither wrapping nor hiding long lines) over a row of OK and "キャンセル" at the
// right. キャンセル rejects dialog; what OK does is the caller's.
struct TLinesEditorParts {
    QPlainTextEdit* Memo = nullptr;
    QPushButton* Ok = nullptr;
    QPushButton* Cancel = nullptr;
};
TLinesEditorParts BuildLinesEditor(QDialog* dialog, QVBoxLayout* layout);
