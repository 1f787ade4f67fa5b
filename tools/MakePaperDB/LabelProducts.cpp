#include "tools/MakePaperDB/LabelProducts.h"

#include "platform/Exception.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

QUORLANE_EXCEPTION(ERowError, Exception)

enum Column {
    cBrand,
    cPart,
    cPaper,
    cSheetW,
    cSheetH,
    cShape,
    cW,
    cH,
    cCorner,
    cHole,
    cNx,
    cNy,
    cX0,
    cY0,
    cDx,
    cDy,
    cDescription,
    cColumnCount
};

const char* const kColumnNames[cColumnCount] = {
    "brand", "part", "paper", "sheet_w", "sheet_h", "shape", "w",  "h",          "r_or_waste",
    "hole",  "nx",   "ny",    "x0",      "y0",      "dx",    "dy", "description"};

// A grid in whole tenths must keep every face edge this close (tenths) to its published place;
// otherwise each face is rounded on its own.
constexpr double kGridTolerance = 1.0;
// Rows and columns of one grid.
constexpr int kMaxGridSide = 200;

// A face where the table puts it, in tenths of a millimetre.
struct TExactFace {
    double Left, Top, Right, Bottom;
};

struct TGrid {
    TFaceShape Shape = fsRect;
    QString Kind;  // for the paper's name: the Japanese word for what the face is
    QString Group; // and the group and use it is listed under
    QString Purpose;
    double Width = 0, Height = 0, Left = 0, Top = 0, PitchX = 0, PitchY = 0;
    int Cols = 0, Rows = 0, RoundSize = 0, Hole = 0;
    TExactFace Face(int index) const {
        const double left = Left + (index % Cols) * PitchX;
        const double top = Top + (index / Cols) * PitchY;
        return {left, top, left + Width, top + Height};
    }
};

double Length(const QString& text, int column, bool emptyIsZero = false) {
    if (text.isEmpty() && emptyIsZero)
        return 0;
    bool ok = false;
    const double mm = text.toDouble(&ok);
    if (!ok || !std::isfinite(mm) || mm < 0 || mm * 10 > kMaxPaperLength)
        throw ERowError(QStringLiteral("%1 is not a length: \"%2\"").arg(kColumnNames[column], text));
    return mm * 10;
}

int Count(const QString& text, int column) {
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1 || n > kMaxGridSide)
        throw ERowError(QStringLiteral("%1 is not a count: \"%2\"").arg(kColumnNames[column], text));
    return n;
}

int Tenths(double value) {
    return int(std::lround(value));
}

// The sheet a row names, in tenths; a named size must be that size.
TSize Sheet(const QStringList& row) {
    const TSize size(Tenths(Length(row[cSheetW], cSheetW)), Tenths(Length(row[cSheetH], cSheetH)));
    static const QHash<QString, QList<TSize>> named = {
        {QStringLiteral("A4"), {TSize(2100, 2970)}},
        {QStringLiteral("A5"), {TSize(1480, 2100)}},
        {QStringLiteral("A3"), {TSize(2970, 4200)}},
        {QStringLiteral("SRA3"), {TSize(3200, 4500)}},
        {QStringLiteral("US-Letter"), {TSize(2159, 2794)}},
        {QStringLiteral("B4"), {TSize(2500, 3530), TSize(2570, 3640)}}}; // ISO and JIS
    const QString& name = row[cPaper];
    if (name == QLatin1String("Other")) {
        if (size.cx <= 0 || size.cy <= 0)
            throw ERowError(QStringLiteral("empty sheet"));
        return size;
    }
    const auto it = named.find(name);
    if (it == named.end())
        throw ERowError(QStringLiteral("unknown sheet %1").arg(name));
    if (!it->contains(size))
        throw ERowError(QStringLiteral("%1 sheet of %2 x %3").arg(name).arg(size.cx).arg(size.cy));
    return size;
}

bool IsNear(double a, double b) {
    return std::abs(a - b) <= 6; // tenths
}

// Kind, group and use from the shape and size; a sheet the maker sells as business cards (not
// labels of that size) is one too, whatever its size.
void Classify(TGrid& grid, const QString& description) {
    const auto size = [&](double w, double h) {
        return (IsNear(grid.Width, w) && IsNear(grid.Height, h)) ||
               (IsNear(grid.Width, h) && IsNear(grid.Height, w));
    };
    const bool cards = description.startsWith(QLatin1String("business card"), Qt::CaseInsensitive) &&
                       !description.contains(QLatin1String("label"), Qt::CaseInsensitive);
    if (grid.Shape == fsDoughnut) {
        grid.Kind = QStringLiteral("CD/DVDラベル");
        grid.Group = grid.Purpose = QStringLiteral("CD/DVD");
    } else if (grid.Shape == fsEllipse) {
        grid.Kind = grid.Width == grid.Height ? QStringLiteral("丸型シール") : QStringLiteral("楕円シール");
        grid.Group = grid.Purpose = QStringLiteral("丸型シール");
    } else if (cards || size(910, 550)) {
        grid.Kind = grid.Group = grid.Purpose = QStringLiteral("名刺");
    } else if (size(856, 540)) { // the ISO card
        grid.Kind = grid.Purpose = QStringLiteral("カード");
        grid.Group = QStringLiteral("名刺");
    } else if (std::max(grid.Width, grid.Height) <= 350) {
        grid.Kind = QStringLiteral("インデックスラベル");
        grid.Group = grid.Purpose = QStringLiteral("インデックス");
    } else {
        grid.Kind = grid.Group = QStringLiteral("ラベル");
        grid.Purpose = QStringLiteral("汎用ラベル");
    }
}

TGrid ReadGrid(const QStringList& row) {
    TGrid grid;
    const QString& shape = row[cShape];
    grid.Width = Length(row[cW], cW);
    grid.Height = Length(row[cH], cH, true);
    if (shape == QLatin1String("rectangle")) {
        grid.RoundSize = std::min(Tenths(2 * Length(row[cCorner], cCorner, true)),
                                  Tenths(std::min(grid.Width, grid.Height)));
        grid.Shape = grid.RoundSize > 0 ? fsRoundRect : fsRect;
    } else if (shape == QLatin1String("ellipse")) {
        grid.Shape = fsEllipse;
    } else if (shape == QLatin1String("round") || shape == QLatin1String("cd")) {
        // A disc or circle is as high as it is wide; the waste margin around it is not used as bleed.
        grid.Height = grid.Width;
        grid.Shape = shape == QLatin1String("cd") ? fsDoughnut : fsEllipse;
        if (grid.Shape == fsDoughnut) {
            grid.Hole = Tenths(Length(row[cHole], cHole, true));
            if (grid.Hole <= 0 || grid.Hole >= Tenths(grid.Width))
                throw ERowError(QStringLiteral("centre hole %1 in a disc of %2").arg(row[cHole], row[cW]));
        }
    } else {
        throw ERowError(QStringLiteral("unknown shape %1").arg(shape));
    }
    if (Tenths(grid.Width) <= 0 || Tenths(grid.Height) <= 0)
        throw ERowError(QStringLiteral("empty face"));
    grid.Cols = Count(row[cNx], cNx);
    grid.Rows = Count(row[cNy], cNy);
    grid.Left = Length(row[cX0], cX0);
    grid.Top = Length(row[cY0], cY0);
    // A pitch means nothing for a single column or row, and some rows leave it out.
    grid.PitchX = grid.Cols > 1 ? Length(row[cDx], cDx) : 0;
    grid.PitchY = grid.Rows > 1 ? Length(row[cDy], cDy) : 0;
    Classify(grid, row[cDescription]);
    return grid;
}

// The grid in whole tenths when every face edge stays within kGridTolerance of its place: the
// rounding of the pitch is spread over the grid rather than piled up at its far end.
std::unique_ptr<TMatrixPaperInfo> AsMatrix(const TGrid& grid, const TSize& sheet) {
    auto matrix = std::make_unique<TMatrixPaperInfo>(nullptr);
    matrix->FaceCountX = grid.Cols;
    matrix->FaceCountY = grid.Rows;
    matrix->FaceWidth = Tenths(grid.Width);
    matrix->FaceHeight = Tenths(grid.Height);
    const int pitchX = grid.Cols > 1 ? Tenths(grid.PitchX) : matrix->FaceWidth;
    const int pitchY = grid.Rows > 1 ? Tenths(grid.PitchY) : matrix->FaceHeight;
    matrix->RightMargin = pitchX - matrix->FaceWidth;
    matrix->BottomMargin = pitchY - matrix->FaceHeight;
    if (matrix->RightMargin < 0 || matrix->BottomMargin < 0)
        return nullptr;
    matrix->LeftOffset = Tenths(grid.Left + (grid.Cols - 1) * (grid.PitchX - pitchX) / 2);
    matrix->TopOffset = Tenths(grid.Top + (grid.Rows - 1) * (grid.PitchY - pitchY) / 2);
    for (int i = 0; i < grid.Cols * grid.Rows; ++i) {
        const TExactFace exact = grid.Face(i);
        const TRect r = matrix->GetFaceRect(i);
        if (r.Left < 0 || r.Top < 0 || r.Right > sheet.cx || r.Bottom > sheet.cy)
            return nullptr;
        if (std::abs(r.Left - exact.Left) > kGridTolerance || std::abs(r.Top - exact.Top) > kGridTolerance ||
            std::abs(r.Right - exact.Right) > kGridTolerance ||
            std::abs(r.Bottom - exact.Bottom) > kGridTolerance)
            return nullptr;
    }
    matrix->FaceShape = grid.Shape;
    matrix->RoundSize = grid.Shape == fsRoundRect ? grid.RoundSize : kDefaultRoundSize;
    if (grid.Shape == fsDoughnut) {
        matrix->CutCenterWidth = matrix->CutCenterHeight = grid.Hole;
        matrix->FacePurpose = QStringLiteral("CD");
    }
    return matrix;
}

bool AnyOuterRectsMeet(const TPaperInfo& paper) {
    std::vector<TRect> rects;
    for (int i = 0; i < paper.GetFaceCount(); ++i)
        rects.push_back(paper.GetFaceOuterRect(i));
    for (size_t i = 0; i < rects.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (rects[i].Left < rects[j].Right && rects[j].Left < rects[i].Right &&
                rects[i].Top < rects[j].Bottom && rects[j].Top < rects[i].Bottom)
                return true;
    return false;
}

QString Millimetres(double tenths) {
    return QString::number(tenths / 10, 'f', 2);
}

// One product from its rows; throws ERowError when it cannot ship.
TLabelProduct MakeProduct(const QList<QStringList>& rows, QStringList& report) {
    QStringList clamped; // reported once the product ships
    TLabelProduct product;
    product.Maker = rows[0][cBrand];
    product.Part = rows[0][cPart];
    const TSize sheet = Sheet(rows[0]);
    std::vector<TGrid> grids;
    int faceCount = 0;
    for (const QStringList& row : rows) {
        if (row[cPaper] != rows[0][cPaper] || Sheet(row) != sheet)
            throw ERowError(QStringLiteral("its rows name different sheets"));
        grids.push_back(ReadGrid(row));
        TGrid& grid = grids.back();
        faceCount += grid.Cols * grid.Rows;
        // A pitch published a little shorter than the face (rounding, as with the sheet edge) would
        // make neighbours overlap: the faces are trimmed to the pitch. Further, the product is refused.
        double trim = 0;
        if (grid.Cols > 1 && grid.Width > grid.PitchX && grid.Width - grid.PitchX <= kClampLimit) {
            trim = grid.Width - grid.PitchX;
            grid.Width = grid.PitchX;
        }
        if (grid.Rows > 1 && grid.Height > grid.PitchY && grid.Height - grid.PitchY <= kClampLimit) {
            trim = std::max(trim, grid.Height - grid.PitchY);
            grid.Height = grid.PitchY;
        }
        if (trim > 0)
            clamped << QStringLiteral("%1 %2: faces trimmed to their pitch, by %3 mm")
                           .arg(product.Maker, product.Part, Millimetres(trim));
    }
    if (faceCount > kMaxPaperFaces)
        throw ERowError(QStringLiteral("%1 faces").arg(faceCount));

    // The furthest any face leaves the sheet, as published.
    double overflow = 0;
    int worst = -1, index = 0;
    for (const TGrid& grid : grids)
        for (int i = 0; i < grid.Cols * grid.Rows; ++i, ++index) {
            const TExactFace f = grid.Face(i);
            const double out = std::max({-f.Left, -f.Top, f.Right - sheet.cx, f.Bottom - sheet.cy});
            if (out > overflow) {
                overflow = out;
                worst = index;
            }
        }
    if (overflow > kClampLimit)
        throw ERowError(
            QStringLiteral("face %1 leaves the sheet by %2 mm").arg(worst + 1).arg(Millimetres(overflow)));

    // A disc anywhere makes a disc sheet (discs with their spine or case labels); else the first grid
    // decides.
    const auto disc =
        std::find_if(grids.begin(), grids.end(), [](const TGrid& g) { return g.Shape == fsDoughnut; });
    const TGrid& lead = disc != grids.end() ? *disc : grids.front();
    if (grids.size() == 1 && overflow <= 0)
        product.Paper = AsMatrix(grids.front(), sheet);
    if (!product.Paper) {
        auto free = std::make_unique<TFreePaperInfo>(nullptr);
        int clampedFaces = 0;
        for (const TGrid& grid : grids)
            for (int i = 0; i < grid.Cols * grid.Rows; ++i) {
                const TExactFace f = grid.Face(i);
                // Each edge rounded on its own keeps every face within half a tenth of its place.
                TRect r(Tenths(f.Left), Tenths(f.Top), Tenths(f.Right), Tenths(f.Bottom));
                const TRect inside(std::max(r.Left, 0), std::max(r.Top, 0), std::min(r.Right, int(sheet.cx)),
                                   std::min(r.Bottom, int(sheet.cy)));
                clampedFaces += inside != r;
                TFaceItem* item = free->Faces()->Add();
                item->Rect = inside;
                item->FaceShape = grid.Shape;
                item->RoundSize = grid.Shape == fsRoundRect ? grid.RoundSize : kDefaultRoundSize;
                if (grid.Shape == fsDoughnut) {
                    item->CutCenterWidth = item->CutCenterHeight = grid.Hole;
                    item->FacePurpose = QStringLiteral("CD");
                }
            }
        if (clampedFaces > 0)
            clamped << QStringLiteral("%1 %2: %3 faces clamped to the sheet, by up to %4 mm")
                           .arg(product.Maker, product.Part)
                           .arg(clampedFaces)
                           .arg(Millimetres(overflow));
        product.Paper = std::move(free);
    }
    TPaperInfo& paper = *product.Paper;
    paper.PaperName =
        QStringLiteral("%1 %2 %3 %4面").arg(product.Maker, product.Part, lead.Kind).arg(faceCount);
    paper.GroupName = lead.Group;
    paper.ReadOnly = true;
    paper.SetWidth(sheet.cx);
    paper.SetHeight(sheet.cy);
    paper.PurposeList()->SetDefaults();
    product.Purpose = lead.Purpose;
    product.RoundSize = lead.Shape == fsRoundRect ? lead.RoundSize : 0;

    QString reason;
    if (!paper.IsSound(&reason))
        throw ERowError(reason);
    if (const int outside = paper.FindFaceOutsidePaper(); outside >= 0)
        throw ERowError(QStringLiteral("face %1 leaves the sheet").arg(outside + 1));
    // A face's region lies inside its outer rectangle, so only rectangles that meet need the region
    // check (drawing hundreds of round faces into regions is most of the tool's time otherwise).
    if (AnyOuterRectsMeet(paper))
        if (const int overlap = paper.FindOverlappingFace(); overlap >= 0)
            throw ERowError(QStringLiteral("face %1 overlaps another").arg(overlap + 1));
    report << clamped;
    return product;
}

// Product numbers as a maker's catalogue lists them: runs of digits by their value (OL114 before
// OL1025), the rest without regard to case.
int ComparePartNumbers(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            // Leading zeros aside, the longer run is the larger number.
            QStringView x = QStringView(a).mid(i, ei - i), y = QStringView(b).mid(j, ej - j);
            while (x.size() > 1 && x[0] == QLatin1Char('0'))
                x = x.mid(1);
            while (y.size() > 1 && y[0] == QLatin1Char('0'))
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y))
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b); // equal but for case or zeros: still one order
}

} // namespace

std::vector<TLabelProduct> ReadLabelProducts(const QByteArray& table, TLabelProductReport& report) {
    report = {};
    QStringList columns;
    // Products in the order of their first row, each with its rows.
    QList<QString> keys;
    QHash<QString, QList<QStringList>> rowsOf;
    QHash<QString, QString> broken;
    int lineNo = 0;
    for (const QByteArray& raw : table.split('\n')) {
        ++lineNo;
        QString line = QString::fromUtf8(raw);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1Char('#')) || line.trimmed().isEmpty())
            continue;
        QStringList cells = line.split(QLatin1Char('\t'));
        if (columns.isEmpty()) {
            columns = cells;
            for (int c = 0; c < cColumnCount; ++c)
                if (columns.value(c) != QLatin1String(kColumnNames[c]))
                    throw Exception(QStringLiteral("column %1 should be %2, not \"%3\"")
                                        .arg(c + 1)
                                        .arg(kColumnNames[c], columns.value(c)));
            continue;
        }
        ++report.Rows;
        for (QString& cell : cells)
            cell = cell.trimmed();
        const QString maker = cells.value(cBrand), part = cells.value(cPart);
        const QString key = maker + QLatin1Char('\t') + part;
        if (!rowsOf.contains(key))
            keys.append(key);
        if (cells.size() != cColumnCount || maker.isEmpty() || part.isEmpty())
            broken.insert(key, QStringLiteral("line %1 has %2 cells").arg(lineNo).arg(cells.size()));
        rowsOf[key].append(cells);
    }
    if (columns.isEmpty())
        throw Exception(QStringLiteral("no column line"));

    std::vector<TLabelProduct> products;
    QHash<QString, QString> names; // case-folded paper name to its product
    for (const QString& key : keys) {
        const QString what = QString(key).replace(QLatin1Char('\t'), QLatin1Char(' '));
        try {
            if (broken.contains(key))
                throw ERowError(broken.value(key));
            TLabelProduct product = MakeProduct(rowsOf.value(key), report.Clamped);
            const QString folded = product.Paper->PaperName.toCaseFolded();
            if (names.contains(folded))
                throw ERowError(QStringLiteral("named like %1").arg(names.value(folded)));
            names.insert(folded, what);
            products.push_back(std::move(product));
        } catch (const ERowError& e) {
            report.Refused << QStringLiteral("%1: %2").arg(what, e.Message());
        }
    }
    report.Products = int(keys.size());
    std::stable_sort(products.begin(), products.end(), [](const TLabelProduct& a, const TLabelProduct& b) {
        if (const int maker = a.Maker.compare(b.Maker, Qt::CaseInsensitive))
            return maker < 0;
        return ComparePartNumbers(a.Part, b.Part) < 0;
    });
    return products;
}
