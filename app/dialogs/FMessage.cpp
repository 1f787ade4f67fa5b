#include "app/dialogs/FMessage.h"

#include "controls/UShadowPanel.h"
#include "core/UAppUtil.h"
#include "imaging/UImagePack.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/FontMapper.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyle>

namespace {

constexpr int kMargin = 12;
constexpr int kButtonGap = 12;
constexpr int kFontPixels = 12;
constexpr int kFewColorBits = 8;
// The text box over the dialog pattern (0x00BBGGRR): a light cream.
constexpr TColor kPanelColor = 0xF2FCFF;
// The stored places: three buttons in a centred row along the bottom.
constexpr int kButtonTop = TfrmMessage::kClientHeight - kMargin - TfrmMessage::kButtonHeight;
constexpr int kFirstButtonLeft =
    (TfrmMessage::kClientWidth - (3 * TfrmMessage::kButtonWidth + 2 * kButtonGap)) / 2;

bool FewColors() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen && screen->depth() <= kFewColorBits;
}

} // namespace

// ---- TBitBtn

TBitBtn::TBitBtn(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
}

void TBitBtn::SetKind(TBitBtnKind kind) {
    kind_ = kind;
    if (kind == bkCustom)
        return;
    setText(BitBtnKindCaption(kind));
    modalResult_ = MessageDialogResult(kind);
    cancel_ = kind == bkCancel;
    // OK and Yes carry the check mark glyph.
    if (kind == bkOK || kind == bkYes)
        setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    else
        setIcon(QIcon());
}

// ---- TfrmMessage

TfrmMessage::TfrmMessage(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMessage"));
    setFixedSize(kClientWidth, kClientHeight);
    QFont font(FontMapper::Instance().FamilyFor(QStringLiteral("MS UI Gothic")));
    font.setPixelSize(kFontPixels);
    setFont(font);
    ShadowPanel1 = new TShadowPanel(this);
    ShadowPanel1->setObjectName(QStringLiteral("ShadowPanel1"));
    ShadowPanel1->setGeometry(kMargin, kMargin, kClientWidth - 2 * kMargin, kButtonTop - 2 * kMargin);
    Label1 = new QLabel(ShadowPanel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Label1->setGeometry(kMargin, kMargin, ShadowPanel1->width() - 2 * kMargin - 4,
                        ShadowPanel1->height() - 2 * kMargin - 4);
    const char* names[] = {"BitBtn1", "BitBtn2", "BitBtn3"};
    for (int i = 0; i < 3; ++i) {
        auto* button = new TBitBtn(this);
        button->setObjectName(QString::fromLatin1(names[i]));
        button->setGeometry(kFirstButtonLeft + i * (kButtonWidth + kButtonGap), kButtonTop, kButtonWidth,
                            kButtonHeight);
        connect(button, &QPushButton::clicked, this, [this, button] { ButtonClicked(button); });
        buttons_[i] = button;
    }
    BitBtn1 = buttons_[0];
    BitBtn2 = buttons_[1];
    BitBtn3 = buttons_[2];
    BitBtn1->SetKind(bkOK);
    BitBtn2->setText(QStringLiteral("キャンセル"));
    BitBtn2->SetCancel(true);
    BitBtn2->SetModalResult(mrCancel);
    BitBtn3->SetKind(bkNo);
    BitBtn3->hide();

    // The pattern is painted here, not by a background control.
    setProperty("OwnPaint", true);
    SetupForm(this);
    setWindowTitle(TApplication::Title());
    QPalette palette = this->palette();
    ShadowPanel1->Brush().SetColor(kPanelColor);
    if (FewColors() || !TApplication::MainForm()) {
        // Before the main window exists there is no dialog pattern: plain button face, white text box.
        palette.setColor(QPalette::Window, palette.color(QPalette::Button));
        ShadowPanel1->Brush().SetColor(clWhite);
        QPalette white = Label1->palette();
        white.setColor(QPalette::Window, Qt::white);
        Label1->setPalette(white);
        Label1->setAutoFillBackground(true);
    }
    setPalette(palette);
}

void TfrmMessage::SetupButtons(const std::vector<TBitBtnKind>& buttons, int inDefault, int inCancel) {
    for (int i = 0; i < 3; ++i) {
        TBitBtn* button = buttons_[i];
        if (i < int(buttons.size())) {
            button->SetKind(buttons[size_t(i)]);
            const TBitBtnKind kind = buttons[size_t(i)];
            if (kind != bkOK && kind != bkYes)
                button->setIcon(QIcon());
            button->show();
        } else {
            button->hide();
        }
        button->setDefault(false);
        button->SetCancel(false);
    }
    if (inDefault >= 0 && inDefault < 3)
        buttons_[inDefault]->setDefault(true);
    if (inCancel >= 0 && inCancel < 3)
        buttons_[inCancel]->SetCancel(true);
}

void TfrmMessage::ArrangeButtons() {
    // The gap of the stored layout.
    const int gap = BitBtn2->geometry().left() - (BitBtn1->geometry().left() + BitBtn1->width());
    if (!BitBtn3->isVisibleTo(this)) {
        BitBtn1->setText(QStringLiteral("はい"));
        BitBtn2->setText(QStringLiteral("いいえ"));
        std::vector<TBitBtn*> shown;
        for (TBitBtn* button : buttons_)
            if (button->isVisibleTo(this))
                shown.push_back(button);
        const int count = int(shown.size());
        const int total = count * kButtonWidth + (count - 1) * gap;
        int left = (width() - total) / 2;
        for (TBitBtn* button : shown) {
            button->move(left, button->y());
            left += kButtonWidth + gap;
        }
    }
    for (TBitBtn* button : buttons_)
        if (button->isDefault() && button->isVisibleTo(this))
            button->setFocus();
}

void TfrmMessage::showEvent(QShowEvent* event) {
    ArrangeButtons();
    QDialog::showEvent(event);
}

void TfrmMessage::paintEvent(QPaintEvent* event) {
    auto* pack = dynamic_cast<TImagePack*>(FormBackgroundImagePack());
    if (!TApplication::MainForm() || !pack || pack->GetCount() == 0) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    TCanvas canvas(&painter);
    const int w = pack->Width(0);
    const int h = pack->Height(0);
    if (w <= 0 || h <= 0)
        return;
    for (int y = 0; y < height(); y += h)
        for (int x = 0; x < width(); x += w)
            pack->Draw(canvas, x, y, 0);
}

void TfrmMessage::ButtonClicked(TBitBtn* button) {
    modalResult_ = button->ModalResult();
    done(modalResult_);
}

namespace {

// The letter that answers a button: its underlined one, else Y and N for the plain はい and いいえ
// a question of two buttons shows, as the same answers have with three; 0 for none.
int AnswerLetter(const QString& caption) {
    const QKeySequence letter = QKeySequence::mnemonic(caption);
    if (!letter.isEmpty())
        return letter[0].key();
    if (caption == QStringLiteral("はい"))
        return Qt::Key_Y;
    if (caption == QStringLiteral("いいえ"))
        return Qt::Key_N;
    return 0;
}

} // namespace

void TfrmMessage::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers chords = Qt::ControlModifier | Qt::MetaModifier;
    if (!(event->modifiers() & chords) && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z) {
        for (TBitBtn* button : buttons_) {
            if (!button->isVisibleTo(this) || !button->isEnabled())
                continue;
            if (AnswerLetter(button->text()) == event->key()) {
                button->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

void TfrmMessage::reject() {
    // Escape chooses the cancel button; without one the window stays.
    for (TBitBtn* button : buttons_)
        if (button->Cancel() && button->isVisibleTo(this)) {
            button->click();
            return;
        }
}

TModalResult ShowMessageForm(const QString& message, const std::vector<TBitBtnKind>& buttons, int inDefault,
                             int inCancel) {
    TfrmMessage form;
    QString text = message;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    form.Label1->setText(text);
    form.SetupButtons(buttons, inDefault, inCancel);
    form.exec();
    return form.ModalResult() == mrNone ? mrCancel : form.ModalResult();
}

// ---- TAppDialogService

TModalResult TAppDialogService::MessageBox(const QString& text, const std::vector<TBitBtnKind>& buttons,
                                           int defaultIndex, int cancelIndex) {
    return ShowMessageForm(text, buttons, defaultIndex, cancelIndex);
}

bool TAppDialogService::OpenFile(TFileDialogRequest& request, QStringList& fileNames) {
    return WindowSystem().OpenFile(request, fileNames);
}

bool TAppDialogService::SaveFile(TFileDialogRequest& request, QString& fileName) {
    return WindowSystem().SaveFile(request, fileName);
}

bool TAppDialogService::SelectFolder(const QString& title, QString& folder) {
    return WindowSystem().SelectFolder(title, folder);
}

bool TAppDialogService::SelectColor(uint32_t& color, TCustomColors& customColors) {
    return WindowSystem().SelectColor(color, customColors);
}

bool TAppDialogService::Print(TPrintDialogRequest& request) {
    return WindowSystem().Print(request);
}

bool TAppDialogService::PageSetup(TPageSetupRequest& request) {
    return WindowSystem().PageSetup(request);
}

bool TAppDialogService::SelectScanner(const QStringList& devices, int& index) {
    return WindowSystem().SelectScanner(devices, index);
}
