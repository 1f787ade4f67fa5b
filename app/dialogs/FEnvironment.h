#pragma once
// The environment settings: where the content disc is, hints, the print method, the picture size
// limits for display and printing, the internet proxy and the image cache. The window reads every
// value when it is made and writes them back on OK; Cancel writes nothing. The same unit gives the
// picture limits read at start-up and the application's one hint switch.

#include <QDialog>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class TExSpinEdit;
class THistoryManager;
class TTabbedPanel;
class TComponent;

// Largest side in pixels of a picture kept for display ("ImageDispLimitSize"); 0 = no limit.
int GetImageDispLimitSize();
// Largest side in pixels of a picture kept for printing ("ImagePrintLimitSize"); 0 = no limit.
int GetImagePrintLimitSize();
// Shows or swallows the tool tips of the whole application, at once.
void ShowApplicationHints(bool show);
bool ApplicationHintsShown();
// The message for a cache size the window cannot take.
QString CacheSizeRangeText();

class TfrmEnvironment : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEnvironment(QWidget* parent = nullptr);
    ~TfrmEnvironment() override;

    TTabbedPanel* TabbedPanel1;
    QStackedWidget* Notebook1;
    QPushButton* btnOk;
    QPushButton* btnCancel;

    QRadioButton* rbAutoSearch;
    QRadioButton* rbManualSearch;
    QWidget* pnlCDPath;
    QLineEdit* edtCDPath;
    QPushButton* btnHistory;
    QPushButton* btnBrowse;
    QRadioButton* rbShowHint;
    QRadioButton* rbHideHint;
    QRadioButton* rbPrtSpeed;
    QRadioButton* rbPrtNormal;
    QRadioButton* rbPrtQuality;
    QStackedWidget* nbPrint;
    QRadioButton* rbDispUnlimit;
    QRadioButton* rbDispLimit;
    QSpinBox* udDispLimit;
    QLabel* lblDispUnit;
    QRadioButton* rbPrintUnlimit;
    QRadioButton* rbPrintLimit;
    QSpinBox* udPrintLimit;
    QLabel* lblPrintUnit;

    QRadioButton* rbProxyNone;
    QRadioButton* rbProxyUse;
    QWidget* pnlProxy;
    QLineEdit* edtAddress;
    QLineEdit* edtPort;
    QCheckBox* cbAccount;
    QLabel* lblAccount;
    QLineEdit* edtAccount;
    QLabel* lblPassword;
    QLineEdit* edtPassword;

    QRadioButton* rbCacheEnable;
    QRadioButton* rbCacheDisable;
    QRadioButton* rbCacheUnlimit;
    QRadioButton* rbCacheLimit;
    TExSpinEdit* spnCacheSize;
    QLabel* lblCacheUnit;
    QPushButton* btnClearCache;

    THistoryManager* HistoryManager1;

    // The internet tab when value, else the first.
    void ShowProxyPage(bool value);
    // The tab shown (0 settings, 1 internet, 2 cache).
    int PageIndex() const;
    void SetPageIndex(int index);
    // Whether the proxy shown came from the system's setting.
    bool ProxyFromSystem() const { return proxyFromSystem_; }

private:
    void FormCreate();
    void LoadProxy();
    void UpdateEnabling();
    void PrintMethodClick(int tag);
    void HistoryClick();
    void BrowseClick();
    void ClearCacheClick();
    void OkClick();

    std::unique_ptr<TComponent> owner_;
    QButtonGroup* printGroup_;
    int banding_ = 1;
    bool proxyFromSystem_ = false;
    QString shownAddress_;
    QString shownPort_;
};
