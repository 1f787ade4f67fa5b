#include "papers/printing/UVendorMedia.h"

namespace {

constexpr TVendorMedia MediaTable[] = {
    // ESC/P-R: the numbers the Epson paper table uses for the same papers, then ours.
    {TVendorFamily::Escpr, "PLAIN", 1, "普通紙"},
    {TVendorFamily::Escpr, "SFINE", 260, "スーパーファイン専用紙"},
    {TVendorFamily::Escpr, "PMMATT", 271, "PMマット紙"},
    {TVendorFamily::Escpr, "PMPHOTO", 272, "PM写真用紙"},
    {TVendorFamily::Escpr, "CDDVD", 283, "CD/DVDレーベル"},
    {TVendorFamily::Escpr, "PSPHOTO", 600, "写真用紙"},
    {TVendorFamily::Escpr, "MMEISHI", 601, "マット名刺用紙"},
    {TVendorFamily::Escpr, "PHOTOPAPER", 602, "写真用紙<光沢>"},
    {TVendorFamily::Escpr, "MATTE", 603, "フォトマット紙"},
    {TVendorFamily::Escpr, "HAGAKI", 604, "郵便ハガキ"},
    {TVendorFamily::Escpr, "IJHAGAKI", 605, "郵便ハガキ(インクジェット紙)"},
    // Gutenprint's Epson models.
    {TVendorFamily::GutenprintEscp2, "Plain", 1, "普通紙"},
    {TVendorFamily::GutenprintEscp2, "Coated", 260, "スーパーファイン専用紙"},
    {TVendorFamily::GutenprintEscp2, "Matte", 271, "PMマット紙"},
    {TVendorFamily::GutenprintEscp2, "GlossyPhoto", 272, "PM写真用紙"},
    {TVendorFamily::GutenprintEscp2, "Photo", 600, "写真用紙"},
    {TVendorFamily::GutenprintEscp2, "GlossyFilm", 259, "専用光沢フィルム"},
    {TVendorFamily::GutenprintEscp2, "Transparency", 2, "専用OHPシート"},
    {TVendorFamily::GutenprintEscp2, "Ilford", 606, "写真用紙<ファインアート>"},
    // Gutenprint's Canon models.
    {TVendorFamily::GutenprintBjc, "Plain", 1, "普通紙"},
    {TVendorFamily::GutenprintBjc, "GlossyPro", 620, "写真用紙・光沢プロ"},
    {TVendorFamily::GutenprintBjc, "PhotopaperPlus", 621, "写真用紙・光沢"},
    {TVendorFamily::GutenprintBjc, "PhotopaperPlusDouble", 622, "写真用紙・光沢 両面"},
    {TVendorFamily::GutenprintBjc, "PhotopaperMatte", 623, "写真用紙・マット"},
    {TVendorFamily::GutenprintBjc, "GlossyPaper", 624, "光沢紙"},
    {TVendorFamily::GutenprintBjc, "Coated", 625, "高品位専用紙"},
    {TVendorFamily::GutenprintBjc, "Hagaki", 626, "はがき"},
    {TVendorFamily::GutenprintBjc, "InkJetHagaki", 627, "インクジェットはがき"},
    {TVendorFamily::GutenprintBjc, "Transparency", 628, "OHPフィルム"},
    {TVendorFamily::GutenprintBjc, "TShirt", 629, "アイロンプリントペーパー"},
    {TVendorFamily::GutenprintBjc, "Envelope", 630, "封筒"},
    {TVendorFamily::GutenprintBjc, "PrintableDisc", 631, "プリンタブルディスク"},
};

const TVendorMedia* FindMedia(TVendorFamily family, const QString& keyword) {
    for (const TVendorMedia& media : MediaTable)
        if (media.Family == family && keyword == QLatin1String(media.Keyword))
            return &media;
    return nullptr;
}

} // namespace

TVendorFamily VendorFamily(const TPrinterDriver& driver) {
    if (driver.HasFilter(QStringLiteral("epson-escpr-wrapper")) || driver.HasFilter(QStringLiteral("epson-escpr")))
        return TVendorFamily::Escpr;
    if (driver.StpDriverName.startsWith(QLatin1String("escp2-")))
        return TVendorFamily::GutenprintEscp2;
    if (driver.StpDriverName.startsWith(QLatin1String("bjc-")))
        return TVendorFamily::GutenprintBjc;
    return TVendorFamily::None;
}

QString VendorMaker(TVendorFamily family) {
    switch (family) {
    case TVendorFamily::Escpr:
    case TVendorFamily::GutenprintEscp2:
        return QStringLiteral("Epson");
    case TVendorFamily::GutenprintBjc:
        return QStringLiteral("Canon");
    case TVendorFamily::None:
        break;
    }
    return {};
}

const QStringList& EscprQualitySuffixes() {
    static const QStringList suffixes{QStringLiteral("HIGH"), QStringLiteral("NORMAL"), QStringLiteral("DRAFT"),
                                      QStringLiteral("SUPERDRAFT")};
    return suffixes;
}

bool SplitEscprMedia(const QString& choice, QString& type, QString& suffix) {
    const qsizetype cut = choice.lastIndexOf(u'_');
    if (cut <= 0 || !EscprQualitySuffixes().contains(choice.mid(cut + 1)))
        return false;
    type = choice.left(cut);
    suffix = choice.mid(cut + 1);
    return true;
}

QStringList VendorMediaTypes(const TPrinterDriver& driver, TVendorFamily family) {
    QStringList types;
    const TPpdOption* media = driver.Option(QStringLiteral("MediaType"));
    if (!media || family == TVendorFamily::None)
        return types;
    for (const TPpdChoice& choice : media->Choices) {
        QString type = choice.Keyword, suffix;
        if (family == TVendorFamily::Escpr && !SplitEscprMedia(choice.Keyword, type, suffix))
            continue;
        if (!types.contains(type))
            types.append(type);
    }
    return types;
}

int VendorMediaNumber(TVendorFamily family, const QStringList& types, int position) {
    if (position < 0 || position >= types.size())
        return -1;
    if (const TVendorMedia* media = FindMedia(family, types[position]))
        return media->Number;
    return FirstUnknownMediaNumber + position;
}

int IndexOfVendorMedia(TVendorFamily family, const QStringList& types, int number) {
    for (int i = 0; i < int(types.size()); ++i)
        if (VendorMediaNumber(family, types, i) == number)
            return i;
    return -1;
}

QString VendorMediaName(TVendorFamily family, const QString& keyword) {
    const TVendorMedia* media = FindMedia(family, keyword);
    return media ? QString::fromUtf8(media->Name) : QString();
}
