#include "app/UEffectPreview.h"

#include "imaging/UImageData.h"
#include "imaging/UImageFilter.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Bitmap.h"
#include "platform/Graphic.h"
#include "platform/Object.h"
#include "platform/Stream.h"

#include <exception>

// ---- styles

bool TEffectStyle::SameEffects(const TEffectStyle& other) const {
    return Brightness == other.Brightness && Contrast == other.Contrast && Focus == other.Focus &&
           Color == other.Color;
}

void ApplyEffectStyle(const TEffectStyle& style, TImageData& data) {
    InUpdate(data.Notifier(), [&] {
        data.BlurFilter()->SetBlurCount(style.Focus);
        data.LightFilter()->SetBrightness(style.Brightness);
        data.LightFilter()->SetContrast(style.Contrast);
        data.MonotoneFilter()->SetRefColor(style.Color);
    });
}

TEffectStyle GetEffectStyle(const TImageData& data) {
    TEffectStyle style;
    style.Focus = data.BlurFilter()->BlurCount();
    style.Brightness = data.LightFilter()->Brightness();
    style.Contrast = data.LightFilter()->Contrast();
    style.Color = data.MonotoneFilter()->RefColor();
    return style;
}

int EffectPreviewSizeLimit() {
    const int limit = ImageDispLimitSize();
    return limit >= 1 && limit <= kLargestSizeLimit ? limit : kDefaultPreviewLimit;
}

// ---- sources

void TEffectSource::LoadInto(TImageData& data) const {
    TPictureEx picture;
    if (GraphicClass && !PictureData.isEmpty()) {
        std::unique_ptr<TGraphic> graphic = GraphicClass->NewInstance();
        TMemoryStream stream(PictureData);
        graphic->ReadData(stream);
        picture.TakeGraphic(std::move(graphic));
    }
    InUpdate(data.Notifier(), [&] {
        data.SetPicture(&picture);
        data.ClipFilter()->SetClipRect(ClipRect);
        data.SetTransparentColor(TransparentColor);
    });
}

std::shared_ptr<const TEffectSource> TakeEffectSource(TImageData& data, int sizeLimit) {
    auto source = std::make_shared<TEffectSource>();
    if (!data.IsEmpty()) {
        // The stream form copies every byte, so the worker's picture shares no pixels with ours.
        TGraphic* graphic = data.Picture()->Graphic();
        TMemoryStream stream;
        graphic->WriteData(stream);
        source->PictureData = stream.Data();
        source->GraphicClass = graphic->NewInstance();
    }
    source->ClipRect = data.ClipFilter()->ClipRect();
    source->TransparentColor = data.TransparentColor();
    source->SizeLimit = sizeLimit;
    return source;
}

// ---- builder

namespace {

// What a pixel filter's output depends on besides its input.
std::array<int64_t, 2> StageKey(TGREFilter* filter) {
    if (auto* blur = dynamic_cast<TBlurFilter*>(filter))
        return {blur->BlurCount(), 0};
    if (auto* light = dynamic_cast<TLightFilter*>(filter))
        return {light->Brightness(), light->Contrast()};
    if (auto* tint = dynamic_cast<TMonotoneFilter*>(filter))
        return {int64_t(tint->RefColor()), 0};
    return {0, 0};
}

} // namespace

TEffectPreviewBuilder::TEffectPreviewBuilder()
    : data_(std::make_unique<TImageData>()), work_(std::make_unique<TPictureEx>()),
      mask_(std::make_unique<TBitmap>()), result_(std::make_unique<TPictureEx>()) {
    for (TStage& stage : stages_)
        stage.picture = std::make_unique<TPictureEx>();
}

TEffectPreviewBuilder::~TEffectPreviewBuilder() = default;

TPictureEx& TEffectPreviewBuilder::Build(const TEffectPreviewRequest& request) {
    stepsRun_ = 0;
    if (request.Source != source_) {
        // Forgotten first: a source that fails to read leaves nothing that looks current.
        source_.reset();
        for (TStage& stage : stages_)
            stage.key.reset();
        work_->SetGraphic(nullptr);
        if (request.Source) {
            request.Source->LoadInto(*data_);
            data_->MakeWorkPicture(nullptr, request.Source->SizeLimit, *work_, *mask_);
            ++stepsRun_;
        }
        source_ = request.Source;
    }
    ApplyEffectStyle(request.Effects, *data_);
    const std::array<TGREFilter*, 3> filters = data_->PixelFilters();
    const TPictureEx* input = work_.get();
    bool reused = true;
    for (size_t i = 0; i < filters.size(); ++i) {
        TStage& stage = stages_[i];
        const TStageKey key = StageKey(filters[i]);
        reused = reused && stage.key == key;
        if (!reused) {
            stage.key.reset();
            stage.picture->Assign(input);
            TImageData::ApplyPixelFilter(*filters[i], *stage.picture);
            stage.key = key;
            ++stepsRun_;
        }
        input = stage.picture.get();
    }
    data_->FinishFilteredPicture(*input, *mask_, *result_);
    return *result_;
}

QImage EffectPreviewImage(TPictureEx& source, TColor transparentColor) {
    if (source.Graphic() == nullptr || source.Graphic()->Empty())
        return QImage();
    TBitmap mask;
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(source.Graphic());
    if (transparentColor != clNone && bitmap != nullptr)
        bitmap->GetMask(mask);
    QImage image = CopyToSafetyBitmap24(source)->Pixels().ToImage();
    if (mask.Empty() || mask.Width() != image.width() || mask.Height() != image.height())
        return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    // Transparent pixels keep the transparent colour, so a viewer keying on it finds them too.
    const QRgb clear = ColorToRGBQuad(transparentColor) & 0x00FFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (mask.GetPixel(x, y) != clBlack)
                line[x] = clear;
    }
    return image;
}

// ---- thread

TEffectPreviewThread::TEffectPreviewThread(QObject* parent) : QThread(parent) {
    setObjectName(QStringLiteral("EffectPreview"));
}

TEffectPreviewThread::~TEffectPreviewThread() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
        pending_.reset();
    }
    wake_.notify_all();
    wait();
}

quint64 TEffectPreviewThread::Request(TEffectPreviewRequest request) {
    quint64 serial;
    {
        std::lock_guard guard(lock_);
        pending_ = std::move(request);
        serial = ++serial_;
    }
    wake_.notify_all();
    if (!isRunning())
        start(QThread::LowPriority);
    return serial;
}

void TEffectPreviewThread::run() {
    auto builder = std::make_unique<TEffectPreviewBuilder>();
    for (;;) {
        TEffectPreviewRequest request;
        quint64 serial;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || pending_.has_value(); });
            if (stopping_)
                return;
            request = std::move(*pending_);
            pending_.reset();
            serial = serial_;
        }
        QImage image;
        try {
            const TColor transparent = request.Source ? request.Source->TransparentColor : clNone;
            image = EffectPreviewImage(builder->Build(request), transparent);
        } catch (const std::exception& e) {
            qWarning("effect preview not made: %s", e.what());
            builder = std::make_unique<TEffectPreviewBuilder>();
        }
        emit PreviewReady(image, serial);
    }
}
