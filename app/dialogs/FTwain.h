#pragma once
// "TWAINからの取込み": runs one scanner acquisition modally and returns the page it delivered,
// shrunk to the program's picture size limit. Accepted with a picture, rejected without one.

#include <QDialog>
#include <memory>

class QLabel;
class QPushButton;
class TPictureEx;
class TReadyNotifier;
class TStream;
class TTwain;

class TPicture;

// The source selection, then the acquisition window; true with the page in picture when one came.
bool AcquireTwainPicture(QWidget* owner, TPicture& picture);

class TfrmTwain : public QDialog {
    Q_OBJECT

public:
    explicit TfrmTwain(QWidget* parent = nullptr);
    ~TfrmTwain() override;

    // The delivered page; empty after a cancel.
    TPictureEx& Picture() { return *picture_; }

    QLabel* lblMsg;
    QPushButton* btnCancel;
    TTwain* Twain1;

    // 中止, Enter or Escape: the source closes, nothing is taken.
    void reject() override;

private:
    void Start();
    void Transferred(TStream* stream, bool canceled);
    void SourceDisabled();

    std::unique_ptr<TPictureEx> picture_;
    TReadyNotifier* ready_;
};
