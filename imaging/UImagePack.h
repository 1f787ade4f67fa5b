#pragma once
// Image packs: numbered collections of images (0 to count - 1) that browsers, buttons and panels ask
// for counts, rectangles and pictures. The cells of one picture cut into a grid (TMatrixImagePack),
// pictures an owner supplies through events (TCustomImagePack), picture files named in a list
// (TFileImagePack) or found in a folder or a folder list file (TFolderImagePack). All but the matrix
// keep a small most-recently-used cache. An image that cannot be made is replaced by one shared error
// mark, so viewers never handle a failed load. TExFileInfo gives the icon and type name of files.
//
// The background loader (UImageLoadThread) calls LoadImage and GetImageSafe on its worker thread;
// the packs take no lock, so viewers stop the loader before a pack's contents change.

#include "core/UBroadcaster.h"
#include "platform/Color.h"
#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/Rect.h"
#include "platform/StringList.h"

#include <QHash>
#include <QIcon>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAbstractItemView;
class TCanvas;
class TPicture;
class TPictureEx;
class TResourceImageLoader;

QUORLANE_EXCEPTION(EImagePack, Exception)

inline constexpr TGUID GUID_ImagePackChanged = GUIDLiteral("{FF0E0942-2D29-11D3-ACCC-00500463098A}");
inline constexpr TGUID GUID_ImagePackUpdate = GUIDLiteral("{A916FC40-6C6C-11D3-9551-00500463098A}");

// The picture every failed image is shown as: "イメージ処理" / "エラー" in red on white. Made once, on
// first use from any thread.
const TPicture& ImagePackErrorMark();

class TImagePack : public TComponent, public virtual IBroadcaster {
    QUORLANE_CLASS(TImagePack, TComponent)

public:
    explicit TImagePack(TComponent* owner);
    ~TImagePack() override;

    // Broadcasts GUID_ImagePackChanged, then calls OnChange.
    virtual void Changed();
    // Broadcasts GUID_ImagePackUpdate: the contents are about to change.
    virtual void NotifyUpdate();
    virtual int GetCount() = 0;
    // No pack accepts these: EImagePack.
    virtual void SetCount(int value);
    virtual void GetImageRect(int index, TRect& rect) = 0;
    virtual void SetImageRect(int index, const TRect& rect);
    int Left(int index);
    void SetLeft(int index, int value);
    int Top(int index);
    void SetTop(int index, int value);
    int Width(int index);
    void SetWidth(int index, int value);
    int Height(int index);
    void SetHeight(int index, int value);
    // Fills picture with image index.
    virtual void GetImage(TPicture& picture, int index) = 0;
    virtual void Draw(TCanvas& canvas, int x, int y, int index);
    virtual void StretchDraw(TCanvas& canvas, const TRect& rect, int index);
    virtual bool IsOutOfRange(int index);

    // GetImage; on any failure picture becomes the error mark and the answer is false.
    bool GetImageSafe(TPicture& picture, int index);

    TNotifyEvent OnChange;

    // IBroadcaster, through the pack's broadcaster. The pack is owned by its owner component;
    // references do not keep it alive.
    HRESULT QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }
    void Broadcast(TObject* sender, const TGUID& eventID) override;
    void AddListener(IListener* listener) override;
    void RemoveListener(IListener* listener) override;

private:
    std::unique_ptr<TBroadcaster> broadcaster_;
};

// The cells of one picture cut into CountCol x CountRow; a count below 1 in either gives no images.
class TMatrixImagePack : public TImagePack {
    QUORLANE_CLASS(TMatrixImagePack, TImagePack)

public:
    explicit TMatrixImagePack(TComponent* owner);
    ~TMatrixImagePack() override;
    static void DeclareProperties(TPropertyBuilder<TMatrixImagePack>& p);

    TPictureEx* Image() const { return image_.get(); }
    void SetImage(TPictureEx* value);
    TResourceImageLoader* ImageLoader() const { return imageLoader_.get(); }
    void SetImageLoader(TResourceImageLoader* value);
    int CountCol() const { return countCol_; }
    void SetCountCol(int value);
    int CountRow() const { return countRow_; }
    void SetCountRow(int value);

    int GetCount() override;
    bool IsOutOfRange(int index) override;
    void GetImageRect(int index, TRect& rect) override;
    void GetImage(TPicture& picture, int index) override;
    void StretchDraw(TCanvas& canvas, const TRect& rect, int index) override;
    void Loaded() override;

private:
    std::unique_ptr<TPictureEx> image_;
    std::unique_ptr<TResourceImageLoader> imageLoader_;
    int countCol_ = 1;
    int countRow_ = 1;
};

// Keeps the last CacheLimit images made, least recently used first out.
class TCachedImagePack : public TImagePack {
    QUORLANE_CLASS(TCachedImagePack, TImagePack)

public:
    static constexpr int kMaxCacheLimit = 65535;

    explicit TCachedImagePack(TComponent* owner);
    ~TCachedImagePack() override;

    void ClearCache();
    // The cached picture of index, made the most recent; a new empty one on a miss.
    TPictureEx& GetCacheEntry(int index);
    // Makes image index into picture, without the cache. Runs on the loader's worker thread when
    // the pack is given to a loader.
    virtual void LoadImage(TPictureEx& picture, int index) = 0;

    // Through the cache; a failed load is cached as the error mark and not retried.
    void GetImage(TPicture& picture, int index) override;
    // Stores a copy of picture as the cached image of index (a loader's result).
    void StoreCachedImage(const TPicture& picture, int index);
    int CacheLimit() const { return cacheLimit_; }
    // Kept within 1..65535.
    void SetCacheLimit(int value);
    int CachedCount() const { return int(cache_.size()); }
    // The cached indexes, least recently used first.
    std::vector<int> CachedIndexes() const;

private:
    struct Entry {
        int index;
        std::unique_ptr<TPictureEx> picture;
    };
    void TrimCache();

    std::vector<Entry> cache_;
    int cacheLimit_ = 1;
};

// Images the owner supplies through events.
class TCustomImagePack : public TCachedImagePack {
    QUORLANE_CLASS(TCustomImagePack, TCachedImagePack)

public:
    using TIPOnGetCount = std::function<void(TObject* sender, int& count)>;
    using TIPOnGetImage = std::function<void(TObject* sender, TPictureEx& picture, int index)>;

    explicit TCustomImagePack(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TCustomImagePack>& p);

    int GetCount() override;
    void GetImageRect(int index, TRect& rect) override;
    void LoadImage(TPictureEx& picture, int index) override;
    // Empties the cache, then tells of the change.
    void Refresh();

    TIPOnGetCount OnGetCount;
    // Runs on the loader's worker thread when the pack is given to a loader.
    TIPOnGetImage OnGetImage;
};

// Picture files named by the lines of FileList.
class TFileImagePackBase : public TCachedImagePack {
    QUORLANE_CLASS(TFileImagePackBase, TCachedImagePack)

public:
    using TOnFileLoadEvent = std::function<void(TObject* sender, const QString& fileName, TPicture& picture)>;

    explicit TFileImagePackBase(TComponent* owner);
    ~TFileImagePackBase() override;

    TStringList& FileList() { return *fileList_; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { transparent_ = value; }
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor value) { transparentColor_ = value; }

    int GetCount() override;
    void GetImageRect(int index, TRect& rect) override;
    void LoadImage(TPictureEx& picture, int index) override;
    // Keeps the files whose extension (".jpg", compared without regard to case) is one of the
    // ";"-separated extensions; a file without an extension is no picture and goes.
    void FilterByExtension(const QString& extensions);

    // Fills picture from a file itself (it may leave it empty: the file is then loaded the usual
    // way). Runs on the loader's worker thread when the pack is given to a loader.
    TOnFileLoadEvent OnFileLoad;

protected:
    TStringList* FileListPtr() { return fileList_.get(); }

private:
    std::unique_ptr<TStringList> fileList_;
    bool transparent_ = false;
    TColor transparentColor_ = 0xF0F0F0;
};

class TFileImagePack : public TFileImagePackBase {
    QUORLANE_CLASS(TFileImagePack, TFileImagePackBase)

public:
    explicit TFileImagePack(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TFileImagePack>& p);
    void SetFileList(const TStringList& value) { FileList().Assign(value); }
};

// The pictures a mask finds: a folder with wildcards ("/photos/*.jpg"), or a folder list file.
class TFolderImagePack : public TFileImagePackBase {
    QUORLANE_CLASS(TFolderImagePack, TFileImagePackBase)

public:
    // Folder list files larger than this are refused (EImagePack).
    static constexpr int64_t kMaxListFileSize = int64_t(16) << 20;

    explicit TFolderImagePack(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TFolderImagePack>& p);

    const QString& FileMask() const { return fileMask_; }
    // A different text rebuilds the list.
    void SetFileMask(const QString& value);

private:
    void Rebuild();
    QString fileMask_;
};

// Registers the pack classes for component streaming (start-up); safe to call again.
void RegisterImagePacks();

// Adds the entries of a folder list file's lines to list: "[..." lines as they are, "FOLDER=x"
// switching the folder to dir + x, ";" comments and empty lines skipped, any other line a file of
// the current folder. The file's paths are Windows paths: they are turned into disk paths and found
// without regard to case.
void AddFolderListLines(const TStringList& lines, const QString& dir, TStringList& list);

// The desktop's icon and type name of files, looked up once per extension.
struct TExFileInfoRecord {
    QIcon icon;
    QString typeName;
};

class TExFileInfo {
public:
    // Lists showing files get the desktop's small icon size (their items carry the icons).
    static void SetSmallImageList(QAbstractItemView* listView);
    // Every file of one extension (compared without regard to case) shares the first answer.
    void GetFileInfo(const QString& fileName, TExFileInfoRecord& info);

private:
    QHash<QString, TExFileInfoRecord> cache_;
};

// A pack of cols x rows cells over one of the program's bitmap resources, owned by owner. A missing
// resource gives an empty pack (and a warning): pictures are no reason not to start.
TMatrixImagePack* CreateResourcePack(TComponent* owner, const QString& name, int cols, int rows = 1);
// One cell of a pack as an image; a null image when there is no such cell.
QImage PackCellImage(TImagePack* pack, int index);
// The same cell with an alpha channel, its bottom-left pixel's colour see-through (the program's
// bitmaps mark their background so).
QImage KeyedPackCellImage(TImagePack* pack, int index);
// The icons of an image list resource: square cells in a row, the bottom-left pixel's colour
// see-through.
std::vector<QIcon> LoadImageList(const QString& resName);
