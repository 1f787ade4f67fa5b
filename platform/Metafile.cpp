#include "platform/Metafile.h"

#include "platform/ByteOrder.h"
#include "platform/Exception.h"
#include "platform/MetafilePlayer.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int kScreenPPI = 96;

int Scaled(int64_t value, int64_t numerator, int64_t denominator) {
    const int64_t v = std::llround(double(value) * double(numerator) / double(denominator));
    return int(std::clamp<int64_t>(std::llabs(v), 0, 1 << 20));
}

// Replays the recording once onto a tiny image: Qt checks the header and checksum and walks
// every record, so damaged data is refused when it is read, not when it is first drawn.
bool IsPlayableRecording(const QByteArray& data) {
    if (data.size() > std::numeric_limits<int>::max())
        return false;
    QPicture picture;
    picture.setData(data.constData(), uint(data.size()));
    QImage probe(1, 1, QImage::Format_RGB32);
    QPainter painter(&probe);
    return picture.play(&painter);
}

} // namespace

TMetafile::TMetafile() = default;
TMetafile::~TMetafile() = default;

void TMetafile::Assign(const TGraphic& source) {
    if (const auto* meta = dynamic_cast<const TMetafile*>(&source)) {
        data_ = meta->data_;
        kind_ = meta->kind_;
        drawnFrame_ = meta->drawnFrame_;
        width_ = meta->width_;
        height_ = meta->height_;
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TMetafile::SetData(const QByteArray& data) {
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const int64_t n = data.size();
    TKind kind = mkNone;
    int width = 0, height = 0;
    QRectF drawnFrame;
    TMetafilePlayer::THeader header;
    if (n == 0) {
        kind = mkNone;
    } else if (TMetafilePlayer::ReadHeader(data, header)) {
        kind = header.Format == TMetafilePlayer::mfEnhanced    ? mkEnhanced
               : header.Format == TMetafilePlayer::mfPlaceable ? mkPlaceable
                                                               : mkWindows;
        QRectF frame = header.Frame;
        double unitsPerInch = header.UnitsPerInch;
        if (kind == mkWindows) {
            // No header gives the size: it is measured from what the records draw, at the
            // placeable header's usual 1440 units an inch.
            QRect box;
            if (TMetafilePlayer::MeasureWindowsMetafile(data, box))
                frame = QRectF(box);
            unitsPerInch = 1440;
        } else if (kind == mkEnhanced && TMetafilePlayer::DrawnFrame(data, drawnFrame)) {
            frame = drawnFrame;
        }
        width =
            Scaled(std::llround(frame.width()), kScreenPPI, std::max<int64_t>(1, std::llround(unitsPerInch)));
        height = Scaled(std::llround(frame.height()), kScreenPPI,
                        std::max<int64_t>(1, std::llround(unitsPerInch)));
    } else if (n >= 4 && std::memcmp(p, "QPIC", 4) == 0) {
        if (!IsPlayableRecording(data))
            throw EInvalidGraphic(QStringLiteral("メタファイルが不正です"));
        QPicture picture;
        picture.setData(data.constData(), uint(n));
        kind = mkRecording;
        width = picture.boundingRect().width();
        height = picture.boundingRect().height();
    } else {
        throw EInvalidGraphic(QStringLiteral("メタファイルが不正です"));
    }
    data_ = data;
    kind_ = kind;
    drawnFrame_ = drawnFrame;
    width_ = width;
    height_ = height;
    Changed();
}

void TMetafile::SetRecording(const QPicture& picture) {
    data_ = QByteArray(picture.data(), qsizetype(picture.size()));
    kind_ = data_.isEmpty() ? mkNone : mkRecording;
    drawnFrame_ = QRectF();
    width_ = picture.boundingRect().width();
    height_ = picture.boundingRect().height();
    Changed();
}

void TMetafile::SetWidth(int value) {
    if (value != width_) {
        width_ = value;
        Changed();
    }
}

void TMetafile::SetHeight(int value) {
    if (value != height_) {
        height_ = value;
        Changed();
    }
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) {
    if (rect.Width() == 0 || rect.Height() == 0)
        return;
    if (kind_ == mkEnhanced || kind_ == mkPlaceable || kind_ == mkWindows) {
        if (TMetafilePlayer::Play(canvas, data_, rect, nullptr, drawnFrame_.isEmpty() ? nullptr : &drawnFrame_) &&
            canvas.OnChange)
            canvas.OnChange(&canvas);
        return;
    }
    if (kind_ != mkRecording)
        return;
    QPicture picture;
    picture.setData(data_.constData(), uint(data_.size()));
    const QRect bounds = picture.boundingRect();
    if (bounds.isEmpty())
        return;
    const TRect d = canvas.LPtoDP(rect);
    QPainter* p = canvas.Painter();
    if (!p)
        return;
    p->save();
    p->translate(d.Left, d.Top);
    p->scale(double(d.Width()) / bounds.width(), double(d.Height()) / bounds.height());
    p->translate(-bounds.left(), -bounds.top());
    p->drawPicture(0, 0, picture);
    p->restore();
    if (canvas.OnChange)
        canvas.OnChange(&canvas);
}

void TMetafile::LoadFromStream(TStream& stream) {
    // A Windows metafile taken in without a placeable header gets one, so it opens wherever one
    // is required; stored documents (ReadData) keep their bytes.
    const QByteArray data = TMetafilePlayer::WithPlaceableHeader(stream.ReadBytes(stream.Remaining()));
    TMetafilePlayer::THeader header;
    if (TMetafilePlayer::ReadHeader(data, header) && !TMetafilePlayer::Complete(data))
        throw EInvalidGraphic(QStringLiteral("メタファイルが不正です"));
    SetData(data);
}

void TMetafile::SaveToStream(TStream& stream) {
    stream.WriteBytes(data_);
}

void TMetafile::ReadData(TStream& stream) {
    SetData(ReadGraphicBlock(stream));
}

void TMetafile::WriteData(TStream& stream) {
    WriteGraphicBlock(stream, data_);
}

TMetafileCanvas::TMetafileCanvas(TMetafile& metafile) : TCanvas(&picture), metafile_(metafile) {}

TMetafileCanvas::~TMetafileCanvas() {
    FreeHandle();
    metafile_.SetRecording(picture);
}
