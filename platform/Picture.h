#pragma once
// The framework's picture: a holder of one graphic of any registered picture format, with the
// registry of formats by file extension, by clipboard format and by stored class name, and the
// stored "Data" form (the graphic's class name as a counted string, then the graphic's data).
//
// Formats register from an explicit start-up function of their unit (static initialisers of a
// static library may be dropped by the linker). The framework's own graphics (bitmaps, icons,
// metafiles) are registered on first use of the registry.

#include "platform/Component.h"
#include "platform/Graphic.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TCanvas;
class TStream;

// Clipboard formats the picture knows (the platform's numbers).
constexpr uint16_t CF_BITMAP = 2;
constexpr uint16_t CF_METAFILEPICT = 3;
constexpr uint16_t CF_DIB = 8;
constexpr uint16_t CF_PALETTE = 9;
constexpr uint16_t CF_ENHMETAFILE = 14;

// Largest class name the stored form carries (a short string of the framework).
constexpr int kMaxGraphicClassName = 63;

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
// Fills a new graphic from clipboard data of one format.
using TClipboardLoader = std::function<void(TGraphic& graphic, uint16_t format, const QByteArray& data)>;

struct TGraphicFormat {
    QString extension; // lower case, without the dot
    QString description;
    QString className;
    TGraphicFactory create;
};

struct TClipboardGraphicFormat {
    uint16_t format = 0;
    QString className;
    TGraphicFactory create;
    TClipboardLoader load;
};

class TPicture : public TPersistent {
    QUORLANE_CLASS(TPicture, TPersistent)

public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return graphic_.get(); }
    // Holds a copy of value (a new graphic of its class, assigned); nullptr empties the picture.
    void SetGraphic(const TGraphic* value);
    // The graphic as a T, replaced first by a new empty T when it is none (the framework's
    // Bitmap, Icon and Metafile accessors). notify false reports no change for the replacement.
    template <class T>
    T& ForceType(bool notify = true) {
        if (auto* g = dynamic_cast<T*>(graphic_.get()))
            return *g;
        auto made = std::make_unique<T>();
        T& result = *made;
        TakeGraphic(std::move(made), notify);
        return result;
    }
    // Holds a graphic already made (no copy), wiring its change event to the picture; notify false
    // reports no change for the replacement.
    void TakeGraphic(std::unique_ptr<TGraphic> graphic, bool notify = true);
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // By the file's extension; EInvalidGraphic "Unknown picture file extension (.ext)" when no
    // format is registered for it. The picture keeps its graphic when loading fails.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);
    // Loads clipboard data of a registered clipboard format; EInvalidGraphic otherwise.
    void LoadFromClipboardFormat(uint16_t format, const QByteArray& data);

    // A picture or nullptr (empties); other sources go to the framework's rules.
    void Assign(const TPersistent* source) override;
    void Assign(const TGraphic* source) { SetGraphic(source); }
    // Defines the binary property "Data".
    void DefineProperties(TFiler& filer) override;
    // The stored "Data" form. Reading finds the class by its stored name; an unknown name gives
    // an empty picture and leaves the graphic's data unread. A graphic that fails to read leaves
    // the picture as it was.
    virtual void ReadData(TStream& stream);
    virtual void WriteData(TStream& stream);

    TNotifyEvent OnChange;

    // --- registry ---
    // A later registration for an extension takes precedence over earlier ones.
    static void RegisterFileFormat(const QString& extension, const QString& description,
                                   const QString& className, const TGraphicFactory& create);
    template <class T>
    static void RegisterFileFormat(const QString& extension, const QString& description) {
        RegisterFileFormat(extension, description, QString::fromLatin1(T().ClassName()),
                           [] { return std::unique_ptr<TGraphic>(std::make_unique<T>()); });
    }
    static void RegisterClipboardFormat(uint16_t format, const QString& className,
                                        const TGraphicFactory& create, const TClipboardLoader& load);
    // Removes every file and clipboard registration of the class.
    static void UnregisterGraphicClass(const QString& className);
    // The factory for an extension (with or without the dot, any case), or an empty one.
    static TGraphicFactory FindExtension(const QString& extension);
    // The factory of a registered class (file formats first, then clipboard formats).
    static TGraphicFactory FindClassName(const QString& className);
    static bool SupportsClipboardFormat(uint16_t format);
    // The registered file formats, newest last.
    static std::vector<TGraphicFormat> FileFormats();
    // "All (*.bmp;*.jpg)|*.bmp;*.jpg|Bitmaps (*.bmp)|*.bmp|..." for open and save dialogs.
    static QString GraphicFilter();

protected:
    // Tells OnChange; sender is the graphic that changed or the picture.
    virtual void Changed(TObject* sender);

private:
    std::unique_ptr<TGraphic> graphic_;
};

// The length-prefixed data form (signed 32-bit length, then the bytes) in which graphics store
// themselves inside a picture. Reading takes exactly the stored bytes, so damaged data cannot
// run into what follows; a negative length or one beyond the stream raises EReadError.
QByteArray ReadGraphicBlock(TStream& stream);
void WriteGraphicBlock(TStream& stream, const QByteArray& bytes);

// Whether a compressed picture of dataSize bytes may decode to width x height pixels: within the
// pixel buffer's sides, at most kMaxDecodedPixels, and at most kFreeDecodedPixels plus
// kPixelsPerDataByte for every byte of data. Decoders fill what a cut file lacks, so without the
// last bound a header of a few bytes could claim a gigabyte; real pictures stay far below it.
constexpr int64_t kMaxDecodedPixels = int64_t(1) << 27;
constexpr int64_t kFreeDecodedPixels = int64_t(1) << 24;
constexpr int64_t kPixelsPerDataByte = 4096;
bool DecodedSizeAllowed(int64_t width, int64_t height, int64_t dataSize);

// Draws an image with its alpha channel stretched onto a logical rectangle of a canvas
// (PNG, GIF and icon graphics).
void StretchDrawImage(TCanvas& canvas, const TRect& rect, const QImage& image);
