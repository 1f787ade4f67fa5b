#include "app/dialogs/FPaperSelectPanel.h"

#include "app/USharedData.h"
#include "app/dialogs/FEditPaper10.h"
#include "app/dialogs/FEditPaper30.h"
#include "app/dialogs/FPaperSelectExFunc.h"
#include "app/dialogs/UPaperEditing.h"

#include "core/UAppFrame.h"
#include "core/UHistoryManager.h"
#include "imaging/UImagePack.h"
#include "pageobjects/layout/UStringUtil.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULOFace.h"
#include "papers/UPaperImages.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UPapersUI.h"
#include "papers/printing/UmPrinterForm.h"
#include "platform/Component.h"
#include "platform/Cp932.h"
#include "platform/Printer.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kUserDefinedPaperCode = 256;
constexpr int kGenreItemHeight = 48;
// The paper name column's width at least.
constexpr int kNameColumnWidth = 220;
constexpr int kGenreItemMinWidth = 64;
constexpr int kGenreIcon = 32;
// The focus ring's distance inside a genre's cell.
constexpr int kGenreFocusInset = 2;
constexpr int kGenreCaptionGap = 2;
// The icon strip: as listed, then selected, a row per genre after a first row for any paper.
constexpr int kGenreIconColumns = 2;
constexpr int kGenreIconRows = 6;
constexpr int kToEditGlyph = 32;
constexpr int kPreviewMinWidth = 220;
constexpr int kPreviewMinHeight = 160;
constexpr int kDropDownLines = 20;
constexpr int kSearchDropDownLines = 10;
constexpr int kUsedPaperLimit = 20;
// The sheet that receives the chosen paper.
constexpr int kPaperSheet = 2;
const QColor kGenreSelectedColor(0x31, 0x6A, 0xC5);
enum TPaperColumn { pcName, pcSize, pcPhotoSize, pcGroup, pcCompany, pcCount };

quint64 SizeKey(int width, int height) {
    return (quint64(quint32(width)) << 32) | quint32(height);
}

QString Millimetres(int tenths) {
    const int whole = tenths / 10;
    const int rest = std::abs(tenths % 10);
    return rest == 0 ? QString::number(whole) : QStringLiteral("%1.%2").arg(whole).arg(rest);
}

QString Setting(const char* name) {
    return QString::fromLatin1(name);
}

// Orientation chosen per paper name during this run.
QHash<QString, bool>& ChosenOrientations() {
    static QHash<QString, bool> map;
    return map;
}

std::unique_ptr<TPaperInfo> CopyPaper(const TPaperInfo& paper) {
    std::unique_ptr<TPaperInfo> copy(static_cast<TPaperInfo*>(paper.NewInstance(nullptr)));
    copy->Assign(&paper);
    return copy;
}

// Sorts by CP932 bytes rather than UTF-16 units.
class TPaperItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return ComparePaperText(text(column), other.text(column)) < 0;
    }
};

// Genre cells: the genre's icon at the top, its caption below; selected or focused cells in the
// selection colour with white text. The list's width is shared by its five cells.
class TGenreDelegate : public QStyledItemDelegate {
public:
    TGenreDelegate(std::vector<QImage> icons, QListWidget* list)
        : QStyledItemDelegate(list), icons_(std::move(icons)), list_(list) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool marked = option.state & (QStyle::State_Selected | QStyle::State_HasFocus);
        painter->save();
        painter->fillRect(option.rect, marked ? kGenreSelectedColor : QColor(Qt::white));
        const size_t icon = size_t(kGenreIconColumns * index.row() + kGenreIconColumns + (marked ? 1 : 0));
        if (icon < icons_.size())
            painter->drawImage(QRect(option.rect.left() + (option.rect.width() - kGenreIcon) / 2,
                                     option.rect.top(), kGenreIcon, kGenreIcon),
                               icons_[icon]);
        painter->setPen(marked ? Qt::white : Qt::black);
        const QRect text = option.rect.adjusted(0, kGenreIcon + kGenreCaptionGap, 0, 0);
        painter->drawText(text, Qt::AlignHCenter | Qt::AlignTop,
                          option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(),
                                                        Qt::ElideRight, text.width()));
        // The chosen genre is marked whether or not the list has the keys: the ring tells it does.
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.rect = option.rect.adjusted(kGenreFocusInset, kGenreFocusInset, -kGenreFocusInset,
                                              -kGenreFocusInset);
            const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, option.widget);
        }
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {std::max(kGenreItemMinWidth, list_->viewport()->width() / TfrmPaperSelectPanel::kGenreCount),
                kGenreItemHeight};
    }

private:
    std::vector<QImage> icons_;
    QListWidget* list_;
};

} // namespace

QString NormalizeSearchText(const QString& text) {
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    QString wide = HanToZen(upper);
    // Full-width letters are upper-cased too, so a product number typed in either width and
    // either case finds the same papers.
    for (QChar& c : wide)
        if (c >= QChar(0xFF41) && c <= QChar(0xFF5A))
            c = QChar(c.unicode() - 0xFF41 + 0xFF21);
    return HiraganaToKatakana(wide);
}

namespace {

bool NameHolds(const QString& key, const TStringList* synonyms, const QString& normalizedName) {
    if (normalizedName.contains(key))
        return true;
    if (synonyms)
        for (int i = 0; i + 1 < synonyms->Count(); i += 2)
            if ((*synonyms)[i] == key && normalizedName.contains((*synonyms)[i + 1]))
                return true;
    return false;
}

} // namespace

bool MatchesFilter(const TPaperFilter& filter, const TPaperInfoUI& entry, const QString& normalizedName) {
    if (filter.Genre >= 0 && entry.GenreIndex != filter.Genre)
        return false;
    if (filter.MakerIndex > 0 && !filter.Maker.isEmpty() && filter.Maker != entry.Company)
        return false;
    if (filter.GroupIndex > 0 && !filter.Group.isEmpty() && filter.Group != entry.GroupName)
        return false;
    if (filter.Genre >= 0 || filter.SearchKey.isEmpty())
        return true;
    if (NameHolds(filter.SearchKey, filter.Synonyms, normalizedName))
        return true;
    // Words in any order: the maker and the product number ("L7160 Avery"), or a reading and a
    // face count, each found on its own.
    const QStringList words = QString(filter.SearchKey)
                                  .replace(QChar(0x3000), QLatin1Char(' '))
                                  .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2)
        return false;
    return std::all_of(words.begin(), words.end(),
                       [&](const QString& word) { return NameHolds(word, filter.Synonyms, normalizedName); });
}

QString MapPaperName(const QString& name, const TStringList& v1ToV2, const TStringList& v2ToV3) {
    QString result = name;
    if (v1ToV2.IndexOfName(result) >= 0)
        result = v1ToV2.Values(result);
    if (v2ToV3.IndexOfName(result) >= 0)
        return v2ToV3.Values(result);
    const int blank = result.indexOf(QLatin1Char(' '));
    return blank < 0 ? result : result.mid(blank + 1);
}

TFormSizeTable MakeFormSizeTable() {
    TFormSizeTable table;
    const QStringList& printers = Printer().Printers();
    const int index = Printer().PrinterIndex();
    const QString device = index >= 0 && index < printers.size() ? printers[index] : QString();
    TIntf<ImPrinterForm> forms = CreatePrinterForm(device, QString(), nullptr);
    const int count = forms->GetFormList()->GetCount();
    for (int i = 0; i < count; ++i) {
        TIntf<ImFormInfo> form = forms->GetForm(i);
        if (form->GetPaperID() == kUserDefinedPaperCode)
            continue;
        const TPoint size = form->GetSize();
        const quint64 key = SizeKey(size.X, size.Y);
        if (!table.contains(key)) // the first form of a size names it
            table.insert(key, form->GetName());
    }
    return table;
}

QString FormatPaperSize(const TFormSizeTable& forms, int width, int height) {
    const auto found = forms.constFind(SizeKey(width, height));
    if (found != forms.constEnd())
        return *found;
    return QStringLiteral("%1x%2mm").arg(Millimetres(width), Millimetres(height));
}

int ComparePaperText(const QString& a, const QString& b) {
    const QByteArray x = Cp932::Encode(a);
    const QByteArray y = Cp932::Encode(b);
    const int common = int(std::min(x.size(), y.size()));
    const int c = common > 0 ? std::memcmp(x.constData(), y.constData(), size_t(common)) : 0;
    if (c != 0)
        return c < 0 ? -1 : 1;
    return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

// ---- search frame

TframeSearchPaper::TframeSearchPaper(QWidget* parent)
    : QGroupBox(QStringLiteral("用紙名の検索"), parent), owner_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frameSearchPaper"));
    auto* layout = new QHBoxLayout(this);
    cbSearch = new QComboBox(this);
    cbSearch->setObjectName(QStringLiteral("cbSearch"));
    cbSearch->setEditable(true);
    cbSearch->setInsertPolicy(QComboBox::NoInsert);
    cbSearch->setMaxVisibleItems(kSearchDropDownLines);
    btnSearch = new QPushButton(QStringLiteral("検索"), this);
    btnSearch->setObjectName(QStringLiteral("btnSearch"));
    layout->addWidget(cbSearch, 1);
    layout->addWidget(btnSearch);
    hmSearch = new THistoryManager(owner_.get());
    hmSearch->SetRegistryKey(QStringLiteral("$(FindPaperHistory)"));
    connect(btnSearch, &QPushButton::clicked, this, &TframeSearchPaper::Search);
    connect(cbSearch->lineEdit(), &QLineEdit::returnPressed, this, &TframeSearchPaper::Search);
    // The drop-down shows the search history.
    cbSearch->addItems(hmSearch->GetItems().ToQStringList());
    cbSearch->setEditText(QString());
}

TframeSearchPaper::~TframeSearchPaper() = default;

void TframeSearchPaper::Search() {
    const QString text = cbSearch->currentText();
    if (OnSearch)
        OnSearch();
    // The papers found are shown first: the history is a write of the settings file (waiting for
    // the disk), done once the list is on screen.
    if (!text.isEmpty())
        QTimer::singleShot(0, this, [this, text] { KeepInHistory(text); });
}

void TframeSearchPaper::KeepInHistory(const QString& text) {
    hmSearch->Add(text);
    const QSignalBlocker block(cbSearch);
    const QString shown = cbSearch->currentText();
    cbSearch->clear();
    cbSearch->addItems(hmSearch->GetItems().ToQStringList());
    cbSearch->setEditText(shown);
}

// ---- panel

TfrmPaperSelectPanel::TfrmPaperSelectPanel(TPapersV2& papers, QWidget* parent)
    : QWidget(parent), papers_(papers), owner_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmPaperSelectPanel"));
    setWindowTitle(QStringLiteral("用紙の選択"));
    setProperty("HelpContext", 8006);
    setAutoFillBackground(true);
    forms_ = MakeFormSizeTable();
    LoadTables();
    hmUsedPaper_ = new THistoryManager(owner_.get());
    hmUsedPaper_->SetRegistryKey(QStringLiteral("$(UsedPaperHistory)"));
    hmUsedPaper_->SetLimit(kUsedPaperLimit);
    Build();
    frameExFunc->SetPapers(&papers_, actResetPapers);
    model_ = std::make_unique<TPapersUI>(papers_);
    RebuildModel();
    RefreshGenre(false);
    papersListener_ = std::make_shared<TPapersV2::ChangeListener>([this] { actResetPapers->trigger(); });
    papers_.AddChangeListener(papersListener_);
}

void TfrmPaperSelectPanel::LoadTables() {
    for (TStringList* table : {&synonyms_, &genreInfo_, &v1ToV2_, &v2ToV3_, &v2ToV3Group_})
        table->Clear();
    papers_.LoadGlobalInfo(QStringLiteral("SearchExtKeyInfo"), synonyms_);
    papers_.LoadGlobalInfo(QStringLiteral("GenreInfo"), genreInfo_);
    papers_.LoadGlobalInfo(QStringLiteral("V1ToV2PaperInfo"), v1ToV2_);
    papers_.LoadGlobalInfo(QStringLiteral("V2ToV3PaperInfo"), v2ToV3_);
    papers_.LoadGlobalInfo(QStringLiteral("V2ToV3GroupInfo"), v2ToV3Group_);
}

TfrmPaperSelectPanel::~TfrmPaperSelectPanel() {
    PaperSite->SetPaperInfo(nullptr);
}

void TfrmPaperSelectPanel::Build() {
    auto* main = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    main->addLayout(left, 1);

    auto* genreLabel = new QLabel(QStringLiteral("用紙ジャンル(&J)"), this);
    lbGenre = new QListWidget(this);
    lbGenre->setObjectName(QStringLiteral("lbGenre"));
    lbGenre->setToolTip(QStringLiteral("用紙ジャンルを選択します"));
    lbGenre->setFlow(QListView::LeftToRight);
    lbGenre->setWrapping(false);
    std::vector<QImage> icons;
    TMatrixImagePack* genreIcons =
        CreateResourcePack(owner_.get(), QStringLiteral("PaperGroup"), kGenreIconColumns, kGenreIconRows);
    for (int i = 0; i < kGenreIconColumns * kGenreIconRows; ++i)
        icons.push_back(PackCellImage(genreIcons, i));
    lbGenre->setItemDelegate(new TGenreDelegate(std::move(icons), lbGenre));
    lbGenre->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbGenre->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbGenre->setResizeMode(QListView::Adjust);
    lbGenre->setFixedHeight(kGenreItemHeight + 2 * lbGenre->frameWidth());
    for (const char* text : {"★最近使った用紙★", "アルバム専用紙", "定形", "フォト用紙", "ユーザー定義"})
        lbGenre->addItem(QString::fromUtf8(text));
    genreLabel->setBuddy(lbGenre);
    left->addWidget(genreLabel);
    left->addWidget(lbGenre);

    auto* filters = new QGridLayout;
    auto* makerLabel = new QLabel(QStringLiteral("用紙メーカー(&M)"), this);
    cbMaker = new QComboBox(this);
    cbMaker->setObjectName(QStringLiteral("cbMaker"));
    cbMaker->setToolTip(QStringLiteral("用紙メーカーを選びます"));
    cbMaker->setMaxVisibleItems(kDropDownLines);
    makerLabel->setBuddy(cbMaker);
    auto* groupLabel = new QLabel(QStringLiteral("用途(&G)"), this);
    cbGroup = new QComboBox(this);
    cbGroup->setObjectName(QStringLiteral("cbGroup"));
    cbGroup->setToolTip(QStringLiteral("用紙の用途を選びます"));
    cbGroup->setMaxVisibleItems(kDropDownLines);
    groupLabel->setBuddy(cbGroup);
    filters->addWidget(makerLabel, 0, 0);
    filters->addWidget(cbMaker, 1, 0);
    filters->addWidget(groupLabel, 0, 1);
    filters->addWidget(cbGroup, 1, 1);
    left->addLayout(filters);

    frameSearchPaper = new TframeSearchPaper(this);
    frameSearchPaper->OnSearch = [this] { RunSearch(); };
    left->addWidget(frameSearchPaper);

    auto* listLabel = new QLabel(QStringLiteral("用紙名(&N)"), this);
    lvPaper = new QTreeWidget(this);
    lvPaper->setObjectName(QStringLiteral("lvPaper"));
    lvPaper->setColumnCount(pcCount);
    lvPaper->setHeaderLabels({QStringLiteral("用紙名"), QStringLiteral("用紙サイズ"),
                              QStringLiteral("写真サイズ"), QStringLiteral("用途"),
                              QStringLiteral("メーカー名")});
    lvPaper->setRootIsDecorated(false);
    lvPaper->setUniformRowHeights(true);
    lvPaper->setSelectionMode(QAbstractItemView::SingleSelection);
    lvPaper->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvPaper->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvPaper->header()->setSectionsClickable(true);
    lvPaper->header()->setSortIndicatorShown(false);
    lvPaper->setColumnWidth(pcName, kNameColumnWidth);
    // The names, not an empty last column, take the room a wide window gives.
    lvPaper->header()->setStretchLastSection(false);
    lvPaper->installEventFilter(this);
    listLabel->setBuddy(lvPaper);
    left->addWidget(listLabel);
    left->addWidget(lvPaper, 1);

    auto* details = new QGroupBox(QStringLiteral("詳細情報"), this);
    auto* detailsLayout = new QVBoxLayout(details);
    memoInfo = new QPlainTextEdit(details);
    memoInfo->setObjectName(QStringLiteral("memoInfo"));
    memoInfo->setReadOnly(true);
    memoInfo->setToolTip(QStringLiteral("用紙の詳細情報が表示されます"));
    memoInfo->setFixedHeight(72);
    memoInfo->setFocusPolicy(Qt::NoFocus);
    detailsLayout->addWidget(memoInfo);
    left->addWidget(details);

    auto* right = new QVBoxLayout;
    main->addLayout(right);
    auto* preview = new QGroupBox(QStringLiteral("用紙イメージ"), this);
    auto* previewLayout = new QVBoxLayout(preview);
    pnlPreview = new QWidget(preview);
    pnlPreview->setObjectName(QStringLiteral("pnlPreview"));
    // The preview takes the height the column leaves; the paper is fitted again on each resize.
    pnlPreview->setMinimumSize(kPreviewMinWidth, kPreviewMinHeight);
    pnlPreview->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pnlPreview->installEventFilter(this);
    previewLayout->addWidget(pnlPreview);
    PaperSite = new TPaperSite(owner_.get(), pnlPreview);
    // Without a paper the frame keeps its place and says why it is empty.
    lblNoPaper = new QLabel(pnlPreview);
    lblNoPaper->setObjectName(QStringLiteral("lblNoPaper"));
    lblNoPaper->setAlignment(Qt::AlignCenter);
    lblNoPaper->setWordWrap(true);
    lblNoPaper->hide();
    PaperSite->setEnabled(false);
    right->addWidget(preview, 1);

    auto* orientation = new QGroupBox(QStringLiteral("用紙方向"), this);
    auto* orientationLayout = new QHBoxLayout(orientation);
    rbPortrait = new QRadioButton(QStringLiteral("縦長"), orientation);
    rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
    rbPortrait->setChecked(true);
    rbLandscape = new QRadioButton(QStringLiteral("横長"), orientation);
    rbLandscape->setObjectName(QStringLiteral("rbLandscape"));
    orientationLayout->addWidget(rbPortrait);
    orientationLayout->addWidget(rbLandscape);
    right->addWidget(orientation);

    auto* side = new QGroupBox(QStringLiteral("編集面"), this);
    auto* sideLayout = new QVBoxLayout(side);
    rbFront = new QRadioButton(QStringLiteral("片面(表面)"), side);
    rbFront->setObjectName(QStringLiteral("rbFront"));
    rbFront->setChecked(true);
    rbBoth = new QRadioButton(QStringLiteral("両面"), side);
    rbBoth->setObjectName(QStringLiteral("rbBoth"));
    rbBack = new QRadioButton(QStringLiteral("片面(裏面)"), side);
    rbBack->setObjectName(QStringLiteral("rbBack"));
    for (QRadioButton* button : {rbFront, rbBoth, rbBack})
        sideLayout->addWidget(button);
    right->addWidget(side);

    gbEditPaper = new QGroupBox(QStringLiteral("用紙編集"), this);
    auto* editLayout = new QHBoxLayout(gbEditPaper);
    btnNewPaper = new QPushButton(QStringLiteral("新規登録"), gbEditPaper);
    btnNewPaper->setObjectName(QStringLiteral("btnNewPaper"));
    btnEditPaper = new QPushButton(QStringLiteral("用紙編集"), gbEditPaper);
    btnEditPaper->setObjectName(QStringLiteral("btnEditPaper"));
    btnDeletePaper = new QPushButton(QStringLiteral("用紙削除"), gbEditPaper);
    btnDeletePaper->setObjectName(QStringLiteral("btnDeletePaper"));
    btnDeletePaper->hide();
    for (QPushButton* button : {btnNewPaper, btnEditPaper, btnDeletePaper})
        editLayout->addWidget(button);
    right->addWidget(gbEditPaper);
    frameExFunc = new TframePaperSelectExFunc(this);
    right->addWidget(frameExFunc);
    frameExFunc->hide();

    btnToEdit = new QPushButton(QStringLiteral("編集画面へ"), this);
    btnToEdit->setObjectName(QStringLiteral("btnToEdit"));
    btnToEdit->setMinimumHeight(48);
    // Enter on the focused button goes on too.
    btnToEdit->setAutoDefault(true);
    // Image 0 of the strip, its disabled face beside it.
    const std::vector<QIcon> toEdit = LoadImageList(QStringLiteral("TOEDIT"));
    if (toEdit.size() >= 2) {
        QIcon glyph = toEdit[0];
        glyph.addPixmap(toEdit[1].pixmap(kToEditGlyph), QIcon::Disabled);
        btnToEdit->setIcon(glyph);
        btnToEdit->setIconSize(QSize(kToEditGlyph, kToEditGlyph));
    }
    right->addWidget(btnToEdit);

    actOK = new QAction(QStringLiteral("次へ >>"), this);
    actOK->setObjectName(QStringLiteral("actOK"));
    actFix = new QAction(this);
    actFix->setObjectName(QStringLiteral("actFix"));
    actResetPapers = new QAction(this);
    actResetPapers->setObjectName(QStringLiteral("actResetPapers"));

    // Clicking the selected genre (or Space on it) takes the choice back: every paper, and the search.
    const auto genreChanged = [this] {
        if (!genreGuard_ && SelectedGenre() != shownGenre_)
            RefreshGenre(true);
    };
    connect(lbGenre, &QListWidget::currentRowChanged, this, genreChanged);
    connect(lbGenre, &QListWidget::itemSelectionChanged, this, genreChanged);
    lbGenre->viewport()->installEventFilter(this);
    lbGenre->installEventFilter(this);
    for (QComboBox* combo : {cbMaker, cbGroup})
        connect(combo, &QComboBox::activated, this, [this] {
            FillPaperList();
            SelectItem(lvPaper->topLevelItem(0));
        });
    // A click makes the row current before it selects it, keys the other way round: the paper is
    // shown once both hold, and once only.
    const auto listChanged = [this] {
        if (SelectedItem() != shownItem_)
            ShowSelectedPaper();
    };
    connect(lvPaper, &QTreeWidget::currentItemChanged, this, listChanged);
    connect(lvPaper, &QTreeWidget::itemSelectionChanged, this, listChanged);
    connect(lvPaper, &QTreeWidget::itemDoubleClicked, actOK, &QAction::trigger);
    connect(lvPaper->header(), &QHeaderView::sectionClicked, this, &TfrmPaperSelectPanel::SortByColumn);
    for (QRadioButton* button : {rbPortrait, rbLandscape, rbFront, rbBoth, rbBack})
        connect(button, &QRadioButton::clicked, this, [this] { ShowSelectedPaper(); });
    connect(btnToEdit, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        if (NextAction && actOK->isEnabled())
            NextAction->trigger();
    });
    connect(actFix, &QAction::triggered, this, &TfrmPaperSelectPanel::Fix);
    connect(actResetPapers, &QAction::triggered, this, [this] {
        LoadTables();
        RebuildModel();
        RefreshGenre(true);
    });
    connect(btnDeletePaper, &QPushButton::clicked, this, &TfrmPaperSelectPanel::DeleteSelectedPaper);
    connect(btnNewPaper, &QPushButton::clicked, this, [this] { EditPaper(true); });
    connect(btnEditPaper, &QPushButton::clicked, this, [this] { EditPaper(false); });
}

void TfrmPaperSelectPanel::FitNameColumn() {
    QHeaderView* header = lvPaper->header();
    int others = 0;
    for (int column = 0; column < pcCount; ++column)
        if (column != pcName)
            others += header->sectionSize(column);
    const int room = lvPaper->viewport()->width() - others;
    const int shown = header->sectionSize(pcName);
    lvPaper->resizeColumnToContents(pcName);
    const int wanted = std::max(kNameColumnWidth, std::min(header->sectionSize(pcName), room));
    if (wanted != header->sectionSize(pcName) || wanted != shown)
        lvPaper->setColumnWidth(pcName, wanted);
    // Room the names leave goes to the other columns whose texts it cut ("レター / ANSI A").
    int left = lvPaper->viewport()->width() - header->length();
    for (int column = 0; column < pcCount && left > 0; ++column) {
        if (column == pcName)
            continue;
        const int width = header->sectionSize(column);
        lvPaper->resizeColumnToContents(column);
        const int fitted = std::clamp(header->sectionSize(column), width, width + left);
        lvPaper->setColumnWidth(column, fitted);
        left -= fitted - width;
    }
}

bool TfrmPaperSelectPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvPaper && event->type() == QEvent::Resize)
        QTimer::singleShot(0, this, [this] { FitNameColumn(); });
    if (watched == pnlPreview && event->type() == QEvent::Resize) {
        lblNoPaper->setGeometry(pnlPreview->rect());
        if (previewPaper_)
            ShowPreview();
        return false;
    }
    if (watched == lbGenre->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QListWidgetItem* item = lbGenre->itemAt(mouse->position().toPoint());
        if (mouse->button() == Qt::LeftButton && mouse->modifiers() == Qt::NoModifier && item &&
            item->isSelected()) {
            lbGenre->clearSelection();
            return true;
        }
    }
    if (watched == lbGenre && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        QListWidgetItem* item = lbGenre->currentItem();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && item) {
            item->setSelected(!item->isSelected());
            return true;
        }
    }
    if (watched == lvPaper && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            actOK->trigger();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmPaperSelectPanel::RebuildModel() {
    model_->Refresh();
    model_->SetGenreIndexes(kGenreUser, -1);
    // "GenreInfo" maps a group to a genre's index, so the model looks the value up among the
    // indexes of the genre list.
    TStringList genres;
    for (int i = 0; i < lbGenre->count(); ++i)
        genres.Add(QString::number(i));
    model_->SetGenres(genres, genreInfo_);
    normalizedNames_.clear();
    normalizedNames_.reserve(size_t(model_->GetCount()));
    for (int i = 0; i < model_->GetCount(); ++i)
        normalizedNames_.push_back(NormalizeSearchText(model_->GetItem(i).PaperName));
}

int TfrmPaperSelectPanel::SelectedGenre() const {
    const QListWidgetItem* item = lbGenre->currentItem();
    return item && item->isSelected() ? lbGenre->row(item) : -1;
}

void TfrmPaperSelectPanel::SelectGenreQuietly(int genre) {
    genreGuard_ = true;
    if (genre >= 0 && genre < lbGenre->count()) {
        lbGenre->setCurrentRow(genre);
    } else {
        lbGenre->setCurrentRow(-1);
        lbGenre->clearSelection();
    }
    genreGuard_ = false;
}

TPaperFilter TfrmPaperSelectPanel::CurrentFilter() const {
    TPaperFilter filter;
    filter.Genre = SelectedGenre();
    filter.MakerIndex = cbMaker->currentIndex();
    filter.Maker = cbMaker->currentText();
    filter.GroupIndex = cbGroup->currentIndex();
    filter.Group = cbGroup->currentText();
    filter.SearchKey = searchKey_;
    filter.Synonyms = &synonyms_;
    return filter;
}

void TfrmPaperSelectPanel::RefreshGenre(bool fill) {
    const int genre = SelectedGenre();
    shownGenre_ = genre;
    frameSearchPaper->setVisible(genre < 0);
    const QString maker = cbMaker->currentText();
    const QString group = cbGroup->currentText();
    if (genre == kGenreRecent)
        model_->SetGenreOfPapers(hmUsedPaper_->GetItems(), kGenreRecent);
    else
        model_->AssignGenres();
    TStringList makers, groups;
    const QString allMakers = QStringLiteral("すべてのメーカー");
    const QString allGroups = QStringLiteral("すべての用途");
    if (genre >= 0) {
        model_->GetCompaniesOfGenre(makers, allMakers, genre, QString());
        model_->GetGroupsOfGenre(groups, allGroups, genre, QString());
    } else {
        model_->GetCompanies(makers, allMakers, QString());
        model_->GetGroups(groups, allGroups, QString());
    }
    const auto refill = [](QComboBox* combo, const TStringList& items, const QString& keep) {
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(items.ToQStringList());
        combo->setEnabled(combo->count() > 0);
        if (combo->isEnabled())
            combo->setCurrentIndex(std::max(0, combo->findText(keep, Qt::MatchExactly)));
    };
    refill(cbMaker, makers, maker);
    refill(cbGroup, groups, group);
    if (fill) {
        FillPaperList();
        SelectItem(lvPaper->topLevelItem(0));
    }
}

void TfrmPaperSelectPanel::FillPaperList() {
    const TPaperFilter filter = CurrentFilter();
    QList<QTreeWidgetItem*> items;
    for (int i = 0; i < model_->GetCount(); ++i) {
        const TPaperInfoUI& entry = model_->GetItem(i);
        if (!MatchesFilter(filter, entry, normalizedNames_[size_t(i)]))
            continue;
        const TPaperInfo* paper = &papers_.PeekPaper(entry.PaperIndex);
        auto* item = new TPaperItem(
            QStringList{entry.PaperName, FormatPaperSize(forms_, paper->StoredWidth(), paper->StoredHeight()),
                        entry.PhotoSize, entry.GroupName, entry.Company});
        item->setData(pcName, Qt::UserRole, entry.PaperIndex);
        items.append(item);
    }
    lvPaper->setUpdatesEnabled(false);
    {
        const QSignalBlocker block(lvPaper);
        lvPaper->clear();
        lvPaper->addTopLevelItems(items);
    }
    FitNameColumn();
    lvPaper->setUpdatesEnabled(true);
    ShowSelectedPaper();
}

void TfrmPaperSelectPanel::SelectItem(QTreeWidgetItem* item) {
    lvPaper->setCurrentItem(item);
    if (item) {
        item->setSelected(true);
        lvPaper->scrollToItem(item);
    }
    ShowSelectedPaper();
}

QTreeWidgetItem* TfrmPaperSelectPanel::FindItem(const QString& caption) const {
    for (int i = 0; i < lvPaper->topLevelItemCount(); ++i)
        if (lvPaper->topLevelItem(i)->text(pcName) == caption)
            return lvPaper->topLevelItem(i);
    return nullptr;
}

void TfrmPaperSelectPanel::SortByColumn(int column) {
    if (column == lastSortColumn_) {
        lvPaper->sortItems(column, Qt::DescendingOrder);
        lastSortColumn_ = -1;
    } else {
        lvPaper->sortItems(column, Qt::AscendingOrder);
        lastSortColumn_ = column;
    }
}

QTreeWidgetItem* TfrmPaperSelectPanel::SelectedItem() const {
    QTreeWidgetItem* item = lvPaper->currentItem();
    return item && item->isSelected() ? item : nullptr;
}

TPaperInfo* TfrmPaperSelectPanel::GetSelectedPaper() const {
    const QTreeWidgetItem* item = SelectedItem();
    if (!item)
        return nullptr;
    const int index = item->data(pcName, Qt::UserRole).toInt();
    return index >= 0 && index < papers_.GetCount() ? papers_.GetPaper(index) : nullptr;
}

bool TfrmPaperSelectPanel::ChosenLandscape(const TPaperInfo& paper) {
    return ChosenOrientations().value(paper.PaperName, paper.Landscape);
}

std::unique_ptr<TPaperInfo> TfrmPaperSelectPanel::CopySelectedPaper() const {
    const TPaperInfo* paper = GetSelectedPaper();
    if (!paper)
        return nullptr;
    std::unique_ptr<TPaperInfo> copy = CopyPaper(*paper);
    copy->Landscape = ChosenLandscape(*paper);
    return copy;
}

int TfrmPaperSelectPanel::GetFaceSide() const {
    if (rbBoth->isEnabled() && rbBoth->isChecked())
        return 2;
    if (rbBack->isEnabled() && rbBack->isChecked())
        return 1;
    return 0;
}

void TfrmPaperSelectPanel::ShowSelectedPaper() {
    shownItem_ = SelectedItem();
    const TPaperInfo* paper = GetSelectedPaper();
    PaperSite->setVisible(paper != nullptr);
    lblNoPaper->setVisible(paper == nullptr);
    if (!paper) {
        lblNoPaper->setText(lvPaper->topLevelItemCount() == 0 ? QStringLiteral("この分類には用紙がありません")
                                                              : QStringLiteral("用紙を選んでください"));
        lblNoPaper->setGeometry(pnlPreview->rect());
        memoInfo->clear();
        UpdateButtons();
        return;
    }
    ChosenOrientations().insert(paper->PaperName, rbLandscape->isChecked());
    const auto album = papers_.GetExtraInfo(QStringLiteral("ExtraAlbumInfo"), paper->PaperName);
    const auto* albumInfo = dynamic_cast<const TExAlbumInfo*>(album.get());
    const bool canReverse = albumInfo && albumInfo->CanReverse;
    for (QRadioButton* button : {rbFront, rbBoth, rbBack})
        button->setEnabled(canReverse);

    ShowPreview();
    const bool landscape = previewPaper_->Landscape;

    QStringList lines;
    if (const auto* matrix = dynamic_cast<const TMatrixPaperInfo*>(paper))
        // Across and down as the preview shows them: a turned paper swaps them.
        lines << QStringLiteral("面数: %1x%2")
                     .arg(landscape ? matrix->FaceCountY : matrix->FaceCountX)
                     .arg(landscape ? matrix->FaceCountX : matrix->FaceCountY);
    else
        lines << QStringLiteral("面数: %1面").arg(paper->GetFaceCount());
    if (albumInfo && !albumInfo->PhotoSize.isEmpty() && paper->GetFaceCount() > 0) {
        const TRect face = paper->GetFaceRect(0);
        double w = face.Width() / 10.0, h = face.Height() / 10.0;
        if (landscape)
            std::swap(w, h);
        lines << QStringLiteral("写真サイズ: %1%2")
                     .arg(albumInfo->PhotoSize + QStringLiteral(": "), QString::asprintf("%.1fx%.1f", w, h));
    }
    if (albumInfo && !albumInfo->PaperMemo.isEmpty())
        lines << QStringLiteral("用紙種類: ") + albumInfo->PaperMemo;
    memoInfo->setPlainText(lines.join(QLatin1Char('\n')));
    UpdateButtons();
}

void TfrmPaperSelectPanel::ShowPreview() {
    std::unique_ptr<TPaperInfo> shown = CopySelectedPaper();
    if (!shown)
        return;
    const bool landscape = shown->Landscape;
    const bool mirror = IsFaceSideMatch(GetFaceSide(), landscape, kPaperSheet);
    if (mirror) {
        shown->Landscape = false;
        MirrorPaperFaces(*shown);
        shown->Landscape = landscape;
    }
    PaperSite->SetPaperInfo(shown.get());
    previewPaper_ = std::move(shown);
    auto images = papers_.GetExtraInfo(QStringLiteral("PaperImages"), previewPaper_->PaperName);
    if (auto* imageInfo = dynamic_cast<TImagePaperInfo*>(images.get()))
        ComposePaperImages(*imageInfo, *PaperSite, *previewPaper_, mirror);
}

void TfrmPaperSelectPanel::UpdateButtons() {
    const TPaperInfo* paper = GetSelectedPaper();
    const bool advanced = AdvancedPaperMode();
    gbEditPaper->setVisible(advanced);
    frameExFunc->setVisible(advanced);
    const bool editable = paper && (!paper->ReadOnly || advanced);
    btnNewPaper->setEnabled(paper != nullptr);
    btnEditPaper->setEnabled(editable);
    btnDeletePaper->setEnabled(editable);
    actFix->setEnabled(paper != nullptr);
    actOK->setEnabled(paper != nullptr);
    btnToEdit->setEnabled(paper != nullptr);
}

std::unique_ptr<TPaperInfo> TfrmPaperSelectPanel::FindStorePaper(const TPaperInfo& documentPaper) const {
    if (papers_.IndexOf(documentPaper.PaperName) >= 0)
        return CopyPaper(documentPaper);
    if (documentPaper.ReadOnly) {
        const int index = papers_.IndexOf(MapPaperName(documentPaper.PaperName, v1ToV2_, v2ToV3_));
        if (index >= 0) {
            auto copy = CopyPaper(*papers_.GetPaper(index));
            copy->Landscape = documentPaper.Landscape;
            return copy;
        }
    }
    auto copy = CopyPaper(documentPaper);
    if (v2ToV3Group_.IndexOfName(copy->GroupName) >= 0)
        copy->GroupName = v2ToV3Group_.Values(copy->GroupName);
    return copy;
}

void TfrmPaperSelectPanel::RestoreFilters(const TPaperInfo& paper, bool clear) {
    int genre = -1;
    if (!clear) {
        const int defaultGenre = ReadSettingInteger(Setting("DefaultFaceGenre"), 0);
        if (hmUsedPaper_->GetItems().IndexOf(paper.PaperName) >= 0 || !paper.ReadOnly) {
            genre = defaultGenre;
        } else {
            const int own = model_->GenreOfGroup(paper.GroupName);
            genre = own >= 1 && own <= 3 ? own : -1;
        }
    }
    SelectGenreQuietly(genre);
    RefreshGenre(false);
    const auto choose = [clear](QComboBox* combo, const QString& saved, const QString& own) {
        const QSignalBlocker block(combo);
        int index = clear ? 0 : combo->findText(saved, Qt::MatchExactly);
        if (index < 0)
            index = combo->findText(own, Qt::MatchExactly);
        if (index >= 0)
            combo->setCurrentIndex(index);
    };
    const auto extra = papers_.GetExtraInfo(QStringLiteral("ExtraInfos"), paper.PaperName);
    const auto* info = dynamic_cast<const TExPaperInfo*>(extra.get());
    choose(cbGroup, ReadSettingString(Setting("DefaultFaceGroup"), QString()), paper.GroupName);
    choose(cbMaker, ReadSettingString(Setting("DefaultFaceMaker"), QString()),
           NotSetIfEmpty(info ? info->Company : QString()));
    FillPaperList();
}

void TfrmPaperSelectPanel::SelectPaper(const TPaperInfo* documentPaper) {
    if (!documentPaper) {
        FillPaperList();
        return;
    }
    const std::unique_ptr<TPaperInfo> paper = FindStorePaper(*documentPaper);
    const bool landscape = paper->Landscape;
    ChosenOrientations().insert(paper->PaperName, landscape);
    rbPortrait->setChecked(!landscape);
    rbLandscape->setChecked(landscape);
    switch (ReadSettingInteger(Setting("DefaultFaceSide"), -1)) {
    case 0:
        rbFront->setChecked(true);
        break;
    case 1:
        rbBack->setChecked(true);
        break;
    case 2:
        rbBoth->setChecked(true);
        break;
    default: {
        const auto album = papers_.GetExtraInfo(QStringLiteral("ExtraAlbumInfo"), paper->PaperName);
        const auto* info = dynamic_cast<const TExAlbumInfo*>(album.get());
        (info && info->CanReverse ? rbBoth : rbFront)->setChecked(true);
    }
    }
    RestoreFilters(*paper, false);
    QTreeWidgetItem* item = FindItem(paper->PaperName);
    if (!item) {
        // A paper the store lacks is added so it can be listed; the store's own paper is never
        // replaced by the document's older copy, and filters that hide it are cleared.
        if (papers_.IndexOf(paper->PaperName) < 0) {
            papers_.AddOrReplace(*paper);
            SavePaperStore(papers_);
            RebuildModel();
            RestoreFilters(*paper, false);
            item = FindItem(paper->PaperName);
        }
        if (!item) {
            RestoreFilters(*paper, true);
            item = FindItem(paper->PaperName);
        }
    }
    btnDeletePaper->setVisible(true);
    SelectItem(item);
}

void TfrmPaperSelectPanel::RunSearch() {
    searchKey_ = NormalizeSearchText(frameSearchPaper->cbSearch->currentText());
    RefreshGenre(false);
    for (QComboBox* combo : {cbMaker, cbGroup})
        if (combo->isEnabled())
            combo->setCurrentIndex(0);
    FillPaperList();
    SelectItem(lvPaper->topLevelItem(0));
}

void TfrmPaperSelectPanel::Fix() {
    const TPaperInfo* paper = GetSelectedPaper();
    if (!paper)
        return;
    accepted_ = true;
    designSeparately_ = true;
    WriteSettingString(Setting("DefaultPaperName"), paper->PaperName);
    WriteSettingBool(Setting("DefaultDesign"), true);
    WriteSettingBool(Setting("DefaultLandScape"), ChosenLandscape(*paper));
    WriteSettingInteger(Setting("DefaultFaceSide"), rbFront->isEnabled() ? GetFaceSide() : 0);
    WriteSettingInteger(Setting("DefaultFaceGenre"), SelectedGenre());
    WriteSettingString(Setting("DefaultFaceGroup"), cbGroup->currentText());
    WriteSettingString(Setting("DefaultFaceMaker"), cbMaker->currentText());
    hmUsedPaper_->Add(paper->PaperName);
}

void TfrmPaperSelectPanel::EditPaper(bool isNew) {
    const TPaperInfo* selected = GetSelectedPaper();
    QPushButton* button = isNew ? btnNewPaper : btnEditPaper;
    if (!selected || !button->isEnabled())
        return;
    const QString oldName = selected->PaperName;
    TfrmEditPaper10 wizard(this);
    wizard.Setup(*selected, papers_, isNew);
    if (wizard.exec() != QDialog::Accepted)
        return;
    const TPaperInfo& result = *wizard.GetResultPaper();
    // No road stores a layout the shipped database's maker would refuse.
    if (const TFaceCheck check = CheckPaperFaces(result); !check.Passed()) {
        AppMessageBox(check.Message, {bkOK}, 0, 0);
        return;
    }
    papers_.AddOrReplace(result);
    if (!isNew && result.PaperName != oldName)
        if (const int old = papers_.IndexOf(oldName); old >= 0)
            papers_.Delete(old);
    papers_.PutExtraInfo(QStringLiteral("ExtraInfos"), wizard.ExtraInfo());
    if (AdvancedPaperMode())
        papers_.PutExtraInfo(QStringLiteral("PaperImages"), wizard.PaperImages());
    papers_.PutExtraInfo(QStringLiteral("ExtraAlbumInfo"), wizard.AlbumInfo());
    SavePaperStore(papers_);

    const QString name = result.PaperName;
    RebuildModel();
    const int index = papers_.IndexOf(name);
    if (index < 0)
        return;
    RestoreFilters(*papers_.GetPaper(index), false);
    if (isNew) {
        SelectGenreQuietly(kGenreUser);
        RefreshGenre(true);
    }
    QTreeWidgetItem* item = FindItem(name);
    if (!item) {
        RestoreFilters(*papers_.GetPaper(index), true);
        item = FindItem(name);
    }
    SelectItem(item);
}

void TfrmPaperSelectPanel::DeleteSelectedPaper() {
    QTreeWidgetItem* item = lvPaper->currentItem();
    if (!item || !GetSelectedPaper() || !btnDeletePaper->isEnabled())
        return;
    if (!AppConfirm(QStringLiteral("「%1」を削除します。よろしいですか？").arg(item->text(pcName))))
        return;
    const QString maker = cbMaker->currentText();
    const QString group = cbGroup->currentText();
    const int row = lvPaper->indexOfTopLevelItem(item);
    papers_.Delete(item->data(pcName, Qt::UserRole).toInt());
    SavePaperStore(papers_);
    actResetPapers->trigger();
    const int makerIndex = cbMaker->findText(maker, Qt::MatchExactly);
    if (makerIndex >= 0) {
        cbMaker->setCurrentIndex(makerIndex);
        const int groupIndex = cbGroup->findText(group, Qt::MatchExactly);
        if (groupIndex >= 0)
            cbGroup->setCurrentIndex(groupIndex);
        FillPaperList();
        const int count = lvPaper->topLevelItemCount();
        SelectItem(count > 0 ? lvPaper->topLevelItem(std::min(row, count - 1)) : nullptr);
    }
}
