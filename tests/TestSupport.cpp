#include "tests/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest/qtestspontaneevent.h>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

namespace TestSupport {

namespace {

const char* const kChildVariable = "QUORLANE_TEST_CHILD";

std::map<std::string, int (*)()>& Children() {
    static std::map<std::string, int (*)()> children;
    return children;
}

int ChannelDifference(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

bool UniformAround(const QImage& image, int x, int y) {
    const QRgb centre = image.pixel(x, y);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px < 0 || py < 0 || px >= image.width() || py >= image.height() ||
                image.pixel(px, py) != centre)
                return false;
        }
    return true;
}

} // namespace

QString SourcePath(const QString& relative) {
#ifdef QUORLANE_SOURCE_DIR
    return QStringLiteral(QUORLANE_SOURCE_DIR "/") + relative;
#else
    return QDir::currentPath() + QLatin1Char('/') + relative;
#endif
}

QStringList FilesIn(const QString& folder) {
    QDir dir(folder);
    QStringList out;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        out << dir.filePath(name);
    return out;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray Hex(const char* text) {
    QByteArray digits;
    for (const char* p = text; *p; ++p)
        if (!(*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
            digits += *p;
    return QByteArray::fromHex(digits);
}

// ---- outside checkers

bool UnderCI() {
    return qEnvironmentVariableIsSet("QUORLANE_CI");
}

bool HasPdftoppm() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty();
}

bool HasZbarimg() {
    return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty();
}

QStringList DecodeBarcodes(const QImage& image) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("code.png"));
    if (!image.save(path))
        return {};
    QProcess process;
    process.start(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"), path});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return QString::fromLatin1(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

namespace {

QImage RunPdftoppm(const QString& pdf, int page, const QStringList& scale) {
    const QString stem = pdf + QStringLiteral("-page");
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  scale + QStringList{QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                      QString::number(page), QStringLiteral("-png"),
                                      QStringLiteral("-singlefile"), pdf, stem});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return QImage();
    return QImage(stem + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage RasterisePdf(const QString& pdf, int dpi, int page) {
    return RunPdftoppm(pdf, page, {QStringLiteral("-r"), QString::number(dpi)});
}

QImage RasterisePdfToSize(const QString& pdf, const QSize& size, int page) {
    return RunPdftoppm(pdf, page,
                       {QStringLiteral("-scale-to-x"), QString::number(size.width()),
                        QStringLiteral("-scale-to-y"), QString::number(size.height())});
}

int PdfPageCount(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return -1;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// ---- pictures

QString PictureFolder() {
#ifdef QUORLANE_BINARY_DIR
    const QString folder = QStringLiteral(QUORLANE_BINARY_DIR "/Testing/Temporary/pictures");
#else
    const QString folder = QDir::tempPath() + QStringLiteral("/quorlane-test-pictures");
#endif
    QDir().mkpath(folder);
    return folder;
}

QString SavePicture(const QImage& image, const QString& name) {
    QString test = QStringLiteral("outside-a-test");
    if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
        test =
            QString::fromUtf8(info->test_suite_name()) + QLatin1Char('.') + QString::fromUtf8(info->name());
    test.replace(QLatin1Char('/'), QLatin1Char('_'));
    const QString path =
        PictureFolder() + QLatin1Char('/') + test + QLatin1Char('-') + name + QStringLiteral(".png");
    image.save(path);
    return path;
}

::testing::AssertionResult ImagesMatch(const QImage& actualIn, const QImage& expectedIn, int tolerance,
                                       const ImageCompare& options) {
    const QImage actual = actualIn.convertToFormat(QImage::Format_RGB32);
    const QImage expected = expectedIn.convertToFormat(QImage::Format_RGB32);
    if (actual.size() != expected.size()) {
        SavePicture(actual, QStringLiteral("actual"));
        SavePicture(expected, QStringLiteral("expected"));
        return ::testing::AssertionFailure() << "sizes differ: " << actual.width() << "x" << actual.height()
                                             << " against " << expected.width() << "x" << expected.height();
    }
    QImage difference(actual.size(), QImage::Format_RGB32);
    difference.fill(Qt::black);
    int worst = 0, over = 0;
    QPoint worstAt;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            if (options.Ignore.contains(QPoint(x, y)) ||
                (options.SkipEdges && !UniformAround(expected, x, y)))
                continue;
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            auto amplified = [](int d) { return std::min(255, 8 * std::abs(d)); };
            difference.setPixel(x, y,
                                qRgb(amplified(qRed(a) - qRed(e)), amplified(qGreen(a) - qGreen(e)),
                                     amplified(qBlue(a) - qBlue(e))));
            const int d = ChannelDifference(a, e);
            over += d > tolerance ? 1 : 0;
            if (d > worst) {
                worst = d;
                worstAt = QPoint(x, y);
            }
        }
    if (over == 0)
        return ::testing::AssertionSuccess();
    const QString saved = SavePicture(actual, QStringLiteral("actual"));
    SavePicture(expected, QStringLiteral("expected"));
    SavePicture(difference, QStringLiteral("difference"));
    return ::testing::AssertionFailure()
           << over << " pixels differ by more than " << tolerance << "; the worst by " << worst << " at "
           << worstAt.x() << "," << worstAt.y() << " (" << std::hex << actual.pixel(worstAt) << " against "
           << expected.pixel(worstAt) << std::dec << "); pictures saved beside " << saved.toStdString();
}

// ---- second processes

bool RegisterChild(const char* name, int (*run)()) {
    return Children().emplace(name, run).second;
}

int RunChildIfAsked() {
    const QByteArray name = qgetenv(kChildVariable);
    if (name.isEmpty())
        return -1;
    const auto found = Children().find(name.toStdString());
    return found == Children().end() ? 2 : found->second();
}

std::unique_ptr<QProcess> StartChild(const char* name, const QProcessEnvironment& extra) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(extra);
    env.insert(QString::fromLatin1(kChildVariable), QString::fromLatin1(name));
    process->setProcessEnvironment(env);
    process->setProgram(QCoreApplication::applicationFilePath());
    process->start();
    return process;
}

bool WaitForLine(QProcess& process, const QByteArray& line) {
    for (int i = 0; i < 300; ++i) {
        while (process.canReadLine()) {
            if (process.readLine().trimmed() == line)
                return true;
        }
        if (!process.waitForReadyRead(100) && process.state() == QProcess::NotRunning &&
            !process.canReadLine())
            return false;
    }
    return false;
}

} // namespace TestSupport

// ---- drops

namespace {

QMimeData* FilesData(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls.append(p.startsWith(QLatin1String("http")) ? QUrl(p) : QUrl::fromLocalFile(p));
    data->setUrls(urls);
    return data;
}

// Delivers a drag event the way the window system does.
bool Deliver(QWidget* target, QEvent::Type type, const QMimeData& data, const QPoint& at) {
    std::unique_ptr<QDropEvent> event;
    if (type == QEvent::DragEnter)
        event = std::make_unique<QDragEnterEvent>(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    else
        event = std::make_unique<QDropEvent>(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    event->setAccepted(false);
    QSpontaneKeyEvent::setSpontaneous(event.get());
    QCoreApplication::instance()->notify(target, event.get());
    return event->isAccepted();
}

} // namespace

bool TestSupport::DropOn(QWidget* target, const QStringList& paths) {
    std::unique_ptr<QMimeData> data(FilesData(paths));
    return DropOn(target, *data, QPoint(2, 2));
}

bool TestSupport::DropOn(QWidget* target, const QMimeData& data, const QPoint& at) {
    if (!Deliver(target, QEvent::DragEnter, data, at))
        return false;
    return Deliver(target, QEvent::Drop, data, at);
}
