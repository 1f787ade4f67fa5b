#pragma once
// The paper wizard's second page: whether the paper's faces form a regular grid of equal faces or
// are placed one by one.

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;
class QToolButton;

class TfrmEditPaper20 : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditPaper20(QWidget* parent = nullptr);

    QToolButton* btnMatrix;
    QToolButton* btnFree;
    QRadioButton* rbMatrix;
    QRadioButton* rbFree;
    QPushButton* btnCancel;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnFinish;

    void Setup(bool isMatrix);
    bool IsMatrix() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
