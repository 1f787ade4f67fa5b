#pragma once
// Small helpers shared by the test programs.

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

class QMimeData;
class QPoint;

namespace TestSupport {

// A file or folder of the source tree, e.g. SourcePath("fuzz/corpus/bmp").
QString SourcePath(const QString& relative);
// Every file directly in a folder, sorted by name.
QStringList FilesIn(const QString& folder);
QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
// "01 ab ff" -> bytes; spaces and line breaks ignored.
QByteArray Hex(const char* text);

// ---- outside checkers (pdftoppm, python3-olefile, zbarimg)

// True under CI (.ci/run sets QUORLANE_CI), where every package the README lists is installed.
bool UnderCI();
bool HasPdftoppm();
// A page of a PDF (1 is the first) rasterised by pdftoppm at dpi, as Format_RGB32; null when
// pdftoppm fails.
QImage RasterisePdf(const QString& pdf, int dpi, int page = 1);
// A page rasterised by pdftoppm to exactly size pixels.
QImage RasterisePdfToSize(const QString& pdf, const QSize& size, int page = 1);
// The number of pages of a PDF as pdfinfo reads it; -1 when it cannot.
int PdfPageCount(const QString& pdf);

bool HasZbarimg();
// The bar codes zbarimg finds in image, one text each (the digits of EAN codes); empty when it finds
// none or fails.
QStringList DecodeBarcodes(const QImage& image);

// Ends the calling test when an outside checker it needs is missing: a failure under CI, a skip
// elsewhere (a developer need not have installed every checker).
#define REQUIRE_CHECKER(present, what)                                                                       \
    do {                                                                                                     \
        if (!(present)) {                                                                                    \
            if (::TestSupport::UnderCI())                                                                    \
                FAIL() << (what) << " is missing, and CI installs it";                                       \
            GTEST_SKIP() << (what) << " is not installed";                                                   \
        }                                                                                                    \
    } while (0)

// ---- pictures

// Where pictures of a failed comparison go: beside CTest's log, in Testing/Temporary/pictures of
// the build tree.
QString PictureFolder();
// Saves image as "<test suite>.<test>-<name>.png" in PictureFolder(); the path it was saved to.
QString SavePicture(const QImage& image, const QString& name);

struct ImageCompare {
    // Compare only pixels whose 3x3 neighbourhood in the expected image is one colour and lies
    // inside it: a renderer may place a shape's edge (or the page's) a pixel off, or smooth it.
    bool SkipEdges = false;
    // Pixels left out of the comparison.
    QRegion Ignore = {};
};

// Succeeds when both images have one size and no compared pixel differs from the expected one by
// more than tolerance in red, green or blue. On failure saves actual, expected and their
// difference (eight times the per-channel difference) with SavePicture and names the worst pixel.
::testing::AssertionResult ImagesMatch(const QImage& actual, const QImage& expected, int tolerance,
                                       const ImageCompare& options = {});

// ---- drops

// Files (or http URLs) dropped on target as the window system delivers them: the drag enters first,
// and only a drag the window accepted is dropped. True when the drop was accepted.
bool DropOn(QWidget* target, const QStringList& paths);
// The same for a drag's data at a point of target (its own coordinates).
bool DropOn(QWidget* target, const QMimeData& data, const QPoint& at);

// ---- second processes

// A test may start its own program again as a helper process: the helper is registered by name
// (at namespace scope: const bool registered = RegisterChild("name", &Run);) and the test main
// runs it instead of the tests when QUORLANE_TEST_CHILD names it. Helpers are not tests.
bool RegisterChild(const char* name, int (*run)());
// The test main's part: the helper's exit code; -1 when the environment names no helper.
int RunChildIfAsked();
// Starts this program as the helper `name`, with extra environment variables.
std::unique_ptr<QProcess> StartChild(const char* name, const QProcessEnvironment& extra = {});
// Reads the helper's output until a line that is `line` (true), or until it ends or 30 s pass.
bool WaitForLine(QProcess& process, const QByteArray& line);

} // namespace TestSupport
