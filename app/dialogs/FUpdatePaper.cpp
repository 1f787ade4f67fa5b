#include "app/dialogs/FUpdatePaper.h"

#include "core/UAppFrame.h"
#include "papers/UPaperImages.h"
#include "papers/UPapers.h"
#include "platform/DialogService.h"

#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int kHelpContext = 5060;
constexpr int kWidth = 440;
constexpr int kHeight = 330;

const QString kCurrentNo = QStringLiteral("現在のパターン番号：%s");
const QString kLastUpdate = QStringLiteral("最終更新日：%s");
const QString kNewNo = QStringLiteral("最新のパターン番号：%s");
const QString kNewDate = QStringLiteral("最新のファイル日付：%s");
const QString kFileNo = QStringLiteral("更新ファイルのパターン番号：%s");
const QString kFileDate = QStringLiteral("更新ファイルのファイル日付：%s");
const QString kDone = QStringLiteral("用紙情報のアップデートが正常に終了しました。");
const QString kManualHint = QStringLiteral("「ファイルから手動更新」で更新ファイルを指定することもできます。");

QLabel* NewLabel(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    return label;
}

QWidget* NewPage(QStackedWidget* book, const char* name) {
    auto* page = new QWidget(book);
    page->setObjectName(QString::fromLatin1(name));
    new QVBoxLayout(page);
    book->addWidget(page);
    return page;
}

void AddTo(QWidget* page, QWidget* widget) {
    static_cast<QVBoxLayout*>(page->layout())->addWidget(widget);
}

void EndPage(QWidget* page) {
    static_cast<QVBoxLayout*>(page->layout())->addStretch(1);
}

// Exceptions cannot pass through the store's merge unchanged in meaning: a cancel is one of ours.
class EUpdateCancelled : public Exception {
public:
    EUpdateCancelled() : Exception(QStringLiteral("中断しました。")) {}
};

TPaperUpdateLimits& DefaultLimits() {
    static TPaperUpdateLimits limits;
    return limits;
}

} // namespace

QString DefaultPaperUpdaterURL() {
    return QStringLiteral(QUORLANE_PAPER_UPDATE_URL);
}

QString FormatPatternNo(int number) {
    return QString::number(number).rightJustified(4, QLatin1Char('0'));
}

QString FormatLastUpdate(TDateTime date) {
    if (std::trunc(date) <= 0)
        return QStringLiteral("未更新");
    return FormatDateTime(QStringLiteral("yyyy\"年\"m\"月\"d\"日\""), date);
}

void ApplyProxySettings(THTTPDownload& download) {
    download.Port = 80;
    download.Proxy.clear();
    download.ProxyPort = 80;
    download.ProxyUserName.clear();
    download.ProxyUserPass.clear();
    if (ReadSettingBool(QStringLiteral("ProxyUse"), true))
        return;
    QString host = ReadSettingString(QStringLiteral("ProxyAddress"), QString()).trimmed();
    int port = ProxyPortFromText(ReadSettingString(QStringLiteral("ProxyPort"), QString()));
    // The window kept the system's proxy: follow it as it is now.
    if (host.isEmpty() && !ParseProxyText(SystemProxyText(), host, port))
        return;
    download.Proxy = host;
    download.ProxyPort = port;
    if (ReadSettingBool(QStringLiteral("ProxyUseAccount"), false)) {
        download.ProxyUserName = ReadSettingString(QStringLiteral("ProxyAccount"), QString());
        download.ProxyUserPass = UnscrambleSettingText(ReadSettingString(QStringLiteral("ProxyPassword"), QString()));
    }
}

TfrmUpdatePaper::TfrmUpdatePaper(QWidget* parent, TPapersV2* papers)
    : QDialog(parent), papers_(papers), owner_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmUpdatePaper"));
    setWindowTitle(QStringLiteral("用紙情報のアップデート"));
    setProperty("HelpContext", kHelpContext);
    resize(kWidth, kHeight);
    download_ = new TPPRDownload(owner_.get());
    download_->SetLimits(DefaultLimits());

    auto* layout = new QVBoxLayout(this);
    auto* ways = new QHBoxLayout;
    rbInternet = new QRadioButton(QStringLiteral("インターネット自動更新（推奨）"), this);
    rbInternet->setObjectName(QStringLiteral("rbInternet"));
    rbManual = new QRadioButton(QStringLiteral("ファイルから手動更新"), this);
    rbManual->setObjectName(QStringLiteral("rbManual"));
    ways->addWidget(rbInternet);
    ways->addWidget(rbManual);
    ways->addStretch(1);
    layout->addLayout(ways);

    nbWay = new QStackedWidget(this);
    nbWay->setObjectName(QStringLiteral("nbWay"));
    layout->addWidget(nbWay, 1);

    // The online way.
    QWidget* byInternet = NewPage(nbWay, "byInternet");
    lblCurrentNo = NewLabel(kCurrentNo, byInternet, "lblCurrentNo");
    lblLastUpdate = NewLabel(kLastUpdate, byInternet, "lblLastUpdate");
    AddTo(byInternet, lblCurrentNo);
    AddTo(byInternet, lblLastUpdate);
    nbInternet = new QStackedWidget(byInternet);
    nbInternet->setObjectName(QStringLiteral("nbInternet"));
    AddTo(byInternet, nbInternet);

    QWidget* page = NewPage(nbInternet, "QueryConnect");
    AddTo(page, NewLabel(QStringLiteral("インターネットに接続してよろしいですか？"), page));
    EndPage(page);
    page = NewPage(nbInternet, "DisableConnect");
    AddTo(page, NewLabel(QStringLiteral("現在の環境では、インターネットに接続できません。"), page));
    AddTo(page, NewLabel(kManualHint, page));
    btnProxyNoNet = new QPushButton(QStringLiteral("インターネット設定(&I)..."), page);
    btnProxyNoNet->setObjectName(QStringLiteral("btnProxyNoNet"));
    AddTo(page, btnProxyNoNet);
    EndPage(page);
    page = NewPage(nbInternet, "ConnectionFailure");
    AddTo(page, NewLabel(QStringLiteral("アップデートファイルの取得に失敗しました"), page));
    lblFailure = NewLabel(QString(), page, "lblFailure");
    AddTo(page, lblFailure);
    AddTo(page, NewLabel(kManualHint, page));
    btnProxyFailed = new QPushButton(QStringLiteral("インターネット設定(&I)..."), page);
    btnProxyFailed->setObjectName(QStringLiteral("btnProxyFailed"));
    AddTo(page, btnProxyFailed);
    EndPage(page);
    page = NewPage(nbInternet, "Connecting");
    AddTo(page, NewLabel(QStringLiteral("更新情報を取得中..."), page));
    EndPage(page);
    page = NewPage(nbInternet, "QueryUpdate");
    lblNewNo = NewLabel(kNewNo, page, "lblNewNo");
    lblNewDate = NewLabel(kNewDate, page, "lblNewDate");
    lblQueryUpdate = NewLabel(QStringLiteral("更新しますか？"), page, "lblQueryUpdate");
    AddTo(page, lblNewNo);
    AddTo(page, lblNewDate);
    AddTo(page, lblQueryUpdate);
    EndPage(page);
    page = NewPage(nbInternet, "DownLoading");
    lblStatus = NewLabel(QString(), page, "lblStatus");
    AddTo(page, lblStatus);
    auto* bytesRow = new QWidget(page);
    auto* bytesLayout = new QHBoxLayout(bytesRow);
    bytesLayout->setContentsMargins(0, 0, 0, 0);
    bytesLayout->addWidget(NewLabel(QStringLiteral("ダウンロード状況："), bytesRow));
    lblBytes = NewLabel(QString(), bytesRow, "lblBytes");
    bytesLayout->addWidget(lblBytes, 1);
    AddTo(page, bytesRow);
    pbDownload = new QProgressBar(page);
    pbDownload->setObjectName(QStringLiteral("pbDownload"));
    AddTo(page, pbDownload);
    AddTo(page, NewLabel(QStringLiteral("インターネットに接続中..."), page));
    EndPage(page);
    page = NewPage(nbInternet, "Merging");
    AddTo(page, NewLabel(QStringLiteral("用紙情報更新中..."), page));
    pbMerge = new QProgressBar(page);
    pbMerge->setObjectName(QStringLiteral("pbMerge"));
    AddTo(page, pbMerge);
    EndPage(page);
    page = NewPage(nbInternet, "Finish");
    lblFinish = NewLabel(QStringLiteral("更新の途中でエラーが発生しました"), page, "lblFinish");
    AddTo(page, lblFinish);
    EndPage(page);

    // The manual way.
    QWidget* byManual = NewPage(nbWay, "byManual");
    lblManualCurrentNo = NewLabel(kCurrentNo, byManual, "lblManualCurrentNo");
    lblManualLastUpdate = NewLabel(kLastUpdate, byManual, "lblManualLastUpdate");
    AddTo(byManual, lblManualCurrentNo);
    AddTo(byManual, lblManualLastUpdate);
    lblFile = NewLabel(QStringLiteral("用紙情報更新ファイル"), byManual, "lblFile");
    AddTo(byManual, lblFile);
    auto* fileRow = new QWidget(byManual);
    auto* fileLayout = new QHBoxLayout(fileRow);
    fileLayout->setContentsMargins(0, 0, 0, 0);
    edtFile = new QLineEdit(fileRow);
    edtFile->setObjectName(QStringLiteral("edtFile"));
    edtFile->setReadOnly(true);
    btnBrowse = new QPushButton(QStringLiteral("参照(&R)..."), fileRow);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
    fileLayout->addWidget(edtFile, 1);
    fileLayout->addWidget(btnBrowse);
    AddTo(byManual, fileRow);
    lblFileNo = NewLabel(QString(), byManual, "lblFileNo");
    lblFileDate = NewLabel(QString(), byManual, "lblFileDate");
    AddTo(byManual, lblFileNo);
    AddTo(byManual, lblFileDate);
    pbManual = new QProgressBar(byManual);
    pbManual->setObjectName(QStringLiteral("pbManual"));
    AddTo(byManual, pbManual);
    EndPage(byManual);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    btnConnect = new QPushButton(QStringLiteral("接続"), this);
    btnConnect->setObjectName(QStringLiteral("btnConnect"));
    btnUpdate = new QPushButton(QStringLiteral("更新"), this);
    btnUpdate->setObjectName(QStringLiteral("btnUpdate"));
    btnAbort = new QPushButton(QStringLiteral("キャンセル"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* button : {btnConnect, btnUpdate, btnAbort, btnCancel})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(rbInternet, &QRadioButton::clicked, this, [this] { SetWay(false); });
    connect(rbManual, &QRadioButton::clicked, this, [this] { SetWay(true); });
    connect(btnConnect, &QPushButton::clicked, this, [this] { ConnectClick(); });
    connect(btnUpdate, &QPushButton::clicked, this, [this] { ManualUpdateClick(); });
    connect(btnAbort, &QPushButton::clicked, this, [this] { AbortClick(); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(btnBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    for (QPushButton* proxy : {btnProxyNoNet, btnProxyFailed})
        connect(proxy, &QPushButton::clicked, this, [this] {
            if (OnInternetSettings && !busy_)
                OnInternetSettings();
        });

    THTTPDownload& http = download_->Downloader();
    auto showBytes = [this, &http](const QString& status) {
        lblBytes->setText(QStringLiteral("%1/%2").arg(http.BytesRecieved()).arg(http.BytesTotal()));
        pbDownload->setValue(http.BytesPercent());
        lblStatus->setText(status);
    };
    http.OnConnect = [showBytes] { showBytes(QStringLiteral("接続開始")); };
    http.OnPacketRecieved = [showBytes] { showBytes(QStringLiteral("受信中...")); };
    http.OnSuccess = [this] { lblStatus->setText(QStringLiteral("受信終了")); };

    ShowCurrent();
    btnUpdate->hide();
    btnUpdate->setEnabled(false);
    btnAbort->hide();
    rbInternet->setChecked(true);
    SetWay(false);
    const bool online = http.Available();
    SetPage(online ? pgQueryConnect : pgDisableConnect);
    btnConnect->setEnabled(online);
    SetupForm(this);
}

TfrmUpdatePaper::~TfrmUpdatePaper() {
    ClearManual();
}

int TfrmUpdatePaper::Page() const {
    return nbInternet->currentIndex();
}

void TfrmUpdatePaper::SetLimits(const TPaperUpdateLimits& limits) {
    download_->SetLimits(limits);
}

void TfrmUpdatePaper::SetDefaultLimits(const TPaperUpdateLimits& limits) {
    DefaultLimits() = limits;
}

void TfrmUpdatePaper::SetPage(int page) {
    nbInternet->setCurrentIndex(page);
}

void TfrmUpdatePaper::ShowTransfer(bool running) {
    busy_ = running;
    btnAbort->setVisible(running);
    btnCancel->setVisible(!running);
    rbInternet->setEnabled(!running);
    rbManual->setEnabled(!running);
}

void TfrmUpdatePaper::ShowCurrent() {
    const TPaperUpdate& update = papers_->GetUpdateInfo();
    for (QLabel* label : {lblCurrentNo, lblManualCurrentNo})
        label->setText(FillFirstPlaceholder(kCurrentNo, FormatPatternNo(update.PPRNo)));
    for (QLabel* label : {lblLastUpdate, lblManualLastUpdate})
        label->setText(FillFirstPlaceholder(kLastUpdate, FormatLastUpdate(update.LastUpdate)));
}

void TfrmUpdatePaper::SetWay(bool manual) {
    if (busy_)
        return;
    nbWay->setCurrentIndex(manual ? 1 : 0);
    for (QWidget* w : std::initializer_list<QWidget*>{lblFile, edtFile, btnBrowse})
        w->setEnabled(manual);
    btnConnect->setVisible(!manual);
    btnUpdate->setVisible(manual);
}

void TfrmUpdatePaper::ConnectClick() {
    if (busy_)
        return;
    switch (Page()) {
    case pgQueryConnect:
    case pgConnectionFailure:
        CheckUpdate();
        break;
    case pgQueryUpdate:
        DownloadUpdate();
        break;
    default:
        break;
    }
}

void TfrmUpdatePaper::Failed(const QString& cause) {
    lblFailure->setText(cause);
    SetPage(pgConnectionFailure);
    btnConnect->setText(QStringLiteral("再接続"));
    btnConnect->setEnabled(true);
    ShowTransfer(false);
}

void TfrmUpdatePaper::CheckUpdate() {
    ApplyProxySettings(download_->Downloader());
    download_->UpdaterURL = ReadSettingString(QStringLiteral("PPRUpdaterURL"), DefaultPaperUpdaterURL());
    abortRequested_ = false;
    SetPage(pgConnecting);
    btnConnect->setEnabled(false);
    ShowTransfer(true);
    const bool found = download_->CheckInfoFile();
    if (abortRequested_ || !found) {
        Failed(abortRequested_ ? HttpResultText(HttpClient::Result::Aborted, 0) : download_->FailureText());
        return;
    }
    // Only a newer pattern is an update: an older one would take system papers back.
    const bool newer = download_->Version() > papers_->GetUpdateInfo().PPRNo && download_->Date() != 0;
    lblNewNo->setText(FillFirstPlaceholder(kNewNo, FormatPatternNo(download_->Version())));
    lblNewDate->setText(FillFirstPlaceholder(kNewDate, FormatLastUpdate(download_->Date())));
    lblNewNo->setVisible(newer);
    lblNewDate->setVisible(newer);
    lblQueryUpdate->setText(newer ? QStringLiteral("更新しますか？") : QStringLiteral("新しい更新情報はありません"));
    btnConnect->setEnabled(newer);
    btnConnect->setText(QStringLiteral("更新"));
    SetPage(pgQueryUpdate);
    ShowTransfer(false);
}

void TfrmUpdatePaper::DownloadUpdate() {
    pbDownload->setRange(0, 100);
    pbDownload->setValue(0);
    lblBytes->clear();
    lblStatus->clear();
    btnConnect->setEnabled(false);
    abortRequested_ = false;
    ShowTransfer(true);
    SetPage(pgDownLoading);
    const bool fetched = download_->DownloadPaperFile();
    // After the abort question's OK nothing is merged, even when the transfer ended meanwhile.
    if (!fetched || abortRequested_) {
        download_->RemoveFiles();
        Failed(abortRequested_ ? HttpResultText(HttpClient::Result::Aborted, 0) : download_->FailureText());
        return;
    }
    MergeOnline();
}

bool TfrmUpdatePaper::Merge(TPapersV2& source, QProgressBar* bar, QString& cause) {
    bar->setRange(0, 1);
    bar->setValue(0);
    try {
        papers_->ApplyUpdate(source, [this, bar](int index, int count) {
            bar->setRange(0, count);
            bar->setValue(index);
            QCoreApplication::processEvents();
            if (abortRequested_)
                throw EUpdateCancelled();
        });
        return true;
    } catch (const Exception& e) {
        cause = e.Message();
    } catch (const std::exception&) {
        cause = QStringLiteral("用紙情報を更新できませんでした。");
    }
    return false;
}

void TfrmUpdatePaper::MergeOnline() {
    SetPage(pgMerging);
    QString cause;
    bool merged = false;
    {
        std::unique_ptr<TPapersV2> source;
        try {
            source = OpenUpdateFile(download_->DownloadFileName());
            CheckUpdatePattern(*source, download_->DataFileName(), download_->Version(),
                               papers_->GetUpdateInfo().PPRNo);
        } catch (const Exception& e) {
            source.reset();
            cause = e.Message();
        }
        if (source)
            merged = Merge(*source, pbMerge, cause);
    }
    download_->RemoveFiles();
    ShowTransfer(false);
    if (!merged) {
        lblFinish->setText(QStringLiteral("更新の途中でエラーが発生しました") + QLatin1Char('\n') + cause);
        SetPage(pgFinish);
        btnCancel->setText(QStringLiteral("閉じる"));
        return;
    }
    lblFinish->setText(QStringLiteral("更新処理を終了しました"));
    Finish();
}

void TfrmUpdatePaper::Finish() {
    SetPage(pgFinish);
    ShowCurrent();
    btnCancel->setText(QStringLiteral("閉じる"));
    AppShowMessage(kDone);
    accept();
}

void TfrmUpdatePaper::AbortClick() {
    if (!busy_)
        return;
    if (AppConfirm(QStringLiteral("中断しますか？"))) {
        abortRequested_ = true;
        download_->Abort();
    }
}

void TfrmUpdatePaper::reject() {
    // Closing while a transfer or merge runs is the abort button.
    if (busy_) {
        AbortClick();
        return;
    }
    QDialog::reject();
}

void TfrmUpdatePaper::ClearManual() {
    manualUpdate_.reset();
    if (!manualFile_.isEmpty())
        QFile::remove(manualFile_);
    manualFile_.clear();
}

void TfrmUpdatePaper::BrowseClick() {
    TFileDialogRequest request;
    request.Filter = QStringLiteral("用紙情報更新ファイル(*.ppz)|*.ppz|すべてのファイル(*.*)|*.*");
    request.FileName = edtFile->text();
    QStringList chosen;
    if (!DialogService::Instance().OpenFile(request, chosen) || chosen.isEmpty() || chosen.first().isEmpty())
        return;
    ChooseUpdateFile(chosen.first());
}

void TfrmUpdatePaper::ChooseUpdateFile(const QString& fileName) {
    edtFile->setText(fileName);
    ClearManual();
    lblNewNo->setText(QString());
    lblNewDate->setText(QString());
    lblFileNo->clear();
    lblFileDate->clear();
    btnUpdate->setEnabled(false);
    try {
        manualFile_ = MakeUpdateTempFile(QStringLiteral("PPR"));
        PrepareUpdateFile(fileName, manualFile_, DefaultLimits().UnpackedBytes);
        manualUpdate_ = OpenUpdateFile(manualFile_);
    } catch (const Exception& e) {
        ClearManual();
        lblFileNo->setText(e.Message());
        AppShowMessage(e.Message());
        return;
    }
    const TPaperUpdate& update = manualUpdate_->GetUpdateInfo();
    lblFileNo->setText(FillFirstPlaceholder(kFileNo, FormatPatternNo(update.PPRNo)));
    lblFileDate->setText(FillFirstPlaceholder(kFileDate, FormatLastUpdate(update.LastUpdate)));
    if (update.PPRNo <= papers_->GetUpdateInfo().PPRNo) {
        // System papers would go back to an older pattern.
        lblFileDate->setText(lblFileDate->text() + QLatin1Char('\n') +
                             QStringLiteral("この更新ファイルは現在の用紙情報より新しくないため、更新できません。"));
        return;
    }
    btnUpdate->setEnabled(true);
}

void TfrmUpdatePaper::ManualUpdateClick() {
    if (busy_ || !manualUpdate_)
        return;
    if (AppMessageBox(QStringLiteral("用紙情報を更新します。よろしいですか？"), {bkYes, bkNo}, 0, 1) != mrYes)
        return;
    abortRequested_ = false;
    ShowTransfer(true);
    btnUpdate->setEnabled(false);
    QString cause;
    const bool merged = Merge(*manualUpdate_, pbManual, cause);
    ShowTransfer(false);
    if (!merged) {
        btnUpdate->setEnabled(true);
        AppShowMessage(QStringLiteral("更新の途中でエラーが発生しました") + QLatin1Char('\n') + cause);
        return;
    }
    ClearManual();
    ShowCurrent();
    AppShowMessage(kDone);
    accept();
}
