// Makers' sheets from the shipped papers printed through the print dialog into a PDF: every face's
// filled rectangle lands where the product table (read here, not through the database) puts it.

#include "app/FMain.h"
#include "app/dialogs/FPrintDialog.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "papers/printing/UPrintSite.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/LabelProductRows.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QCheckBox>
#include <QPushButton>
#include <cmath>

namespace {

constexpr int kDpi = 300;
// The filled rectangle keeps this far inside its face (tenths of a millimetre), so that faces
// without gaps between them still print apart; on a round face it is the middle 70 %, inside the
// circle, since the rectangles around discs placed in several grids may meet.
constexpr int kInset = 10;
constexpr double kRoundShare = 0.7;

bool IsRound(const QString& shape) {
    return shape != QLatin1String("rectangle");
}

template <typename Rect>
Rect Filled(const Rect& face, bool round, double inset) {
    if (!round)
        return Rect(face.left() + inset, face.top() + inset, face.width() - 2 * inset,
                    face.height() - 2 * inset);
    const double w = face.width() * kRoundShare, h = face.height() * kRoundShare;
    return Rect(face.left() + (face.width() - w) / 2, face.top() + (face.height() - h) / 2, w, h);
}
constexpr double kTolerance = 0.3; // millimetres

double Px(double mm) {
    return mm / 25.4 * kDpi;
}

// The ink of one face: the bounds (millimetres) of the dark pixels within `window` (millimetres).
QRectF InkWithin(const QImage& page, const QRectF& window) {
    const QRect px = QRect(QPoint(int(std::floor(Px(window.left()))), int(std::floor(Px(window.top())))),
                           QPoint(int(std::ceil(Px(window.right()))), int(std::ceil(Px(window.bottom())))))
                         .intersected(page.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = px.top(); y <= px.bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(page.constScanLine(y));
        for (int x = px.left(); x <= px.right(); ++x)
            if (qGray(line[x]) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    }
    if (right < 0)
        return {};
    const double mm = 25.4 / kDpi;
    return QRectF(QPointF(left * mm, top * mm), QPointF((right + 1) * mm, (bottom + 1) * mm));
}

class ProductSheetPrintTest : public AppFixture {
protected:
    void SetUp() override {
        ResetPrintChoices();
        backend = FakePrinterBackend::Install();
        RegisterTestClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        target = folder.filePath(QStringLiteral("sheet.pdf"));
    }
    void TearDown() override {
        data.reset();
        SetPrinterBackend(nullptr);
        ResetPrintChoices();
    }
    // The store's paper of a product, in the document's first page with a black rectangle on every
    // face, printed into target.
    void PrintOnEveryFace(const TPaperInfo& paper) {
        TLabelData* doc = main->Document();
        while (doc->GetSheetCount() < 3)
            doc->AddSheet();
        doc->SetCurrentSheetNo(2);
        doc->ChangePaperInfo(paper);
        main->actPaperInfoToPrinter->trigger();
        TOwnedDOList objects;
        for (int face = 0; face < paper.GetFaceCount(); ++face) {
            const TRect r = paper.GetFaceRect(face);
            const QRect fill =
                Filled(QRect(r.Left, r.Top, r.Width(), r.Height()),
                       paper.GetFaceShape(face) != fsRect && paper.GetFaceShape(face) != fsRoundRect, kInset);
            auto rect = std::make_unique<TTestRect>(nullptr);
            rect->SetLogRect(Bounds(fill.left(), fill.top(), fill.width(), fill.height()));
            rect->SetFillColor(clBlack);
            objects.Add(std::move(rect));
        }
        TDOList view;
        objects.ListObjects(view);
        doc->StoreLabelObjects(0, view);
        QFile::remove(target);
        TfrmPrintDialog dialog(main);
        dialog.SetLabelData(doc);
        dialog.cbPaperChangeMsg->setChecked(true);
        dialogs.files = {target};
        dialog.btnPrint->click();
        EXPECT_EQ(dialog.result(), mrOk);
    }

    FakePrinterBackend* backend = nullptr;
    TfrmMain* main = nullptr;
    QTemporaryDir folder;
    QString target;
};

TEST_F(ProductSheetPrintTest, EachFacePrintsWhereTheProductTablePutsIt) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    ASSERT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
    const std::vector<LabelProductRow> rows = LabelProductRows();
    const std::pair<const char*, const char*> products[] = {
        {"Avery", "7160"},      // 21 faces on A4
        {"Avery", "5160"},      // 30 on US-Letter
        {"Begalabel", "O-200"}, // round stickers
        {"Avery", "L6015"},     // two discs with their holes
        {"Zweckform", "32010"}, // business cards
        {"Desmat", "A4ST-3CD"}, // three discs from two grids
        {"Begalabel", "V-200"}, // ellipses
        {"Hisago", "ELM006"},   // 10 faces without gaps
        {"Herma", "4284"},      // a column of wide labels with round corners
        {"Hisago", "OP2502"},   // a postcard-size sheet of three
    };
    const TPapersV2& store = *data->Papers();
    for (const auto& [brand, part] : products) {
        SCOPED_TRACE(std::string(brand) + " " + part);
        const TPaperInfo* paper = nullptr;
        for (int i = 0; i < store.GetCount() && !paper; ++i)
            if (store.GetPaper(i)->PaperName.startsWith(QStringLiteral("%1 %2 ").arg(brand, part)))
                paper = store.GetPaper(i);
        ASSERT_NE(paper, nullptr);
        PrintOnEveryFace(*paper);
        const QImage page = TestSupport::RasterisePdf(target, kDpi);
        ASSERT_FALSE(page.isNull());
        std::vector<QRectF> filled; // millimetres, where the table puts the faces
        QSizeF sheet;
        for (const LabelProductRow& row : rows)
            if (row.Brand == brand && row.Part == part) {
                sheet = QSizeF(row.SheetW, row.SheetH);
                for (int i = 0; i < row.Nx * row.Ny; ++i)
                    filled.push_back(Filled(row.Face(i), IsRound(row.Shape), kInset / 10.0));
            }
        ASSERT_EQ(int(filled.size()), paper->GetFaceCount());
        // The PDF page is the sheet, to the whole point.
        EXPECT_NEAR(page.width(), Px(sheet.width()), 3);
        EXPECT_NEAR(page.height(), Px(sheet.height()), 3);
        int misplaced = 0;
        for (size_t f = 0; f < filled.size(); ++f) {
            const QRectF& expected = filled[f];
            const QRectF ink = InkWithin(page, expected.adjusted(-0.8, -0.8, 0.8, 0.8));
            const bool placed = std::abs(ink.left() - expected.left()) <= kTolerance &&
                                std::abs(ink.top() - expected.top()) <= kTolerance &&
                                std::abs(ink.right() - expected.right()) <= kTolerance &&
                                std::abs(ink.bottom() - expected.bottom()) <= kTolerance;
            if (!placed && ++misplaced <= 3)
                ADD_FAILURE() << "face " << f + 1 << " expected at " << expected.left() << ","
                              << expected.top() << " " << expected.width() << "x" << expected.height()
                              << " mm, ink at " << ink.left() << "," << ink.top() << " " << ink.width() << "x"
                              << ink.height();
        }
        EXPECT_EQ(misplaced, 0);
    }
}

} // namespace
