#pragma once
// The application's own message window: the text on a shadow panel over the dialog pattern, and up to
// three buttons named by kind. The application's dialog service shows every message box through it.

#include "platform/DialogService.h"

#include <QDialog>
#include <QPushButton>
#include <vector>

class QLabel;
class TShadowPanel;

// A button of the class library's kinds: the kind gives its caption and modal result.
class TBitBtn : public QPushButton {
    Q_OBJECT

public:
    explicit TBitBtn(QWidget* parent = nullptr);
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }

private:
    TBitBtnKind kind_ = bkCustom;
    TModalResult modalResult_ = mrNone;
    bool cancel_ = false;
};

class TfrmMessage : public QDialog {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 410;
    static constexpr int kClientHeight = 237;
    static constexpr int kButtonWidth = 84;
    static constexpr int kButtonHeight = 36;

    explicit TfrmMessage(QWidget* parent = nullptr);

    TShadowPanel* ShadowPanel1;
    QLabel* Label1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TBitBtn* BitBtn3;

    // Button i shows kind buttons[i] (hidden without one); Default and Cancel are positions 0 to 2,
    // any other marks nothing.
    void SetupButtons(const std::vector<TBitBtnKind>& buttons, int inDefault, int inCancel);
    // What the window shows when it is shown: the yes/no captions and a centred row for up to two
    // buttons, the stored places for three; the default button focused.
    void ArrangeButtons();
    TModalResult ModalResult() const { return modalResult_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A letter alone answers with the button it underlines, as Alt with it does.
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void ButtonClicked(TBitBtn* button);
    TBitBtn* buttons_[3];
    TModalResult modalResult_ = mrNone;
};

// Shows message in a message window and answers the modal result of the button chosen (Cancel when
// the window was closed otherwise).
TModalResult ShowMessageForm(const QString& message, const std::vector<TBitBtnKind>& buttons, int inDefault,
                             int inCancel);

// The application's dialogs: the window system's, but message boxes in the message window.
class TAppDialogService : public DialogService {
public:
    TModalResult MessageBox(const QString& text, const std::vector<TBitBtnKind>& buttons, int defaultIndex,
                            int cancelIndex) override;
    bool OpenFile(TFileDialogRequest& request, QStringList& fileNames) override;
    bool SaveFile(TFileDialogRequest& request, QString& fileName) override;
    bool SelectFolder(const QString& title, QString& folder) override;
    bool SelectColor(uint32_t& color, TCustomColors& customColors) override;
    using DialogService::SelectColor;
    bool Print(TPrintDialogRequest& request) override;
    bool PageSetup(TPageSetupRequest& request) override;
    bool SelectScanner(const QStringList& devices, int& index) override;
};
