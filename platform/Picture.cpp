#include "platform/Picture.h"

#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/ComponentReader.h"
#include "platform/Exception.h"
#include "platform/Filer.h"
#include "platform/Icon.h"
#include "platform/Metafile.h"
#include "platform/PixelBuffer.h"
#include "platform/Stream.h"

#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <mutex>

namespace {

struct Registry {
    std::mutex lock;
    std::vector<TGraphicFormat> files;
    std::vector<TClipboardGraphicFormat> clipboard;
};

template <class T>
TGraphicFactory Factory() {
    return [] { return std::unique_ptr<TGraphic>(std::make_unique<T>()); };
}

void LoadClipboardBytes(TGraphic& graphic, uint16_t, const QByteArray& data) {
    TMemoryStream stream(data);
    graphic.LoadFromStream(stream);
}

// The framework's own graphics are there before any unit adds its formats.
Registry& TheRegistry() {
    static Registry registry;
    static std::once_flag once;
    std::call_once(once, [] {
        registry.files.push_back({QStringLiteral("bmp"), QStringLiteral("Bitmaps"), QStringLiteral("TBitmap"),
                                  Factory<TBitmap>()});
        registry.files.push_back(
            {QStringLiteral("ico"), QStringLiteral("Icons"), QStringLiteral("TIcon"), Factory<TIcon>()});
        registry.files.push_back({QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"),
                                  QStringLiteral("TMetafile"), Factory<TMetafile>()});
        registry.files.push_back({QStringLiteral("wmf"), QStringLiteral("Metafiles"),
                                  QStringLiteral("TMetafile"), Factory<TMetafile>()});
        registry.clipboard.push_back(
            {CF_BITMAP, QStringLiteral("TBitmap"), Factory<TBitmap>(), LoadClipboardBytes});
        registry.clipboard.push_back(
            {CF_ENHMETAFILE, QStringLiteral("TMetafile"), Factory<TMetafile>(), LoadClipboardBytes});
        registry.clipboard.push_back(
            {CF_METAFILEPICT, QStringLiteral("TMetafile"), Factory<TMetafile>(), LoadClipboardBytes});
    });
    return registry;
}

QString NormalizedExtension(const QString& extension) {
    QString ext = extension.toLower();
    if (ext.startsWith(QLatin1Char('.')))
        ext.remove(0, 1);
    return ext;
}

} // namespace

TPicture::TPicture() = default;

TPicture::~TPicture() {
    if (graphic_)
        graphic_->OnChange = nullptr;
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> graphic, bool notify) {
    if (graphic_)
        graphic_->OnChange = nullptr;
    graphic_ = std::move(graphic);
    if (graphic_)
        graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
    if (notify)
        Changed(this);
}

void TPicture::SetGraphic(const TGraphic* value) {
    std::unique_ptr<TGraphic> made;
    if (value) {
        made = value->NewInstance();
        made->Assign(*value);
    }
    TakeGraphic(std::move(made));
}

void TPicture::Changed(TObject*) {
    if (OnChange)
        OnChange(this);
}

void TPicture::LoadFromFile(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix();
    const TGraphicFactory create = FindExtension(ext);
    if (!create)
        throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    std::unique_ptr<TGraphic> made = create();
    made->LoadFromFile(fileName);
    TakeGraphic(std::move(made));
}

void TPicture::SaveToFile(const QString& fileName) {
    if (graphic_)
        graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromClipboardFormat(uint16_t format, const QByteArray& data) {
    TGraphicFactory create;
    TClipboardLoader load;
    {
        Registry& r = TheRegistry();
        std::lock_guard guard(r.lock);
        for (auto it = r.clipboard.rbegin(); it != r.clipboard.rend(); ++it) {
            if (it->format == format) {
                create = it->create;
                load = it->load;
                break;
            }
        }
    }
    if (!create)
        throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
    std::unique_ptr<TGraphic> made = create();
    load(*made, format, data);
    TakeGraphic(std::move(made));
}

void TPicture::Assign(const TPersistent* source) {
    if (source == nullptr) {
        SetGraphic(nullptr);
        return;
    }
    if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
        SetGraphic(picture->Graphic());
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::DefineProperties(TFiler& filer) {
    filer.DefineBinaryProperty(
        QStringLiteral("Data"), [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); },
        graphic_ != nullptr);
}

void TPicture::ReadData(TStream& stream) {
    const uint8_t length = stream.ReadByte();
    // The framework reads the name into a 63-character short string; a longer count is damage,
    // not a name to read past that buffer.
    if (length > kMaxGraphicClassName)
        throw EInvalidGraphic(QStringLiteral("Invalid stream format"));
    const QString className = QString::fromLatin1(stream.ReadBytes(length));
    const TGraphicFactory create = FindClassName(className);
    if (!create) {
        TakeGraphic(nullptr);
        return;
    }
    std::unique_ptr<TGraphic> made = create();
    made->ReadData(stream);
    TakeGraphic(std::move(made));
}

void TPicture::WriteData(TStream& stream) {
    const QByteArray name =
        graphic_ ? QByteArray(graphic_->ClassName()).left(kMaxGraphicClassName) : QByteArray();
    stream.WriteByte(uint8_t(name.size()));
    stream.WriteBytes(name);
    if (graphic_)
        graphic_->WriteData(stream);
}

// ---- registry

void TPicture::RegisterFileFormat(const QString& extension, const QString& description,
                                  const QString& className, const TGraphicFactory& create) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    r.files.push_back({NormalizedExtension(extension), description, className, create});
}

void TPicture::RegisterClipboardFormat(uint16_t format, const QString& className,
                                       const TGraphicFactory& create, const TClipboardLoader& load) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    r.clipboard.push_back({format, className, create, load});
}

void TPicture::UnregisterGraphicClass(const QString& className) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    std::erase_if(r.files, [&](const TGraphicFormat& f) { return f.className == className; });
    std::erase_if(r.clipboard, [&](const TClipboardGraphicFormat& f) { return f.className == className; });
}

TGraphicFactory TPicture::FindExtension(const QString& extension) {
    const QString ext = NormalizedExtension(extension);
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (auto it = r.files.rbegin(); it != r.files.rend(); ++it)
        if (it->extension == ext)
            return it->create;
    return {};
}

TGraphicFactory TPicture::FindClassName(const QString& className) {
    if (className.isEmpty())
        return {};
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    for (auto it = r.files.rbegin(); it != r.files.rend(); ++it)
        if (it->className == className)
            return it->create;
    for (auto it = r.clipboard.rbegin(); it != r.clipboard.rend(); ++it)
        if (it->className == className)
            return it->create;
    return {};
}

bool TPicture::SupportsClipboardFormat(uint16_t format) {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    return std::any_of(r.clipboard.begin(), r.clipboard.end(),
                       [format](const TClipboardGraphicFormat& f) { return f.format == format; });
}

std::vector<TGraphicFormat> TPicture::FileFormats() {
    Registry& r = TheRegistry();
    std::lock_guard guard(r.lock);
    return r.files;
}

QString TPicture::GraphicFilter() {
    QStringList masks;
    QStringList entries;
    for (const TGraphicFormat& f : FileFormats()) {
        const QString mask = QStringLiteral("*.") + f.extension;
        if (!masks.contains(mask))
            masks << mask;
        entries << QStringLiteral("%1 (%2)|%2").arg(f.description, mask);
    }
    entries.prepend(QStringLiteral("All (%1)|%1").arg(masks.join(QLatin1Char(';'))));
    return entries.join(QLatin1Char('|'));
}

// ---- helpers

QByteArray ReadGraphicBlock(TStream& stream) {
    const int32_t length = stream.ReadInt32();
    if (length < 0)
        throw EReadError(QStringLiteral("Stream read error"));
    // A block that ends a stored property (a picture's file) is taken as it is, not copied.
    if (auto* property = dynamic_cast<TBinaryPropertyStream*>(&stream);
        property != nullptr && length == property->Remaining())
        return property->TakeRest();
    return stream.ReadBytes(length);
}

bool DecodedSizeAllowed(int64_t width, int64_t height, int64_t dataSize) {
    if (width <= 0 || height <= 0 || width > PixelBuffer::kMaxDimension ||
        height > PixelBuffer::kMaxDimension)
        return false;
    const int64_t pixels = width * height;
    const int64_t earned = dataSize > (kMaxDecodedPixels / kPixelsPerDataByte)
                               ? kMaxDecodedPixels
                               : dataSize * kPixelsPerDataByte;
    return pixels <= kMaxDecodedPixels && pixels <= kFreeDecodedPixels + earned;
}

void WriteGraphicBlock(TStream& stream, const QByteArray& bytes) {
    stream.WriteInt32(static_cast<int32_t>(bytes.size()));
    stream.WriteBytes(bytes);
}

void StretchDrawImage(TCanvas& canvas, const TRect& rect, const QImage& image) {
    if (image.isNull() || rect.Width() == 0 || rect.Height() == 0)
        return;
    const TRect d = canvas.LPtoDP(rect);
    QPainter* p = canvas.Painter();
    if (!p)
        return;
    const QRectF target(std::min(d.Left, d.Right), std::min(d.Top, d.Bottom), std::abs(d.Width()),
                        std::abs(d.Height()));
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    const bool mirrorX = d.Width() < 0, mirrorY = d.Height() < 0;
    p->drawImage(target, mirrorX || mirrorY ? image.mirrored(mirrorX, mirrorY) : image, QRectF(image.rect()));
    p->restore();
    if (canvas.OnChange)
        canvas.OnChange(&canvas);
}
