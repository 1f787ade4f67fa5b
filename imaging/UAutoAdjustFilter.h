#pragma once
// Automatic correction of photos, as image filters of the filter chain: the system's own histogram
// normalisation, or the printer maker's Exif Print correction, which an outside library carries
// out from the shooting information of a JPEG file. The library is reached through a set of entry
// points that a loader supplies; on this platform the library does not exist, so the default
// loader reports it unavailable and the Exif Print correction passes pictures through unchanged.
// TAutoAdjustFilter holds one filter of each kind and switches between them by number.

#include "core/UInterfaces.h"
#include "imaging/UGREffector.h"
#include "imaging/UImageFilter.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class TGraphic;
class TPicture;

// The outside library's entry points (C calling convention; 0 means success). An empty function
// is an entry point the library lacks.
struct TBJExifPrintEntryPoints {
    // File name (zero-terminated), buffer (null to ask for the size): the size, or 0 on success.
    std::function<int32_t(const char* fileName, uint8_t* buffer)> dmGetDiPSInfo;
    // JPEG data and size, buffer (null to ask for the size): as above.
    std::function<int32_t(const uint8_t* data, int32_t size, uint8_t* buffer)> dmGetDiPSInfoFromMem;
    // Pixels (24-bit rows, 4-byte aligned), width, height, 0, shooting information, destination.
    std::function<int32_t(uint8_t* pixels, int32_t width, int32_t height, int32_t reserved,
                          const uint8_t* info, uint8_t* dest)>
        dmGetExifPrintImage;
    // Module handle, a text buffer of 261 bytes.
    std::function<int32_t(void* module, char* version)> dmGetEpmanVersion;
    // The library was loaded.
    bool Loaded = false;
    void* Module = nullptr;
};

// Loads the library's entry points; called for every new manager.
using TBJExifPrintLoader = std::function<TBJExifPrintEntryPoints()>;
// Installs a loader (tests install a fake); an empty one restores the default, which reports the
// library as absent.
void SetBJExifPrintLoader(TBJExifPrintLoader loader);

struct IBJExifPrintManager : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{D8B0312C-84F9-4773-A897-536DDCD28821}");
    virtual bool IsAvailable() = 0;
    // Empty unless the library answers its version.
    virtual void GetVersion(QString& text) = 0;
    virtual bool LoadFromFile(const QString& fileName) = 0;
    virtual bool LoadFromGraphic(TGraphic* graphic) = 0;
    virtual bool LoadFromPicture(TPicture* picture) = 0;
    // Dest receives the corrected picture as a 24-bit bitmap; true when the library succeeded.
    virtual bool GetExifPrintImage(TPicture& dest) = 0;

protected:
    ~IBJExifPrintManager() = default;
};

// Frees itself with its last reference.
class TBJExifPrintManager : public TAutoFreeInterface, public virtual IBJExifPrintManager {
public:
    // The largest shooting information taken from the library.
    static constexpr int32_t kMaxDiPSInfo = 16 << 20;

    TBJExifPrintManager();
    ~TBJExifPrintManager() override;

    bool IsAvailable() override { return entry_.Loaded; }
    void GetVersion(QString& text) override;
    bool LoadFromFile(const QString& fileName) override;
    bool LoadFromGraphic(TGraphic* graphic) override;
    bool LoadFromPicture(TPicture* picture) override;
    bool GetExifPrintImage(TPicture& dest) override;

    const QByteArray& DiPSInfo() const { return dipsInfo_; }
    TPicture& Picture() { return *picture_; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    bool GetDiPSInfo(const QString& fileName);
    bool GetDiPSInfoFromMem(const QByteArray& jpeg);
    // The two-call protocol: ask for the size, then fill the buffer.
    bool FetchDiPSInfo(const std::function<int32_t(uint8_t*)>& call);

    TBJExifPrintEntryPoints entry_;
    QByteArray dipsInfo_;
    std::unique_ptr<TPicture> picture_;
};

TIntf<IBJExifPrintManager> NewBJExifPrintManager();

// The Exif Print correction as an effector: the corrected JPEG picture (or, without the library,
// the source unchanged) stretched into the destination.
class TGREffectBJExifNormalize : public TGREffector {
public:
    // The uncorrected JPEG picture the correction starts from (not owned).
    TPicture* JPEGPicture() const { return jpeg_; }
    void SetJPEGPicture(TPicture* value) { jpeg_ = value; }
    void Execute() override;

private:
    TPicture* jpeg_ = nullptr;
};

class TAutoNormalizeFilter : public TGREFilter {
    QUORLANE_CLASS(TAutoNormalizeFilter, TGREFilter)

public:
    static void DeclareProperties(TPropertyBuilder<TAutoNormalizeFilter>& p);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool IsActive(TPicture*) override { return enabled_; }
    std::unique_ptr<TGREffector> CreateEffector() override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    bool enabled_ = false;
};

class TBJExifNormalizeFilter : public TGREFilter {
    QUORLANE_CLASS(TBJExifNormalizeFilter, TGREFilter)

public:
    static void DeclareProperties(TPropertyBuilder<TBJExifNormalizeFilter>& p);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    // A JPEG picture that the library accepts.
    bool CanApply(TPicture* picture) override;
    // The corrected picture when enabled and the library accepts the source; the source otherwise.
    void Apply(TPicture& source, TPicture& dest, TRect& rect) override;
    bool IsActive(TPicture* picture) override;
    std::unique_ptr<TGREffector> CreateEffector() override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    bool enabled_ = false;
};

class TAutoAdjustFilter : public TGREFilter {
    QUORLANE_CLASS(TAutoAdjustFilter, TGREFilter)

public:
    enum : int32_t { afNone = 0, afAutoNormalize = 1, afExifPrint = 2 };

    TAutoAdjustFilter();
    ~TAutoAdjustFilter() override;
    static void DeclareProperties(TPropertyBuilder<TAutoAdjustFilter>& p);

    // 0 none, 1 the system's normalisation, 2 the Exif Print correction; any other value is none.
    int32_t FilterNo() const { return filterNo_; }
    void SetFilterNo(int32_t value);
    TAutoNormalizeFilter& AutoNormalize() { return *autoNormalize_; }
    TBJExifNormalizeFilter& ExifNormalize() { return *exifNormalize_; }

    bool CanApply(TPicture* picture) override;
    // With no filter chosen only rect is set, to (0, 0, 0, 0).
    void Apply(TPicture& source, TPicture& dest, TRect& rect) override;
    bool IsActive(TPicture* picture) override;
    std::unique_ptr<TGREffector> CreateEffector() override { return nullptr; }

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    TGREFilter* Chosen() const;

    int32_t filterNo_ = afNone;
    std::unique_ptr<TAutoNormalizeFilter> autoNormalize_;
    std::unique_ptr<TBJExifNormalizeFilter> exifNormalize_;
};
