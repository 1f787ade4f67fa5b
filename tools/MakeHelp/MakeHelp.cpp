// Writes the help pages: MakeHelp <page sources> <window sources> <output folder>.
//
// A source page is UTF-8 text: its first line "# title", then blocks parted by empty lines. A block
// of lines beginning "- " is a list, one beginning "## " a heading, any other a paragraph. In any
// text, [[page]] or [[page|words]] links to another page by its source name (without ".txt").
// Every page gets the same frame and the one style sheet; the same sources give the same bytes.
// Fails (exit 1, naming the cause) on a link to a missing page, a help context a window of the
// program carries without a page of that number, or a page without its title line.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringList>
#include <QTextStream>
#include <cstdio>

namespace {

struct Page {
    QString title;
    QStringList blocks;
};

const char* const kStyle = R"(body { font-family: sans-serif; margin: 1.5em 2em; line-height: 1.6; color: #222; }
header { border-bottom: 1px solid #bbb; margin-bottom: 1em; padding-bottom: 0.3em; font-size: 90%; }
h1 { font-size: 140%; color: #245; }
h2 { font-size: 115%; color: #245; margin-top: 1.4em; }
a { color: #1a5fb4; }
li { margin: 0.2em 0; }
)";

QStringList errors;

QString Escape(const QString& text) {
    return text.toHtmlEscaped();
}

// Text with its links made; links to pages not in names are errors.
QString Inline(const QString& text, const QMap<QString, Page>& pages, const QString& from) {
    static const QRegularExpression link(QStringLiteral(R"(\[\[([^\]|]+)(?:\|([^\]]+))?\]\])"));
    QString out;
    qsizetype at = 0;
    for (auto it = link.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        out += Escape(text.mid(at, match.capturedStart() - at));
        const QString target = match.captured(1).trimmed();
        QString words = match.captured(2).trimmed();
        if (!pages.contains(target)) {
            errors << QStringLiteral("%1: link to a missing page \"%2\"").arg(from, target);
        } else if (words.isEmpty()) {
            words = pages[target].title;
        }
        out += QStringLiteral("<a href=\"%1.html\">%2</a>").arg(Escape(target), Escape(words));
        at = match.capturedEnd();
    }
    out += Escape(text.mid(at));
    return out;
}

QString Render(const QString& name, const Page& page, const QMap<QString, Page>& pages) {
    QString body;
    for (const QString& block : page.blocks) {
        const QStringList lines = block.split(QLatin1Char('\n'));
        if (lines.first().startsWith(QLatin1String("## "))) {
            body += QStringLiteral("<h2>%1</h2>\n").arg(Inline(lines.first().mid(3), pages, name));
            continue;
        }
        if (lines.first().startsWith(QLatin1String("- "))) {
            body += QStringLiteral("<ul>\n");
            for (const QString& line : lines)
                body += QStringLiteral("<li>%1</li>\n").arg(Inline(line.mid(line.startsWith(QLatin1String("- ")) ? 2 : 0), pages, name));
            body += QStringLiteral("</ul>\n");
            continue;
        }
        body += QStringLiteral("<p>%1</p>\n").arg(Inline(lines.join(QString()), pages, name));
    }
    const QString contents = name == QLatin1String("index")
                                 ? QString()
                                 : QStringLiteral("<header><a href=\"index.html\">目次</a></header>\n");
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>%1</title>\n<link rel=\"stylesheet\" href=\"help.css\">\n</head>\n<body>\n"
                          "%2<h1>%1</h1>\n%3</body>\n</html>\n")
        .arg(Escape(page.title), contents, body);
}

bool Write(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        errors << QStringLiteral("%1: cannot write (%2)").arg(path, file.errorString());
        return false;
    }
    return true;
}

// The help context numbers the program's windows carry.
QSet<QString> WindowContexts(const QString& folder) {
    static const QRegularExpression context(
        QStringLiteral(R"((?:kHelpContext\s*=\s*|"HelpContext"\)?\s*,\s*)(\d{3,5}))"));
    QSet<QString> numbers;
    QDir dir(folder);
    QStringList files;
    for (const QString& sub : {QStringLiteral("."), QStringLiteral("dialogs")})
        for (const QFileInfo& info : QDir(dir.filePath(sub)).entryInfoList({QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files))
            files << info.filePath();
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (auto it = context.globalMatch(text); it.hasNext();)
            numbers.insert(it.next().captured(1));
    }
    return numbers;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: MakeHelp <page sources> <window sources> <output folder>\n");
        return 2;
    }
    QMap<QString, Page> pages;
    const QDir sources(args[1]);
    for (const QFileInfo& info : sources.entryInfoList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            errors << QStringLiteral("%1: cannot read").arg(info.filePath());
            continue;
        }
        QString text = QString::fromUtf8(file.readAll());
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        Page page;
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        const QString first = text.left(end < 0 ? text.size() : end);
        if (!first.startsWith(QLatin1String("# "))) {
            errors << QStringLiteral("%1: the first line is not \"# title\"").arg(info.fileName());
            continue;
        }
        page.title = first.mid(2).trimmed();
        const QString rest = end < 0 ? QString() : text.mid(end + 1);
        for (const QString& block : rest.split(QStringLiteral("\n\n"), Qt::SkipEmptyParts)) {
            const QString trimmed = block.trimmed();
            if (!trimmed.isEmpty())
                page.blocks << trimmed;
        }
        pages.insert(info.completeBaseName(), page);
    }
    if (!pages.contains(QStringLiteral("index")))
        errors << QStringLiteral("no contents page (index.txt)");
    QStringList missing;
    for (const QString& number : WindowContexts(args[2]))
        if (!pages.contains(number))
            missing << number;
    missing.sort();
    for (const QString& number : missing)
        errors << QStringLiteral("help context %1 of a window has no page (%1.txt)").arg(number);

    QMap<QString, QByteArray> out;
    for (auto it = pages.constBegin(); it != pages.constEnd(); ++it)
        out.insert(it.key() + QStringLiteral(".html"), Render(it.key(), it.value(), pages).toUtf8());
    if (!errors.isEmpty()) {
        for (const QString& error : errors)
            std::fprintf(stderr, "MakeHelp: %s\n", qPrintable(error));
        return 1;
    }
    QDir().mkpath(args[3]);
    const QDir target(args[3]);
    // Pages of sources that are gone go too.
    for (const QString& old : target.entryList({QStringLiteral("*.html")}, QDir::Files))
        if (!out.contains(old))
            QFile::remove(target.filePath(old));
    Write(target.filePath(QStringLiteral("help.css")), QByteArray(kStyle));
    for (auto it = out.constBegin(); it != out.constEnd(); ++it)
        Write(target.filePath(it.key()), it.value());
    if (!errors.isEmpty()) {
        for (const QString& error : errors)
            std::fprintf(stderr, "MakeHelp: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
