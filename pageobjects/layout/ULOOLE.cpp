#include "pageobjects/layout/ULOOLE.h"

#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/CompoundFile.h"
#include "platform/Exception.h"
#include "platform/Filer.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <algorithm>

namespace {

constexpr uint32_t kAspectContent = 1;
// Clipboard-format markers of a presentation stream: a number follows, else an ANSI name of at
// most this many bytes.
constexpr uint32_t kFormatNumber = 0xFFFFFFFF;
constexpr uint32_t kFormatMacNumber = 0xFFFFFFFE;
constexpr uint32_t kMaxFormatNameLength = 0x201;
// The target-device size counts its own four bytes.
constexpr uint32_t kEmptyTargetDevice = 4;
const QString kPresentationPrefix = QStringLiteral("\x02OlePres");

// One presentation stream; false when it is damaged or not of the content aspect.
bool ReadPresentationStream(const QByteArray& bytes, uint32_t& format, TSize& extent, QByteArray& data) {
    try {
        TMemoryStream s(bytes);
        const uint32_t marker = s.ReadUInt32();
        format = 0;
        if (marker == 0)
            return false;
        if (marker == kFormatNumber || marker == kFormatMacNumber)
            format = s.ReadUInt32();
        else if (marker > kMaxFormatNameLength)
            return false;
        else
            s.ReadBytes(marker);
        const uint32_t device = s.ReadUInt32();
        if (device < kEmptyTargetDevice)
            return false;
        s.ReadBytes(device - kEmptyTargetDevice);
        const uint32_t aspect = s.ReadUInt32();
        s.ReadUInt32(); // lindex
        s.ReadUInt32(); // advise flags
        s.ReadUInt32(); // reserved
        const int32_t width = s.ReadInt32();
        const int32_t height = s.ReadInt32();
        const uint32_t size = s.ReadUInt32();
        if (aspect != kAspectContent)
            return false;
        data = s.ReadBytes(size);
        extent = TSize(std::max(width, 0), std::max(height, 0));
        return true;
    } catch (const EReadError&) {
        return false;
    }
}

} // namespace

TOLEPresentation ReadOLEPresentation(const QByteArray& compoundFile) {
    TOLEPresentation result;
    try {
        CompoundStoragePtr storage = StgOpenStorageOnLockBytes(
            std::make_unique<MemoryLockBytes>(compoundFile, false), STGM_READ | STGM_SHARE_EXCLUSIVE);
        std::vector<QString> names;
        for (const STATSTG& e : storage->EnumElements())
            if (e.type == STGTY_STREAM && e.name.startsWith(kPresentationPrefix))
                names.push_back(e.name);
        std::sort(names.begin(), names.end());
        for (const QString& name : names) {
            CompoundStreamPtr stream = storage->OpenStream(name, STGM_READ | STGM_SHARE_EXCLUSIVE);
            // The stream lies inside the file's bytes, so its size is bounded by them.
            const uint64_t size = std::min<uint64_t>(stream->Size(), uint64_t(compoundFile.size()));
            QByteArray bytes(qsizetype(size), Qt::Uninitialized);
            bytes.truncate(qsizetype(stream->Read(bytes.data(), size)));
            uint32_t format = 0;
            TSize extent;
            QByteArray data;
            if (!ReadPresentationStream(bytes, format, extent, data))
                continue;
            if (result.Extent == TSize() && extent.cx > 0 && extent.cy > 0)
                result.Extent = extent;
            if (format == CF_DIB && !result.Bitmap) {
                try {
                    auto bitmap = std::make_shared<TSafetyBitmap>();
                    bitmap->LoadFromClipboardFormat(CF_DIB, data);
                    if (!bitmap->Empty()) {
                        result.Bitmap = std::move(bitmap);
                        result.Extent = extent;
                    }
                } catch (const Exception&) {
                }
            }
        }
    } catch (const Exception&) {
        // A damaged compound file has no presentation; the bytes are still kept.
    }
    return result;
}

TLOOLE::TLOOLE(TComponent* owner) : TLORectBase(owner) {}

TLOOLE::~TLOOLE() = default;

int32_t TLOOLE::DrawAspect() const {
    if (data_.size() < kDataHeaderSize)
        return 0;
    TMemoryStream s(data_);
    s.ReadUInt32();
    return s.ReadInt32();
}

void TLOOLE::SaveToStream(TStream& stream) const {
    stream.WriteBuffer(data_.constData(), data_.size());
}

void TLOOLE::LoadFromStream(TStream& stream) {
    const int64_t start = stream.GetPosition();
    if (stream.ReadUInt32() != kDataSignature)
        throw EReadError(QStringLiteral("Invalid embedded object data"));
    stream.ReadInt32(); // draw aspect
    const uint32_t size = stream.ReadUInt32();
    if (int64_t(size) > stream.Remaining())
        throw EReadError(QStringLiteral("Stream read error"));
    stream.SetPosition(start);
    QByteArray data = stream.ReadBytes(kDataHeaderSize + int64_t(size));
    TOLEPresentation presentation = ReadOLEPresentation(data.mid(kDataHeaderSize));
    data_ = std::move(data);
    extent_ = presentation.Extent;
    presentation_ = std::move(presentation.Bitmap);
    Changed();
    Invalidate();
}

void TLOOLE::DefineProperties(TFiler& filer) {
    TLORectBase::DefineProperties(filer);
    filer.DefineBinaryProperty(
        QStringLiteral("Data"), [this](TStream& s) { LoadFromStream(s); },
        [this](TStream& s) { SaveToStream(s); }, HasObject());
}

void TLOOLE::TakeNaturalExtent() {
    if (extent_.cx > 0 && extent_.cy > 0)
        SetLogRect(Bounds(LogLeft(), LogTop(), std::max(extent_.cx / 10, 1), std::max(extent_.cy / 10, 1)));
    else
        SetLogRect(Bounds(LogLeft(), LogTop(), kDefaultSize.cx, kDefaultSize.cy));
}

void TLOOLE::PasteFromClipboard() {
    throw EInvalidOperation(
        QStringLiteral("埋め込みオブジェクトはこのアプリケーションでは貼り付けできません"));
}

void TLOOLE::OpenForEdit() {
    throw EInvalidOperation(QStringLiteral("埋め込みオブジェクトはこのアプリケーションでは編集できません"));
}

void TLOOLE::SetEnclosingSize(int w, int h) {
    SetLogWidth(w);
    SetLogHeight(h);
}

void TLOOLE::DrawOutline(TCanvas& canvas) {
    canvas.Rectangle(LogBounds());
}

void TLOOLE::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr || LogBounds().IsEmpty())
        return;
    const TRect r = LogBounds();
    if (presentation_) {
        canvas->StretchDraw(r, *presentation_);
        return;
    }
    // The placeholder: a grey frame with its diagonals over white.
    const TPen pen = canvas->Pen();
    const TBrush brush = canvas->Brush();
    canvas->Pen() = TPen{clGray, 0};
    canvas->Brush() = TBrush{clWhite, bsSolid};
    canvas->Rectangle(r);
    canvas->MoveTo(r.Left, r.Top);
    canvas->LineTo(r.Right - 1, r.Bottom - 1);
    canvas->MoveTo(r.Right - 1, r.Top);
    canvas->LineTo(r.Left, r.Bottom - 1);
    canvas->Pen() = pen;
    canvas->Brush() = brush;
}

void TLOOLE::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLOOLE*>(dest);
    if (target == nullptr)
        return;
    // The bitmap is never changed once read, so the copy may share it.
    target->data_ = data_;
    target->extent_ = extent_;
    target->presentation_ = presentation_;
    target->Changed();
    target->Invalidate();
}
