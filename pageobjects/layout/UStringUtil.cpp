#include "pageobjects/layout/UStringUtil.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace {

constexpr char32_t kVoicedMark = U'ﾞ';
constexpr char32_t kSemiVoicedMark = U'ﾟ';

using CharMap = std::unordered_map<char32_t, char32_t>;
using PairMap = std::unordered_map<uint64_t, char32_t>;

// Source and target run in parallel; where a source character repeats, its first target wins.
void AddParallel(CharMap& map, std::u32string_view source, std::u32string_view target) {
    for (size_t i = 0; i < source.size() && i < target.size(); ++i)
        map.emplace(source[i], target[i]);
}

uint64_t PairKey(char32_t first, char32_t mark) {
    return (uint64_t(first) << 32) | mark;
}

struct HanZenTables {
    CharMap single;
    PairMap pairs;
    HanZenTables() {
        AddParallel(single, U"!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ",
                    U"！”＃＄％＆’（）×＋，－．／：；＜＝＞？＠＿＾［￥］｀｛｜｝″。「」、・ー゛゜");
        AddParallel(single, U"0123456789", U"０１２３４５６７８９");
        AddParallel(single, U"AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz",
                    U"ＡａＢｂＣｃＤｄＥｅＦｆＧｇＨｈＩｉＪｊＫｋＬｌＭｍＮｎＯｏＰｐＱｑＲｒＳｓＴｔＵｕＶ"
                    U"ｖＷｗＸｘＹｙＺｚ");
        AddParallel(single, U"ｱｧｲｨｳｩｴｪｵｫｶｶｷｸｹｹｺｻｼｽｾｿﾀﾁﾂｯﾃﾄﾅﾆﾇﾈﾉ",
                    U"アァイィウゥエェオォカヵキクケヶコサシスセソタチツッテトナニヌネノ");
        AddParallel(single, U"ﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔｬｬﾕｭｭﾖｮﾗﾘﾙﾚﾛﾜﾜｦﾝ",
                    U"ハヒフヘホマミムメモヤャヰユュヱヨョラリルレロワヮヲン");
        pairs.emplace(PairKey(U'ｳ', kVoicedMark), U'ヴ');
        const std::u32string_view voiced = U"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ";
        const std::u32string_view voicedTarget = U"ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ";
        for (size_t i = 0; i + 1 < voiced.size() && i / 2 < voicedTarget.size(); i += 2)
            pairs.emplace(PairKey(voiced[i], voiced[i + 1]), voicedTarget[i / 2]);
    }
};

const HanZenTables& Tables() {
    static const HanZenTables tables;
    return tables;
}

const CharMap& KatakanaMap() {
    static const CharMap map = [] {
        CharMap m;
        AddParallel(m, U"がぎぐげござじずぜぞだぢづでどばびぶぶべぼぱぴぷぺぽ",
                    U"ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ");
        AddParallel(m, U"あぁいぃうぅえぇおぉかかきくけけこさしすせそたちつってとなにぬねの",
                    U"アァイィウゥエェオォカヵキクケヶコサシスセソタチツッテトナニヌネノ");
        AddParallel(m, U"はひふへほまみむめもやゃゐゆゅゑよょらりるれろわゎをん",
                    U"ハヒフヘホマミムメモヤャヰユュヱヨョラリルレロワヮヲン");
        return m;
    }();
    return map;
}

QString MapEach(const QString& s, const CharMap& map) {
    QString out;
    out.reserve(s.size());
    for (const char32_t c : ToCodePoints(s)) {
        const auto it = map.find(c);
        const char32_t r = it == map.end() ? c : it->second;
        out += QString::fromUcs4(&r, 1);
    }
    return out;
}

} // namespace

std::u32string ToCodePoints(const QString& s) {
    const QList<uint> ucs4 = s.toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

int MbcsLength(const QString& s) {
    int n = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

QString MbcsCopy(const QString& s, int index, int count) {
    const std::u32string cps = ToCodePoints(s);
    const int64_t start = std::max<int64_t>(int64_t(index) - 1, 0);
    const int64_t end = std::min<int64_t>(int64_t(index) - 1 + std::max(count, 0), int64_t(cps.size()));
    if (start >= end)
        return QString();
    return QString::fromUcs4(cps.data() + start, qsizetype(end - start));
}

QString HanToZenEx(const QString& s, const QString& except) {
    const std::u32string cps = ToCodePoints(s);
    const std::u32string ex = ToCodePoints(except);
    const char32_t exceptChar = ex.size() == 1 ? ex[0] : char32_t(-1);
    const HanZenTables& t = Tables();
    std::u32string out;
    out.reserve(cps.size());
    for (size_t i = 0; i < cps.size(); ++i) {
        const char32_t c = cps[i];
        if (!IsSingleByteChar(c) || c == exceptChar) {
            out += c;
            continue;
        }
        // A character followed by a mark converts with it when the two form a voiced kana;
        // otherwise it stays as it is and the mark converts as the next character. (Matching
        // the joined pair against the one-character symbol table dropped the mark of "ｰﾞ".)
        if (i + 1 < cps.size() && (cps[i + 1] == kVoicedMark || cps[i + 1] == kSemiVoicedMark)) {
            const auto pair = t.pairs.find(PairKey(c, cps[i + 1]));
            if (pair != t.pairs.end()) {
                out += pair->second;
                ++i;
            } else {
                out += c;
            }
            continue;
        }
        const auto it = t.single.find(c);
        out += it == t.single.end() ? c : it->second;
    }
    return QString::fromUcs4(out.data(), qsizetype(out.size()));
}

QString HanToZen(const QString& s) {
    return HanToZenEx(s, QString());
}

QString NumToKnj(const QString& s) {
    static const CharMap map = [] {
        CharMap m;
        AddParallel(m, U"０１２３４５６７８９", U"〇一二三四五六七八九");
        return m;
    }();
    return MapEach(s, map);
}

QString HiraganaToKatakana(const QString& s) {
    return MapEach(s, KatakanaMap());
}

void HanToZenList(QStringList& strings, const QString& except) {
    for (QString& line : strings)
        line = HanToZenEx(line, except);
}

void NumToKnjList(QStringList& strings) {
    for (QString& line : strings)
        line = NumToKnj(line);
}
