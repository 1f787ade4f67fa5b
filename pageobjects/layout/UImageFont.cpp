#include "pageobjects/layout/UImageFont.h"

#include "core/UAppFrame.h"
#include "core/UPathUtil.h"
#include "imaging/UImagePack.h"
#include "platform/IntMath.h"
#include "platform/StringList.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace {

constexpr int kGlyphCacheLimit = 64;
constexpr TColor kGlyphTransparentColor = 0xF0F0F0;

TImageFontPackProvider& Provider() {
    static TImageFontPackProvider provider;
    return provider;
}

std::unique_ptr<TFileImagePack>& FolderPack() {
    static std::unique_ptr<TFileImagePack> pack;
    return pack;
}

// The decorated-character folder on disk, or empty when there is none to be found.
QString LocateImageFontFolder() {
    TAppFrame* frame = AppFrame();
    if (frame == nullptr)
        return QString();
    QString text = frame->Macro().Expand(QStringLiteral("$(ImageFontFolder:inessential)"));
    if (text.isEmpty())
        text = QStringLiteral("Data\\Font");
    const QString local = ToLocalPath(text);
    if (QDir::isAbsolutePath(local))
        return IsDirectory(local) ? local : QString();
    // The content search finds files: the folder is where the first of its files lies.
    const QString hit =
        frame->FindSourceFile(JoinPath(local, QStringLiteral("*.*")), QStringLiteral("飾り文字データ"));
    return hit.isEmpty() ? QString() : QFileInfo(hit).path();
}

} // namespace

void SetImageFontPackProvider(TImageFontPackProvider provider) {
    Provider() = std::move(provider);
}

TImagePack& ImageFontPack() {
    if (Provider())
        if (TImagePack* pack = Provider()())
            return *pack;
    std::unique_ptr<TFileImagePack>& pack = FolderPack();
    if (pack == nullptr) {
        auto made = std::make_unique<TFileImagePack>(nullptr);
        made->SetCacheLimit(kGlyphCacheLimit);
        made->SetTransparent(true);
        made->SetTransparentColor(kGlyphTransparentColor);
        const QString folder = LocateImageFontFolder();
        if (!folder.isEmpty())
            ListImageFontFiles(folder, made->FileList());
        pack = std::move(made);
    }
    return *pack;
}

void FreeImageFontPack() {
    FolderPack().reset();
}

void ListImageFontFiles(const QString& folder, TStringList& files) {
    TStringList found;
    AddFilesRecursive(found, folder);
    found.SetCaseSensitive(false);
    found.Sort();
    files.Assign(found);
}

// ---- TImageFont

TImageFont::TImageFont() : notifier_(std::make_unique<TChangeNotify>(this)) {}

TImageFont::~TImageFont() {
    notifier_->DestroyLinks();
}

void TImageFont::DeclareProperties(TPropertyBuilder<TImageFont>& p) {
    p.Integer("FontNo", &TImageFont::FontNo, &TImageFont::SetFontNo);
    p.Integer("Height", &TImageFont::Height, &TImageFont::SetHeight).Default(kDefaultHeight);
}

void TImageFont::SetFontNo(int value) {
    if (value == fontNo_)
        return;
    fontNo_ = value;
    notifier_->Changed();
}

void TImageFont::SetHeight(int value) {
    if (value == height_)
        return;
    height_ = value;
    notifier_->Changed();
}

int TImageFont::GlyphIndex(unsigned char ch) const {
    if (ch == 0)
        return -1;
    const char* at = std::strchr(kImageFontAlphabet, ch);
    if (at == nullptr)
        return -1;
    const int count = ImageFontPack().GetCount();
    const int64_t index = (int64_t(fontNo_) - 1) * kImageFontGlyphs + (at - kImageFontAlphabet);
    if (count <= 0 || index < 0)
        return -1;
    return int(index % count);
}

int TImageFont::GapWidth() const {
    return std::max(height_, 0) / 3;
}

void TImageFont::GetCharSize(unsigned char ch, TSize& size) const {
    size = TSize{GapWidth(), height_};
    const int index = GlyphIndex(ch);
    if (index < 0)
        return;
    TRect r;
    ImageFontPack().GetImageRect(index, r);
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    size.cx = std::max(MulDiv(r.Width(), std::max(height_, 0), r.Height()), 0);
}

void TImageFont::DrawChar(TCanvas& canvas, int x, unsigned char ch, int y) const {
    const int index = GlyphIndex(ch);
    if (index < 0)
        return;
    TSize size;
    GetCharSize(ch, size);
    if (size.cx <= 0 || height_ <= 0)
        return;
    ImageFontPack().StretchDraw(
        canvas, TRect(x, y, ClampToInt32(int64_t(x) + size.cx), ClampToInt32(int64_t(y) + height_)), index);
}

HRESULT TImageFont::QueryInterface(const TGUID& iid, void** obj) {
    *obj = nullptr;
    if (iid == IUnknownEx::IID)
        *obj = static_cast<IUnknownEx*>(static_cast<IBroadcaster*>(this));
    else if (iid == IBroadcaster::IID)
        *obj = static_cast<IBroadcaster*>(this);
    else if (iid == IChangeNotify::IID)
        *obj = static_cast<IChangeNotify*>(this);
    return *obj ? S_OK : E_NOINTERFACE;
}

void TImageFont::AssignTo(TPersistent* dest) const {
    auto* target = dynamic_cast<TImageFont*>(dest);
    if (target == nullptr) {
        TPersistent::AssignTo(dest);
        return;
    }
    target->SetFontNo(fontNo_);
    target->SetHeight(height_);
}
