#include "imaging/UColorFillHistory.h"

#include "core/UDocStorage.h"
#include "imaging/UPNGImage.h"
#include "imaging/UPictureEX.h"
#include "platform/Bitmap.h"
#include "platform/ByteOrder.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentResource.h"
#include "platform/StorageError.h"
#include "platform/Stream.h"

#include <QDir>
#include <QFileInfo>
#include <type_traits>

namespace {

const QString kNameList = QStringLiteral("ColorSpec\\NameList");
const QString kPreviewPrefix = QStringLiteral("Preview\\");
const QString kResourceName = QStringLiteral("TColorSpecWrapper");
// Read/write, exclusive: no one else changes the file while an operation runs.
constexpr uint16_t kOpenMode = fmOpenReadWrite | fmShareExclusive;

void WriteSpecResource(TStream& stream, TColorSpec* spec) {
    TColorSpecWrapper wrapper(nullptr);
    wrapper.SetColorSpec(spec);
    WriteComponentRes(stream, kResourceName, &wrapper);
}

} // namespace

void TColorSpecWrapper::DeclareProperties(TPropertyBuilder<TColorSpecWrapper>& p) {
    p.Object("ColorSpec", &TColorSpecWrapper::ColorSpec);
}

TColorSpecHistory::TColorSpecHistory(TComponent* owner) : TComponent(owner) {}

TColorSpecHistory::~TColorSpecHistory() = default;

void TColorSpecHistory::DeclareProperties(TPropertyBuilder<TColorSpecHistory>& p) {
    p.String("Filename", &TColorSpecHistory::Filename, &TColorSpecHistory::SetFilename);
    p.Integer("Limit", &TColorSpecHistory::Limit, &TColorSpecHistory::SetLimit);
}

void TColorSpecHistory::SetFilename(const QString& value) {
    if (value == filename_)
        return;
    filename_ = value;
    CloseStorage();
}

// ---- keys and previews

void TColorSpecHistory::DrawPreviewPicture(TColorSpec& spec, TPictureEx& preview) {
    TBitmap canvasBitmap(kPreviewSize, kPreviewSize, pf24bit);
    spec.DrawPreview(canvasBitmap.Canvas(), Rect(0, 0, kPreviewSize, kPreviewSize));
    TPNGImage png;
    png.Assign(canvasBitmap);
    preview.SetGraphic(&png);
}

QString TColorSpecHistory::ComputeKey(const TColorSpec& spec, TPictureEx& preview) {
    // The colour spec without its picture (the preview stands for it), then the preview, then four zero
    // bytes, folded 32 bits at a time.
    TColorSpec copy;
    copy.Assign(&spec);
    copy.ImageData()->Picture()->SetGraphic(nullptr);
    TMemoryStream stream;
    WriteSpecResource(stream, &copy);
    preview.SaveToStream(stream);
    stream.WriteUInt32(0);
    const QByteArray& bytes = stream.Data();
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData());
    uint64_t hash = 0;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) {
        const int32_t word = GetLEInt32(p + i);
        hash = (hash << 1) ^ uint64_t(int64_t(word));
    }
    return QString::number(int64_t(hash));
}

// ---- storage

bool TColorSpecHistory::IsDamage(const Exception& e) {
    if (const auto* ole = dynamic_cast<const EOleSysError*>(&e)) {
        switch (ole->ErrorCode()) {
        case STG_E_FILEALREADYEXISTS: // not a compound file at all
        case STG_E_DOCFILECORRUPT:
        case STG_E_INVALIDHEADER:
        case STG_E_DOCFILETOOLARGE:
        case STG_E_FILENOTFOUND: // an element the lists name is missing
        case STG_E_INVALIDNAME:
        case STG_E_READFAULT:
        case STG_E_UNKNOWN:
            return true;
        default:
            return false; // locked, full, not writable: the file may be fine
        }
    }
    return dynamic_cast<const EReadError*>(&e) || dynamic_cast<const EFilerError*>(&e) ||
           dynamic_cast<const EPropertyError*>(&e);
}

void TColorSpecHistory::OpenStorage() {
    if (storage_)
        return;
    if (!QFileInfo::exists(filename_)) {
        QDir().mkpath(QFileInfo(filename_).absolutePath());
        storage_ = std::make_unique<TFileStorage>(filename_, ModeCreate);
    } else {
        storage_ = std::make_unique<TFileStorage>(filename_, kOpenMode);
    }
}

void TColorSpecHistory::CloseStorage() {
    storage_.reset();
}

void TColorSpecHistory::SetAside() {
    CloseStorage();
    SetAsideDamagedFile(filename_);
}

template <class F>
auto TColorSpecHistory::WithStorage(F op, TDamage onDamage) {
    struct Closer {
        TColorSpecHistory* self;
        ~Closer() { self->CloseStorage(); }
    };
    try {
        Closer closer{this};
        OpenStorage();
        return op();
    } catch (const Exception& e) {
        if (!IsDamage(e))
            throw;
        SetAside();
        if (onDamage == TDamage::Raise)
            throw;
    }
    if (onDamage == TDamage::Ignore)
        return std::invoke_result_t<F>();
    Closer closer{this};
    OpenStorage();
    return op();
}

// ---- operations

void TColorSpecHistory::Add(TColorSpec* spec) {
    TPictureEx preview;
    DrawPreviewPicture(*spec, preview);
    const QString key = ComputeKey(*spec, preview);
    WithStorage(
        [&] {
            TDocStreamList list(storage_.get(), kNameList);
            const int index = list.IndexOf(key);
            if (index < 0) {
                list.Insert(0, key);
                {
                    std::unique_ptr<TDocStream> stream = list.OpenStream(0, ModeCreate);
                    WriteSpecResource(*stream, spec);
                }
                TDocStream previewStream(storage_.get(), ModeCreate, kPreviewPrefix + key);
                preview.SaveToStream(previewStream);
            } else {
                list.Move(index, 0);
            }
            while (list.Count() > std::max(0, limit_)) {
                const int last = list.Count() - 1;
                storage_->DeleteElement(kPreviewPrefix + list.Strings(last));
                list.DeleteStream(last);
            }
            storage_->Storage()->Commit(true);
        },
        TDamage::Retry);
}

void TColorSpecHistory::Delete(int index) {
    // In a damaged file the entry goes with the file: nothing is left to delete.
    WithStorage(
        [&] {
            TDocStreamList list(storage_.get(), kNameList);
            if (index < 0 || index >= list.Count())
                throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
            storage_->DeleteElement(kPreviewPrefix + list.Strings(index));
            list.DeleteStream(index);
            storage_->Storage()->Commit(true);
        },
        TDamage::Ignore);
}

int TColorSpecHistory::Count() {
    return WithStorage(
        [&] {
            TDocStreamList list(storage_.get(), kNameList);
            return list.Count();
        },
        TDamage::Retry);
}

void TColorSpecHistory::LoadSpec(int index, TColorSpec& spec) {
    // Read into a spare first, so a damaged entry leaves the caller's spec as it was.
    TColorSpec read;
    WithStorage(
        [&] {
            TDocStreamList list(storage_.get(), kNameList);
            if (index < 0 || index >= list.Count())
                throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
            std::unique_ptr<TDocStream> stream = list.OpenStream(index, fmOpenRead);
            TColorSpecWrapper wrapper(nullptr);
            wrapper.SetColorSpec(&read);
            ReadComponentRes(*stream, wrapper);
        },
        TDamage::Raise);
    spec.Assign(&read);
}

void TColorSpecHistory::LoadPreview(int index, TPictureEx& preview) {
    WithStorage(
        [&] {
            TDocStreamList list(storage_.get(), kNameList);
            if (index < 0 || index >= list.Count())
                throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
            TDocStream stream(storage_.get(), fmOpenRead, kPreviewPrefix + list.Strings(index));
            preview.LoadFromStream(stream);
        },
        TDamage::Raise);
}
