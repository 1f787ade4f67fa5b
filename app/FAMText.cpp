#include "app/FAMText.h"

#include "controls/FColorGrid.h"
#include "controls/UNotePanel.h"
#include "core/UAppFrame.h"
#include "core/UHistoryManager.h"
#include "core/USupportUtil.h"
#include "imaging/UColorFill.h"
#include "imaging/UExifReader.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/TextUtil.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOText.h"
#include "platform/DialogService.h"
#include "platform/Picture.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QSpinBox>
#include <QStyleOption>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr std::array<int, 5> kCharSpacings{-4, -2, 0, 10, 20};
constexpr std::array<int, 5> kLineSpacings{-20, -10, 0, 10, 20};
constexpr int kShadowDirections = 8;
constexpr char kColorProperty[] = "quorlaneColor";

int SpacingOf(const std::array<int, 5>& table, int index) {
    return index >= 0 && index < int(table.size()) ? table[size_t(index)] : 0;
}

int SpacingIndex(const std::array<int, 5>& table, int value) {
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == value)
            return int(i);
    return TfrmAMText::kNormalSpacing;
}

// The memo's frame in the selection colour while the memo has the keys: the style draws a text
// box's frame alike focused or not, and the memo is where a new text's typing goes.
class TMemoFocusStyle : public QProxyStyle {
public:
    static constexpr int kFrameWidth = 2;

    // No base given: the application's style draws, and stays the application's.
    TMemoFocusStyle() : QProxyStyle(nullptr) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        // Room for a ring that shows.
        if (metric == PM_DefaultFrameWidth)
            return std::max(kFrameWidth, QProxyStyle::pixelMetric(metric, option, widget));
        return QProxyStyle::pixelMetric(metric, option, widget);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        if (element != PE_Frame || !(option->state & State_HasFocus))
            return;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::NoPen);
        painter->setBrush(option->palette.color(QPalette::Highlight));
        const QRect r = option->rect;
        const int w = kFrameWidth;
        painter->drawRect(r.left(), r.top(), r.width(), w);
        painter->drawRect(r.left(), r.bottom() - w + 1, r.width(), w);
        painter->drawRect(r.left(), r.top(), w, r.height());
        painter->drawRect(r.right() - w + 1, r.top(), w, r.height());
        painter->restore();
    }
};

QStringList SpacingItems() {
    return {QStringLiteral("もっと狭く"), QStringLiteral("狭く"), QStringLiteral("普通"),
            QStringLiteral("広く"), QStringLiteral("もっと広く")};
}

QToolButton* MakeToolButton(QWidget* parent, const char* name, const QString& caption, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolTip(hint);
    return button;
}

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items, bool editable) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->setEditable(editable);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    return combo;
}

// The texts a selection holds, counted on the site of one of them.
int SelectedTextCount(TDrawObject* object) {
    TDrawSite* site = object->Site();
    if (site == nullptr || !object->Selected())
        return 0;
    TDOList selected;
    site->ListObjects(selected, true);
    int count = 0;
    for (TDrawObject* each : selected)
        count += dynamic_cast<TLOText*>(each) != nullptr ? 1 : 0;
    return count;
}

// How an imported Exif value is shown.
enum TExifShow { esVersion, esText, esDate, esExposure, esShutter, esAperture, esFocal, esFlash, esPixels };

struct TExifTagEntry {
    const char* Caption;
    int Ifd;
    uint16_t Tag;
    TExifShow Show;
};

constexpr TExifTagEntry ExifTagTable[] = {
    {"Exifバージョン", EXIF_EXIFIFD, EXIFTAG_ExifVersion, esVersion},
    {"画像の説明", EXIF_IFD0, 270, esText},
    {"メーカー名", EXIF_IFD0, 271, esText},
    {"機種名", EXIF_IFD0, 272, esText},
    {"撮影日時", EXIF_EXIFIFD, 36867, esDate},
    {"更新日時", EXIF_IFD0, EXIFTAG_DateTime, esDate},
    {"露光時間", EXIF_EXIFIFD, 33434, esExposure},
    {"シャッター速度", EXIF_EXIFIFD, 37377, esShutter},
    {"絞り値", EXIF_EXIFIFD, 37378, esAperture},
    {"レンズ開放F値", EXIF_EXIFIFD, 37381, esAperture},
    {"レンズ焦点距離", EXIF_EXIFIFD, 37386, esFocal},
    {"フラッシュ", EXIF_EXIFIFD, 37385, esFlash},
    {"画像幅", EXIF_EXIFIFD, 40962, esPixels},
    {"画像高", EXIF_EXIFIFD, 40963, esPixels},
};

constexpr int kExifDateLength = 19;

// Two decimals without trailing zeros or point: 10.00 -> "10", 2.80 -> "2.8".
QString ShortDecimal(double value) {
    QString text = QString::number(value, 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// The shown value of a tag; empty when the stored value makes no sense (a zero denominator, a
// power beyond the integers).
QString ExifValue(const TExifReader& reader, const TExifTagEntry& entry) {
    QString text;
    TExifRational rational;
    const auto ratio = [&](double& value) {
        reader.GetRational(entry.Ifd, entry.Tag, rational);
        if (rational.Denominator == 0)
            return false;
        value = double(rational.Numerator) / double(rational.Denominator);
        return true;
    };
    double value = 0;
    switch (entry.Show) {
    case esVersion:
        reader.GetText(entry.Ifd, entry.Tag, text);
        if (text.size() != 4 || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
            return {};
        return QStringLiteral("%1.%2").arg(text.left(2).toInt()).arg(text.mid(2));
    case esText:
        reader.GetText(entry.Ifd, entry.Tag, text);
        return text;
    case esDate:
        reader.GetText(entry.Ifd, entry.Tag, text);
        if (text.size() == kExifDateLength && text[4] == QLatin1Char(':') && text[7] == QLatin1Char(':')) {
            text[4] = QLatin1Char('/');
            text[7] = QLatin1Char('/');
        }
        return text;
    case esExposure:
        reader.GetRational(entry.Ifd, entry.Tag, rational);
        if (rational.Denominator == 0)
            return {};
        return QStringLiteral("%1/%2秒").arg(rational.Numerator).arg(rational.Denominator);
    case esShutter: {
        if (!ratio(value))
            return {};
        const double speed = std::nearbyint(std::exp2(value));
        if (!(speed >= 1 && speed <= double(INT32_MAX)))
            return {};
        return QStringLiteral("1/%1秒").arg(int(speed));
    }
    case esAperture: {
        if (!ratio(value))
            return {};
        const double number = std::pow(std::sqrt(2.0), value);
        if (!std::isfinite(number) || number > double(INT32_MAX))
            return {};
        return QStringLiteral("F") + ShortDecimal(number);
    }
    case esFocal:
        if (!ratio(value))
            return {};
        return QString::number(value, 'f', 2) + QStringLiteral("mm");
    case esFlash:
        return (reader.GetInteger(entry.Ifd, entry.Tag) & 1) != 0 ? QStringLiteral("オン")
                                                                  : QStringLiteral("オフ");
    case esPixels:
        return QStringLiteral("%1ピクセル").arg(reader.GetInteger(entry.Ifd, entry.Tag));
    }
    return {};
}

} // namespace

TfrmAMText::TfrmAMText(QWidget* owner)
    : TEditModePanelBase(owner, "frmAMText"), default_(std::make_unique<TLOText>(nullptr)) {
    pgcEditor = AddTabbedPages({QStringLiteral("文字・フォント"), QStringLiteral("影・縁取り")}, "pgcEditor");

    // ---- the text page
    QWidget* textPage = NewPage(nullptr);
    auto* grid = new QGridLayout(textPage);
    memText = new QPlainTextEdit(textPage);
    memText->setObjectName(QStringLiteral("memText"));
    // Tab leaves the memo as it leaves every other control: a label has no use for tab characters.
    memText->setTabChangesFocus(true);
    // Made after the memo and owned by the panel, so it outlives the memo as the panel goes.
    auto* focusStyle = new TMemoFocusStyle;
    focusStyle->setParent(this);
    memText->setStyle(focusStyle);
    grid->addWidget(memText, 0, 0, 1, 5);
    QStringList faces;
    AssignFontList(faces);
    grid->addWidget(new QLabel(QStringLiteral("フォント"), textPage), 1, 0);
    cmbFontName = MakeCombo(textPage, "cmbFontName", faces, true);
    cmbFontName->setToolTip(QStringLiteral("使用するフォント名を選択するか入力します"));
    grid->addWidget(cmbFontName, 1, 1, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("サイズ"), textPage), 2, 0);
    QStringList sizes;
    for (int size : {6, 7, 8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 32, 36, 48, 72})
        sizes << QString::number(size);
    cmbFontSize = MakeCombo(textPage, "cmbFontSize", sizes, true);
    cmbFontSize->setToolTip(QStringLiteral("使用するフォントのサイズを選択するか入力します"));
    cmbFontSize->setEditText(QString::number(kDefaultFontSize));
    grid->addWidget(cmbFontSize, 2, 1, 1, 2);
    btnFontColor = MakeToolButton(textPage, "btnFontColor", {}, QStringLiteral("文字色"));
    grid->addWidget(new QLabel(QStringLiteral("文字色"), textPage), 2, 3);
    grid->addWidget(btnFontColor, 2, 4);
    grid->addWidget(new QLabel(QStringLiteral("文字間"), textPage), 3, 0);
    cmbCharSpace = MakeCombo(textPage, "cmbCharSpace", SpacingItems(), false);
    grid->addWidget(cmbCharSpace, 3, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("行間"), textPage), 3, 3);
    cmbLineSpace = MakeCombo(textPage, "cmbLineSpace", SpacingItems(), false);
    grid->addWidget(cmbLineSpace, 3, 4);
    grid->addWidget(new QLabel(QStringLiteral("配置"), textPage), 4, 0);
    btnLeftAlign = MakeToolButton(textPage, "btnLeftAlign", QStringLiteral("左"),
                                  QStringLiteral("文字を左寄せにします"));
    btnCentering = MakeToolButton(textPage, "btnCentering", QStringLiteral("中"),
                                  QStringLiteral("文字をセンタリングします"));
    btnRightAlign = MakeToolButton(textPage, "btnRightAlign", QStringLiteral("右"),
                                   QStringLiteral("文字を右寄せにします"));
    btnEquality = MakeToolButton(textPage, "btnEquality", QStringLiteral("均"),
                                 QStringLiteral("文字を均等配置にします"));
    auto* aligns = new QButtonGroup(this);
    int column = 1;
    for (QToolButton* button : {btnLeftAlign, btnCentering, btnRightAlign, btnEquality}) {
        button->setCheckable(true);
        aligns->addButton(button);
        grid->addWidget(button, 4, column++);
    }
    grid->addWidget(new QLabel(QStringLiteral("スタイル"), textPage), 5, 0);
    btnBold = MakeToolButton(textPage, "btnBold", QStringLiteral("B"),
                             QStringLiteral("文字や数字を強調体にします"));
    btnItalic = MakeToolButton(textPage, "btnItalic", QStringLiteral("I"),
                               QStringLiteral("文字や数字を斜体にします"));
    btnUnderline = MakeToolButton(textPage, "btnUnderline", QStringLiteral("U"),
                                  QStringLiteral("文字や数字に下線を付けます"));
    btnStrikeOut = MakeToolButton(textPage, "btnStrikeOut", QStringLiteral("S"),
                                  QStringLiteral("文字や数字に打消し線を付けます"));
    column = 1;
    for (QToolButton* button : {btnBold, btnItalic, btnUnderline, btnStrikeOut}) {
        button->setCheckable(true);
        grid->addWidget(button, 5, column++);
    }
    cbVertical = new QCheckBox(QStringLiteral("縦書き"), textPage);
    cbVertical->setObjectName(QStringLiteral("cbVertical"));
    grid->addWidget(cbVertical, 6, 0, 1, 2);
    cbAutoSize = new QCheckBox(QStringLiteral("文字枠自動調整"), textPage);
    cbAutoSize->setObjectName(QStringLiteral("cbAutoSize"));
    cbAutoSize->setToolTip(QStringLiteral("文字オブジェクトの枠を自動調整します"));
    grid->addWidget(cbAutoSize, 6, 2, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Exif情報"), textPage), 7, 0);
    btnExifInfoFile = new QPushButton(QStringLiteral("ファイルから..."), textPage);
    btnExifInfoFile->setObjectName(QStringLiteral("btnExifInfoFile"));
    btnExifInfoFile->setToolTip(QStringLiteral("イメージファイルからExif情報をインポートします"));
    grid->addWidget(btnExifInfoFile, 7, 1, 1, 2);
    btnExifInfoFilePhoto = new QPushButton(QStringLiteral("写真から..."), textPage);
    btnExifInfoFilePhoto->setObjectName(QStringLiteral("btnExifInfoFilePhoto"));
    btnExifInfoFilePhoto->setToolTip(QStringLiteral("アルバム上の写真からExif情報をインポートします"));
    grid->addWidget(btnExifInfoFilePhoto, 7, 3, 1, 2);
    grid->setRowStretch(0, 1);

    // ---- the effects page
    QWidget* effectPage = NewPage(nullptr);
    auto* effects = new QVBoxLayout(effectPage);
    auto* shadowBox = new QGroupBox(QStringLiteral(" 文字影"), effectPage);
    auto* shadowGrid = new QGridLayout(shadowBox);
    cbShadow = new QCheckBox(QStringLiteral("影を付ける"), shadowBox);
    cbShadow->setObjectName(QStringLiteral("cbShadow"));
    cbShadow->setChecked(true);
    shadowGrid->addWidget(cbShadow, 0, 0, 1, 2);
    shadowGrid->addWidget(new QLabel(QStringLiteral("影の位置"), shadowBox), 1, 0);
    cmbShadow = MakeCombo(shadowBox, "cmbShadow",
                          {QStringLiteral("右下"), QStringLiteral("下"), QStringLiteral("左下"),
                           QStringLiteral("右"), QStringLiteral("左"), QStringLiteral("右上"),
                           QStringLiteral("上"), QStringLiteral("左上")},
                          false);
    shadowGrid->addWidget(cmbShadow, 1, 1);
    shadowGrid->addWidget(new QLabel(QStringLiteral("影の色"), shadowBox), 2, 0);
    btnShadowColor = MakeToolButton(shadowBox, "btnShadowColor", {}, QStringLiteral("影の色"));
    shadowGrid->addWidget(btnShadowColor, 2, 1);
    effects->addWidget(shadowBox);
    auto* outlineBox = new QGroupBox(QStringLiteral(" 縁取り"), effectPage);
    auto* outlineGrid = new QGridLayout(outlineBox);
    cbOutline = new QCheckBox(QStringLiteral("縁取りを付ける"), outlineBox);
    cbOutline->setObjectName(QStringLiteral("cbOutline"));
    cbOutline->setChecked(true);
    outlineGrid->addWidget(cbOutline, 0, 0, 1, 3);
    outlineGrid->addWidget(new QLabel(QStringLiteral("縁取りの太さ"), outlineBox), 1, 0);
    // The width is kept in tenths of a millimetre; the box shows millimetres as its unit says.
    spnOutline = new QDoubleSpinBox(outlineBox);
    spnOutline->setObjectName(QStringLiteral("spnOutline"));
    spnOutline->setDecimals(1);
    spnOutline->setSingleStep(0.1);
    spnOutline->setRange(0.1, kMaxOutlineWidth / 10.0);
    outlineGrid->addWidget(spnOutline, 1, 1);
    outlineGrid->addWidget(new QLabel(QStringLiteral("mm"), outlineBox), 1, 2);
    outlineGrid->addWidget(new QLabel(QStringLiteral("縁取りの色"), outlineBox), 2, 0);
    btnOutlineColor = MakeToolButton(outlineBox, "btnOutlineColor", {}, QStringLiteral("縁取りの色"));
    outlineGrid->addWidget(btnOutlineColor, 2, 1);
    effects->addWidget(outlineBox);
    effects->addStretch(1);

    pgcEditor->AddPage(textPage);
    pgcEditor->AddPage(effectPage);
    btnPastText = AddPasteButton("btnPastText");

    for (QToolButton* button : {btnFontColor, btnShadowColor, btnOutlineColor}) {
        button->setIconSize(QSize(kColorGlyphWidth, kColorGlyphHeight));
        SetButtonColor(button, clBlack);
        connect(button, &QToolButton::clicked, this, [this, button] { DropColors(button); });
    }
    popup_ = new TfrmColorGrid(this);
    popup_->SetAllowTransparent(0);
    popup_->OnSelectColor = [this](TObject*) {
        QToolButton* button = popupButton_;
        popupButton_ = nullptr;
        if (button == nullptr || !button->isDown())
            return;
        SetButtonColor(button, popup_->DefaultColor());
        button->setDown(false);
        Request(button == btnFontColor     ? opFontColor
                : button == btnShadowColor ? opShadowColor
                                           : opOutlineColor);
    };
    popup_->OnCloseUp = [this](TObject*) {
        if (popupButton_ != nullptr)
            popupButton_->setDown(false);
        popupButton_ = nullptr;
    };
    lastFontName_ = cmbFontName->currentText();
    lastFontSize_ = cmbFontSize->currentText();
    history_ = std::make_unique<THistoryManager>(nullptr);
    history_->SetRegistryKey(QStringLiteral("$(UserPhotoHistory)"));

    StartOnPage(pgText);

    // Only committed text reaches the document (a composition in progress does not), and a line
    // break at the end adds no line, so it applies nothing.
    connect(memText, &QPlainTextEdit::textChanged, this, [this] {
        QStringList lines = MemoLines();
        if (lines == memoLines_)
            return;
        memoLines_ = std::move(lines);
        Request(opText);
    });
    // A typed face or size applies when the field is left or Enter is pressed, once.
    const auto fontName = [this] {
        if (cmbFontName->currentText() != lastFontName_) {
            lastFontName_ = cmbFontName->currentText();
            Request(opFontName);
        }
    };
    connect(cmbFontName, &QComboBox::activated, this, fontName);
    connect(cmbFontName->lineEdit(), &QLineEdit::editingFinished, this, fontName);
    const auto fontSize = [this] {
        if (cmbFontSize->currentText() != lastFontSize_) {
            lastFontSize_ = cmbFontSize->currentText();
            Request(opFontSize);
        }
    };
    connect(cmbFontSize, &QComboBox::activated, this, fontSize);
    connect(cmbFontSize->lineEdit(), &QLineEdit::editingFinished, this, fontSize);
    connect(cmbCharSpace, &QComboBox::currentIndexChanged, this, [this] { Request(opCharSpace); });
    connect(cmbLineSpace, &QComboBox::currentIndexChanged, this, [this] { Request(opLineSpace); });
    for (QToolButton* button : {btnLeftAlign, btnCentering, btnRightAlign, btnEquality})
        connect(button, &QToolButton::clicked, this, [this] { Request(opAlign); });
    for (QToolButton* button : {btnBold, btnItalic, btnUnderline, btnStrikeOut})
        connect(button, &QToolButton::clicked, this, [this] { Request(opStyle); });
    connect(cbVertical, &QCheckBox::clicked, this, [this] { Request(opVertical); });
    connect(cbAutoSize, &QCheckBox::clicked, this, [this] { Request(opAutoSize); });
    connect(cbShadow, &QCheckBox::clicked, this, [this] {
        UpdateEffectGroups();
        Request(opShadow);
    });
    connect(cmbShadow, &QComboBox::currentIndexChanged, this, [this] { Request(opShadowPosition); });
    connect(cbOutline, &QCheckBox::clicked, this, [this] {
        UpdateEffectGroups();
        Request(opOutline);
    });
    connect(spnOutline, &QDoubleSpinBox::valueChanged, this, [this] { Request(opOutlineWidth); });
    connect(btnPastText, &QPushButton::clicked, this, [this] { RequestInsert(); });
    connect(btnExifInfoFile, &QPushButton::clicked, this, [this] { ImportExifFromFile(); });
    connect(btnExifInfoFilePhoto, &QPushButton::clicked, this, [this] { ImportExifFromPhoto(); });
}

TfrmAMText::~TfrmAMText() = default;

TColor TfrmAMText::ButtonColor(const QToolButton* button) {
    return TColor(button->property(kColorProperty).toUInt());
}

void TfrmAMText::SetButtonColor(QToolButton* button, TColor color) {
    button->setProperty(kColorProperty, uint(color));
    const auto sample = MakeColorSampleBitmap(color, kColorGlyphWidth, kColorGlyphHeight);
    button->setIcon(QIcon(QPixmap::fromImage(sample->ImageForPainting())));
}

void TfrmAMText::DropColors(QToolButton* button) {
    popup_->SetDefaultColor(ButtonColor(button));
    popupButton_ = button;
    button->setDown(true);
    popup_->DropDown(button, true);
}

QStringList TfrmAMText::MemoLines() const {
    TStringList lines;
    lines.SetText(memText->toPlainText());
    return lines.ToQStringList();
}

void TfrmAMText::Request(TOperation operation) {
    operation_ = operation;
    // With a single photo selected the panel only offers the Exif import.
    if (photo_ == nullptr)
        RequestApply();
}

bool TfrmAMText::ListDropped() const {
    for (QComboBox* combo : {cmbFontName, cmbFontSize, cmbCharSpace, cmbLineSpace})
        if (combo->view()->isVisible())
            return true;
    return false;
}

int TfrmAMText::ShadowCode() const {
    return cbShadow->isChecked() ? kShadowDirections - cmbShadow->currentIndex() : 0;
}

int TfrmAMText::AlignIndex() const {
    if (btnCentering->isChecked())
        return 1;
    if (btnRightAlign->isChecked())
        return 2;
    if (btnEquality->isChecked())
        return 3;
    return 0;
}

void TfrmAMText::UpdateEffectGroups() {
    const bool shadow = cbShadow->isEnabled() && cbShadow->isChecked();
    cmbShadow->setEnabled(shadow);
    btnShadowColor->setEnabled(shadow);
    const bool outline = cbOutline->isEnabled() && cbOutline->isChecked();
    spnOutline->setEnabled(outline);
    btnOutlineColor->setEnabled(outline);
}

void TfrmAMText::Apply(TLOText* text, bool all, bool withText) {
    TPointBasedFont* font = text->Font();
    const auto setName = [&] {
        const QString name = cmbFontName->currentText();
        font->SetName(name);
        font->SetCharset(GetFontCharset(name));
    };
    const auto setSize = [&] {
        bool ok = false;
        int size = cmbFontSize->currentText().trimmed().toInt(&ok);
        if (!ok || size < kMinFontSize || size >= kMaxFontSize)
            size = kDefaultFontSize;
        font->SetSize(size);
    };
    const auto setStyle = [&] {
        TFontStyles style = 0;
        style |= btnBold->isChecked() ? fsBold : 0;
        style |= btnItalic->isChecked() ? fsItalic : 0;
        style |= btnUnderline->isChecked() ? fsUnderline : 0;
        style |= btnStrikeOut->isChecked() ? fsStrikeOut : 0;
        font->SetStyle(style);
    };
    if (!all) {
        switch (operation_) {
        case opFontName:
            setName();
            break;
        case opFontSize:
            setSize();
            break;
        case opFontColor:
            text->TextColor()->SetColor(ButtonColor(btnFontColor));
            break;
        case opShadowColor:
            text->ShadowColor()->SetColor(ButtonColor(btnShadowColor));
            break;
        case opOutlineColor:
            text->OutlineColor()->SetColor(ButtonColor(btnOutlineColor));
            break;
        case opAlign:
            text->SetAlignValue(AlignIndex());
            break;
        case opStyle:
            setStyle();
            break;
        case opCharSpace:
            text->SetCharSpacing(SpacingOf(kCharSpacings, cmbCharSpace->currentIndex()));
            break;
        case opLineSpace:
            text->SetLineSpacing(SpacingOf(kLineSpacings, cmbLineSpace->currentIndex()));
            break;
        case opVertical:
            text->SetVerticalValue(cbVertical->isChecked());
            break;
        case opAutoSize:
            text->SetAutoSizeValue(cbAutoSize->isChecked());
            break;
        case opShadow:
        case opShadowPosition:
            text->SetShadow(ShadowCode());
            break;
        case opOutline:
            text->SetOutline(cbOutline->isChecked());
            break;
        case opOutlineWidth:
            text->SetOutLineWidth(qRound(spnOutline->value() * 10));
            break;
        default:
            break;
        }
    } else {
        if (withText) {
            TStringList lines;
            lines.SetText(memText->toPlainText());
            text->Engine().SetText(lines);
        }
        setName();
        setSize();
        text->TextColor()->SetColor(ButtonColor(btnFontColor));
        text->SetAlignValue(AlignIndex());
        setStyle();
        text->SetCharSpacing(SpacingOf(kCharSpacings, cmbCharSpace->currentIndex()));
        text->SetLineSpacing(SpacingOf(kLineSpacings, cmbLineSpace->currentIndex()));
        // A custom shadow offset shows no direction, and stays as it is.
        text->SetShadow(ShadowCode());
        text->ShadowColor()->SetColor(ButtonColor(btnShadowColor));
        text->SetOutline(cbOutline->isChecked());
        text->SetOutLineWidth(qRound(spnOutline->value() * 10));
        text->OutlineColor()->SetColor(ButtonColor(btnOutlineColor));
        text->SetVerticalValue(cbVertical->isChecked());
        text->SetAutoSizeValue(cbAutoSize->isChecked());
    }
    text->AdjustAutoSize();
}

void TfrmAMText::CopyStyle(TDrawObject* src, TDrawObject* dst) {
    auto* from = dynamic_cast<TLOText*>(src);
    auto* to = dynamic_cast<TLOText*>(dst);
    if (from == nullptr || to == nullptr)
        return;
    to->Font()->Assign(from->Font());
    to->SetAlignValue(from->Align());
    to->TextColor()->SetColor(from->TextColor()->Color());
    to->SetCharSpacing(from->CharSpacing());
    to->SetLineSpacing(from->LineSpacing());
    to->SetOutline(from->Outline());
    to->OutlineColor()->SetColor(from->OutlineColor()->Color());
    to->SetOutLineWidth(from->OutLineWidth());
    to->SetShadowOffsetX(from->ShadowOffsetX());
    to->SetShadowOffsetY(from->ShadowOffsetY());
    to->ShadowColor()->SetColor(from->ShadowColor()->Color());
    to->SetVerticalValue(from->Vertical());
    to->SetAutoSizeValue(from->AutoSize());
    to->AdjustAutoSize();
}

void TfrmAMText::ShowText(TLOText* text) {
    const QSignalBlocker blockMemo(memText);
    // Rewriting equal lines would move the caret while the user types.
    memoLines_ = text->Text()->ToQStringList();
    if (MemoLines() != memoLines_)
        memText->setPlainText(memoLines_.join(QLatin1Char('\n')));
    const bool dropped = ListDropped();
    // A face or size being typed (not yet applied) stays: the idle update shows the selection
    // after every key.
    const auto showTyped = [](QComboBox* combo, const QString& value, QString& last) {
        if (combo->currentText() != last)
            return;
        const QSignalBlocker blocker(combo);
        combo->setEditText(value);
        last = combo->currentText();
    };
    if (!dropped) {
        showTyped(cmbFontName, text->Font()->Name(), lastFontName_);
        showTyped(cmbFontSize, QString::number(text->Font()->Size()), lastFontSize_);
    }
    const std::pair<QToolButton*, TColor> colors[] = {{btnFontColor, text->TextColor()->Color()},
                                                      {btnShadowColor, text->ShadowColor()->Color()},
                                                      {btnOutlineColor, text->OutlineColor()->Color()}};
    for (const auto& [button, color] : colors)
        if (ButtonColor(button) != color)
            SetButtonColor(button, color);
    const std::array<QToolButton*, 4> aligns{btnLeftAlign, btnCentering, btnRightAlign, btnEquality};
    if (text->Align() >= 0 && text->Align() < int(aligns.size()))
        aligns[size_t(text->Align())]->setChecked(true);
    const TFontStyles style = text->Font()->Style();
    btnBold->setChecked((style & fsBold) != 0);
    btnItalic->setChecked((style & fsItalic) != 0);
    btnUnderline->setChecked((style & fsUnderline) != 0);
    btnStrikeOut->setChecked((style & fsStrikeOut) != 0);
    cbAutoSize->setChecked(text->AutoSize());
    cbVertical->setChecked(text->Vertical());
    if (!dropped) {
        const QSignalBlocker chars(cmbCharSpace);
        const QSignalBlocker lines(cmbLineSpace);
        const int charIndex = SpacingIndex(kCharSpacings, text->CharSpacing());
        if (cmbCharSpace->currentIndex() != charIndex)
            cmbCharSpace->setCurrentIndex(charIndex);
        const int lineIndex = SpacingIndex(kLineSpacings, text->LineSpacing());
        if (cmbLineSpace->currentIndex() != lineIndex)
            cmbLineSpace->setCurrentIndex(lineIndex);
    }
    {
        const QSignalBlocker width(spnOutline);
        spnOutline->setValue(text->OutLineWidth() / 10.0);
    }
    cbOutline->setChecked(text->Outline());
    const int shadow = text->Shadow();
    cbShadow->setChecked(shadow != 0);
    {
        const QSignalBlocker position(cmbShadow);
        cmbShadow->setCurrentIndex(shadow != 0 && shadow <= kShadowDirections ? kShadowDirections - shadow
                                   : shadow != 0                              ? -1
                                                                              : 0);
    }
    UpdateEffectGroups();
    lastBounds_ = TRect();
}

void TfrmAMText::ShowObject(TDrawObject* object) {
    if (showing_ || object == nullptr)
        return;
    auto* text = dynamic_cast<TLOText*>(object);
    if (text == nullptr) {
        TRect bounds;
        if (TIntf<IDOEncloseBounds> enclose = Supports<IDOEncloseBounds>(static_cast<TObject*>(object)))
            enclose->GetLogRect(bounds);
        else
            object->GetLogRect(bounds);
        if (bounds != lastBounds_) {
            lastBounds_ = bounds;
            ShowDefault();
        }
        return;
    }
    showing_ = true;
    try {
        ShowText(text);
    } catch (...) {
        showing_ = false;
        throw;
    }
    showing_ = false;
}

void TfrmAMText::ApplyToObject(TDrawObject* object) {
    auto* text = dynamic_cast<TLOText*>(object);
    if (text == nullptr)
        return;
    if (SelectedTextCount(text) > 1) {
        Apply(text, false, false);
        return;
    }
    Apply(text, true, true);
}

void TfrmAMText::ApplyToDefault() {
    Apply(default_.get(), true, true);
    default_->Text()->Clear();
}

void TfrmAMText::ShowDefault() {
    ShowObject(default_.get());
}

void TfrmAMText::InitNewObject(TDrawObject* object) {
    auto* text = dynamic_cast<TLOText*>(object);
    if (text == nullptr)
        return;
    // A pasted text keeps its words; an empty one takes the memo's.
    const TStringList kept(text->Text()->ToQStringList());
    Apply(text, true, true);
    if (kept.Count() > 0)
        text->Engine().SetText(kept);
}

bool TfrmAMText::EnterMemo(bool selectText) {
    if (!memText->isEnabled())
        return false;
    // A hidden memo takes no keys: the effects page may be the one shown.
    SetPage(pgText);
    memText->setFocus(Qt::OtherFocusReason);
    if (selectText)
        memText->selectAll();
    return true;
}

void TfrmAMText::LoadDefaults() {
    TPointBasedFont* font = default_->Font();
    font->SetName(ReadSettingString(QStringLiteral("DefFontName"), QStringLiteral("ＭＳ Ｐゴシック")));
    font->SetCharset(GetFontCharset(font->Name()));
    font->SetSize(ReadSettingInteger(QStringLiteral("DefFontSize"), kDefaultFontSize));
    default_->TextColor()->SetColor(TColor(ReadSettingInteger(QStringLiteral("DefPenColor"), 0)));
    default_->SetAutoSizeValue(true);
}

void TfrmAMText::SaveDefaults() {
    WriteSettingString(QStringLiteral("DefFontName"), default_->Font()->Name());
    WriteSettingInteger(QStringLiteral("DefFontSize"), default_->Font()->Size());
    WriteSettingInteger(QStringLiteral("DefPenColor"), int(default_->TextColor()->Color()));
}

void TfrmAMText::IdleUpdate(TDrawSite* site) {
    TSelectionKind kind = skNone;
    TLOAlbumPhoto* photo = nullptr;
    int photos = 0;
    if (site != nullptr) {
        TDOList selected;
        site->ListObjects(selected, true);
        int texts = 0;
        for (TDrawObject* object : selected) {
            if (dynamic_cast<TLOText*>(object) != nullptr) {
                ++texts;
                continue;
            }
            kind = skOther;
            if (auto* album = dynamic_cast<TLOAlbumPhoto*>(object)) {
                photo = album;
                ++photos;
            }
        }
        if (kind != skOther && texts > 0)
            kind = texts == 1 ? skOneText : skTexts;
        if (selected.Count() != 1 || photos != 1)
            photo = nullptr;
    }
    if (photo != nullptr && !IsPictureEmpty(photo->GetPhotoPicture())) {
        kind = skNone;
        // Copied once for each picture shown, not on every idle; a freed picture's address may come
        // back for another, so its name and size are part of the key.
        TPictureEx* picture = photo->GetPhotoPicture();
        const QString key = QStringLiteral("%1|%2|%3x%4")
                                .arg(quintptr(picture->Graphic()))
                                .arg(picture->ImageID())
                                .arg(picture->Width())
                                .arg(picture->Height());
        if (photo_ == nullptr || photoKey_ != key) {
            photo_ = std::make_unique<TPictureEx>();
            photo_->Assign(picture);
            photoKey_ = key;
        }
    } else {
        photo_.reset();
        photoKey_.clear();
    }
    selectionKind_ = kind;
    const bool settings = kind != skOther;
    for (QWidget* control : std::initializer_list<QWidget*>{
             cmbFontName, cmbFontSize, btnFontColor, cmbCharSpace, cmbLineSpace, btnLeftAlign, btnCentering,
             btnRightAlign, btnEquality, btnBold, btnItalic, btnUnderline, btnStrikeOut, cbVertical,
             cbAutoSize, cbShadow, cbOutline})
        control->setEnabled(settings);
    UpdateEffectGroups();
    memText->setEnabled(kind == skOneText || kind == skNone);
    btnPastText->setEnabled(memText->isEnabled() && !MemoLines().isEmpty());
    btnExifInfoFile->setEnabled(memText->isEnabled());
    btnExifInfoFilePhoto->setEnabled(photo_ != nullptr);
}

QString TfrmAMText::ExifText(const TExifReader& reader, const QString& sourceLine) {
    if (!reader.HasTag(EXIF_IFD0, EXIFTAG_DateTime))
        return {};
    QStringList lines{sourceLine};
    for (const TExifTagEntry& entry : ExifTagTable)
        if (reader.HasTag(entry.Ifd, entry.Tag))
            lines << QString::fromUtf8(entry.Caption) + QLatin1Char(':') + ExifValue(reader, entry);
    return lines.join(QLatin1Char('\n'));
}

void TfrmAMText::ImportExifFromFile() {
    TFileDialogRequest request;
    request.Filter = TPicture::GraphicFilter();
    const TStringList& folders = history_->GetItems();
    if (folders.Count() > 0)
        request.InitialDir = folders.Strings(0);
    QStringList chosen;
    if (!DialogService::Instance().OpenFile(request, chosen) || chosen.isEmpty())
        return;
    TExifReader reader;
    QString text;
    try {
        reader.LoadFromFile(chosen.first());
        text = ExifText(reader, QStringLiteral("ファイル名:") + QFileInfo(chosen.first()).fileName());
    } catch (const std::exception&) {
        // A file that cannot be read holds no Exif information we could show.
        text.clear();
    }
    if (text.isEmpty()) {
        AppShowMessage(QStringLiteral("この画像ファイルはExif情報に対応していません"));
        return;
    }
    memText->setPlainText(text);
}

void TfrmAMText::ImportExifFromPhoto() {
    if (photo_ == nullptr)
        return;
    TExifReader reader;
    QString text;
    try {
        reader.LoadFromPicture(photo_.get());
        const QString name = photo_->ImageID();
        text = ExifText(reader, QStringLiteral("ファイル名:") +
                                    (name.isEmpty() ? QString() : QStringLiteral("[%1]").arg(name)));
    } catch (const std::exception&) {
        text.clear();
    }
    if (text.isEmpty()) {
        AppShowMessage(QStringLiteral("この写真はExif情報に対応していません"));
        return;
    }
    memText->setPlainText(text);
}
