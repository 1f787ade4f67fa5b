#include "imaging/UAutoAdjustFilter.h"

#include "core/UPhasedProgress.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Cp932.h"
#include "platform/FloatingPoint.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QFile>
#include <QProgressBar> // completes the progress header's pointer type
#include <mutex>

namespace {

std::mutex loaderLock;
TBJExifPrintLoader installedLoader;

// The library is a printer maker's Windows library; nothing provides it here.
TBJExifPrintEntryPoints LoadEntryPoints() {
    TBJExifPrintLoader loader;
    {
        std::lock_guard<std::mutex> guard(loaderLock);
        loader = installedLoader;
    }
    return loader ? loader() : TBJExifPrintEntryPoints{};
}

TJPEGGraphic* JPEGOf(TPicture* picture) {
    return picture ? dynamic_cast<TJPEGGraphic*>(picture->Graphic()) : nullptr;
}

} // namespace

void SetBJExifPrintLoader(TBJExifPrintLoader loader) {
    std::lock_guard<std::mutex> guard(loaderLock);
    installedLoader = std::move(loader);
}

// ---- the manager

TBJExifPrintManager::TBJExifPrintManager()
    : entry_(LoadEntryPoints()), picture_(std::make_unique<TPicture>()) {}

TBJExifPrintManager::~TBJExifPrintManager() = default;

bool TBJExifPrintManager::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IBJExifPrintManager>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

void TBJExifPrintManager::GetVersion(QString& text) {
    text.clear();
    if (!entry_.dmGetEpmanVersion)
        return;
    char buffer[261] = {};
    if (CallMasked([&] { return entry_.dmGetEpmanVersion(entry_.Module, buffer); }) != 0)
        return;
    buffer[260] = 0;
    text = Cp932::Decode(buffer, qsizetype(qstrlen(buffer)));
}

bool TBJExifPrintManager::FetchDiPSInfo(const std::function<int32_t(uint8_t*)>& call) {
    dipsInfo_.clear();
    const int32_t size = CallMasked([&] { return call(nullptr); });
    if (size <= 0 || size > kMaxDiPSInfo)
        return false;
    dipsInfo_.resize(size);
    if (CallMasked([&] { return call(reinterpret_cast<uint8_t*>(dipsInfo_.data())); }) == 0)
        return true;
    dipsInfo_.clear();
    return false;
}

bool TBJExifPrintManager::GetDiPSInfo(const QString& fileName) {
    if (!entry_.dmGetDiPSInfo)
        return false;
    const QByteArray name = QFile::encodeName(fileName);
    return FetchDiPSInfo([&](uint8_t* buffer) { return entry_.dmGetDiPSInfo(name.constData(), buffer); });
}

bool TBJExifPrintManager::GetDiPSInfoFromMem(const QByteArray& jpeg) {
    if (!entry_.dmGetDiPSInfoFromMem)
        return false;
    const auto* data = reinterpret_cast<const uint8_t*>(jpeg.constData());
    return FetchDiPSInfo(
        [&](uint8_t* buffer) { return entry_.dmGetDiPSInfoFromMem(data, int32_t(jpeg.size()), buffer); });
}

bool TBJExifPrintManager::LoadFromFile(const QString& fileName) {
    picture_->SetGraphic(nullptr);
    if (IsAvailable() && GetDiPSInfo(fileName))
        picture_->LoadFromFile(fileName);
    return picture_->Graphic() != nullptr && !picture_->Graphic()->Empty();
}

bool TBJExifPrintManager::LoadFromGraphic(TGraphic* graphic) {
    picture_->SetGraphic(nullptr);
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(graphic);
    if (IsAvailable() && jpeg != nullptr && GetDiPSInfoFromMem(jpeg->Data()))
        picture_->SetGraphic(jpeg);
    return picture_->Graphic() != nullptr && !picture_->Graphic()->Empty();
}

bool TBJExifPrintManager::LoadFromPicture(TPicture* picture) {
    if (!IsAvailable() || picture == nullptr || picture->Graphic() == nullptr || picture->Graphic()->Empty())
        return false;
    return LoadFromGraphic(picture->Graphic());
}

bool TBJExifPrintManager::GetExifPrintImage(TPicture& dest) {
    auto* jpeg = JPEGOf(picture_.get());
    if (!entry_.dmGetExifPrintImage || jpeg == nullptr || jpeg->Empty())
        return false;
    TBitmap& bitmap = dest.ForceType<TBitmap>();
    bitmap.Assign(jpeg->Bitmap());
    bitmap.SetPixelFormat(pf24bit);
    if (bitmap.Empty())
        return false;
    // Our rows lie top-down, so the first row is the lowest address.
    uint8_t* pixels = bitmap.ScanLine(0);
    const int32_t result = CallMasked([&] {
        return entry_.dmGetExifPrintImage(pixels, bitmap.Width(), bitmap.Height(), 0,
                                          reinterpret_cast<const uint8_t*>(dipsInfo_.constData()), pixels);
    });
    bitmap.Changed();
    return result == 0;
}

TIntf<IBJExifPrintManager> NewBJExifPrintManager() {
    return TIntf<IBJExifPrintManager>(new TBJExifPrintManager());
}

// ---- the effector

void TGREffectBJExifNormalize::Execute() {
    TPhasedProgressBase* progress = Progress();
    auto step = [progress] {
        if (progress)
            progress->StepIt();
    };
    if (progress)
        progress->BeginPhase(0, 6);
    try {
        TIntf<IBJExifPrintManager> manager = NewBJExifPrintManager();
        step();
        const TRect area = SourceRect();
        TBitmap* dest = Dest();
        if (dest != nullptr) {
            dest->SetPixelFormat(pf24bit);
            dest->SetSize(std::max(0, area.Width()), std::max(0, area.Height()));
        }
        step();
        TPicture corrected;
        const bool accepted = manager->IsAvailable() && manager->LoadFromPicture(jpeg_);
        step();
        const bool done = accepted && manager->GetExifPrintImage(corrected);
        step();
        if (dest != nullptr && !dest->Empty()) {
            TGraphic* graphic = done ? corrected.Graphic() : Source();
            if (graphic != nullptr)
                StretchDrawLocked(dest->Canvas(), Rect(0, 0, dest->Width(), dest->Height()), graphic);
        }
        step();
        step();
    } catch (...) {
        if (progress)
            progress->EndPhase();
        throw;
    }
    if (progress)
        progress->EndPhase();
}

// ---- the system's normalisation

void TAutoNormalizeFilter::DeclareProperties(TPropertyBuilder<TAutoNormalizeFilter>& p) {
    p.Boolean("Enabled", &TAutoNormalizeFilter::Enabled, &TAutoNormalizeFilter::SetEnabled).Default(false);
}

void TAutoNormalizeFilter::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    Changed();
}

void TAutoNormalizeFilter::AssignTo(TPersistent* dest) const {
    if (auto* filter = dynamic_cast<TAutoNormalizeFilter*>(dest))
        filter->SetEnabled(enabled_);
}

std::unique_ptr<TGREffector> TAutoNormalizeFilter::CreateEffector() {
    if (!enabled_)
        return nullptr;
    return std::make_unique<TGREffectAutoNormalize>();
}

// ---- the Exif Print correction

void TBJExifNormalizeFilter::DeclareProperties(TPropertyBuilder<TBJExifNormalizeFilter>& p) {
    p.Boolean("Enabled", &TBJExifNormalizeFilter::Enabled, &TBJExifNormalizeFilter::SetEnabled)
        .Default(false);
}

void TBJExifNormalizeFilter::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    Changed();
}

void TBJExifNormalizeFilter::AssignTo(TPersistent* dest) const {
    if (auto* filter = dynamic_cast<TBJExifNormalizeFilter*>(dest))
        filter->SetEnabled(enabled_);
}

bool TBJExifNormalizeFilter::CanApply(TPicture* picture) {
    return JPEGOf(picture) != nullptr && NewBJExifPrintManager()->LoadFromPicture(picture);
}

void TBJExifNormalizeFilter::Apply(TPicture& source, TPicture& dest, TRect& rect) {
    if (enabled_) {
        dest.SetGraphic(nullptr);
        TIntf<IBJExifPrintManager> manager = NewBJExifPrintManager();
        if (!(manager->IsAvailable() && manager->LoadFromPicture(&source) &&
              manager->GetExifPrintImage(dest)))
            dest.Assign(&source);
    } else {
        dest.Assign(&source);
    }
    rect = Rect(0, 0, dest.Width(), dest.Height());
}

bool TBJExifNormalizeFilter::IsActive(TPicture* picture) {
    if (!enabled_)
        return false;
    TIntf<IBJExifPrintManager> manager = NewBJExifPrintManager();
    return manager->IsAvailable() && manager->LoadFromPicture(picture);
}

std::unique_ptr<TGREffector> TBJExifNormalizeFilter::CreateEffector() {
    if (!enabled_)
        return nullptr;
    return std::make_unique<TGREffectBJExifNormalize>();
}

// ---- the switch between them

TAutoAdjustFilter::TAutoAdjustFilter()
    : autoNormalize_(std::make_unique<TAutoNormalizeFilter>()),
      exifNormalize_(std::make_unique<TBJExifNormalizeFilter>()) {}

TAutoAdjustFilter::~TAutoAdjustFilter() = default;

void TAutoAdjustFilter::DeclareProperties(TPropertyBuilder<TAutoAdjustFilter>& p) {
    p.Integer("FilterNo", &TAutoAdjustFilter::FilterNo, &TAutoAdjustFilter::SetFilterNo).Default(0);
}

void TAutoAdjustFilter::SetFilterNo(int32_t value) {
    if (value == filterNo_)
        return;
    filterNo_ = value;
    autoNormalize_->SetEnabled(value == afAutoNormalize);
    exifNormalize_->SetEnabled(value == afExifPrint);
    Changed();
}

TGREFilter* TAutoAdjustFilter::Chosen() const {
    switch (filterNo_) {
    case afAutoNormalize:
        return autoNormalize_.get();
    case afExifPrint:
        return exifNormalize_.get();
    default:
        return nullptr;
    }
}

bool TAutoAdjustFilter::CanApply(TPicture* picture) {
    TGREFilter* chosen = Chosen();
    return chosen != nullptr && chosen->CanApply(picture);
}

void TAutoAdjustFilter::Apply(TPicture& source, TPicture& dest, TRect& rect) {
    if (TGREFilter* chosen = Chosen())
        chosen->Apply(source, dest, rect);
    else
        rect = TRect();
}

bool TAutoAdjustFilter::IsActive(TPicture*) {
    switch (filterNo_) {
    case afAutoNormalize:
        return autoNormalize_->Enabled();
    case afExifPrint:
        return exifNormalize_->Enabled();
    default:
        return false;
    }
}

void TAutoAdjustFilter::AssignTo(TPersistent* dest) const {
    auto* filter = dynamic_cast<TAutoAdjustFilter*>(dest);
    if (filter == nullptr)
        return;
    filter->SetFilterNo(filterNo_);
    filter->autoNormalize_->Assign(autoNormalize_.get());
    filter->exifNormalize_->Assign(exifNormalize_.get());
}
