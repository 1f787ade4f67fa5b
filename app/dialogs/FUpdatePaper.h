#pragma once
// The paper update window: new system papers fetched over the internet (the info file at
// "PPRUpdaterURL", then the data file beside it) or taken from an update file, merged into the
// paper store all or nothing. Nothing of the store changes unless the whole merge is in and the
// user's copy written; an abort, a cancel during the merge or any failure leaves it as it was.

#include "core/UAppUtil.h"
#include "papers/UPPRDownload.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TPapersV2;

// The update's address unless the settings name another.
QString DefaultPaperUpdaterURL();
// A pattern number as shown: at least four digits ("0007").
QString FormatPatternNo(int number);
// A last-update date as shown ("2003年4月5日"); "未更新" for a database never updated.
QString FormatLastUpdate(TDateTime date);
// The downloader set up from the settings: no proxy with "ProxyUse" on; else "ProxyAddress" and
// "ProxyPort" (the system's proxy when the address is empty) and, with "ProxyUseAccount", the
// account and unscrambled password.
void ApplyProxySettings(THTTPDownload& download);

class TfrmUpdatePaper : public QDialog {
    Q_OBJECT

public:
    // The pages of the online way.
    enum TPage {
        pgQueryConnect,
        pgDisableConnect,
        pgConnectionFailure,
        pgConnecting,
        pgQueryUpdate,
        pgDownLoading,
        pgMerging,
        pgFinish,
        pgCount
    };

    // papers: the store the update is merged into.
    TfrmUpdatePaper(QWidget* parent, TPapersV2* papers);
    ~TfrmUpdatePaper() override;

    QRadioButton* rbInternet;
    QRadioButton* rbManual;
    QStackedWidget* nbWay;
    QStackedWidget* nbInternet;
    QLabel* lblCurrentNo;
    QLabel* lblLastUpdate;
    QLabel* lblNewNo;
    QLabel* lblNewDate;
    QLabel* lblQueryUpdate;
    QLabel* lblFailure;
    QLabel* lblStatus;
    QLabel* lblBytes;
    QProgressBar* pbDownload;
    QProgressBar* pbMerge;
    QLabel* lblFinish;
    QLabel* lblFile;
    QLineEdit* edtFile;
    QPushButton* btnBrowse;
    QLabel* lblManualCurrentNo;
    QLabel* lblManualLastUpdate;
    QLabel* lblFileNo;
    QLabel* lblFileDate;
    QProgressBar* pbManual;
    QPushButton* btnConnect;
    QPushButton* btnUpdate;
    QPushButton* btnAbort;
    QPushButton* btnCancel;
    QPushButton* btnProxyNoNet;
    QPushButton* btnProxyFailed;

    int Page() const;
    TPPRDownload& Download() const { return *download_; }
    void SetLimits(const TPaperUpdateLimits& limits);
    // The limits windows made from now on start with (tests shorten them).
    static void SetDefaultLimits(const TPaperUpdateLimits& limits);
    // "インターネット設定(&I)...": the environment window on its internet page.
    std::function<void()> OnInternetSettings;

    // What a choice in the browse dialog does: the file is prepared as the manual update.
    void ChooseUpdateFile(const QString& fileName);

protected:
    void reject() override;

private:
    void SetWay(bool manual);
    void SetPage(int page);
    void ShowTransfer(bool running);
    void ShowCurrent();
    void ConnectClick();
    void CheckUpdate();
    void DownloadUpdate();
    void MergeOnline();
    void Failed(const QString& cause);
    void Finish();
    void AbortClick();
    void BrowseClick();
    void ManualUpdateClick();
    void ClearManual();
    // ApplyUpdate with bar following; false (with the cause) when it failed or was cancelled.
    bool Merge(TPapersV2& source, QProgressBar* bar, QString& cause);

    TPapersV2* papers_;
    TPPRDownload* download_;
    std::unique_ptr<TComponent> owner_;
    std::unique_ptr<TPapersV2> manualUpdate_;
    QString manualFile_;
    bool busy_ = false;
    bool abortRequested_ = false;
};
