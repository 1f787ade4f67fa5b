#include "app/dialogs/FBackFileBrowser.h"
#include "app/dialogs/FFrameBrowser.h"
#include "app/dialogs/FIllustFileBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FShadeFileBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "tests/app/MaterialTestSupport.h"

#include <QComboBox>

// The content the build draws beside the program, as the browsers find it: a catalogue they could
// not read would show the warning panel instead of pictures.
namespace {

class ShippedBrowsersTest : public MaterialFixture {
protected:
    ShippedBrowsersTest() {
        frame.Macro().SetValue(QStringLiteral("ExeDir"), QStringLiteral(QUORLANE_EXE_DIR "/"));
        TfrmShadeFileBrowser::RememberedGenre() = 0;
        TfrmFrameBrowser::RememberedGenre() = 0;
        TfrmIllustFileBrowser::RememberedGenre() = 0;
    }
};

} // namespace

TEST_F(ShippedBrowsersTest, EveryMaterialBrowserListsTheShippedPicturesWithoutWarning) {
    TfrmShadeFileBrowser figures;
    EXPECT_FALSE(figures.pnlWarning->isVisibleTo(&figures));
    EXPECT_GT(figures.GenreCount(), 0);
    EXPECT_GT(figures.Browser()->ItemCount(), 0);

    TfrmFrameBrowser frames;
    EXPECT_FALSE(frames.pnlWarning->isVisibleTo(&frames));
    EXPECT_EQ(frames.GenreCount(), 3);
    EXPECT_GT(frames.Browser()->ItemCount(), 0);

    TfrmIllustFileBrowser illustrations;
    for (int genre = 0; genre < illustrations.cmbGenre->count(); ++genre) {
        illustrations.cmbGenre->setCurrentIndex(genre);
        EXPECT_FALSE(illustrations.pnlWarning->isVisibleTo(&illustrations)) << genre;
        EXPECT_GT(illustrations.Browser()->ItemCount(), 0) << genre;
    }

    TfrmBackFileBrowser backgrounds;
    backgrounds.resize(400, 300);
    backgrounds.grab(); // the catalogue is read on the first painting
    EXPECT_FALSE(backgrounds.pnlWarning->isVisibleTo(&backgrounds));
    ASSERT_GT(backgrounds.cmbSubGenre->count(), 0);
    for (int sub = 0; sub < backgrounds.cmbSubGenre->count(); ++sub) {
        backgrounds.cmbSubGenre->setCurrentIndex(sub);
        EXPECT_GT(backgrounds.Browser()->ItemCount(), 0) << sub;
    }
}
