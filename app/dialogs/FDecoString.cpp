#include "app/dialogs/FDecoString.h"

#include "core/UAppFrame.h"
#include "imaging/UImagePack.h"
#include "pageobjects/layout/UImageFont.h"
#include "pageobjects/layout/ULODecoString.h"
#include "platform/Canvas.h"
#include "platform/Cp932.h"

#include <QComboBox>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QLineEdit>
#include <QPixmap>
#include <algorithm>
#include <cstring>

namespace {

constexpr int kSampleWidth = 360;
constexpr int kSampleHeight = 64;
constexpr int kMaxText = 64;

// The string's width at the object's height: the sum of its glyphs' widths, gaps included.
int StringWidth(const TLODecoString& text) {
    int width = 0;
    for (char ch : Cp932::Encode(text.Text())) {
        TSize size;
        text.ImageFont().GetCharSize(static_cast<unsigned char>(ch), size);
        width += size.cx;
    }
    return width;
}

} // namespace

int ImageFontCount() {
    return std::max(ImageFontPack().GetCount(), 0) / kImageFontGlyphs;
}

QString CharactersWithoutGlyphs(const QString& text) {
    QString missing;
    for (QChar c : text) {
        const bool has = c.unicode() < 0x80 && c.unicode() != 0 &&
                         std::strchr(kImageFontAlphabet, char(c.unicode())) != nullptr;
        // A space is meant as a gap.
        if (!has && !c.isSpace() && !missing.contains(c))
            missing += c;
    }
    return missing;
}

TfrmDecoString::TfrmDecoString(QWidget* parent) : TToolWindow(parent) {
    setObjectName(QStringLiteral("frmDecoString"));
    setWindowTitle(QStringLiteral("飾り文字"));
    auto* content = new QGridLayout;
    edtText = new QLineEdit(this);
    edtText->setObjectName(QStringLiteral("edtText"));
    edtText->setMaxLength(kMaxText);
    cmbFont = new QComboBox(this);
    cmbFont->setObjectName(QStringLiteral("cmbFont"));
    for (int n = 1; n <= ImageFontCount(); ++n)
        cmbFont->addItem(QStringLiteral("飾り文字 %1").arg(n), n);
    cmbAlign = new QComboBox(this);
    cmbAlign->setObjectName(QStringLiteral("cmbAlign"));
    // In the order of the alignment modes: start, centre, end, spread across.
    cmbAlign->addItems({QStringLiteral("左揃え"), QStringLiteral("中央揃え"), QStringLiteral("右揃え"),
                        QStringLiteral("均等割り付け")});
    const std::pair<const char*, QWidget*> rows[] = {
        {"文字(&T)", edtText}, {"書体(&F)", cmbFont}, {"配置(&A)", cmbAlign}};
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(edit);
        content->addWidget(label, row, 0);
        content->addWidget(edit, row, 1);
        ++row;
    }
    lblSample = new QLabel(this);
    lblSample->setObjectName(QStringLiteral("lblSample"));
    lblSample->setFixedSize(kSampleWidth, kSampleHeight);
    lblSample->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    content->addWidget(lblSample, row++, 0, 1, 2);
    lblNote = new QLabel(this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    lblNote->setWordWrap(true);
    lblNote->setMinimumHeight(lblNote->fontMetrics().lineSpacing() * 2);
    content->addWidget(lblNote, row, 0, 1, 2);
    connect(edtText, &QLineEdit::textChanged, this, [this] { ShowSample(); });
    connect(cmbFont, &QComboBox::currentIndexChanged, this, [this] { ShowSample(); });
    connect(cmbAlign, &QComboBox::currentIndexChanged, this, [this] { ShowSample(); });
    AcceptWhen([this] { return CanAccept(); });
    Finish(content);
    ShowSample();
}

TfrmDecoString::~TfrmDecoString() = default;

void TfrmDecoString::LoadFrom(const TLODecoString& text) {
    edtText->setText(text.Text());
    const int font = cmbFont->findData(text.FontNo());
    cmbFont->setCurrentIndex(font >= 0 ? font : 0);
    cmbAlign->setCurrentIndex(std::clamp(text.Align(), 0, cmbAlign->count() - 1));
    edtText->selectAll();
}

void TfrmDecoString::SaveTo(TLODecoString& text) const {
    text.SetText(edtText->text());
    if (cmbFont->currentIndex() >= 0)
        text.SetFontNo(cmbFont->currentData().toInt());
    text.SetAlignValue(cmbAlign->currentIndex());
    if (text.LogBounds().IsEmpty()) {
        text.SetLogRect(TRect(0, 0, 1, kDefaultHeight));
        text.SetLogRect(TRect(0, 0, std::max(StringWidth(text), 1), kDefaultHeight));
    }
}

void TfrmDecoString::ShowSample() {
    const QString missing = CharactersWithoutGlyphs(edtText->text());
    if (ImageFontCount() == 0)
        lblNote->setText(QStringLiteral("飾り文字のデータが見つかりません。"));
    else if (!missing.isEmpty())
        lblNote->setText(QStringLiteral("「%1」は飾り文字にありません（空白になります）。英数字と ! ? が使えます。")
                             .arg(missing));
    else
        lblNote->setText(QString());
    // The sample is drawn by the object itself, so it shows what the page will.
    TLODecoString sample(nullptr);
    SaveTo(sample);
    QImage image(kSampleWidth, kSampleHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (!sample.Text().isEmpty()) {
        TCanvas canvas(&image);
        // A string wider than the box is shown smaller rather than cut: every glyph is seen.
        const int room = kSampleWidth - 8;
        int height = kSampleHeight - 8;
        sample.SetLogRect(TRect(0, 0, 1, height));
        if (const int width = StringWidth(sample); width > room) {
            height = std::max(1, height * room / width);
            sample.SetLogRect(TRect(0, 0, 1, height));
            // Glyph widths round up at a size: step down until the string fits.
            while (height > 1 && StringWidth(sample) > room)
                sample.SetLogRect(TRect(0, 0, 1, --height));
        }
        const int top = (kSampleHeight - height) / 2;
        sample.DrawDecoString(canvas, TRect(4, top, kSampleWidth - 4, top + height));
        canvas.FreeHandle();
    }
    lblSample->setPixmap(QPixmap::fromImage(image));
}

bool TfrmDecoString::CanAccept() {
    if (ImageFontCount() == 0) {
        AppMessageBox(QStringLiteral("飾り文字のデータが見つかりません。飾り文字は作成できません。"), {bkOK}, 0, 0);
        return false;
    }
    if (edtText->text().trimmed().isEmpty()) {
        AppMessageBox(QStringLiteral("文字を入力してください。"), {bkOK}, 0, 0);
        edtText->setFocus();
        return false;
    }
    return true;
}
