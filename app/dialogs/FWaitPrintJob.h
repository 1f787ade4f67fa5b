#pragma once
// The paper prompt shown before each sheet: how to put the paper in, the sheet's preview, and
// "印刷" (mrOk) or "キャンセル" (mrAbort, also Escape).

#include <QDialog>

class QLabel;
class QPushButton;

class TfrmWaitPrintJob : public QDialog {
    Q_OBJECT

public:
    explicit TfrmWaitPrintJob(QWidget* parent = nullptr);

    QLabel* lblMessage;
    QLabel* imArrow;
    QLabel* imPreview;
    QPushButton* btnPrint;
    QPushButton* btnCancel;

    void SetPicture(const QImage& picture);
    void reject() override;
};
