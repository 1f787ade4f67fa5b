#include "tools/MakeContent/ContentTemplates.h"

#include "imaging/UColorFill.h"
#include "pageobjects/engine/UCoonsDistortion.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/UProductDB.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Picture.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <QFileInfo>

namespace Content {

namespace {

// Colours as the page objects hold them (0x00BBGGRR) from 0xRRGGBB.
TColor Bgr(unsigned rgb) {
    return TColor(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

// 1 April 2026, the time every shipped template says it was saved and printed.
constexpr TDateTime kFixedTime = 46113.0;

const QString kGothic = QStringLiteral("IPAGothic");
const QString kMincho = QStringLiteral("IPAMincho");

// Builds the objects of one page. A page covers the whole sheet; the design is given in face
// coordinates (0, 0 at the outer corner of the paper's first face) and placed over that face.
class Page {
public:
    Page(const TFaceInfo& face, const QString& illustrations) : face_(face), illustrations_(illustrations) {
        outer_ = face.GetOuterRect();
    }
    int Width() const { return outer_.Width(); }
    int Height() const { return outer_.Height(); }

    // The face filled with a gradation (two or more colours) or one colour, in the face's shape.
    void Background(std::initializer_list<unsigned> colors, rgGradationKind kind = rgkSimple, int angle = 0) {
        const bool round = face_.FaceShape == fsEllipse || face_.FaceShape == fsDoughnut;
        std::unique_ptr<TLORect> back =
            round ? std::make_unique<TLOCircle>(nullptr) : std::make_unique<TLORect>(nullptr);
        if (face_.FaceShape == fsRoundRect)
            back->SetRoundRect(true);
        TColorSpec* fill = back->FillColor();
        if (colors.size() == 1) {
            fill->SetKind(cskSolid);
            fill->SetColor(Bgr(*colors.begin()));
        } else {
            fill->SetKind(cskGradation);
            fill->SetGradKind(kind);
            fill->SetGradAngle(angle);
            fill->GradColors()->SetCount(int(colors.size()));
            int i = 0;
            for (unsigned c : colors)
                fill->GradColors()->SetColors(i++, Bgr(c));
        }
        back->FrameColor()->SetColor(Bgr(*colors.begin()));
        back->SetFrameWidth(0);
        back->SetFillInside(true);
        back->SetLogRect(Place(TRect(0, 0, Width(), Height())));
        objects_.Add(std::move(back));
    }

    // Text in tenths of a millimetre; size in points; align 0 left, 1 centre, 2 right.
    void Text(const QString& text, const TRect& r, const QString& font, int points, unsigned color,
              int align = 1, bool bold = false, bool vertical = false) {
        auto object = std::make_unique<TLOText>(nullptr);
        TStringList lines;
        lines.SetText(text);
        object->Text()->Assign(lines);
        TPointBasedFont* f = object->Font();
        f->SetName(font);
        f->SetSize(points);
        f->SetCharset(128); // Shift-JIS
        if (bold)
            f->SetStyle(TFontStyles(fsBold));
        object->TextColor()->SetColor(Bgr(color));
        object->SetAlignValue(align);
        if (vertical)
            object->SetVerticalValue(true);
        // A text's distortion carries an identity, new each time one is made: the shipped ones are
        // numbered instead, so the bytes do not change from build to build.
        TMemoryStream identity;
        const QByteArray guid = QByteArray("QLTEMPLATETEXT") + char(serial_ >> 8) + char(serial_ & 0xFF);
        ++serial_;
        identity.WriteBuffer(guid.constData(), guid.size());
        for (int side = 0; side < 4; ++side)
            identity.WriteInt32(0);
        identity.SetPosition(0);
        TCoonsDistortion flat;
        flat.ReadData(identity);
        object->SetCoonsDistortion(flat);
        object->SetLogRect(Place(r));
        objects_.Add(std::move(object));
    }

    void Box(const TRect& r, unsigned fill, unsigned frame, int frameWidth, bool round = false,
             bool circle = false) {
        std::unique_ptr<TLORect> box =
            circle ? std::make_unique<TLOCircle>(nullptr) : std::make_unique<TLORect>(nullptr);
        box->FillColor()->SetColor(Bgr(fill));
        box->FrameColor()->SetColor(Bgr(frame));
        box->SetFrameWidth(frameWidth);
        box->SetFillInside(true);
        if (round)
            box->SetRoundRect(true);
        box->SetLogRect(Place(r));
        objects_.Add(std::move(box));
    }

    // One of the shipped illustrations ("OnePoint/OP01.png"), its $F0F0F0 left out.
    void Illustration(const QString& file, const TRect& r) {
        auto image = std::make_unique<TLOImage>(nullptr);
        image->ImageData()->Picture()->LoadFromFile(illustrations_ + QLatin1Char('/') + file);
        image->ImageData()->SetTransparentColor(TColor(0xF0F0F0));
        image->SetImageSource(isOnePoint);
        image->SetLogRect(Place(r));
        objects_.Add(std::move(image));
    }

    // The place of the user's photo: an empty album photo frame, as the editor makes on a new page,
    // so the cover's photo commands and a dropped photo find it. Empty frames are neither printed
    // nor previewed, so a white mount with a soft shadow shows where the photo goes.
    void Photo(const TRect& r, int border) {
        constexpr int kShadowOffset = 12;
        TRect shadow = r;
        OffsetRect(shadow, kShadowOffset, kShadowOffset);
        Box(shadow, 0xc9c9c9, 0xc9c9c9, 0, true);
        Box(r, 0xffffff, 0xe0e0e0, 2, true);
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetLogRect(Place(TRect(r.Left + border, r.Top + border, r.Right - border, r.Bottom - border)));
        // The photo fills the mount's opening, cut to its proportions.
        photo->SetFitOuter(true);
        // A new frame is dated now; the shipped bytes must not change from build to build.
        photo->SetPhotoDate(kFixedTime);
        objects_.Add(std::move(photo));
    }

    // The page stores its topmost object first: the last one added goes on top.
    void Store(TLabelData& doc) {
        TDOList added;
        objects_.ListObjects(added);
        TDOList view;
        for (int i = added.Count() - 1; i >= 0; --i)
            view.Add(added[i]);
        doc.StoreLabelObjects(0, view);
    }

private:
    TRect Place(TRect r) const {
        OffsetRect(r, outer_.Left, outer_.Top);
        return r;
    }

    TFaceInfo face_;
    QString illustrations_;
    TRect outer_;
    TOwnedDOList objects_;
    int serial_ = 0;
};

struct TemplateDesign {
    QString Purpose; // the face purpose (the group file's section)
    QString Folder;  // under Data/Cover
    QString Base;    // file base name
    QString Id;      // four characters
    QString Paper;   // a shipped paper
    std::function<void(Page&)> Draw;
};

TRect Centred(const Page& p, int top, int height, int margin) {
    return TRect(margin, top, p.Width() - margin, top + height);
}

std::vector<TemplateDesign> Designs() {
    const QString cd = QStringLiteral("QL-CD1 CD/DVDラベル 1面");
    const QString jacket = QStringLiteral("QL-CDJ2 CDジャケット 2面");
    const QString tray = QStringLiteral("QL-CDT1 CDケース裏面 1面");
    const QString mo = QStringLiteral("QL-MO6 MOラベル 6面");
    const QString card = QStringLiteral("QL-PC1 はがき");
    const QString album = QStringLiteral("QL-AB1 アルバム台紙 A4 フリー");
    return {
        {"CD", "CD", "CD01", "TC01", cd,
         [](Page& p) {
             p.Background({0xffffff, 0xf8bbd0}, rgkCircleToRim);
             p.Illustration("OnePoint/OP04.png", TRect(180, 330, 330, 480));
             p.Illustration("OnePoint/OP03.png", TRect(840, 300, 1000, 460));
             p.Text(QStringLiteral("春の思い出"), Centred(p, 160, 150, 250), kMincho, 28, 0xc2185b);
             p.Text(QStringLiteral("SPRING MEMORIES"), Centred(p, 760, 80, 250), kGothic, 12, 0x8e4466);
             p.Text(QStringLiteral("2026.4"), Centred(p, 870, 70, 350), kGothic, 10, 0x8e4466);
         }},
        {"CD", "CD", "CD02", "TC02", cd,
         [](Page& p) {
             p.Background({0x0d1b3e, 0x3949ab}, rgkSimple, 0);
             p.Illustration("OnePoint/OP02.png", TRect(230, 250, 380, 400));
             p.Illustration("OnePoint/OP02.png", TRect(820, 700, 920, 800));
             p.Text(QStringLiteral("星空ドライブ"), Centred(p, 180, 130, 200), kGothic, 24, 0xfff9c4, 1,
                    true);
             p.Text(QStringLiteral("NIGHT DRIVE SELECTION"), Centred(p, 790, 70, 280), kGothic, 10, 0xc5cae9);
         }},
        {"CD", "CD", "CD03", "TC03", cd,
         [](Page& p) {
             p.Background({0xffffff});
             p.Box(TRect(60, 60, p.Width() - 60, p.Height() - 60), 0xffffff, 0x1e88e5, 12, false, true);
             p.Text(QStringLiteral("MY BEST"), Centred(p, 170, 140, 250), kGothic, 26, 0x1e88e5, 1, true);
             p.Text(QStringLiteral("ベスト・セレクション"), Centred(p, 780, 90, 250), kGothic, 14, 0x37474f);
             p.Illustration("OnePoint/OP17.png", TRect(170, 500, 290, 620));
         }},
        {"CDCover", "CDCover", "CJ01", "TJ01", jacket,
         [](Page& p) {
             p.Background({0x29b6f6, 0xb3e5fc, 0xffe0b2}, rgkSimple, 0);
             p.Illustration("OnePoint/OP10.png", TRect(820, 90, 1100, 370));
             p.Illustration("OnePoint/OP18.png", TRect(120, 820, 400, 1050));
             p.Text(QStringLiteral("夏の旅"), TRect(90, 420, 1110, 640), kMincho, 48, 0x01579b);
             p.Text(QStringLiteral("SUMMER TRIP 2026"), TRect(90, 660, 1110, 760), kGothic, 16, 0x0277bd);
         }},
        {"CDCover", "CDCover", "CJ02", "TJ02", jacket,
         [](Page& p) {
             p.Background({0x2e7d4f, 0x1b5e35}, rgkCircleToRim);
             p.Box(TRect(60, 60, 1140, 1140), 0x2e7d4f, 0xc62828, 24);
             p.Illustration("OnePoint/OP11.png", TRect(430, 560, 770, 1000));
             p.Illustration("OnePoint/OP14.png", TRect(140, 760, 340, 960));
             p.Illustration("OnePoint/OP13.png", TRect(860, 780, 1060, 980));
             p.Text(QStringLiteral("Merry Christmas"), TRect(100, 150, 1100, 330), kMincho, 36, 0xffd54f);
             p.Text(QStringLiteral("クリスマス・ソング"), TRect(100, 360, 1100, 470), kGothic, 18, 0xffffff);
         }},
        {"CDCaseTray", "CDCaseTray", "CT01", "TT01", tray,
         [](Page& p) {
             p.Background({0xfff8e1, 0xffecb3}, rgkSimple, 0);
             p.Text(QStringLiteral("ドライブ・ミックス"), TRect(120, 90, p.Width() - 120, 220), kGothic, 20,
                    0x5d4037, 1, true);
             p.Text(QStringLiteral("01  はじまりの歌\n02  海沿いの道\n03  夕焼けの街\n04  夜空のメロディー\n"
                                   "05  また会う日まで"),
                    TRect(200, 300, p.Width() - 200, 900), kGothic, 14, 0x4e342e, 0);
             p.Illustration("OnePoint/OP09.png", TRect(p.Width() - 300, 800, p.Width() - 120, 1100));
         }},
        {"MOSquare", "MO", "MO01", "TM01", mo,
         [](Page& p) {
             p.Background({0xffffff});
             p.Box(TRect(0, 0, p.Width(), 150), 0x3949ab, 0x3949ab, 0);
             p.Text(QStringLiteral("バックアップ"), TRect(30, 25, p.Width() - 30, 125), kGothic, 16, 0xffffff,
                    1, true);
             p.Text(QStringLiteral("写真データ\n2026年 春"), TRect(60, 230, p.Width() - 60, 480), kGothic, 14,
                    0x263238);
             p.Illustration("OnePoint/OP20.png",
                            TRect(p.Width() - 190, p.Height() - 190, p.Width() - 40, p.Height() - 40));
         }},
        {"", "Card", "PC01", "TP01", card,
         [](Page& p) {
             p.Background({0xfffdf7});
             p.Box(TRect(250, 230, 750, 730), 0xd32f2f, 0xd32f2f, 0, false, true);
             p.Text(QStringLiteral("謹賀新年"), TRect(380, 780, 620, 1340), kMincho, 40, 0x212121, 1, false,
                    true);
             p.Illustration("OnePoint/OP03.png", TRect(80, 1150, 300, 1370));
             p.Text(QStringLiteral("二〇二六年 元旦"), TRect(730, 860, 900, 1400), kMincho, 12, 0x424242, 1,
                    false, true);
         }},
        {"", "Card", "PC02", "TP02", card,
         [](Page& p) {
             p.Background({0xe1f5fe, 0xffffff}, rgkSimple, 0);
             p.Photo(TRect(80, 620, 920, 1180), 36);
             p.Text(QStringLiteral("暑中お見舞い\n申し上げます"), TRect(100, 140, 900, 560), kMincho, 30,
                    0x01579b);
             p.Text(QStringLiteral("令和八年 盛夏"), TRect(100, 1240, 900, 1340), kMincho, 12, 0x37474f);
         }},
        {"", "Album", "AB01", "TA01", album,
         [](Page& p) {
             p.Background({0xfce4ec, 0xffffff, 0xe8f5e9}, rgkSimple, 0);
             p.Photo(TRect(200, 700, 1700, 1700), 60);
             p.Text(QStringLiteral("わたしたちの思い出"), TRect(150, 300, 1750, 560), kMincho, 40, 0xad1457);
             p.Text(QStringLiteral("OUR ALBUM"), TRect(150, 1900, 1750, 2050), kGothic, 20, 0x6a1b4d);
             p.Illustration("OnePoint/OP25.png", TRect(800, 2200, 1100, 2500));
         }},
    };
}

QImage PreviewImage(const QString& file) {
    TPicture picture;
    if (!TLabelData::LoadPreviewFromFile(picture, file, 0, 0) || picture.Graphic() == nullptr)
        return QImage();
    TBitmap bitmap(std::max(1, picture.Width()), std::max(1, picture.Height()), pf24bit);
    picture.Graphic()->Draw(bitmap.Canvas(), TRect(0, 0, bitmap.Width(), bitmap.Height()));
    return bitmap.Pixels().ToImage();
}

} // namespace

std::vector<SheetCell> MakeTemplates(const Output& out, const QString& paperDatabase) {
    RegisterLabelDataClasses();
    RegisterLayoutObjects();
    const TPapersV2 papers(paperDatabase, true);
    const QString illustrations = out.Folder(QStringLiteral("Data/Illust"));
    std::vector<SheetCell> cells;
    QStringList purposes, ids;
    QString lastFolder;
    for (const TemplateDesign& d : Designs()) {
        const int index = papers.IndexOf(d.Paper);
        if (index < 0)
            throw Exception(QStringLiteral("template %1: no shipped paper %2").arg(d.Base, d.Paper));
        const TPaperInfo* paper = papers.GetPaper(index);
        if (paper->GetFacePurpose(0) != d.Purpose)
            throw Exception(QStringLiteral("template %1: %2 has another purpose").arg(d.Base, d.Paper));
        TLabelData doc(nullptr);
        // Fixed times: the same descriptions always give the same bytes.
        doc.LastPrint = doc.LastSave = kFixedTime;
        // No product record stands behind a shipped template.
        doc.ProductInfo()->SetGUID(TGUID{});
        doc.SetPaperInfo(*paper);
        TFaceInfo face;
        paper->GetFaceInfo(0, face);
        Page page(face, illustrations);
        d.Draw(page);
        page.Store(doc);
        doc.UpdatePreview(0);
        const QString file = out.Folder(QStringLiteral("Data/Cover/") + d.Folder) + QLatin1Char('/') +
                             d.Base + QStringLiteral(".qlt");
        doc.SaveToFile(file);
        cells.push_back({PreviewImage(file), d.Id + QLatin1Char(' ') + d.Base});
        if (d.Folder != lastFolder) {
            if (!ids.isEmpty())
                ids << QString();
            ids << QStringLiteral("[Data\\Cover\\") + d.Folder + QLatin1Char(']');
            lastFolder = d.Folder;
        }
        ids << d.Base + QStringLiteral(",0,0=") + d.Id;
    }
    // One section per face purpose: its folders (relative to this file) and their names. Albums and
    // postcards share the empty purpose; album covers come first, as the cover window serves albums.
    WriteCatalogue(out, QStringLiteral("Data/Cover/Cover.dat"),
                   {QStringLiteral("[CD]"), QStringLiteral("Dir=CD"), QStringLiteral("Name=CDラベル"),
                    QString(), QStringLiteral("[CDCover]"), QStringLiteral("Dir=CDCover"),
                    QStringLiteral("Name=CDジャケット"), QString(), QStringLiteral("[CDCaseTray]"),
                    QStringLiteral("Dir=CDCaseTray"), QStringLiteral("Name=CDケース裏面"), QString(),
                    QStringLiteral("[MOSquare]"), QStringLiteral("Dir=MO"), QStringLiteral("Name=MOラベル"),
                    QString(), QStringLiteral("[]"), QStringLiteral("Dir=Album,Card"),
                    QStringLiteral("Name=アルバム表紙,はがき")});
    WriteCatalogue(out, QStringLiteral("Data/Cover/Cover.ids"), ids);
    return cells;
}

} // namespace Content
