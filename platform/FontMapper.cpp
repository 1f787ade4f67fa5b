#include "platform/FontMapper.h"

#include <QFont>
#include <QFontDatabase>
#include <algorithm>
#include <cmath>
#include <hb-ot.h>
#include <hb.h>

namespace {

struct Substitution {
    const char16_t* stored;
    const char16_t* family;
};

// Stored face names of the other desktop and the installed faces drawn in their place.
constexpr Substitution kSubstitutions[] = {
    {u"ＭＳ Ｐゴシック", u"IPAPGothic"},
    {u"MS UI Gothic", u"IPAPGothic"},
    {u"ＭＳ ゴシック", u"IPAGothic"},
    {u"標準ゴシック", u"IPAGothic"},
    {u"ＭＳ Ｐ明朝", u"IPAPMincho"},
    {u"ＭＳ 明朝", u"IPAMincho"},
    {u"標準明朝", u"IPAMincho"},
    {u"Arial", u"Liberation Sans"},
    {u"Times New Roman", u"Liberation Serif"},
    {u"Courier New", u"Liberation Mono"},
};

// Faces asked, in order, for a character the chosen face lacks.
constexpr const char16_t* kFallbackFamilies[] = {u"IPAPGothic", u"IPAPMincho", u"IPAGothic", u"IPAMincho",
                                                 u"Liberation Sans"};

bool IsJapaneseFamily(const QString& family) {
    return family.startsWith(QLatin1String("IPA")) ||
           QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese);
}

QString StripVertical(const QString& name) {
    return FontMapper::IsVerticalName(name) ? name.mid(1) : name;
}

hb_blob_t* ReferenceTable(hb_face_t*, hb_tag_t tag, void* user) {
    if (tag == 0)
        return hb_blob_get_empty();
    const char name[5] = {char(tag >> 24), char(tag >> 16), char(tag >> 8), char(tag), 0};
    auto* data = new QByteArray(static_cast<const QRawFont*>(user)->fontTable(name));
    if (data->isEmpty()) {
        delete data;
        return hb_blob_get_empty();
    }
    return hb_blob_create(data->constData(), static_cast<unsigned>(data->size()), HB_MEMORY_MODE_READONLY,
                          data, [](void* p) { delete static_cast<QByteArray*>(p); });
}

hb_font_t* Hb(void* font) {
    return static_cast<hb_font_t*>(font);
}

} // namespace

bool IsSingleByteChar(char32_t c) {
    return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
}

struct FontFace::HbObjects {
    hb_face_t* face = nullptr;
    hb_buffer_t* buffer = nullptr;
};

FontFace::FontFace(const QFont& source)
    : source_(source), design_(QRawFont::fromFont(source)), hb_(std::make_unique<HbObjects>()) {
    if (!design_.isValid())
        return;
    hb_->face = hb_face_create_for_tables(ReferenceTable, &design_, nullptr);
    upem_ = int(hb_face_get_upem(hb_->face));
    if (upem_ <= 0)
        upem_ = 1000;
    hb_font_t* font = hb_font_create(hb_->face);
    hb_font_set_scale(font, upem_, upem_);
    font_ = font;
    hb_->buffer = hb_buffer_create();
    hb_position_t v = 0;
    // Lines are as tall as the Windows ascent and descent, which is what stored documents were laid
    // out with; faces without them fall back to the typographic values.
    if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_ASCENT, &v) && v > 0)
        ascent_ = v;
    else if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &v))
        ascent_ = v;
    if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_CLIPPING_DESCENT, &v) && v > 0)
        descent_ = v;
    else if (hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &v))
        descent_ = std::abs(v);
    hb_position_t asc = 0, desc = 0, gap = 0;
    hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &asc);
    hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &desc);
    hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_HORIZONTAL_LINE_GAP, &gap);
    lineGap_ = std::max(0, int(gap) - ((ascent_ + descent_) - (int(asc) - int(desc))));
    if (!hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_UNDERLINE_OFFSET, &v))
        v = -upem_ / 10;
    underlinePos_ = v;
    if (!hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_UNDERLINE_SIZE, &v) || v <= 0)
        v = std::max(1, upem_ / 20);
    underlineSize_ = v;
    if (!hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_STRIKEOUT_OFFSET, &v) || v <= 0)
        v = ascent_ / 3;
    strikePos_ = v;
    if (!hb_ot_metrics_get_position(font, HB_OT_METRICS_TAG_STRIKEOUT_SIZE, &v) || v <= 0)
        v = underlineSize_;
    strikeSize_ = v;
}

FontFace::~FontFace() {
    if (hb_->buffer)
        hb_buffer_destroy(hb_->buffer);
    if (font_)
        hb_font_destroy(Hb(font_));
    if (hb_->face)
        hb_face_destroy(hb_->face);
}

uint32_t FontFace::GlyphFor(char32_t c) const {
    hb_codepoint_t glyph = 0;
    if (!font_ || !hb_font_get_nominal_glyph(Hb(font_), c, &glyph))
        return 0;
    return glyph;
}

void FontFace::HorizontalMetrics(uint32_t glyph, int& advance, int& inkLeft, int& inkWidth) const {
    advance = inkLeft = inkWidth = 0;
    if (!font_)
        return;
    advance = hb_font_get_glyph_h_advance(Hb(font_), glyph);
    hb_glyph_extents_t extents{};
    if (hb_font_get_glyph_extents(Hb(font_), glyph, &extents)) {
        inkLeft = extents.x_bearing;
        inkWidth = extents.width;
    }
}

void FontFace::VerticalGlyph(char32_t c, uint32_t& glyph, int& advance, int& originX, int& originY) const {
    glyph = 0;
    advance = upem_;
    originX = -upem_ / 2;
    originY = -ascent_;
    if (!font_)
        return;
    hb_buffer_t* buffer = hb_->buffer;
    hb_buffer_clear_contents(buffer);
    const uint32_t text[1] = {uint32_t(c)};
    hb_buffer_add_utf32(buffer, text, 1, 0, 1);
    hb_buffer_set_direction(buffer, HB_DIRECTION_TTB);
    hb_buffer_set_script(buffer, HB_SCRIPT_HAN);
    hb_buffer_set_language(buffer, hb_language_from_string("ja", -1));
    // Vertical forms come from the 'vert' feature, which vertical shaping turns on.
    hb_shape(Hb(font_), buffer, nullptr, 0);
    unsigned count = 0;
    const hb_glyph_info_t* info = hb_buffer_get_glyph_infos(buffer, &count);
    const hb_glyph_position_t* pos = hb_buffer_get_glyph_positions(buffer, &count);
    if (count == 0)
        return;
    glyph = info[0].codepoint;
    advance = -pos[0].y_advance;
    originX = pos[0].x_offset;
    originY = pos[0].y_offset;
}

const QRawFont& FontFace::RawFont(double pixelSize) {
    // One cache per thread: a drawing font's engine keeps glyph caches that only one thread may
    // use, and thumbnails are drawn on loader threads while the window paints and prints.
    thread_local std::map<std::pair<const FontFace*, int64_t>, QRawFont> sized;
    const auto key = std::make_pair(static_cast<const FontFace*>(this), std::llround(pixelSize * 64.0));
    auto it = sized.find(key);
    if (it == sized.end()) {
        // A bounded cache: a page uses few sizes, a hostile document could ask for many.
        if (sized.size() >= 64)
            sized.clear();
        // Made from the font in this thread: an engine another thread made (the design's) keeps
        // its FreeType face in that thread's library.
        QRawFont font = QRawFont::fromFont(source_);
        font.setPixelSize(std::max(pixelSize, 0.01));
        it = sized.emplace(key, font).first;
    }
    return it->second;
}

FontMapper& FontMapper::Instance() {
    static FontMapper mapper;
    return mapper;
}

FontMapper::FontMapper() {
    installed_ = QFontDatabase::families();
}

QString FontMapper::FamilyFor(const QString& name) {
    std::lock_guard guard(lock_);
    const QString bare = StripVertical(name);
    const auto cached = families_.find(bare);
    if (cached != families_.end())
        return cached->second;
    QString family;
    for (const Substitution& s : kSubstitutions) {
        if (bare == QString::fromUtf16(s.stored)) {
            family = QString::fromUtf16(s.family);
            break;
        }
    }
    if (family.isEmpty() || !installed_.contains(family, Qt::CaseInsensitive)) {
        family.clear();
        for (const QString& f : installed_) {
            if (f.compare(bare, Qt::CaseInsensitive) == 0) {
                family = f;
                break;
            }
        }
    }
    families_.emplace(bare, family);
    return family;
}

QString FontMapper::DefaultFamily() {
    for (const char16_t* f : kFallbackFamilies) {
        const QString family = QString::fromUtf16(f);
        if (installed_.contains(family))
            return family;
    }
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

bool FontMapper::IsKnownName(const QString& name) {
    return !FamilyFor(name).isEmpty();
}

int FontMapper::CharsetOf(const QString& name) {
    const QString family = FamilyFor(name);
    if (family.isEmpty())
        return DEFAULT_CHARSET;
    return IsJapaneseFamily(family) ? SHIFTJIS_CHARSET : ANSI_CHARSET;
}

QStringList FontMapper::HorizontalFaceNames() {
    QStringList names = installed_;
    for (const Substitution& s : kSubstitutions)
        if (!FamilyFor(QString::fromUtf16(s.stored)).isEmpty())
            names << QString::fromUtf16(s.stored);
    names.removeDuplicates();
    names.sort();
    return names;
}

QStringList FontMapper::VerticalFaceNames() {
    std::lock_guard guard(lock_);
    if (!verticalNames_.isEmpty())
        return verticalNames_;
    QStringList names;
    for (const QString& name : HorizontalFaceNames()) {
        const QString family = FamilyFor(name);
        if (!family.isEmpty() && IsJapaneseFamily(family))
            names << QLatin1Char('@') + name;
    }
    verticalNames_ = names;
    return names;
}

FontFace* FontMapper::Face(const QString& name, bool bold, bool italic) {
    std::lock_guard guard(lock_);
    QString family = FamilyFor(name);
    if (family.isEmpty())
        family = DefaultFamily();
    const QString key = family + QLatin1Char('\x1f') + QChar(bold ? 'b' : '-') + QChar(italic ? 'i' : '-');
    auto it = faces_.find(key);
    if (it == faces_.end()) {
        QFont font(family);
        font.setBold(bold);
        font.setItalic(italic);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setPixelSize(100);
        it = faces_.emplace(key, std::make_unique<FontFace>(font)).first;
    }
    return it->second.get();
}

FontGlyph FontMapper::Resolve(const QString& name, bool bold, bool italic, char32_t c) {
    std::lock_guard guard(lock_);
    FontGlyph g;
    FontFace* primary = Face(name, bold, italic);
    FontFace* face = primary;
    uint32_t glyph = face->GlyphFor(c);
    if (glyph == 0) {
        for (const char16_t* f : kFallbackFamilies) {
            FontFace* fallback = Face(QString::fromUtf16(f), bold, italic);
            if (fallback->IsValid() && (glyph = fallback->GlyphFor(c)) != 0) {
                face = fallback;
                break;
            }
        }
        if (glyph == 0)
            face = primary;
    }
    g.Face = face;
    g.Glyph = glyph;
    face->HorizontalMetrics(glyph, g.Advance, g.InkLeft, g.InkWidth);
    if (IsVerticalName(name) && !IsSingleByteChar(c)) {
        g.Vertical = true;
        uint32_t vglyph = 0;
        face->VerticalGlyph(c, vglyph, g.Advance, g.OriginX, g.OriginY);
        if (glyph != 0)
            g.Glyph = vglyph;
        g.InkLeft = 0;
        g.InkWidth = g.Advance;
    }
    return g;
}
