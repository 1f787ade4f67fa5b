// Export of a page as a picture: an A4 face with ten pictures from 4000 x 3000 (12 MP) JPEGs drawn at
// 100 % into the export bitmap and saved as a JPEG, as the file menu's picture export does. The objects
// are made afresh for every export (the export reads them from the document each time), so nothing
// decoded by a previous export helps. The same page of album photos is timed beside it. The JPEG
// decodes by scale of the last export are reported ("decodes_full", "_half", "_quarter", "_eighth").

#include "bench/BenchSupport.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULOImage.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QBuffer>
#include <QImage>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPhotoWidth = 4000; // 12 megapixels
constexpr int kPhotoHeight = 3000;
constexpr int kPictures = 10;
constexpr double kTargetMs = 250;

void EnsureApplication() {
    if (!StartOffscreenApplication())
        return;
    RegisterPictureClasses();
    RegisterLayoutObjects();
}

// Photo-like JPEG bytes (gradients and stripes); each picture gets its own so no decode is shared.
const std::vector<QByteArray>& PhotoBytes() {
    static const std::vector<QByteArray> photos = [] {
        std::vector<QByteArray> out;
        for (int n = 0; n < kPictures; ++n) {
            QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
            for (int y = 0; y < kPhotoHeight; ++y) {
                auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < kPhotoWidth; ++x)
                    row[x] = qRgb((x + n * 25) * 255 / (kPhotoWidth + 250), y * 255 / kPhotoHeight, (x ^ y) & 0xFF);
            }
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "JPEG", 90);
            out.push_back(bytes);
        }
        return out;
    }();
    return photos;
}

TRect Slot(int i) {
    return Bounds(100 + (i % 2) * 980, 100 + (i / 2) * 570, 900, 540);
}

TOwnedDOList PictureObjects() {
    TOwnedDOList list;
    for (int i = 0; i < kPictures; ++i) {
        auto image = std::make_unique<TLOImage>(nullptr);
        image->SetLogRect(Slot(i));
        TJPEGImage jpeg;
        jpeg.SetData(PhotoBytes()[size_t(i)]);
        image->ImageData()->Picture()->SetGraphic(&jpeg);
        list.Add(std::move(image));
    }
    return list;
}

TOwnedDOList AlbumPhotoObjects() {
    TOwnedDOList list;
    for (int i = 0; i < kPictures; ++i) {
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetLogRect(Slot(i));
        TJPEGImage jpeg;
        jpeg.SetData(PhotoBytes()[size_t(i)]);
        photo->PhotoImageObj()->Picture()->SetGraphic(&jpeg);
        list.Add(std::move(photo));
    }
    return list;
}

// What the export does after the file dialog: draw the face at 100 % and encode the JPEG.
qsizetype Export(TOwnedDOList objects) {
    TFaceInfo face;
    face.Rect = TRect(0, 0, 2100, 2970);
    TBitmap bitmap;
    DrawObjectsToBitmap(face, std::move(objects), bitmap, 100);
    TJPEGGraphic picture;
    picture.SetCompressionQuality(90);
    picture.Assign(bitmap);
    TMemoryStream bytes;
    picture.SaveToStream(bytes);
    return bytes.Data().size();
}

void ReportDecodes(benchmark::State& state, const TJPEGDecodeCounts& before) {
    const TJPEGDecodeCounts after = JPEGDecodeCounts();
    const double runs = double(state.iterations());
    state.counters["decodes_full"] = double(after.Scale[jsFullSize] - before.Scale[jsFullSize]) / runs;
    state.counters["decodes_half"] = double(after.Scale[jsHalf] - before.Scale[jsHalf]) / runs;
    state.counters["decodes_quarter"] = double(after.Scale[jsQuarter] - before.Scale[jsQuarter]) / runs;
    state.counters["decodes_eighth"] = double(after.Scale[jsEighth] - before.Scale[jsEighth]) / runs;
}

void BM_ExportPageOfTenPictures(benchmark::State& state) {
    EnsureApplication();
    PhotoBytes();
    const TJPEGDecodeCounts before = JPEGDecodeCounts();
    for (auto _ : state)
        benchmark::DoNotOptimize(Export(PictureObjects()));
    ReportDecodes(state, before);
    ReportTarget(state, "ms", kTargetMs);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_ExportPageOfTenPictures)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ExportPageOfTenAlbumPhotos(benchmark::State& state) {
    EnsureApplication();
    PhotoBytes();
    const TJPEGDecodeCounts before = JPEGDecodeCounts();
    for (auto _ : state)
        benchmark::DoNotOptimize(Export(AlbumPhotoObjects()));
    ReportDecodes(state, before);
    ReportTarget(state, "ms", kTargetMs);
    state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_ExportPageOfTenAlbumPhotos)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
