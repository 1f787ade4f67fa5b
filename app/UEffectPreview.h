#pragma once
// Effect styles (brightness, contrast, focus and a one-colour tint applied together) and the previews
// of the image effect editor. A preview never touches the image data the window holds: the UI thread
// takes a source (the picture's stream bytes, the clip and the transparent colour), and a worker
// thread reads it into image data of its own and runs the same chain the image data runs, keeping
// the work picture and each pixel filter's output keyed by the settings that made it, so a move of
// the brightness re-runs only the light filter. The newest request replaces one not yet started; the
// picture comes back as a QImage through a queued signal.

#include "platform/Color.h"
#include "platform/Rect.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QThread>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

class TImageData;
class TPictureEx;
class TBitmap;
class TGraphic;

// The four effects of an image data under one title. Color clNone: no tint.
struct TEffectStyle {
    QString Title;
    int Brightness = 0;
    int Contrast = 0;
    // The blur count: positive softens, negative sharpens.
    int Focus = 0;
    TColor Color = clNone;

    // The four effects equal (the title is not compared).
    bool SameEffects(const TEffectStyle& other) const;
};

// Sets the blur count, brightness, contrast and tint of data in one change.
void ApplyEffectStyle(const TEffectStyle& style, TImageData& data);
// The four effects of data, with an empty title.
TEffectStyle GetEffectStyle(const TImageData& data);

// Previews are made no larger than the display limit of photos, or this when none is set.
inline constexpr int kDefaultPreviewLimit = 800;
int EffectPreviewSizeLimit();

// What a preview is made from: nothing in it is shared with the image data it was taken from, so
// any thread may read it while the UI thread goes on.
struct TEffectSource {
    // An empty graphic of the picture's class (never changed), and the picture's data in its
    // stream form.
    std::shared_ptr<const TGraphic> GraphicClass;
    QByteArray PictureData;
    TRect ClipRect;
    TColor TransparentColor = clNone;
    // Larger pictures are shrunk to fit within it after the clip (0: no limit).
    int SizeLimit = 0;

    // Makes data hold this picture, clip and transparent colour (the effects stay as they are).
    void LoadInto(TImageData& data) const;
};
std::shared_ptr<const TEffectSource> TakeEffectSource(TImageData& data, int sizeLimit);

struct TEffectPreviewRequest {
    std::shared_ptr<const TEffectSource> Source;
    TEffectStyle Effects;
};

// Makes previews on one thread at a time, reusing every stage whose settings did not change.
class TEffectPreviewBuilder {
public:
    TEffectPreviewBuilder();
    ~TEffectPreviewBuilder();
    TEffectPreviewBuilder(const TEffectPreviewBuilder&) = delete;
    TEffectPreviewBuilder& operator=(const TEffectPreviewBuilder&) = delete;

    // The filtered picture of the source with the effects, as the image data's own chain makes it;
    // it stays valid until the next build. Empty for an empty source.
    TPictureEx& Build(const TEffectPreviewRequest& request);
    // How many steps the last build ran: the work picture counts as one, each pixel filter as one.
    int StepsRun() const { return stepsRun_; }

private:
    using TStageKey = std::array<int64_t, 2>;
    struct TStage {
        std::optional<TStageKey> key;
        std::unique_ptr<TPictureEx> picture;
    };

    std::unique_ptr<TImageData> data_;
    std::shared_ptr<const TEffectSource> source_;
    std::unique_ptr<TPictureEx> work_;
    std::unique_ptr<TBitmap> mask_;
    std::array<TStage, 3> stages_;
    std::unique_ptr<TPictureEx> result_;
    int stepsRun_ = 0;
};

// The picture as a 32-bit image of its own pixels (null for an empty picture); the pixels its mask
// marks transparent, when transparentColor is not clNone, become that colour with alpha 0.
QImage EffectPreviewImage(TPictureEx& picture, TColor transparentColor);

// The worker thread of one editor. Starts on the first request; the destructor stops it after the
// build in hand.
class TEffectPreviewThread : public QThread {
    Q_OBJECT

public:
    explicit TEffectPreviewThread(QObject* parent = nullptr);
    ~TEffectPreviewThread() override;

    // Queues the request in place of any not yet started; returns its number (counting from 1).
    quint64 Request(TEffectPreviewRequest request);

signals:
    // On the worker thread; receivers elsewhere get it queued. A build that raised sends a null
    // image.
    void PreviewReady(const QImage& image, quint64 serial);

protected:
    void run() override;

private:
    std::mutex lock_;
    std::condition_variable wake_;
    std::optional<TEffectPreviewRequest> pending_;
    quint64 serial_ = 0;
    bool stopping_ = false;
};
