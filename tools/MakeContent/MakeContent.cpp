// Draws the content the program ships beside it: frames, figures, backgrounds, illustrations,
// image fonts, templates and sample photos under Data/ and Sample/Photo, with their catalogues, and a contact
// sheet of each catalogue in a folder of its own (for people to look at; not shipped). Everything
// comes from the descriptions in this folder, so two builds give equal bytes.
//   MakeContent <executable folder> <paper database> <contact-sheet folder>

#include "platform/Exception.h"
#include "tools/MakeContent/ContentPictures.h"
#include "tools/MakeContent/ContentTemplates.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: MakeContent <executable folder> <paper database> <contact-sheet folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString sheets = QString::fromLocal8Bit(argv[3]);
    try {
        // Start from nothing so that no file of an earlier build lingers.
        for (const char* folder : {"Data", "Sample"})
            QDir(root + QLatin1Char('/') + QLatin1String(folder)).removeRecursively();
        const Content::Output out{root};
        const auto sheet = [&](const char* name, const QString& title,
                               const std::vector<Content::SheetCell>& cells) {
            Content::WriteContactSheet(
                sheets + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png"), title, cells);
        };
        sheet("Frame", QStringLiteral("Data/Frame/Frame.dat"), Content::MakeFrames(out));
        sheet("Figure", QStringLiteral("Data/Figure/Figure.dat"), Content::MakeFigures(out));
        sheet("BackGrnd", QStringLiteral("Data/BackGrnd/BackGrnd.dat"), Content::MakeBackgrounds(out));
        sheet("Illust", QStringLiteral("Data/Illust/Illust.dat"), Content::MakeIllustrations(out));
        sheet("Cover", QStringLiteral("Data/Cover/Cover.dat"),
              Content::MakeTemplates(out, QString::fromLocal8Bit(argv[2])));
        sheet("Photo", QStringLiteral("Sample/Photo"), Content::MakePhotos(out));
        sheet("Font", QStringLiteral("Data/Font"), Content::MakeImageFonts(out));
    } catch (const Exception& e) {
        std::fprintf(stderr, "MakeContent: %s\n", e.what());
        return 1;
    }
    return 0;
}
