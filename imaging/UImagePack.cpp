#include "imaging/UImagePack.h"

#include "core/UGeometryUtil.h"
#include "core/UPathUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"
#include "platform/Metafile.h"

#include <QAbstractItemView>
#include <QBitmap>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>
#include <algorithm>
#include <climits>

namespace {

constexpr TColor kErrorMarkBack = clWhite;
constexpr TColor kErrorMarkText = 0x0000FF;
constexpr unsigned kErrorMarkLayout = DT_CENTER | DT_NOPREFIX | DT_NOCLIP;

std::unique_ptr<TPictureEx> MakeErrorMark() {
    const QString text = QStringLiteral("イメージ処理\r\nエラー");
    TBitmap scratch(1, 1, pf24bit);
    TRect bounds(0, 0, 0, 0);
    scratch.Canvas().DrawText(text, bounds, kErrorMarkLayout | DT_CALCRECT);
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetWidth(bounds.Width());
    metafile->SetHeight(bounds.Height());
    {
        TMetafileCanvas canvas(*metafile);
        canvas.FillSolid(bounds, kErrorMarkBack);
        canvas.SetBkMode(TRANSPARENT);
        canvas.Font().Color = kErrorMarkText;
        TRect r = bounds;
        canvas.DrawText(text, r, kErrorMarkLayout);
    }
    metafile->SetWidth(bounds.Width());
    metafile->SetHeight(bounds.Height());
    auto picture = std::make_unique<TPictureEx>();
    picture->TakeGraphic(std::move(metafile), false);
    return picture;
}

void AssignErrorMark(TPicture& picture) {
    picture.SetGraphic(ImagePackErrorMark().Graphic());
}

int64_t ClampedProduct(int a, int b) {
    return std::min<int64_t>(int64_t(a) * b, INT_MAX);
}

} // namespace

const TPicture& ImagePackErrorMark() {
    // A function-local static is made once even when the loader's worker asks first.
    static const std::unique_ptr<TPictureEx> mark = MakeErrorMark();
    return *mark;
}

// ---- TImagePack

TImagePack::TImagePack(TComponent* owner)
    : TComponent(owner), broadcaster_(std::make_unique<TBroadcaster>(this)) {}

TImagePack::~TImagePack() {
    // Listeners are unlinked while the pack still answers for its broadcaster.
    broadcaster_->DestroyLinks();
}

HRESULT TImagePack::QueryInterface(const TGUID& iid, void** obj) {
    return AnswerAsBroadcaster(this, iid, obj);
}

void TImagePack::Broadcast(TObject* sender, const TGUID& eventID) {
    broadcaster_->Broadcast(sender, eventID);
}

void TImagePack::AddListener(IListener* listener) {
    broadcaster_->AddListener(listener);
}

void TImagePack::RemoveListener(IListener* listener) {
    broadcaster_->RemoveListener(listener);
}

void TImagePack::Changed() {
    Broadcast(this, GUID_ImagePackChanged);
    if (OnChange)
        OnChange(this);
}

void TImagePack::NotifyUpdate() {
    Broadcast(this, GUID_ImagePackUpdate);
}

void TImagePack::SetCount(int) {
    throw EImagePack(QStringLiteral("Cannot set count of ImagePack"));
}

void TImagePack::SetImageRect(int, const TRect&) {
    throw EImagePack(QStringLiteral("Cannot set ImageRect of ImagePack"));
}

int TImagePack::Left(int index) {
    TRect r;
    GetImageRect(index, r);
    return r.Left;
}

void TImagePack::SetLeft(int index, int value) {
    TRect r;
    GetImageRect(index, r);
    OffsetRect(r, value - r.Left, 0);
    SetImageRect(index, r);
}

int TImagePack::Top(int index) {
    TRect r;
    GetImageRect(index, r);
    return r.Top;
}

void TImagePack::SetTop(int index, int value) {
    TRect r;
    GetImageRect(index, r);
    OffsetRect(r, 0, value - r.Top);
    SetImageRect(index, r);
}

int TImagePack::Width(int index) {
    TRect r;
    GetImageRect(index, r);
    return RectWidth(r);
}

void TImagePack::SetWidth(int index, int value) {
    TRect r;
    GetImageRect(index, r);
    r.Right = r.Left + value;
    SetImageRect(index, r);
}

int TImagePack::Height(int index) {
    TRect r;
    GetImageRect(index, r);
    return RectHeight(r);
}

void TImagePack::SetHeight(int index, int value) {
    TRect r;
    GetImageRect(index, r);
    r.Bottom = r.Top + value;
    SetImageRect(index, r);
}

void TImagePack::Draw(TCanvas& canvas, int x, int y, int index) {
    TRect r;
    GetImageRect(index, r);
    OffsetRect(r, x - r.Left, y - r.Top);
    StretchDraw(canvas, r, index);
}

void TImagePack::StretchDraw(TCanvas& canvas, const TRect& rect, int index) {
    TPictureEx picture;
    GetImageSafe(picture, index);
    if (picture.Graphic())
        StretchDrawLocked(canvas, rect, picture.Graphic());
}

bool TImagePack::IsOutOfRange(int index) {
    return index < 0 || index >= GetCount();
}

bool TImagePack::GetImageSafe(TPicture& picture, int index) {
    try {
        GetImage(picture, index);
        return true;
    } catch (...) {
        AssignErrorMark(picture);
        return false;
    }
}

// ---- TMatrixImagePack

TMatrixImagePack::TMatrixImagePack(TComponent* owner)
    : TImagePack(owner), image_(std::make_unique<TPictureEx>()),
      imageLoader_(std::make_unique<TResourceImageLoader>(image_.get())) {
    image_->OnChange = [this](TObject*) { Changed(); };
}

TMatrixImagePack::~TMatrixImagePack() {
    image_->OnChange = nullptr;
}

void TMatrixImagePack::DeclareProperties(TPropertyBuilder<TMatrixImagePack>& p) {
    p.Object("Image", &TMatrixImagePack::Image);
    p.Object("ImageLoader", &TMatrixImagePack::ImageLoader);
    p.Integer("CountCol", &TMatrixImagePack::CountCol, &TMatrixImagePack::SetCountCol).Default(1);
    p.Integer("CountRow", &TMatrixImagePack::CountRow, &TMatrixImagePack::SetCountRow).Default(1);
}

void TMatrixImagePack::SetImage(TPictureEx* value) {
    image_->Assign(value);
}

void TMatrixImagePack::SetImageLoader(TResourceImageLoader* value) {
    imageLoader_->Assign(value);
}

void TMatrixImagePack::SetCountCol(int value) {
    if (value == countCol_)
        return;
    countCol_ = value;
    Changed();
}

void TMatrixImagePack::SetCountRow(int value) {
    if (value == countRow_)
        return;
    countRow_ = value;
    Changed();
}

int TMatrixImagePack::GetCount() {
    if (countCol_ < 1 || countRow_ < 1)
        return 0;
    return int(ClampedProduct(countCol_, countRow_));
}

bool TMatrixImagePack::IsOutOfRange(int index) {
    return TImagePack::IsOutOfRange(index) || !image_->Graphic() || image_->Graphic()->Empty();
}

void TMatrixImagePack::GetImageRect(int index, TRect& rect) {
    rect = TRect(0, 0, 0, 0);
    if (IsOutOfRange(index))
        return;
    const int c = index % countCol_;
    const int r = index / countCol_;
    if (r >= countRow_)
        return;
    const int w = image_->Width();
    const int h = image_->Height();
    rect = TRect(MulDiv(c, w, countCol_), MulDiv(r, h, countRow_), MulDiv(c + 1, w, countCol_),
                 MulDiv(r + 1, h, countRow_));
}

void TMatrixImagePack::GetImage(TPicture& picture, int index) {
    picture.SetGraphic(nullptr);
    TRect r;
    GetImageRect(index, r);
    if (IsRectDegenerate(r))
        return;
    TGraphic* graphic = image_->Graphic();
    if (countCol_ == 1 && countRow_ == 1) {
        picture.SetGraphic(graphic);
        return;
    }
    TSafetyBitmap& cell = picture.ForceType<TSafetyBitmap>();
    auto* source = dynamic_cast<TBitmap*>(graphic);
    if (IsLowColorScreen() && source && !source->ColorTable().empty()) {
        cell.SetPixelFormat(pf8bit);
        cell.SetColorTable(source->ColorTable());
    } else {
        cell.SetPixelFormat(pf24bit);
    }
    cell.SetSize(RectWidth(r), RectHeight(r));
    DrawGraphicLocked(cell.Canvas(), -r.Left, -r.Top, graphic);
    cell.Changed();
}

void TMatrixImagePack::StretchDraw(TCanvas& canvas, const TRect& rect, int index) {
    TRect source;
    GetImageRect(index, source);
    auto* bitmap = dynamic_cast<TBitmap*>(image_->Graphic());
    if (!IsRectDegenerate(source) && bitmap) {
        StretchDrawPart(canvas, rect, *bitmap, source);
        return;
    }
    TImagePack::StretchDraw(canvas, rect, index);
}

void TMatrixImagePack::Loaded() {
    TImagePack::Loaded();
    if ((ComponentState() & csDesigning) != 0 || imageLoader_->AutoLoad())
        imageLoader_->Load();
    imageLoader_->SetReady(true);
}

// ---- TCachedImagePack

TCachedImagePack::TCachedImagePack(TComponent* owner) : TImagePack(owner) {}

TCachedImagePack::~TCachedImagePack() {
    ClearCache();
}

void TCachedImagePack::ClearCache() {
    while (!cache_.empty())
        cache_.pop_back();
}

TPictureEx& TCachedImagePack::GetCacheEntry(int index) {
    for (auto it = cache_.rbegin(); it != cache_.rend(); ++it)
        if (it->index == index) {
            auto forward = std::prev(it.base());
            std::rotate(forward, std::next(forward), cache_.end());
            return *cache_.back().picture;
        }
    cache_.push_back(Entry{index, std::make_unique<TPictureEx>()});
    TPictureEx& made = *cache_.back().picture;
    TrimCache();
    return made;
}

void TCachedImagePack::TrimCache() {
    if (cache_.size() > size_t(cacheLimit_))
        cache_.erase(cache_.begin(), cache_.begin() + std::ptrdiff_t(cache_.size() - size_t(cacheLimit_)));
}

void TCachedImagePack::GetImage(TPicture& picture, int index) {
    picture.SetGraphic(nullptr);
    if (IsOutOfRange(index))
        return;
    TPictureEx& entry = GetCacheEntry(index);
    if (IsPictureEmpty(&entry)) {
        try {
            LoadImage(entry, index);
        } catch (...) {
            AssignErrorMark(entry);
        }
    }
    picture.SetGraphic(entry.Graphic());
}

void TCachedImagePack::StoreCachedImage(const TPicture& picture, int index) {
    GetCacheEntry(index).SetGraphic(picture.Graphic());
}

void TCachedImagePack::SetCacheLimit(int value) {
    value = std::clamp(value, 1, kMaxCacheLimit);
    if (value == cacheLimit_)
        return;
    cacheLimit_ = value;
    TrimCache();
}

std::vector<int> TCachedImagePack::CachedIndexes() const {
    std::vector<int> indexes;
    for (const Entry& e : cache_)
        indexes.push_back(e.index);
    return indexes;
}

// ---- TCustomImagePack

TCustomImagePack::TCustomImagePack(TComponent* owner) : TCachedImagePack(owner) {}

void TCustomImagePack::DeclareProperties(TPropertyBuilder<TCustomImagePack>& p) {
    p.Integer("CacheLimit", &TCustomImagePack::CacheLimit, &TCustomImagePack::SetCacheLimit).Default(1);
}

int TCustomImagePack::GetCount() {
    int count = 0;
    if (OnGetCount)
        OnGetCount(this, count);
    return count;
}

void TCustomImagePack::GetImageRect(int index, TRect& rect) {
    rect = TRect(0, 0, 0, 0);
    if (IsOutOfRange(index))
        return;
    TPictureEx picture;
    GetImageSafe(picture, index);
    rect = TRect(0, 0, picture.Width(), picture.Height());
}

void TCustomImagePack::LoadImage(TPictureEx& picture, int index) {
    if (OnGetImage)
        OnGetImage(this, picture, index);
}

void TCustomImagePack::Refresh() {
    ClearCache();
    Changed();
}

// ---- TFileImagePackBase

TFileImagePackBase::TFileImagePackBase(TComponent* owner)
    : TCachedImagePack(owner), fileList_(std::make_unique<TStringList>()) {
    fileList_->OnChanging = [this](TObject*) { NotifyUpdate(); };
    fileList_->OnChange = [this](TObject*) {
        ClearCache();
        Changed();
    };
}

TFileImagePackBase::~TFileImagePackBase() {
    fileList_->OnChanging = nullptr;
    fileList_->OnChange = nullptr;
}

int TFileImagePackBase::GetCount() {
    return fileList_->Count();
}

void TFileImagePackBase::GetImageRect(int index, TRect& rect) {
    rect = TRect(0, 0, 0, 0);
    if (IsOutOfRange(index))
        return;
    TPictureEx picture;
    GetImageSafe(picture, index);
    rect = TRect(0, 0, picture.Width(), picture.Height());
}

void TFileImagePackBase::LoadImage(TPictureEx& picture, int index) {
    const QString fileName = fileList_->Strings(index);
    if (OnFileLoad) {
        try {
            OnFileLoad(this, fileName, picture);
        } catch (...) {
            AssignErrorMark(picture);
        }
    }
    if (IsPictureEmpty(&picture))
        picture.LoadFromFile(fileName);
    SetPictureTransparent(&picture, transparentColor_, transparent_);
    if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic()))
        bitmap->UpdateMask();
}

void TFileImagePackBase::FilterByExtension(const QString& extensions) {
    QStringList wanted;
    for (const QString& e : extensions.split(u';', Qt::SkipEmptyParts))
        wanted << e.trimmed().toUpper();
    InUpdate(*fileList_, [&] {
        for (int i = fileList_->Count() - 1; i >= 0; --i) {
            const QString suffix = QFileInfo(fileList_->Strings(i)).suffix();
            if (suffix.isEmpty() || !wanted.contains(u'.' + suffix.toUpper()))
                fileList_->Delete(i);
        }
    });
}

// ---- TFileImagePack

TFileImagePack::TFileImagePack(TComponent* owner) : TFileImagePackBase(owner) {}

void TFileImagePack::DeclareProperties(TPropertyBuilder<TFileImagePack>& p) {
    p.Strings("FileList", &TFileImagePack::FileListPtr);
    p.Integer("CacheLimit", &TFileImagePack::CacheLimit, &TFileImagePack::SetCacheLimit).Default(1);
}

// ---- TFolderImagePack

TFolderImagePack::TFolderImagePack(TComponent* owner) : TFileImagePackBase(owner) {
    FileList().SetSorted(true);
}

void TFolderImagePack::DeclareProperties(TPropertyBuilder<TFolderImagePack>& p) {
    p.String("FileMask", &TFolderImagePack::FileMask, &TFolderImagePack::SetFileMask);
    p.Integer("CacheLimit", &TFolderImagePack::CacheLimit, &TFolderImagePack::SetCacheLimit).Default(1);
}

void TFolderImagePack::SetFileMask(const QString& value) {
    if (value == fileMask_)
        return;
    fileMask_ = value;
    Rebuild();
}

void TFolderImagePack::Rebuild() {
    TStringList& list = FileList();
    InUpdate(list, [&] {
        list.Clear();
        if (!fileMask_.isEmpty()) {
            const QString mask = ToLocalPath(fileMask_);
            const QFileInfo maskInfo(mask);
            const QString dir = IncludeBackslash(maskInfo.path());
            if (mask.contains(u'*') || mask.contains(u'?')) {
                const QStringList names = QDir(dir).entryList(QStringList(maskInfo.fileName()),
                                                              QDir::Files | QDir::Hidden | QDir::System);
                for (const QString& name : names)
                    if (!name.startsWith(u'.'))
                        list.Add(dir + name);
            } else {
                list.SetSorted(false);
                if (QFileInfo(mask).size() > kMaxListFileSize)
                    throw EImagePack(QStringLiteral("Folder list file too large: %1").arg(mask));
                TStringList lines;
                lines.LoadFromFile(mask);
                AddFolderListLines(lines, dir, list);
            }
        }
    });
}

void RegisterImagePacks() {
    RegisterClasses({&TMatrixImagePack::StaticClass(), &TCustomImagePack::StaticClass(),
                     &TFileImagePack::StaticClass(), &TFolderImagePack::StaticClass()});
}

void AddFolderListLines(const TStringList& lines, const QString& dir, TStringList& list) {
    TNoCasePathFinder finder;
    QString current = dir;
    for (int i = 0; i < lines.Count(); ++i) {
        const QString line = lines.Strings(i).trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            list.Add(line);
        } else if (line.startsWith(QLatin1String("FOLDER"), Qt::CaseInsensitive)) {
            const qsizetype eq = line.indexOf(u'=');
            current = dir + ToLocalPath((eq < 0 ? line : line.mid(eq + 1)).trimmed());
        } else {
            list.Add(finder.Find(QDir::cleanPath(current + PathDelim + ToLocalPath(line))));
        }
    }
}

// ---- TExFileInfo

void TExFileInfo::SetSmallImageList(QAbstractItemView* listView) {
    if (!listView)
        return;
    const int side = listView->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, listView);
    listView->setIconSize(QSize(side, side));
}

void TExFileInfo::GetFileInfo(const QString& fileName, TExFileInfoRecord& info) {
    const QString suffix = QFileInfo(fileName).suffix();
    const QString key = suffix.isEmpty() ? QString() : u'.' + suffix.toUpper();
    auto it = cache_.find(key);
    if (it == cache_.end()) {
        TExFileInfoRecord record;
        const QFileInfo file(fileName);
        record.icon = QFileIconProvider().icon(file);
        record.typeName = QMimeDatabase().mimeTypeForFile(file).comment();
        it = cache_.insert(key, record);
    }
    info = *it;
}

TMatrixImagePack* CreateResourcePack(TComponent* owner, const QString& name, int cols, int rows) {
    auto* pack = new TMatrixImagePack(owner);
    pack->SetName(name);
    pack->SetCountCol(cols);
    pack->SetCountRow(rows);
    pack->ImageLoader()->SetResType(QStringLiteral("RT_BITMAP"));
    pack->ImageLoader()->SetResName(name.toUpper());
    try {
        pack->ImageLoader()->Load();
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
    return pack;
}

QImage PackCellImage(TImagePack* pack, int index) {
    if (!pack || pack->IsOutOfRange(index))
        return {};
    TPicture picture;
    pack->GetImage(picture, index);
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    return bitmap ? bitmap->ImageForPainting().copy() : QImage();
}

QImage KeyedPackCellImage(TImagePack* pack, int index) {
    QImage image = PackCellImage(pack, index);
    if (image.isNull())
        return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (line[x] == key)
                line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

std::vector<QIcon> LoadImageList(const QString& resName) {
    std::vector<QIcon> icons;
    TComponent owner(nullptr);
    const QImage strip = PackCellImage(CreateResourcePack(&owner, resName, 1), 0);
    if (strip.isNull() || strip.height() <= 0)
        return icons;
    const QRgb key = strip.pixel(0, strip.height() - 1);
    const int size = strip.height();
    for (int x = 0; x + size <= strip.width(); x += size) {
        QPixmap cell = QPixmap::fromImage(strip.copy(x, 0, size, size));
        cell.setMask(
            QBitmap::fromImage(strip.copy(x, 0, size, size).createMaskFromColor(key, Qt::MaskInColor)));
        icons.emplace_back(cell);
    }
    return icons;
}
