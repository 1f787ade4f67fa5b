#pragma once
// "イメージの自動調整": the user chooses, photo by photo, which automatic correction applies (none,
// the program's own normalisation, the Exif Print correction) and sees each photo before and
// after, three at a time. OK writes every photo's number back through its photo list; Cancel
// leaves the list untouched.

#include "core/UPhasedProgress.h"

#include <QDialog>
#include <QPixmap>
#include <array>
#include <memory>
#include <vector>

class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QScrollBar;
class QStatusBar;
class QToolButton;
class TCustomImagePack;
class TImagePanel;
class TImgNormalizeCallBackClass;
class TPictureEx;

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
    // Whether correction number can be applied to photo index (0 always can).
    bool CanApplyNumber(int index, int number);

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
    std::array<QPixmap, 2> mipCheckbox;

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
    void MakeSourcePreview(TPictureEx& picture, int index);
    void MakeResultPreview(TPictureEx& picture, int index);

    TImgNormalizeCallBackClass* source_ = nullptr;
    std::vector<int> numbers_;
    int count_ = 0;
    int menuRow_ = 0;
    std::unique_ptr<TAINPhasedProgress> progress_;
    bool setUp_ = false;
};
