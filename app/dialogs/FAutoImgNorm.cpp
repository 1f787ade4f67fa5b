#include "app/dialogs/FAutoImgNorm.h"

#include "controls/UImagePanel.h"
#include "core/UAppUtil.h"
#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UAutoAdjustFilter.h"
#include "imaging/UGREffector.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UImageUtil.h"
#include "imaging/UImgNormalize.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// ---- the preview worker

namespace {

// A picture's class and stream bytes: nothing in it is shared with the picture it was taken from.
struct TPictureCopy {
    std::unique_ptr<TGraphic> graphicClass;
    QByteArray data;

    static TPictureCopy Of(TPicture* picture) {
        TPictureCopy copy;
        if (picture != nullptr && picture->Graphic() != nullptr && !picture->Graphic()->Empty()) {
            TMemoryStream stream;
            picture->Graphic()->WriteData(stream);
            copy.data = stream.Data();
            copy.graphicClass = picture->Graphic()->NewInstance();
        }
        return copy;
    }
    void LoadInto(TPictureEx& picture) const {
        picture.SetGraphic(nullptr);
        if (!graphicClass || data.isEmpty())
            return;
        std::unique_ptr<TGraphic> graphic = graphicClass->NewInstance();
        TMemoryStream stream(data);
        graphic->ReadData(stream);
        picture.TakeGraphic(std::move(graphic));
    }
};

void CopyFilters(const TImageData& from, TImageData& to) {
    to.SetClipFilter(from.ClipFilter());
    to.SetBlurFilter(from.BlurFilter());
    to.SetLightFilter(from.LightFilter());
    to.SetMonotoneFilter(from.MonotoneFilter());
    to.SetTransparentColor(from.TransparentColor());
}

// The photo's own filters without its picture.
std::unique_ptr<TImageData> FiltersOf(const TImageData* own) {
    if (own == nullptr)
        return nullptr;
    auto data = std::make_unique<TImageData>();
    CopyFilters(*own, *data);
    return data;
}

// picture through filters, shrunk to fit sizeLimit (outside 1 to 2147483646: not shrunk).
void ApplyFilters(const TImageData& filters, TPictureEx& picture, int sizeLimit) {
    TImageData data;
    // The picture first: an image data taking a picture of another size starts its clip afresh.
    data.SetPicture(&picture);
    CopyFilters(filters, data);
    picture.Assign(data.GetFilteredPicture(nullptr, sizeLimit));
}

// Raised at the next step of a correction once the worker is told to stop.
QUORLANE_EXCEPTION(EPreviewStopped, EAbort)

// Raises at the next step once the worker is told to stop; otherwise keeps the overall position
// where the UI thread reads it.
class TStopProgress final : public TPhasedProgressBase {
public:
    TStopProgress(const std::atomic<bool>& stop, std::atomic<int32_t>& shown) : stop_(stop), shown_(shown) {}

protected:
    void ShowPosition(int32_t position) override {
        Check();
        shown_.store(position);
    }
    void ShowRange(int32_t, int32_t, int32_t position) override {
        Check();
        shown_.store(position);
    }

private:
    void Check() const {
        if (stop_.load())
            throw EPreviewStopped(QStringLiteral("stopped"));
    }
    const std::atomic<bool>& stop_;
    std::atomic<int32_t>& shown_;
};

} // namespace

// One preview to make: number 0 is the uncorrected picture, made from the list's source picture
// (or from the image data it is drawn from, with its filters and size limit); a correction is made
// from its result picture and the photo's own filters.
struct TAINPreviewJob {
    int index = 0;
    int number = 0;
    TPictureCopy picture;
    std::unique_ptr<TImageData> filters;
    int sizeLimit = 0;
};

class TAINPreviewWorker {
public:
    // Called on the worker thread with each preview made (null when making it failed).
    using TDeliver = std::function<void(int index, int number, std::shared_ptr<TPictureEx> preview)>;

    explicit TAINPreviewWorker(TDeliver deliver) : deliver_(std::move(deliver)) {
        thread_ = std::thread([this] { Run(); });
    }
    // Stops at the next step of the preview in hand.
    ~TAINPreviewWorker() {
        {
            std::lock_guard guard(lock_);
            queue_.clear();
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    TAINPreviewWorker(const TAINPreviewWorker&) = delete;
    TAINPreviewWorker& operator=(const TAINPreviewWorker&) = delete;

    // Jobs not started yet give way to these, made in this order.
    void Replace(std::vector<std::shared_ptr<const TAINPreviewJob>> jobs) {
        {
            std::lock_guard guard(lock_);
            queue_.clear();
            for (std::shared_ptr<const TAINPreviewJob>& job : jobs)
                if (job != running_)
                    queue_.push_back(std::move(job));
        }
        wake_.notify_all();
    }

    static void Make(const TAINPreviewJob& job, TPictureEx& preview, TPhasedProgressBase* progress);

    // The overall position (0 to TPhasedProgressBase::OverallMax) of the correction in hand; -1
    // while none is.
    int32_t CorrectionPosition() const { return correction_.load(); }

private:
    void Run() {
        for (;;) {
            std::shared_ptr<const TAINPreviewJob> job;
            {
                std::unique_lock guard(lock_);
                wake_.wait(guard, [this] { return stop_.load() || !queue_.empty(); });
                if (stop_.load())
                    return;
                job = queue_.front();
                queue_.pop_front();
                running_ = job;
            }
            auto preview = std::make_shared<TPictureEx>();
            // A fresh progress each time: a failed correction may leave its phases open.
            std::atomic<int32_t> ignored{0};
            TStopProgress progress(stop_, job->number != TfrmAutoImgNorm::fnNone ? correction_ : ignored);
            if (job->number != TfrmAutoImgNorm::fnNone)
                correction_.store(0);
            try {
                Make(*job, *preview, &progress);
            } catch (const EPreviewStopped&) {
                return;
            } catch (const std::exception& e) {
                qWarning("adjustment preview not made: %s", e.what());
                preview.reset();
            }
            correction_.store(-1);
            deliver_(job->index, job->number, std::move(preview));
            std::lock_guard guard(lock_);
            running_.reset();
        }
    }

    TDeliver deliver_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<const TAINPreviewJob>> queue_;
    std::shared_ptr<const TAINPreviewJob> running_;
    std::atomic<bool> stop_{false};
    std::atomic<int32_t> correction_{-1};
    std::thread thread_;
};

namespace {

constexpr int kRowHeight = 210;
// How often the bar reads the position of the correction in hand.
constexpr int kProgressPollMs = 50;

const char* const kFilterCaptions[] = {"補整しない", "Quorlane補整", "ExifPrint補整"};
const char* const kFilterAllCaptions[] = {"すべて補整しない", "すべてQuorlane補整", "すべてExifPrint補整"};

// A cell of a pack of the program's bitmaps, its bottom-left pixel's colour see-through.
QPixmap KeyedCell(TImagePack* pack, int index) {
    const QImage image = KeyedPackCellImage(pack, index);
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

// A 24-bit copy of picture at its own size, drawn on white.
void DrawWhole(TPicture* picture, TSafetyBitmap& bitmap) {
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(picture->Width(), picture->Height());
    bitmap.Canvas().FillSolid(TRect(0, 0, picture->Width(), picture->Height()), clWhite);
    DrawGraphicLocked(bitmap.Canvas(), 0, 0, picture->Graphic());
}

TRect PreviewRect(int width, int height) {
    return FitSizeInner(TRect(0, 0, std::max(width, 1), std::max(height, 1)), TfrmAutoImgNorm::kPreviewSize,
                        TfrmAutoImgNorm::kPreviewSize);
}

} // namespace

// ---- TAINPhasedProgress

TAINPhasedProgress::~TAINPhasedProgress() {
    if (busy_)
        QApplication::restoreOverrideCursor();
}

void TAINPhasedProgress::BeginPhase(int32_t min, int32_t max) {
    TSTDPhasedProgress::BeginPhase(min, max);
    if (Level() >= 1 && !busy_) {
        busy_ = true;
        if (ProgressBar())
            ProgressBar()->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void TAINPhasedProgress::EndPhase() {
    TSTDPhasedProgress::EndPhase();
    if (Level() < 1 && busy_) {
        busy_ = false;
        if (ProgressBar())
            ProgressBar()->hide();
        QApplication::restoreOverrideCursor();
    }
}

// ---- TfrmAutoImgNorm

TfrmAutoImgNorm::TfrmAutoImgNorm(QWidget* parent)
    : QDialog(parent), CustomImagePackSrc(std::make_unique<TCustomImagePack>(nullptr)),
      CustomImagePackDst(std::make_unique<TCustomImagePack>(nullptr)),
      components_(std::make_unique<TComponent>(nullptr)) {
    setObjectName(QStringLiteral("frmAutoImgNorm"));
    setWindowTitle(QStringLiteral("イメージの自動調整"));
    lblHeader = new QLabel(QStringLiteral("選択されている写真の画質を自動調整します。"), this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    imgExifLogo = new QLabel(this);
    imgExifLogo->setObjectName(QStringLiteral("imgExifLogo"));
    {
        TMatrixImagePack* mark = CreateResourcePack(components_.get(), QStringLiteral("EXIFPRINT"), 1);
        imgExifLogo->setPixmap(KeyedCell(mark, 0));
    }

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("元画像"), this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("補整後画像"), this), 0, 3, Qt::AlignHCenter);
    pmFilter = new QMenu(this);
    pmFilter->setObjectName(QStringLiteral("pmFilter"));
    pmFilterAll = new QMenu(this);
    pmFilterAll->setObjectName(QStringLiteral("pmFilterAll"));
    for (int tag = 0; tag < 3; ++tag) {
        filterItems[tag] = pmFilter->addAction(QString::fromUtf8(kFilterCaptions[tag]));
        filterItems[tag]->setCheckable(true);
        connect(filterItems[tag], &QAction::triggered, this, [this, tag] { ChooseFilter(menuRow_, tag); });
        filterAllItems[tag] = pmFilterAll->addAction(QString::fromUtf8(kFilterAllCaptions[tag]));
        connect(filterAllItems[tag], &QAction::triggered, this, [this, tag] { ChooseFilterAll(tag); });
    }
    connect(pmFilter, &QMenu::aboutToShow, this, [this] { PrepareFilterMenu(); });
    mipCheckbox = CreateResourcePack(components_.get(), QStringLiteral("CHECKBOX"), 2);
    mipCheckbox->SetName(QStringLiteral("mipCheckbox"));
    checkIcons_ = {QIcon(KeyedCell(mipCheckbox, 0)), QIcon(KeyedCell(mipCheckbox, 1))};
    for (int r = 0; r < kRows; ++r) {
        const auto name = [r](const char* prefix) { return QString::fromLatin1(prefix).arg(r); };
        lbNo[r] = new QLabel(this);
        lbNo[r]->setObjectName(name("lbNo%1"));
        imSrc[r] = new TImagePanel(this);
        imSrc[r]->setObjectName(name("imSrc%1"));
        imSrc[r]->setFixedSize(kPreviewSize + 4, kPreviewSize + 4);
        btnConv[r] = new QToolButton(this);
        btnConv[r]->setObjectName(name("btnConv%1"));
        btnConv[r]->setIcon(checkIcons_[0]);
        lblConv[r] = new QLabel(QStringLiteral("Quorlane補正"), this);
        lblConv[r]->setObjectName(name("lblConv%1"));
        lblConv[r]->setMinimumWidth(100);
        imDst[r] = new TImagePanel(this);
        imDst[r]->setObjectName(name("imDst%1"));
        imDst[r]->setFixedSize(kPreviewSize + 4, kPreviewSize + 4);
        auto* choice = new QVBoxLayout;
        choice->addStretch(1);
        choice->addWidget(btnConv[r], 0, Qt::AlignHCenter);
        choice->addWidget(lblConv[r], 0, Qt::AlignHCenter);
        choice->addStretch(1);
        grid->addWidget(lbNo[r], r + 1, 0, Qt::AlignTop);
        grid->addWidget(imSrc[r], r + 1, 1);
        grid->addLayout(choice, r + 1, 2);
        grid->addWidget(imDst[r], r + 1, 3);
        grid->setRowMinimumHeight(r + 1, kRowHeight);
        connect(btnConv[r], &QToolButton::clicked, this, [this, r] { OpenFilterMenu(r); });
    }
    ScrollBar1 = new QScrollBar(Qt::Vertical, this);
    ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    ScrollBar1->setEnabled(false);
    grid->addWidget(ScrollBar1, 1, 4, kRows, 1);
    connect(ScrollBar1, &QScrollBar::valueChanged, this, [this] { ShowRows(); });

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    BtnSetAll = new QPushButton(QStringLiteral("一括設定"), this);
    BtnSetAll->setObjectName(QStringLiteral("BtnSetAll"));
    btnClearAll = new QPushButton(QStringLiteral("すべて解除"), this);
    btnClearAll->setObjectName(QStringLiteral("btnClearAll"));
    btnClearAll->hide();
    btnSelectAll = new QPushButton(QStringLiteral("すべて選択"), this);
    btnSelectAll->setObjectName(QStringLiteral("btnSelectAll"));
    btnSelectAll->hide();
    connect(btnOK, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(BtnSetAll, &QPushButton::clicked, this,
            [this] { pmFilterAll->popup(BtnSetAll->mapToGlobal(QPoint(0, BtnSetAll->height()))); });
    connect(btnClearAll, &QPushButton::clicked, this, [this] { ChooseFilterAll(fnNone); });
    connect(btnSelectAll, &QPushButton::clicked, this, [this] {
        std::fill(numbers_.begin(), numbers_.end(), int(fnOwn));
        RefreshResults();
    });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(20);
    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->hide();
    progress_ = std::make_unique<TAINPhasedProgress>(ProgressBar1);
    // A correction takes seconds: while previews are awaited the bar follows the worker's position,
    // read a few times a second.
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressPollMs);
    connect(progressTimer_, &QTimer::timeout, this, [this] { ShowCorrectionProgress(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnSetAll);
    buttons->addWidget(btnClearAll);
    buttons->addWidget(btnSelectAll);
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* header = new QHBoxLayout;
    header->addWidget(lblHeader, 1);
    header->addWidget(imgExifLogo);
    auto* whole = new QVBoxLayout(this);
    whole->addLayout(header);
    whole->addLayout(grid);
    whole->addLayout(buttons);
    whole->addWidget(StatusBar1);

    // The packs hold only what the worker made; a preview not made yet shows as nothing.
    CustomImagePackSrc->OnGetImage = [](TObject*, TPictureEx&, int) {};
    CustomImagePackDst->OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
        if (numbers_[size_t(index)] == fnNone)
            CustomImagePackSrc->GetImage(picture, index);
    };
    for (TCustomImagePack* pack : {CustomImagePackSrc.get(), CustomImagePackDst.get()})
        pack->OnGetCount = [this](TObject*, int& count) { count = count_; };
    SetupForm(this);
}

TfrmAutoImgNorm::~TfrmAutoImgNorm() {
    // The worker stops before the packs and numbers it reports into go.
    worker_.reset();
}

int TfrmAutoImgNorm::PreviewsPending() const {
    return int(asked_.size());
}

void TfrmAutoImgNorm::SetSource(TImgNormalizeCallBackClass* source) {
    source_ = source;
    BtnSetAll->setVisible(source_ != nullptr && source_->GetCount() >= 2);
}

void TfrmAutoImgNorm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The bar lies in the status bar, which has its size only now.
    ProgressBar1->setGeometry(1, 3, StatusBar1->width() - 6, StatusBar1->height() - 3);
    if (!setUp_) {
        setUp_ = true;
        repaint();
        SetUp();
    }
}

void TfrmAutoImgNorm::SetUp() {
    CustomImagePackSrc->ClearCache();
    CustomImagePackDst->ClearCache();
    if (source_ != nullptr && source_->GetCount() > 0) {
        count_ = source_->GetCount();
        numbers_.resize(size_t(count_));
        for (int i = 0; i < count_; ++i)
            numbers_[size_t(i)] = source_->GetFilterNo(i);
        for (TCustomImagePack* pack : {CustomImagePackSrc.get(), CustomImagePackDst.get()}) {
            pack->SetCacheLimit(std::min(count_ + 1, kMaxCachedPreviews));
            pack->Refresh();
        }
    }
    ScrollBar1->setEnabled(count_ > kRows);
    if (count_ > kRows) {
        ScrollBar1->setMaximum(count_ - kRows);
        ScrollBar1->setPageStep(kRows);
        ScrollBar1->setValue(0);
    }
    for (int r = 0; r < kRows; ++r) {
        const bool visible = r < count_;
        for (QWidget* control : {static_cast<QWidget*>(lbNo[r]), static_cast<QWidget*>(imSrc[r]),
                                 static_cast<QWidget*>(btnConv[r]), static_cast<QWidget*>(lblConv[r]),
                                 static_cast<QWidget*>(imDst[r])})
            control->setVisible(visible);
    }
    ShowRows();
}

void TfrmAutoImgNorm::ShowRows() {
    for (int r = 0; r < kRows; ++r)
        ShowRow(r);
    RequestPreviews();
}

bool TfrmAutoImgNorm::HasPreview(TCustomImagePack& pack, int index) {
    const std::vector<int> cached = pack.CachedIndexes();
    return std::find(cached.begin(), cached.end(), index) != cached.end() &&
           !IsPictureEmpty(&pack.GetCacheEntry(index));
}

std::shared_ptr<const TAINPreviewJob> TfrmAutoImgNorm::MakeJob(int index, int number) {
    auto job = std::make_shared<TAINPreviewJob>();
    job->index = index;
    job->number = number;
    if (number == fnNone) {
        int limit = 0;
        if (TImageData* data = source_->GetSourceImageData(index, limit)) {
            // Drawing the photo with its filters is left to the worker.
            job->picture = TPictureCopy::Of(data->Picture());
            job->filters = FiltersOf(data);
            job->sizeLimit = limit;
        } else {
            job->picture = TPictureCopy::Of(source_->GetSourcePicture(index));
        }
    } else {
        job->picture = TPictureCopy::Of(source_->GetResultPicture(index));
        job->filters = FiltersOf(source_->GetImageData(index));
    }
    return job;
}

void TfrmAutoImgNorm::RequestPreviews() {
    if (source_ == nullptr || count_ == 0)
        return;
    const int top = ScrollBar1->value();
    std::vector<std::pair<int, int>> wanted;
    // The uncorrected pictures first: they are quick, and a correction can take seconds.
    for (int index = top; index < std::min(top + kRows, count_); ++index)
        if (!HasPreview(*CustomImagePackSrc, index))
            wanted.emplace_back(index, fnNone);
    for (int index = top; index < std::min(top + kRows, count_); ++index) {
        const int number = numbers_[size_t(index)];
        if (number != fnNone && !HasPreview(*CustomImagePackDst, index))
            wanted.emplace_back(index, number);
    }
    // The uncorrected pictures of the next page are cheap: they are ready when the user scrolls.
    for (int index = top + kRows; index < std::min(top + 2 * kRows, count_); ++index)
        if (!HasPreview(*CustomImagePackSrc, index))
            wanted.emplace_back(index, fnNone);
    std::map<std::pair<int, int>, std::shared_ptr<const TAINPreviewJob>> asked;
    std::vector<std::shared_ptr<const TAINPreviewJob>> jobs;
    for (const auto& key : wanted) {
        const auto before = asked_.find(key);
        std::shared_ptr<const TAINPreviewJob> job;
        try {
            job = before != asked_.end() ? before->second : MakeJob(key.first, key.second);
        } catch (const std::exception& e) {
            // A picture the list cannot give (its file gone or damaged) shows the error mark.
            qWarning("adjustment preview not made: %s", e.what());
            (key.second == fnNone ? CustomImagePackSrc : CustomImagePackDst)
                ->StoreCachedImage(ImagePackErrorMark(), key.first);
            continue;
        }
        asked.emplace(key, job);
        jobs.push_back(std::move(job));
    }
    asked_ = std::move(asked);
    if (!worker_) {
        // The destructor stops the worker first, so this outlives every call; a queued call the
        // window does not live to see is dropped by Qt.
        worker_ = std::make_unique<TAINPreviewWorker>(
            [this](int index, int number, std::shared_ptr<TPictureEx> preview) {
                QMetaObject::invokeMethod(
                    this, [this, index, number, preview] { PreviewMade(index, number, preview); },
                    Qt::QueuedConnection);
            });
    }
    worker_->Replace(std::move(jobs));
    if (!asked_.empty() && !progressTimer_->isActive())
        progressTimer_->start();
}

void TfrmAutoImgNorm::ShowCorrectionProgress() {
    const int32_t position = worker_ ? worker_->CorrectionPosition() : -1;
    if (position >= 0) {
        ProgressBar1->setRange(0, TPhasedProgressBase::OverallMax);
        ProgressBar1->setValue(position);
        ProgressBar1->show();
    } else {
        ProgressBar1->hide();
        if (asked_.empty())
            progressTimer_->stop();
    }
}

void TfrmAutoImgNorm::PreviewMade(int index, int number, const std::shared_ptr<TPictureEx>& picture) {
    asked_.erase({index, number});
    if (asked_.empty())
        ShowCorrectionProgress();
    // A correction the user has left meanwhile is not shown; an uncorrected picture always fits.
    if (index >= count_ || (number != fnNone && numbers_[size_t(index)] != number))
        return;
    TPictureEx shown;
    shown.Assign(picture ? picture.get() : &ImagePackErrorMark());
    if (number == fnNone)
        CustomImagePackSrc->StoreCachedImage(shown, index);
    if (numbers_[size_t(index)] == number)
        CustomImagePackDst->StoreCachedImage(shown, index);
    const int row = index - ScrollBar1->value();
    if (row >= 0 && row < kRows)
        ShowRow(row);
}

void TfrmAutoImgNorm::ShowRow(int row) {
    const int index = ScrollBar1->value() + row;
    if (index >= count_)
        return;
    lbNo[row]->setText(QStringLiteral("No.%1").arg(index + 1));
    const int number = numbers_[size_t(index)];
    btnConv[row]->setIcon(checkIcons_[number != fnNone ? 1 : 0]);
    lblConv[row]->setText(filterItems[std::clamp(number, 0, 2)]->text());
    TPicture picture;
    CustomImagePackSrc->GetImage(picture, index);
    imSrc[row]->SetPicture(picture);
    CustomImagePackDst->GetImage(picture, index);
    imDst[row]->SetPicture(picture);
}

bool TfrmAutoImgNorm::CanApplyNumber(int index, int number) {
    if (number == fnNone)
        return true;
    if (source_ == nullptr)
        return false;
    const auto known = applicable_.find({index, number});
    if (known != applicable_.end())
        return known->second;
    TPicture* picture = source_->GetResultPicture(index);
    bool can = false;
    if (number == fnOwn) {
        TAutoNormalizeFilter filter;
        can = filter.CanApply(picture);
    } else if (number == fnExifPrint) {
        TBJExifNormalizeFilter filter;
        can = filter.CanApply(picture);
    }
    applicable_[{index, number}] = can;
    return can;
}

void TfrmAutoImgNorm::OpenFilterMenu(int row) {
    menuRow_ = row;
    pmFilter->popup(btnConv[row]->mapToGlobal(QPoint(0, btnConv[row]->height())));
}

void TfrmAutoImgNorm::PrepareFilterMenu() {
    const int index = ScrollBar1->value() + menuRow_;
    if (index >= count_)
        return;
    for (int tag = 0; tag < 3; ++tag) {
        filterItems[tag]->setChecked(numbers_[size_t(index)] == tag);
        filterItems[tag]->setEnabled(CanApplyNumber(index, tag));
    }
}

void TfrmAutoImgNorm::ChooseFilter(int row, int number) {
    const int index = ScrollBar1->value() + row;
    if (index < 0 || index >= count_ || row < 0 || row >= kRows)
        return;
    if (numbers_[size_t(index)] == number)
        return;
    numbers_[size_t(index)] = number;
    CustomImagePackDst->StoreCachedImage(TPicture(), index);
    ShowRow(row);
    RequestPreviews();
}

void TfrmAutoImgNorm::ChooseFilterAll(int number) {
    for (int i = 0; i < count_; ++i)
        if (number == fnNone || CanApplyNumber(i, number))
            numbers_[size_t(i)] = number;
    RefreshResults();
}

void TfrmAutoImgNorm::RefreshResults() {
    CustomImagePackDst->Refresh();
    ShowRows();
}

void TAINPreviewWorker::Make(const TAINPreviewJob& job, TPictureEx& preview, TPhasedProgressBase* progress) {
    TPictureEx picture;
    job.picture.LoadInto(picture);
    if (job.number == TfrmAutoImgNorm::fnNone) {
        if (job.filters)
            ApplyFilters(*job.filters, picture, job.sizeLimit);
        const TRect size = PreviewRect(picture.Width(), picture.Height());
        TSafetyBitmap thumbnail(size.Width(), size.Height(), pf24bit);
        DrawPictureThumbnail(&picture, &thumbnail, clNone, true, clWhite);
        preview.SetGraphic(&thumbnail);
        return;
    }
    if (IsRectDegenerate(TRect(0, 0, picture.Width(), picture.Height())))
        return;
    TSafetyBitmap whole;
    DrawWhole(&picture, whole);
    TSafetyBitmap corrected;
    std::unique_ptr<TGREffector> effector;
    if (job.number == TfrmAutoImgNorm::fnExifPrint) {
        auto exif = std::make_unique<TGREffectBJExifNormalize>();
        exif->SetJPEGPicture(&picture);
        effector = std::move(exif);
    } else {
        effector = std::make_unique<TGREffectAutoNormalize>();
    }
    effector->SetSource(&whole);
    effector->SetDest(&corrected);
    effector->SetSourceRect(TRect(0, 0, whole.Width(), whole.Height()));
    effector->SetProgress(progress);
    effector->Execute();
    whole.SetSize(0, 0);
    TPictureEx result;
    result.SetGraphic(&corrected);
    corrected.SetSize(0, 0);
    // The photo's own filters (clip, blur, light, tone) come after the correction.
    if (job.filters)
        ApplyFilters(*job.filters, result, 0);
    TSafetyBitmap full;
    DrawWhole(&result, full);
    const TRect size = PreviewRect(full.Width(), full.Height());
    TSafetyBitmap thumbnail(size.Width(), size.Height(), pf24bit);
    ResampleBitmap(&thumbnail, &full, rkLinear);
    preview.SetGraphic(&thumbnail);
}

void TfrmAutoImgNorm::OkClicked() {
    if (source_ != nullptr && count_ > 0) {
        progress_->BeginPhase(0, count_);
        for (int i = 0; i < count_; ++i) {
            source_->SetFilterNo(i, numbers_[size_t(i)]);
            progress_->StepIt();
        }
        progress_->EndPhase();
    }
    accept();
}
