#include "app/dialogs/FEnvironment.h"

#include "app/USharedData.h"
#include "controls/Exspined.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UHTTPDownload.h"
#include "core/UHistoryManager.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/UPaperImages.h"
#include "platform/Component.h"
#include "platform/DialogService.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// This platform keeps the larger display limit of the systems with more memory.
constexpr int kDefaultDispLimit = 800;
constexpr int kDefaultPrintLimit = 0;
constexpr int kDefaultBanding = 1;
constexpr int kLimitMin = 100;
constexpr int kLimitMax = 2000;
constexpr int kCacheMin = 10;
constexpr int kCacheMax = 9999;
constexpr int kUnlimited = 0x7FFFFFFF;

// Hints off: tool tips are swallowed for the whole application.
class HintFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

QPointer<HintFilter>& TheHintFilter() {
    static QPointer<HintFilter> filter;
    return filter;
}

QRadioButton* Radio(const QString& text, QWidget* parent, const char* name) {
    auto* button = new QRadioButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

QLineEdit* Edit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QSpinBox* LimitEdit(QWidget* parent, const char* name) {
    auto* edit = new QSpinBox(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setRange(kLimitMin, kLimitMax);
    return edit;
}

bool IsUnlimited(int value) {
    return value < 1 || value == kUnlimited;
}

} // namespace

int GetImageDispLimitSize() {
    return ReadSettingInteger(QStringLiteral("ImageDispLimitSize"), kDefaultDispLimit);
}

int GetImagePrintLimitSize() {
    return ReadSettingInteger(QStringLiteral("ImagePrintLimitSize"), kDefaultPrintLimit);
}

void ShowApplicationHints(bool show) {
    QPointer<HintFilter>& filter = TheHintFilter();
    if (show) {
        delete filter.data();
    } else if (!filter && qApp) {
        filter = new HintFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

bool ApplicationHintsShown() {
    return TheHintFilter().isNull();
}

QString CacheSizeRangeText() {
    return QStringLiteral("10～9999までの値を指定してください");
}

TfrmEnvironment::TfrmEnvironment(QWidget* parent) : QDialog(parent), owner_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmEnvironment"));
    setProperty("HelpContext", 5016);
    setWindowTitle(QStringLiteral("環境設定"));
    resize(470, 470);
    auto* layout = new QVBoxLayout(this);
    TabbedPanel1 = new TTabbedPanel(this);
    TabbedPanel1->setObjectName(QStringLiteral("TabbedPanel1"));
    TabbedPanel1->SetTabs({QStringLiteral("環境設定"), QStringLiteral("インターネット設定"), QStringLiteral("キャッシュ設定")});
    TabbedPanel1->setFixedHeight(26);
    layout->addWidget(TabbedPanel1);
    Notebook1 = new QStackedWidget(this);
    Notebook1->setObjectName(QStringLiteral("Notebook1"));
    layout->addWidget(Notebook1, 1);

    // Settings page.
    auto* settings = new QWidget(Notebook1);
    auto* settingsLayout = new QVBoxLayout(settings);
    auto* pathGroup = new QGroupBox(QStringLiteral("プログラムパス"), settings);
    auto* pathLayout = new QVBoxLayout(pathGroup);
    rbAutoSearch = Radio(QStringLiteral("自動検索(&A)"), pathGroup, "rbAutoSearch");
    rbAutoSearch->setToolTip(QStringLiteral("「$(AppName)」のCDをすべてのﾄﾞﾗｲﾌﾞから検索します"));
    rbManualSearch = Radio(QStringLiteral("指定(&S)"), pathGroup, "rbManualSearch");
    pnlCDPath = new QWidget(pathGroup);
    pnlCDPath->setObjectName(QStringLiteral("pnlCDPath"));
    auto* cdLayout = new QHBoxLayout(pnlCDPath);
    cdLayout->setContentsMargins(0, 0, 0, 0);
    edtCDPath = Edit(pnlCDPath, "edtCDPath");
    btnHistory = new QPushButton(QStringLiteral("▼"), pnlCDPath);
    btnHistory->setObjectName(QStringLiteral("btnHistory"));
    btnHistory->setFixedWidth(24);
    btnBrowse = new QPushButton(QStringLiteral("参照(&R)..."), pnlCDPath);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    cdLayout->addWidget(edtCDPath, 1);
    cdLayout->addWidget(btnHistory);
    cdLayout->addWidget(btnBrowse);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(rbAutoSearch);
    searchRow->addWidget(rbManualSearch);
    searchRow->addStretch(1);
    pathLayout->addLayout(searchRow);
    pathLayout->addWidget(pnlCDPath);
    settingsLayout->addWidget(pathGroup);

    auto* hintGroup = new QGroupBox(QStringLiteral("ヒント表示"), settings);
    auto* hintLayout = new QHBoxLayout(hintGroup);
    rbShowHint = Radio(QStringLiteral("ヒントを表示する(&H)"), hintGroup, "rbShowHint");
    rbHideHint = Radio(QStringLiteral("ヒントを表示しない(&O)"), hintGroup, "rbHideHint");
    hintLayout->addWidget(rbShowHint);
    hintLayout->addWidget(rbHideHint);
    hintLayout->addStretch(1);
    settingsLayout->addWidget(hintGroup);

    auto* printGroup = new QGroupBox(QStringLiteral("印刷方式"), settings);
    printGroup->setToolTip(QStringLiteral("アルバムの印刷方法を選択します"));
    auto* printLayout = new QHBoxLayout(printGroup);
    auto* printRadios = new QVBoxLayout;
    rbPrtSpeed = Radio(QStringLiteral("高速印刷(&F)"), printGroup, "rbPrtSpeed");
    rbPrtNormal = Radio(QStringLiteral("標準印刷(&N)"), printGroup, "rbPrtNormal");
    rbPrtQuality = Radio(QStringLiteral("高精細印刷(&Q)"), printGroup, "rbPrtQuality");
    printGroup_ = new QButtonGroup(this);
    printGroup_->setExclusive(false); // a stored value other than 0, 1, 2 checks none
    nbPrint = new QStackedWidget(printGroup);
    nbPrint->setObjectName(QStringLiteral("nbPrint"));
    const QString explanations[] = {
        QStringLiteral("プリンタに直接描画します。印刷は速くなりますが、写真の効果が正しく印刷されない場合があります。"),
        QStringLiteral("254dpiの帯に分けて描画してから印刷します。通常はこちらをお使いください。"),
        QStringLiteral("プリンタの解像度で帯に分けて描画してから印刷します。きれいに印刷されますが、時間とメモリを多く使います。"),
    };
    int tag = 0;
    for (QRadioButton* button : {rbPrtSpeed, rbPrtNormal, rbPrtQuality}) {
        printGroup_->addButton(button, tag);
        printRadios->addWidget(button);
        auto* text = new QLabel(explanations[tag], nbPrint);
        text->setWordWrap(true);
        nbPrint->addWidget(text);
        ++tag;
    }
    printRadios->addStretch(1);
    printLayout->addLayout(printRadios);
    printLayout->addWidget(nbPrint, 1);
    settingsLayout->addWidget(printGroup);

    auto* limitGroup = new QGroupBox(QStringLiteral("イメージサイズの制限"), settings);
    auto* limitLayout = new QGridLayout(limitGroup);
    limitLayout->addWidget(new QLabel(QStringLiteral("表示用イメージサイズ"), limitGroup), 0, 0);
    rbDispUnlimit = Radio(QStringLiteral("制限しない"), limitGroup, "rbDispUnlimit");
    rbDispLimit = Radio(QStringLiteral("制限する"), limitGroup, "rbDispLimit");
    udDispLimit = LimitEdit(limitGroup, "udDispLimit");
    lblDispUnit = new QLabel(QStringLiteral("ピクセル"), limitGroup);
    limitLayout->addWidget(new QLabel(QStringLiteral("印刷用イメージサイズ"), limitGroup), 1, 0);
    rbPrintUnlimit = Radio(QStringLiteral("制限しない"), limitGroup, "rbPrintUnlimit");
    rbPrintLimit = Radio(QStringLiteral("制限する"), limitGroup, "rbPrintLimit");
    udPrintLimit = LimitEdit(limitGroup, "udPrintLimit");
    lblPrintUnit = new QLabel(QStringLiteral("ピクセル"), limitGroup);
    int row = 0;
    for (auto [unlimited, limited, edit, unit] : {std::tuple{rbDispUnlimit, rbDispLimit, udDispLimit, lblDispUnit},
                                                  std::tuple{rbPrintUnlimit, rbPrintLimit, udPrintLimit, lblPrintUnit}}) {
        auto* pair = new QButtonGroup(this);
        pair->addButton(unlimited);
        pair->addButton(limited);
        limitLayout->addWidget(unlimited, row, 1);
        limitLayout->addWidget(limited, row, 2);
        limitLayout->addWidget(edit, row, 3);
        limitLayout->addWidget(unit, row, 4);
        ++row;
    }
    settingsLayout->addWidget(limitGroup);
    settingsLayout->addStretch(1);
    Notebook1->addWidget(settings);

    // Internet page.
    auto* internet = new QWidget(Notebook1);
    auto* internetLayout = new QVBoxLayout(internet);
    auto* proxyGroup = new QGroupBox(QStringLiteral("インターネット設定"), internet);
    auto* proxyLayout = new QVBoxLayout(proxyGroup);
    rbProxyNone = Radio(QStringLiteral("プロキシ サーバーを使用しない(&P)"), proxyGroup, "rbProxyNone");
    rbProxyUse = Radio(QStringLiteral("プロキシ サーバーを使用する(&X)"), proxyGroup, "rbProxyUse");
    proxyLayout->addWidget(rbProxyNone);
    proxyLayout->addWidget(rbProxyUse);
    pnlProxy = new QWidget(proxyGroup);
    pnlProxy->setObjectName(QStringLiteral("pnlProxy"));
    auto* grid = new QGridLayout(pnlProxy);
    edtAddress = Edit(pnlProxy, "edtAddress");
    edtPort = Edit(pnlProxy, "edtPort");
    edtPort->setMaxLength(5);
    cbAccount = new QCheckBox(QStringLiteral("アカウント名とパスワードを使用する(&U)"), pnlProxy);
    cbAccount->setObjectName(QStringLiteral("cbAccount"));
    edtAccount = Edit(pnlProxy, "edtAccount");
    edtPassword = Edit(pnlProxy, "edtPassword");
    edtPassword->setEchoMode(QLineEdit::Password);
    auto* lblAddress = new QLabel(QStringLiteral("プロキシのアドレス(&A)"), pnlProxy);
    lblAddress->setBuddy(edtAddress);
    auto* lblPort = new QLabel(QStringLiteral("ポート(&O)"), pnlProxy);
    lblPort->setBuddy(edtPort);
    lblAccount = new QLabel(QStringLiteral("アカウント名(&C)"), pnlProxy);
    lblAccount->setBuddy(edtAccount);
    lblPassword = new QLabel(QStringLiteral("パスワード(&S)"), pnlProxy);
    lblPassword->setBuddy(edtPassword);
    grid->addWidget(lblAddress, 0, 0);
    grid->addWidget(edtAddress, 0, 1);
    grid->addWidget(lblPort, 0, 2);
    grid->addWidget(edtPort, 0, 3);
    grid->addWidget(cbAccount, 1, 0, 1, 4);
    grid->addWidget(lblAccount, 2, 0);
    grid->addWidget(edtAccount, 2, 1, 1, 3);
    grid->addWidget(lblPassword, 3, 0);
    grid->addWidget(edtPassword, 3, 1, 1, 3);
    proxyLayout->addWidget(pnlProxy);
    internetLayout->addWidget(proxyGroup);
    internetLayout->addStretch(1);
    Notebook1->addWidget(internet);

    // Cache page.
    auto* cache = new QWidget(Notebook1);
    auto* cacheLayout = new QVBoxLayout(cache);
    auto* cacheText = new QLabel(QStringLiteral("キャッシュ機能を使用すると、一度表示した画像の縮小イメージを保存して、"
                                                "次回からの表示を速くします。"),
                                 cache);
    cacheText->setWordWrap(true);
    cacheLayout->addWidget(cacheText);
    auto* cacheGroup = new QGroupBox(QStringLiteral("キャッシュ設定"), cache);
    auto* cacheGrid = new QGridLayout(cacheGroup);
    rbCacheEnable = Radio(QStringLiteral("キャッシュ機能を使用する(&U)"), cacheGroup, "rbCacheEnable");
    rbCacheDisable = Radio(QStringLiteral("キャッシュ機能を使用しない(&N)"), cacheGroup, "rbCacheDisable");
    rbCacheUnlimit = Radio(QStringLiteral("無制限(&M)"), cacheGroup, "rbCacheUnlimit");
    rbCacheLimit = Radio(QStringLiteral("最大サイズを指定する(&L)"), cacheGroup, "rbCacheLimit");
    for (auto [a, b] : {std::pair{rbCacheEnable, rbCacheDisable}, std::pair{rbCacheUnlimit, rbCacheLimit}}) {
        auto* pair = new QButtonGroup(this);
        pair->addButton(a);
        pair->addButton(b);
    }
    spnCacheSize = new TExSpinEdit(cacheGroup);
    spnCacheSize->setObjectName(QStringLiteral("spnCacheSize"));
    spnCacheSize->SetMinValue(kCacheMin);
    spnCacheSize->SetMaxValue(kCacheMax);
    spnCacheSize->setToolTip(CacheSizeRangeText());
    lblCacheUnit = new QLabel(QStringLiteral("MB(&B)"), cacheGroup);
    lblCacheUnit->setBuddy(spnCacheSize);
    cacheGrid->addWidget(rbCacheEnable, 0, 0, 1, 3);
    cacheGrid->addWidget(rbCacheUnlimit, 1, 1, 1, 2);
    cacheGrid->addWidget(rbCacheLimit, 2, 1);
    cacheGrid->addWidget(spnCacheSize, 2, 2);
    cacheGrid->addWidget(lblCacheUnit, 2, 3);
    cacheGrid->addWidget(rbCacheDisable, 3, 0, 1, 3);
    cacheGrid->setColumnMinimumWidth(0, 16);
    cacheLayout->addWidget(cacheGroup);
    auto* clearGroup = new QGroupBox(QStringLiteral("キャッシュのクリア"), cache);
    auto* clearLayout = new QHBoxLayout(clearGroup);
    auto* clearText = new QLabel(QStringLiteral("キャッシュに格納されている現在までの情報をすべて削除します"), clearGroup);
    clearText->setWordWrap(true);
    btnClearCache = new QPushButton(QStringLiteral("クリア"), clearGroup);
    btnClearCache->setObjectName(QStringLiteral("btnClearCache"));
    clearLayout->addWidget(clearText, 1);
    clearLayout->addWidget(btnClearCache);
    cacheLayout->addWidget(clearGroup);
    cacheLayout->addStretch(1);
    Notebook1->addWidget(cache);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    layout->addLayout(buttons);

    HistoryManager1 = new THistoryManager(owner_.get());
    HistoryManager1->SetName(QStringLiteral("HistoryManager1"));
    HistoryManager1->SetRegistryKey(QStringLiteral("$(CDPathHistory)"));

    TabbedPanel1->OnChange = [this](TObject*) { Notebook1->setCurrentIndex(TabbedPanel1->TabIndex()); };
    for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
             rbAutoSearch, rbManualSearch, rbProxyNone, rbProxyUse, cbAccount, rbCacheEnable, rbCacheDisable,
             rbCacheUnlimit, rbCacheLimit, rbDispUnlimit, rbDispLimit, rbPrintUnlimit, rbPrintLimit})
        connect(button, &QAbstractButton::toggled, this, [this] { UpdateEnabling(); });
    connect(printGroup_, &QButtonGroup::idClicked, this, [this](int id) { PrintMethodClick(id); });
    connect(btnHistory, &QPushButton::clicked, this, [this] { HistoryClick(); });
    connect(btnBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    connect(btnClearCache, &QPushButton::clicked, this, [this] { ClearCacheClick(); });
    connect(btnOk, &QPushButton::clicked, this, [this] { OkClick(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

TfrmEnvironment::~TfrmEnvironment() = default;

void TfrmEnvironment::FormCreate() {
    SetPageIndex(0);
    const bool hints = ReadSettingBool(QStringLiteral("DefaultShowHint"), true);
    rbShowHint->setChecked(hints);
    rbHideHint->setChecked(!hints);
    banding_ = ReadSettingInteger(QStringLiteral("Banding"), kDefaultBanding);
    if (QAbstractButton* button = printGroup_->button(banding_)) {
        button->setChecked(true);
        nbPrint->setCurrentIndex(banding_);
    }
    const QString cdPath = ReadSettingString(QStringLiteral("CDPath"), QString());
    rbAutoSearch->setChecked(cdPath.isEmpty());
    rbManualSearch->setChecked(!cdPath.isEmpty());
    edtCDPath->setText(cdPath);
    rbCacheEnable->setChecked(ReadSettingBool(QStringLiteral("CacheEnabl"), true));
    rbCacheDisable->setChecked(!rbCacheEnable->isChecked());
    const int cacheLimit = ReadSettingInteger(QStringLiteral("CacheLimit"), 0);
    rbCacheUnlimit->setChecked(cacheLimit == 0);
    rbCacheLimit->setChecked(cacheLimit != 0);
    spnCacheSize->SetValue(cacheLimit == 0 ? kCacheMin : cacheLimit);
    for (auto [value, unlimited, limited, edit] :
         {std::tuple{GetImageDispLimitSize(), rbDispUnlimit, rbDispLimit, udDispLimit},
          std::tuple{GetImagePrintLimitSize(), rbPrintUnlimit, rbPrintLimit, udPrintLimit}}) {
        unlimited->setChecked(IsUnlimited(value));
        limited->setChecked(!IsUnlimited(value));
        edit->setValue(IsUnlimited(value) ? kDefaultDispLimit : value);
    }
    LoadProxy();
    UpdateEnabling();
    SetupForm(this);
}

void TfrmEnvironment::LoadProxy() {
    const bool none = ReadSettingBool(QStringLiteral("ProxyUse"), true);
    rbProxyNone->setChecked(none);
    rbProxyUse->setChecked(!none);
    QString address = ReadSettingString(QStringLiteral("ProxyAddress"), QString());
    QString port = ReadSettingString(QStringLiteral("ProxyPort"), QString());
    cbAccount->setChecked(ReadSettingBool(QStringLiteral("ProxyUseAccount"), false));
    edtAccount->setText(ReadSettingString(QStringLiteral("ProxyAccount"), QString()));
    edtPassword->setText(UnscrambleSettingText(ReadSettingString(QStringLiteral("ProxyPassword"), QString())));
    proxyFromSystem_ = false;
    if (address.isEmpty() && port.isEmpty()) {
        QString host;
        int number = 0;
        if (ParseProxyText(SystemProxyText(), host, number)) {
            address = host;
            port = QString::number(number);
            proxyFromSystem_ = true;
        }
    }
    edtAddress->setText(address);
    edtPort->setText(port);
    shownAddress_ = address;
    shownPort_ = port;
}

void TfrmEnvironment::UpdateEnabling() {
    pnlCDPath->setVisible(rbManualSearch->isChecked());
    pnlCDPath->setEnabled(rbManualSearch->isChecked());
    btnHistory->setEnabled(!(HistoryManager1->GetItems().Count() == 0));
    pnlProxy->setEnabled(rbProxyUse->isChecked());
    const bool account = cbAccount->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{lblAccount, edtAccount, lblPassword, edtPassword})
        w->setEnabled(account);
    const bool cache = rbCacheEnable->isChecked();
    rbCacheUnlimit->setEnabled(cache);
    rbCacheLimit->setEnabled(cache);
    spnCacheSize->setEnabled(cache && rbCacheLimit->isChecked());
    lblCacheUnit->setEnabled(cache && rbCacheLimit->isChecked());
    udDispLimit->setEnabled(rbDispLimit->isChecked());
    lblDispUnit->setEnabled(rbDispLimit->isChecked());
    udPrintLimit->setEnabled(rbPrintLimit->isChecked());
    lblPrintUnit->setEnabled(rbPrintLimit->isChecked());
}

void TfrmEnvironment::PrintMethodClick(int tag) {
    for (QAbstractButton* button : printGroup_->buttons())
        button->setChecked(printGroup_->id(button) == tag);
    nbPrint->setCurrentIndex(tag);
    banding_ = tag;
}

void TfrmEnvironment::ShowProxyPage(bool value) {
    SetPageIndex(value ? 1 : 0);
}

int TfrmEnvironment::PageIndex() const {
    return Notebook1->currentIndex();
}

void TfrmEnvironment::SetPageIndex(int index) {
    TabbedPanel1->SetTabIndex(index);
    Notebook1->setCurrentIndex(index);
}

void TfrmEnvironment::HistoryClick() {
    const TStringList& items = HistoryManager1->GetItems();
    if (items.Count() == 0)
        return;
    QMenu menu(this);
    for (int i = 0; i < items.Count(); ++i) {
        const QString folder = items.Strings(i);
        menu.addAction(folder, this, [this, folder] { edtCDPath->setText(folder); });
    }
    menu.addSeparator();
    menu.addAction(QStringLiteral("履歴の消去"), this, [this] {
        HistoryManager1->Clear();
        UpdateEnabling();
    });
    menu.exec(btnHistory->mapToGlobal(QPoint(0, btnHistory->height())));
}

void TfrmEnvironment::BrowseClick() {
    QString folder = edtCDPath->text();
    if (DialogService::Instance().SelectFolder(QStringLiteral("フォルダの参照"), folder) && !folder.isEmpty())
        edtCDPath->setText(folder);
}

void TfrmEnvironment::ClearCacheClick() {
    if (ISharedData* data = sharedData())
        data->ClearImageCache();
    AppShowMessage(QStringLiteral("キャッシュの内容をクリアしました"));
}

void TfrmEnvironment::OkClick() {
    const bool cacheLimited = rbCacheEnable->isChecked() && rbCacheLimit->isChecked();
    // A size the field cannot take keeps the window open rather than being dropped unheard.
    if (cacheLimited && !spnCacheSize->IsValidText()) {
        AppShowMessage(CacheSizeRangeText());
        SetPageIndex(2);
        spnCacheSize->setFocus();
        return;
    }
    WriteSettingInteger(QStringLiteral("Banding"), banding_);
    const QString cdPath = rbManualSearch->isChecked() ? edtCDPath->text().trimmed() : QString();
    if (AppFrame())
        AppFrame()->SetCDPath(cdPath);
    else
        WriteSettingString(QStringLiteral("CDPath"), cdPath);
    if (!cdPath.isEmpty())
        HistoryManager1->Add(cdPath);
    WriteSettingBool(QStringLiteral("DefaultShowHint"), rbShowHint->isChecked());
    ShowApplicationHints(rbShowHint->isChecked());
    WriteSettingBool(QStringLiteral("CacheEnabl"), rbCacheEnable->isChecked());
    if (rbCacheUnlimit->isChecked())
        WriteSettingInteger(QStringLiteral("CacheLimit"), 0);
    else if (spnCacheSize->IsValidText())
        WriteSettingInteger(QStringLiteral("CacheLimit"), spnCacheSize->Value());
    WriteSettingInteger(QStringLiteral("ImageDispLimitSize"), rbDispUnlimit->isChecked() ? 0 : udDispLimit->value());
    WriteSettingInteger(QStringLiteral("ImagePrintLimitSize"), rbPrintUnlimit->isChecked() ? 0 : udPrintLimit->value());
    SetImageDispLimitSize(GetImageDispLimitSize());
    SetImagePrintLimitSize(GetImagePrintLimitSize());
    WriteSettingBool(QStringLiteral("ProxyUse"), rbProxyNone->isChecked());
    // An unchanged system proxy is not written, so that the application keeps following the system.
    const bool keepSystem = proxyFromSystem_ && edtAddress->text() == shownAddress_ && edtPort->text() == shownPort_;
    if (!keepSystem) {
        WriteSettingString(QStringLiteral("ProxyAddress"), edtAddress->text().trimmed());
        WriteSettingString(QStringLiteral("ProxyPort"), edtPort->text().trimmed());
    }
    WriteSettingBool(QStringLiteral("ProxyUseAccount"), cbAccount->isChecked());
    WriteSettingString(QStringLiteral("ProxyAccount"), edtAccount->text());
    WriteSettingString(QStringLiteral("ProxyPassword"), ScrambleSettingText(edtPassword->text()));
    accept();
}
