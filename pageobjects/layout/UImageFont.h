#pragma once
// Image fonts: each supported character has one picture per image font, and every picture of
// every image font lives in one shared glyph pack made from the decorated-character folder. An
// image font picks its 64 pictures by number and draws or measures single bytes of CP932 text at
// a glyph height; bytes outside its alphabet (a space, either byte of a kanji) are gaps.

#include "core/UBroadcaster.h"
#include "platform/Component.h"
#include "platform/Rect.h"

#include <QString>
#include <functional>
#include <memory>

class TCanvas;
class TImagePack;
class TStringList;

// The characters an image font has pictures for, in the order of its pictures.
inline constexpr char kImageFontAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?";
inline constexpr int kImageFontGlyphs = 64;

// Supplies the glyph pack instead of the folder (a pack it keeps alive); nullptr to fall back.
using TImageFontPackProvider = std::function<TImagePack*()>;
void SetImageFontPackProvider(TImageFontPackProvider provider);
// The glyph pack: the provider's when it gives one, else the pack of the decorated-character
// folder, made on first use (empty when there is no application frame or no folder). Never null.
TImagePack& ImageFontPack();
// Frees the folder's pack (at shutdown; the next use makes it again).
void FreeImageFontPack();
// Every file below folder, sub-folders included, sorted without regard to case: the glyph order.
void ListImageFontFiles(const QString& folder, TStringList& files);

class TImageFont : public TPersistent, public TChangeNotifyForwarder {
    QUORLANE_CLASS(TImageFont, TPersistent)

public:
    static constexpr int kDefaultHeight = 16;

    TImageFont();
    ~TImageFont() override;

    static void DeclareProperties(TPropertyBuilder<TImageFont>& p);

    int FontNo() const { return fontNo_; }
    void SetFontNo(int value);
    int Height() const { return height_; }
    void SetHeight(int value);

    // The pack picture of byte ch in this font, or -1 for a gap (a byte outside the alphabet, an
    // empty pack, a font number of 0 or less).
    int GlyphIndex(unsigned char ch) const;
    // Height high; as wide as the glyph at that height, or Height div 3 for a gap (a glyph picture
    // of no size is one too). Never negative.
    void GetCharSize(unsigned char ch, TSize& size) const;
    // The glyph stretched into (x, y, x + width, y + Height); a gap draws nothing.
    void DrawChar(TCanvas& canvas, int x, unsigned char ch, int y) const;

    // The broadcaster and change-notify interfaces, through the font's notifier. The font is owned
    // by its holder; references do not keep it alive.
    HRESULT QueryInterface(const TGUID& iid, void** obj) override;
    int32_t AddRef() override { return 1; }
    int32_t Release() override { return 1; }

protected:
    void AssignTo(TPersistent* dest) const override;
    TChangeNotify& Notifier() override { return *notifier_; }

private:
    int GapWidth() const;

    int fontNo_ = 0;
    std::unique_ptr<TChangeNotify> notifier_;
    int height_ = kDefaultHeight;
};
