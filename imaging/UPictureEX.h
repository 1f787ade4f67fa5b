#pragma once
// The picture holder of the whole system: the framework's picture with an identity (ImageID,
// StorageID), change broadcasting to listeners subscribed to the picture itself, clipboard
// pasting that prefers the system's own formats, in-place assignment between graphics of one
// class, and a stream form any stream can carry (the "Data" form: class name, graphic data).
// Also the JPEG classes of the system and the loader that fills a picture from a resource.

#include "core/UBroadcaster.h"
#include "imaging/UJPEGImage.h"
#include "platform/Picture.h"

#include <QString>
#include <functional>
#include <memory>

class QMimeData;
class TSafetyBitmap;

// The JPEG class of the system: the library's class with its drawing kept free of change reports
// (decoding on first draw is not a change of the picture).
class TSafetyJPEGImage : public TJPEGGraphic {
public:
    const char* ClassName() const override { return "TSafetyJPEGImage"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TSafetyJPEGImage>(); }
    void Draw(TCanvas& canvas, const TRect& rect) override;
};

// The name stored documents carry for JPEG pictures.
class TJPEGImage : public TSafetyJPEGImage {
public:
    const char* ClassName() const override { return "TJPEGImage"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TJPEGImage>(); }
};

class TPictureEx : public TPicture, public TChangeNotifyForwarder {
    QUORLANE_CLASS(TPictureEx, TPicture)

public:
    TPictureEx();
    ~TPictureEx() override;

    static void DeclareProperties(TPropertyBuilder<TPictureEx>& p);

    // The identity of the picture's source (the loader stores the file name here).
    const QString& ImageID() const { return imageID_; }
    void SetImageID(const QString& value) { imageID_ = value; }
    const QString& StorageID() const { return storageID_; }
    void SetStorageID(const QString& value) { storageID_ = value; }
    // A further text of the owner's, copied with the identifiers.
    const QString& PrivateID() const { return privateID_; }
    void SetPrivateID(const QString& value) { privateID_ = value; }

    // Set by every change.
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    // Set while the content comes from a resource: the stored "Data" property is then not written.
    bool NoData() const { return noData_; }
    void SetNoData(bool value) { noData_ = value; }

    // The "Data" form at the stream's position; an empty picture is the single byte 0.
    void SaveToStream(TStream& stream);
    void LoadFromStream(TStream& stream);

    // A picture: identifiers copied; both empty: nothing more; graphics of exactly one class
    // (JPEG excepted): the source's graphic is assigned into this picture's graphic object.
    void Assign(const TPersistent* source) override;
    using TPicture::Assign;
    // Pastes the first offered format that is an enhanced metafile, a bitmap or a packed bitmap
    // and has a registered picture class; EInvalidGraphic when none is.
    void AssignMimeData(const QMimeData& data);
    // The same from the system clipboard.
    void AssignClipboard();
    void DefineProperties(TFiler& filer) override;

    TChangeNotify& Notifier() override { return *notifier_; }

    // IChangeNotify's Changed, beside the picture's Changed(sender).
    using TChangeNotifyForwarder::Changed;

protected:
    // Tells OnChange, then broadcasts GUID_Changed with the picture as sender (once, however the
    // change comes back round); marks the picture modified.
    void Changed(TObject* sender) override;

private:
    QString imageID_;
    QString privateID_;
    QString storageID_;
    bool inChange_ = false;
    bool noData_ = false;
    std::unique_ptr<TChangeNotify> notifier_;
    bool modified_ = false;
};

// The picture's graphic as a safety bitmap; a picture without one first receives a new empty one
// (a framework bitmap's image is kept), without a change report.
TSafetyBitmap& GetSafetyBitmap(TPicture& picture);
// The same for JPEG pictures.
TSafetyJPEGImage& GetSafetyJPEG(TPicture& picture);

// Fills a picture from a resource of the program or of a ".res" file beside it.
class TResourceImageLoader : public TPersistent {
    QUORLANE_CLASS(TResourceImageLoader, TPersistent)

public:
    using TLoadHandler = std::function<void(TStream& stream, bool& handled)>;

    explicit TResourceImageLoader(TPictureEx* picture = nullptr);
    static void DeclareProperties(TPropertyBuilder<TResourceImageLoader>& p);

    TPictureEx* Picture() const { return picture_; }
    const QString& ResFile() const { return resFile_; }
    void SetResFile(const QString& value);
    // "RT_BITMAP" and "RT_ICON" name the ordinal types; any other text is a type name.
    const QString& ResType() const { return resType_; }
    void SetResType(const QString& value);
    const QString& ResName() const { return resName_; }
    void SetResName(const QString& value);
    bool AutoLoad() const { return autoLoad_; }
    void SetAutoLoad(bool value) { autoLoad_ = value; }
    // Set by the owner once its stored properties are read.
    bool Ready() const { return ready_; }
    void SetReady(bool value) { ready_ = value; }

    // Loads when AutoLoad and ready.
    void CheckAutoLoad();
    // Does nothing unless ResName and ResType are both set; errors pass to the caller.
    void Load();

    TLoadHandler OnLoad;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void Renamed();

    TPictureEx* picture_;
    QString resFile_;
    QString resType_;
    QString resName_;
    bool autoLoad_ = true;
    bool ready_ = false;
};

// Registers the picture classes of the system: the safety bitmap ("BMP", "CBM", CF_DIB), the
// JPEG classes ("JPG", "JPEG"), PNG and GIF. Called by every TPictureEx; safe to call again.
void RegisterPictureClasses();
