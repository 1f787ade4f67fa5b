#pragma once
// "イメージの自動調整": the user chooses, photo by photo, which automatic correction applies (none,
// the program's own normalisation, the Exif Print correction) and sees each photo before and
// after, three at a time. OK writes every photo's number back through its photo list; Cancel
// leaves the list untouched.
//
// Correcting a photo of many megapixels takes far longer than an event-loop turn, so previews are
// made by a worker thread from copies the UI thread takes of the list's pictures (the list hands
// out pictures that live only until its next call, and is never touched off the UI thread). The
// visible rows are asked for first; each result comes back keyed by photo index and correction
// number, and one whose number has changed meanwhile is dropped. The status bar's bar follows the
// correction in hand.

#include "core/UPhasedProgress.h"

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <array>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QTimer;
class QToolButton;
class TCustomImagePack;
class TImagePanel;
class TImgNormalizeCallBackClass;
class TMatrixImagePack;
class TComponent;
class TPictureEx;
class TAINPreviewWorker;
struct TAINPreviewJob;

// A phased progress whose bar and hourglass show only while a phase is open.
class TAINPhasedProgress : public TSTDPhasedProgress {
public:
    using TSTDPhasedProgress::TSTDPhasedProgress;
    ~TAINPhasedProgress() override;
    void BeginPhase(int32_t min, int32_t max) override;
    void EndPhase() override;

private:
    bool busy_ = false;
};

class TfrmAutoImgNorm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 8003;
    static constexpr int kRows = 3;
    static constexpr int kPreviewSize = 200;
    // Each preview pack keeps at most this many pictures (a whole album would not fit).
    static constexpr int kMaxCachedPreviews = 256;
    enum : int { fnNone = 0, fnOwn = 1, fnExifPrint = 2 };

    explicit TfrmAutoImgNorm(QWidget* parent = nullptr);
    ~TfrmAutoImgNorm() override;

    // The list is borrowed; set before showing.
    void SetSource(TImgNormalizeCallBackClass* source);
    // The chosen correction of photo index.
    int Number(int index) const { return numbers_.at(size_t(index)); }

    // Sets photo top + row to number, as its row's popup does.
    void ChooseFilter(int row, int number);
    // "すべて…": number for every photo it can apply to (0 for all).
    void ChooseFilterAll(int number);
    // Whether correction number can be applied to photo index (0 always can); asked once per photo
    // and number.
    bool CanApplyNumber(int index, int number);
    // Previews asked of the worker and not yet shown (tests and benchmarks wait for none).
    int PreviewsPending() const;

    QLabel* lblHeader;
    std::array<QLabel*, kRows> lbNo;
    std::array<TImagePanel*, kRows> imSrc;
    std::array<QToolButton*, kRows> btnConv;
    std::array<QLabel*, kRows> lblConv;
    std::array<TImagePanel*, kRows> imDst;
    QScrollBar* ScrollBar1;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* BtnSetAll;
    QPushButton* btnClearAll;
    QPushButton* btnSelectAll;
    QMenu* pmFilter;
    std::array<QAction*, 3> filterItems;
    QMenu* pmFilterAll;
    std::array<QAction*, 3> filterAllItems;
    QStatusBar* StatusBar1;
    QProgressBar* ProgressBar1;
    std::unique_ptr<TCustomImagePack> CustomImagePackSrc;
    std::unique_ptr<TCustomImagePack> CustomImagePackDst;
    // Check-box pictures of the correction buttons: 0 off, 1 on.
    TMatrixImagePack* mipCheckbox;
    // The Exif Print mark beside the photos.
    QLabel* imgExifLogo;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SetUp();
    void ShowRows();
    void ShowRow(int row);
    void OpenFilterMenu(int row);
    void PrepareFilterMenu();
    void RefreshResults();
    void OkClicked();
    // Asks the worker for the previews of the visible rows that are missing (uncorrected before
    // corrected), then for the uncorrected ones of the next rows; previews asked before and no
    // longer wanted are dropped.
    void RequestPreviews();
    bool HasPreview(TCustomImagePack& pack, int index);
    // A preview the worker made, on the UI thread.
    void PreviewMade(int index, int number, const std::shared_ptr<TPictureEx>& picture);
    std::shared_ptr<const TAINPreviewJob> MakeJob(int index, int number);
    // Shows the position of the worker's correction in hand on the bar, or hides it.
    void ShowCorrectionProgress();

    // Owns the picture packs made from the program's bitmaps.
    std::unique_ptr<TComponent> components_;
    // mipCheckbox's cells as button icons.
    std::array<QIcon, 2> checkIcons_;
    TImgNormalizeCallBackClass* source_ = nullptr;
    std::vector<int> numbers_;
    int count_ = 0;
    int menuRow_ = 0;
    std::unique_ptr<TAINPhasedProgress> progress_;
    QTimer* progressTimer_ = nullptr;
    bool setUp_ = false;
    // Answers of CanApplyNumber by (index, number).
    std::map<std::pair<int, int>, bool> applicable_;
    // The jobs last handed to the worker, by (index, number), until their previews come.
    std::map<std::pair<int, int>, std::shared_ptr<const TAINPreviewJob>> asked_;
    std::unique_ptr<TAINPreviewWorker> worker_;
};
