// The metafiles written with libUEMF: what drawing programs export besides plain shapes (bitmaps in
// several encodings, text with advances, saved states, world transforms, clips, pattern brushes, and
// a Windows metafile whose object slots are reused).

#include "tools/MakeMetafileCorpus/Writers.h"

#include <QBuffer>
#include <QImage>
#include <cstdlib>
#include <cstring>
#include <uemf.h>
#include <uemf_utf.h>
#include <uwmf.h>
#include <vector>

namespace {

// An enhanced metafile of 400 x 300 reference pixels, four to the millimetre (a 100 x 75 mm frame).
class Emf {
public:
    explicit Emf(const std::string& path) {
        if (emf_start(path.c_str(), 1 << 20, 1 << 18, &et_) || emf_htable_create(64, 64, &eht_))
            std::abort();
        const U_RECTL bounds = rectl_set(point32_set(0, 0), point32_set(399, 299));
        const U_RECTL frame = rectl_set(point32_set(0, 0), point32_set(9999, 7499));
        Add(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, sizel_set(1000, 1000), sizel_set(250, 250), 0));
    }
    ~Emf() {
        Add(U_EMREOF_set(0, nullptr, et_));
        emf_finish(et_, eht_);
        emf_free(&et_);
        emf_htable_free(&eht_);
    }
    void Add(char* record) {
        if (record == nullptr || emf_append(reinterpret_cast<PU_ENHMETARECORD>(record), et_, 1))
            std::abort();
    }
    uint32_t Brush(U_COLORREF color, uint32_t style = U_BS_SOLID, int32_t hatch = U_HS_SOLIDCLR) {
        uint32_t handle = 0;
        Add(createbrushindirect_set(&handle, eht_, logbrush_set(style, color, hatch)));
        return handle;
    }
    uint32_t Pen(U_COLORREF color, int width, uint32_t style = U_PS_SOLID) {
        uint32_t handle = 0;
        Add(createpen_set(&handle, eht_, logpen_set(style, U_POINT{width, width}, color)));
        return handle;
    }
    void Select(uint32_t handle) { Add(selectobject_set(handle, eht_)); }
    void Delete(uint32_t handle) { Add(deleteobject_set(&handle, eht_)); }
    EMFHANDLES* Handles() { return eht_; }

private:
    EMFTRACK* et_ = nullptr;
    EMFHANDLES* eht_ = nullptr;
};

U_RECTL Box(int l, int t, int r, int b) {
    return rectl_set(point32_set(l, t), point32_set(r, b));
}

U_BITMAPINFOHEADER Header(int width, int height, int bits, uint32_t compression, uint32_t imageSize,
                          uint32_t colors) {
    return bitmapinfoheader_set(width, height, 1, uint16_t(bits), compression, imageSize, 3780, 3780, colors, 0);
}

void StretchDIBits(Emf& emf, const U_RECTL& dest, int srcW, int srcH, PU_BITMAPINFO info,
                   const std::vector<char>& bits) {
    std::vector<char> px(bits);
    emf.Add(U_EMRSTRETCHDIBITS_set(dest, point32_set(dest.left, dest.top),
                                   point32_set(dest.right - dest.left, dest.bottom - dest.top), point32_set(0, 0),
                                   point32_set(srcW, srcH), U_DIB_RGB_COLORS, U_SRCCOPY, info,
                                   uint32_t(px.size()), px.data()));
}

// Bitmaps: 8-bit run-length rows (four colour bands), a JPEG payload, and a plain 24-bit picture.
void WriteBitmaps(const std::string& path) {
    Emf emf(path);
    std::vector<char> rle;
    for (int y = 0; y < 16; ++y) {
        for (int band = 0; band < 4; ++band) {
            rle.push_back(4);
            rle.push_back(char((band + y / 8) % 4));
        }
        rle.push_back(0);
        rle.push_back(0);
    }
    rle.push_back(0);
    rle.push_back(1);
    U_RGBQUAD palette[4] = {U_BGR(220, 30, 30), U_BGR(30, 160, 40), U_BGR(30, 60, 210), U_BGR(240, 200, 20)};
    PU_BITMAPINFO rleInfo = bitmapinfo_set(Header(16, 16, 8, U_BI_RLE8, uint32_t(rle.size()), 4), palette);
    StretchDIBits(emf, Box(10, 10, 190, 140), 16, 16, rleInfo, rle);
    std::free(rleInfo);

    QImage picture(32, 24, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, x < 16 ? qRgb(200, 40, 40) : qRgb(40, 40, 200));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPG", 95);
    PU_BITMAPINFO jpegInfo = bitmapinfo_set(Header(32, 24, 0, U_BI_JPEG, uint32_t(jpeg.size()), 0), nullptr);
    StretchDIBits(emf, Box(210, 10, 390, 140), 32, 24, jpegInfo, std::vector<char>(jpeg.begin(), jpeg.end()));
    std::free(jpegInfo);

    std::vector<char> rgb;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool dark = (x / 4 + y / 4) % 2 != 0;
            rgb.push_back(char(dark ? 40 : 230));  // blue
            rgb.push_back(char(dark ? 120 : 230)); // green
            rgb.push_back(char(dark ? 40 : 230));  // red
        }
    PU_BITMAPINFO rgbInfo = bitmapinfo_set(Header(8, 8, 24, U_BI_RGB, uint32_t(rgb.size()), 0), nullptr);
    StretchDIBits(emf, Box(10, 160, 190, 290), 8, 8, rgbInfo, rgb);
    std::free(rgbInfo);
}

// Text: a Japanese face, ExtTextOutW with the writer's advances, an opaque box behind a second line.
void WriteText(const std::string& path) {
    Emf emf(path);
    emf.Add(U_EMRSETTEXTCOLOR_set(U_RGB(20, 20, 120)));
    emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    uint16_t* face = U_Utf8ToUtf16le("ＭＳ ゴシック", 0, nullptr);
    const U_LOGFONT font =
        logfont_set(-40, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_SHIFTJIS_CHARSET, 0, 0, U_DEFAULT_QUALITY, 0, face);
    std::free(face);
    uint32_t handle = 0;
    emf.Add(extcreatefontindirectw_set(&handle, emf.Handles(), reinterpret_cast<const char*>(&font), nullptr));
    emf.Select(handle);
    size_t length = 0;
    uint16_t* text = U_Utf8ToUtf16le("写真とラベル", 0, &length);
    std::vector<uint32_t> dx(length, 50); // wider than the glyphs: the advances must be kept
    char* run = emrtext_set(point32_set(20, 80), U_NUM_STR(length), 2, text, U_ETO_NONE, Box(0, 0, -1, -1),
                            dx.data());
    emf.Add(U_EMREXTTEXTOUTW_set(Box(0, 0, -1, -1), U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(run)));
    std::free(run);
    std::free(text);
    emf.Add(U_EMRSETBKCOLOR_set(U_RGB(250, 230, 120)));
    text = U_Utf8ToUtf16le("Label 2026", 0, &length);
    dx.assign(length, 24);
    run = emrtext_set(point32_set(20, 200), U_NUM_STR(length), 2, text, U_ETO_OPAQUE, Box(10, 150, 390, 220),
                      dx.data());
    emf.Add(U_EMREXTTEXTOUTW_set(Box(10, 150, 390, 220), U_GM_COMPATIBLE, 1, 1, reinterpret_cast<PU_EMRTEXT>(run)));
    std::free(run);
    std::free(text);
}

// Saved states, world transforms, clip rectangles and regions, hatched and pattern brushes, a path.
void WriteState(const std::string& path) {
    Emf emf(path);
    const uint32_t nullPen = emf.Pen(U_RGB(0, 0, 0), 0, U_PS_NULL);
    emf.Select(nullPen);
    emf.Add(U_EMRSAVEDC_set());
    emf.Add(U_EMRINTERSECTCLIPRECT_set(Box(0, 0, 200, 150)));
    emf.Select(emf.Brush(U_RGB(200, 30, 30)));
    emf.Add(U_EMRRECTANGLE_set(Box(-50, -50, 600, 600))); // only the clipped quarter shows
    emf.Add(U_EMRRESTOREDC_set(-1));

    emf.Add(U_EMRSAVEDC_set());
    emf.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(0.8660254f, 0.5f, -0.5f, 0.8660254f, 300, 60)));
    emf.Select(emf.Brush(U_RGB(30, 150, 40)));
    emf.Add(U_EMRRECTANGLE_set(Box(-40, -20, 40, 20)));
    emf.Add(U_EMRMODIFYWORLDTRANSFORM_set(xform_set(1, 0, 0, 1, 0, 50), U_MWT_LEFTMULTIPLY));
    emf.Add(U_EMRELLIPSE_set(Box(-20, -10, 20, 10)));
    emf.Add(U_EMRRESTOREDC_set(-1));

    U_RECTL rects[2] = {Box(10, 170, 110, 290), Box(130, 170, 190, 230)};
    PU_RGNDATA region = rgndata_set(rgndataheader_set(2, Box(10, 170, 190, 290)), rects);
    emf.Add(U_EMRSAVEDC_set());
    emf.Add(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, region));
    std::free(region);
    emf.Select(emf.Brush(U_RGB(30, 30, 200), U_BS_HATCHED, U_HS_DIAGCROSS));
    emf.Add(U_EMRRECTANGLE_set(Box(0, 160, 200, 300)));
    emf.Add(U_EMRRESTOREDC_set(-1));

    // An 8 x 8 two-colour pattern.
    std::vector<char> bits;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool on = (x / 2 + y / 2) % 2 != 0;
            bits.push_back(char(on ? 30 : 250));
            bits.push_back(char(on ? 140 : 250));
            bits.push_back(char(on ? 240 : 250));
        }
    PU_BITMAPINFO info = bitmapinfo_set(Header(8, 8, 24, U_BI_RGB, uint32_t(bits.size()), 0), nullptr);
    uint32_t pattern = 0;
    emf.Add(createdibpatternbrushpt_set(&pattern, emf.Handles(), U_DIB_RGB_COLORS, info, uint32_t(bits.size()),
                                        bits.data()));
    std::free(info);
    emf.Select(pattern);
    emf.Add(U_EMRRECTANGLE_set(Box(220, 170, 390, 290)));

    const uint32_t pen = emf.Pen(U_RGB(90, 20, 90), 6);
    emf.Select(pen);
    emf.Select(emf.Brush(U_RGB(240, 200, 20)));
    emf.Add(U_EMRBEGINPATH_set());
    emf.Add(U_EMRMOVETOEX_set(point32_set(230, 150)));
    emf.Add(U_EMRLINETO_set(point32_set(380, 150)));
    emf.Add(U_EMRLINETO_set(point32_set(305, 110)));
    emf.Add(U_EMRCLOSEFIGURE_set());
    emf.Add(U_EMRENDPATH_set());
    emf.Add(U_EMRSTROKEANDFILLPATH_set(Box(230, 110, 380, 150)));
}

// A meta region with a moved clip inside it, the reset back to the meta region, the meta region
// undone by RestoreDC; then a line of text under a shearing world transform, as italic faces
// without an italic font are written.
void WriteRegions(const std::string& path) {
    Emf emf(path);
    emf.Select(emf.Pen(U_RGB(0, 0, 0), 0, U_PS_NULL));
    emf.Add(U_EMRSAVEDC_set());
    emf.Add(U_EMRINTERSECTCLIPRECT_set(Box(10, 10, 190, 140)));
    emf.Add(U_EMRSETMETARGN_set());
    emf.Add(U_EMRINTERSECTCLIPRECT_set(Box(0, 0, 120, 300)));
    emf.Add(U_EMROFFSETCLIPRGN_set(point32_set(100, 0))); // the clip now 100..220, the meta region ends at 190
    emf.Select(emf.Brush(U_RGB(200, 30, 30)));
    emf.Add(U_EMRRECTANGLE_set(Box(0, 0, 400, 300)));
    // No clip: the meta region alone. libUEMF has no setter for the region-less form that
    // ExtSelectClipRgn(dc, NULL, RGN_COPY) records (type, size, no region data, the mode), so it
    // is laid out here and appended through libUEMF.
    auto* reset = static_cast<uint32_t*>(std::malloc(16));
    const uint32_t fields[4] = {U_EMR_EXTSELECTCLIPRGN, 16, 0, U_RGN_COPY};
    std::memcpy(reset, fields, sizeof fields);
    emf.Add(reinterpret_cast<char*>(reset));
    emf.Select(emf.Brush(U_RGB(30, 60, 200)));
    emf.Add(U_EMRRECTANGLE_set(Box(0, 0, 95, 300)));
    emf.Add(U_EMRRESTOREDC_set(-1));
    emf.Select(emf.Brush(U_RGB(30, 150, 40)));
    emf.Add(U_EMRRECTANGLE_set(Box(200, 10, 390, 140)));

    emf.Add(U_EMRSETBKMODE_set(U_TRANSPARENT));
    emf.Add(U_EMRSETTEXTALIGN_set(U_TA_BASELINE));
    emf.Add(U_EMRSETTEXTCOLOR_set(U_RGB(0, 0, 0)));
    uint16_t* face = U_Utf8ToUtf16le("ＭＳ ゴシック", 0, nullptr);
    const U_LOGFONT font =
        logfont_set(-80, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_SHIFTJIS_CHARSET, 0, 0, U_DEFAULT_QUALITY, 0, face);
    std::free(face);
    uint32_t handle = 0;
    emf.Add(extcreatefontindirectw_set(&handle, emf.Handles(), reinterpret_cast<const char*>(&font), nullptr));
    emf.Select(handle);
    emf.Add(U_EMRSAVEDC_set());
    // x' = x - y / 2: what stands above the baseline leans forward by half its height.
    emf.Add(U_EMRSETWORLDTRANSFORM_set(xform_set(1, 0, -0.5f, 1, 40, 270)));
    size_t length = 0;
    uint16_t* text = U_Utf8ToUtf16le("IIII", 0, &length);
    std::vector<uint32_t> dx(length, 60);
    char* run = emrtext_set(point32_set(0, 0), U_NUM_STR(length), 2, text, U_ETO_NONE, Box(0, 0, -1, -1),
                            dx.data());
    emf.Add(U_EMREXTTEXTOUTW_set(Box(0, 0, -1, -1), U_GM_ADVANCED, 1, 1, reinterpret_cast<PU_EMRTEXT>(run)));
    std::free(run);
    std::free(text);
    emf.Add(U_EMRRESTOREDC_set(-1));
}

// Windows metafile: shapes, pens and brushes whose slots are freed and reused, CP932 text, a bitmap.
class Wmf {
public:
    explicit Wmf(const std::string& path) {
        if (wmf_start(path.c_str(), 1 << 20, 1 << 18, &wt_) || wmf_htable_create(64, 64, &wht_))
            std::abort();
        // 4 x 3 inches at 100 units an inch.
        U_PAIRF* size = U_PAIRF_set(4.0f, 3.0f);
        if (wmf_header_append(reinterpret_cast<U_METARECORD*>(U_WMRHEADER_set(size, 100)), wt_, 1))
            std::abort();
        std::free(size);
        Add(U_WMRSETWINDOWORG_set(point16_set(0, 0)));
        Add(U_WMRSETWINDOWEXT_set(point16_set(400, 300)));
    }
    ~Wmf() {
        Add(U_WMREOF_set());
        wmf_finish(wt_);
        wmf_free(&wt_);
        wmf_htable_free(&wht_);
    }
    void Add(char* record) {
        if (record == nullptr || wmf_append(reinterpret_cast<U_METARECORD*>(record), wt_, 1))
            std::abort();
    }
    uint32_t Brush(U_COLORREF color, uint16_t style = U_BS_SOLID, uint16_t hatch = 0) {
        uint32_t handle = 0;
        Add(wcreatebrushindirect_set(&handle, wht_, U_WLOGBRUSH_set(style, color, hatch)));
        return handle;
    }
    uint32_t Pen(U_COLORREF color, uint16_t width, uint16_t style = U_PS_SOLID) {
        uint32_t handle = 0;
        Add(wcreatepenindirect_set(&handle, wht_, U_PEN_set(style, width, color)));
        return handle;
    }
    void Select(uint32_t handle) { Add(wselectobject_set(handle, wht_)); }
    void Delete(uint32_t handle) { Add(wdeleteobject_set(&handle, wht_)); }
    WMFHANDLES* Handles() { return wht_; }

private:
    WMFTRACK* wt_ = nullptr;
    WMFHANDLES* wht_ = nullptr;
};

U_RECT16 Rect16(int l, int t, int r, int b) {
    return U_RECT16_set(point16_set(int16_t(l), int16_t(t)), point16_set(int16_t(r), int16_t(b)));
}

void WriteWmfShapes(const std::string& path) {
    Wmf wmf(path);
    const uint32_t red = wmf.Brush(U_RGB(210, 30, 30));
    const uint32_t blue = wmf.Brush(U_RGB(30, 60, 210));
    const uint32_t pen = wmf.Pen(U_RGB(20, 20, 20), 4);
    wmf.Delete(red); // the next brush takes the freed slot
    const uint32_t green = wmf.Brush(U_RGB(30, 160, 40));
    // A white ground over the whole frame, so readers that fit the picture to what it draws keep its box.
    const uint32_t nullPen = wmf.Pen(U_RGB(0, 0, 0), 0, U_PS_NULL);
    wmf.Select(nullPen);
    wmf.Select(wmf.Brush(U_RGB(255, 255, 255)));
    wmf.Add(U_WMRRECTANGLE_set(Rect16(0, 0, 400, 300)));
    wmf.Select(pen);
    wmf.Select(green);
    wmf.Add(U_WMRRECTANGLE_set(Rect16(20, 20, 180, 130)));
    // A square with a square hole (libwmf leaves ellipses unfilled, so the ellipse is in the text file).
    wmf.Select(blue);
    const U_POINT16 rings[8] = {point16_set(220, 20), point16_set(380, 20), point16_set(380, 130),
                                point16_set(220, 130), point16_set(270, 50), point16_set(330, 50),
                                point16_set(330, 100), point16_set(270, 100)};
    const uint16_t counts[2] = {4, 4};
    wmf.Add(U_WMRPOLYPOLYGON_set(2, counts, rings));
    U_POINT16 triangle[3] = {point16_set(30, 280), point16_set(100, 160), point16_set(170, 280)};
    wmf.Select(wmf.Brush(U_RGB(240, 200, 20)));
    wmf.Add(U_WMRPOLYGON_set(3, triangle));
    wmf.Select(wmf.Brush(U_RGB(30, 30, 200), U_BS_HATCHED, U_HS_CROSS));
    wmf.Add(U_WMRPIE_set(point16_set(380, 220), point16_set(300, 160), Rect16(220, 160, 380, 280)));
    U_POINT16 line[4] = {point16_set(200, 150), point16_set(260, 150), point16_set(260, 290), point16_set(200, 290)};
    wmf.Select(wmf.Pen(U_RGB(120, 0, 120), 3, U_PS_DASH));
    wmf.Add(U_WMRPOLYLINE_set(4, line));
}

void WriteWmfText(const std::string& path) {
    Wmf wmf(path);
    // "ＭＳ ゴシック" and "写真" in CP932, as a Japanese system writes them.
    char face[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
    U_FONT* font = U_FONT_set(-60, 0, 0, 0, U_FW_NORMAL, 0, 0, 0, U_SHIFTJIS_CHARSET, 0, 0, U_DEFAULT_QUALITY, 0,
                              face);
    uint32_t handle = 0;
    wmf.Add(wcreatefontindirect_set(&handle, wmf.Handles(), font));
    std::free(font);
    wmf.Select(handle);
    wmf.Add(U_WMRSETTEXTCOLOR_set(U_RGB(20, 20, 120)));
    wmf.Add(U_WMRSETBKMODE_set(U_TRANSPARENT));
    wmf.Add(U_WMRSETTEXTALIGN_set(U_TA_BASELINE));
    wmf.Select(wmf.Brush(U_RGB(30, 60, 210)));
    wmf.Add(U_WMRELLIPSE_set(Rect16(260, 20, 380, 100)));
    char photo[] = "\x8E\xCA\x90\x5E";
    wmf.Add(U_WMRTEXTOUT_set(point16_set(40, 120), photo));
    int16_t dx[4] = {50, 50, 50, 50}; // per byte: 100 units a character
    wmf.Add(U_WMREXTTEXTOUT_set(point16_set(40, 240), 4, 0, photo, dx, Rect16(0, 0, 0, 0)));
}

} // namespace

void WriteUemfFiles(const std::string& folder) {
    WriteBitmaps(folder + "/uemf_bitmaps.emf");
    WriteText(folder + "/uemf_text.emf");
    WriteState(folder + "/uemf_state.emf");
    WriteRegions(folder + "/uemf_regions.emf");
    WriteWmfShapes(folder + "/uwmf_shapes.wmf");
    WriteWmfText(folder + "/uwmf_text.wmf");
}
