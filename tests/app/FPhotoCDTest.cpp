#include "app/dialogs/FPhotoCD.h"

#include "AppTestSupport.h"
#include "app/UPanelPicture.h"
#include "controls/UImagePanel.h"
#include "imaging/UPCDAccess.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "tests/FakeDialogService.h"
#include "tests/imaging/PCDBuilder.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class PhotoCDDialogTest : public ::testing::Test {
protected:
    PhotoCDDialogTest() {
        RegisterPictureClasses();
        SetPhotoCDLoader(PhotoCDLoader);
    }
    ~PhotoCDDialogTest() override { SetPhotoCDLoader({}); }

    QString Write(const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_TRUE(WritePCDFile(path, bytes));
        return path;
    }

    QTemporaryDir dir;
    FakeDialogService dialogs;
};

PCDSample Stripes(int, int x, int) {
    return {uint8_t(x * 3), 156, 137};
}

TfrmPhotoCD* Dialog(QWidget* window) {
    auto* dialog = qobject_cast<TfrmPhotoCD*>(window);
    EXPECT_NE(dialog, nullptr);
    return dialog;
}

} // namespace

TEST_F(PhotoCDDialogTest, OpensUprightAndTakesTheChosenSizeAndColours) {
    const QString portrait = Write("portrait.pcd", MakePCDFile(Stripes, 1));
    TPictureEx picture;
    WhenModal([&](QWidget* window) {
        TfrmPhotoCD* dialog = Dialog(window);
        RunLoopUntil([&] { return dialog->btnOK->isEnabled(); });
        EXPECT_EQ(dialog->cmbRotate->currentText(), QStringLiteral("270"));
        EXPECT_FALSE(dialog->cbVert->isChecked());
        // The remembered choices: 256 colours, the middle size.
        EXPECT_EQ(dialog->ipnlView->Picture().Width(), 256);
        EXPECT_EQ(dialog->ipnlView->Picture().Height(), 384);
        dialog->sizeButtons->button(2)->click();
        dialog->colorButtons->button(2)->click();
        dialog->cmbRotate->setCurrentIndex(0);
        emit dialog->cmbRotate->activated(0);
        dialog->btnOK->click();
    });
    ASSERT_TRUE(LoadPictureFile(nullptr, &picture, portrait));
    EXPECT_EQ(picture.Width(), 768);
    EXPECT_EQ(picture.Height(), 512);
    EXPECT_EQ(picture.Graphic()->ClassName(), std::string("TSafetyBitmap"));
    // The next window starts from the choices that were taken.
    WhenModal([&](QWidget* window) {
        TfrmPhotoCD* dialog = Dialog(window);
        RunLoopUntil([&] { return dialog->btnOK->isEnabled(); });
        EXPECT_EQ(dialog->sizeButtons->checkedId(), 2);
        EXPECT_EQ(dialog->ChosenFormat(), kPCDFormatRGB);
        dialog->btnCancel->click();
    });
    TPanelPicture panel;
    EXPECT_EQ(panel.Get(nullptr, portrait, true), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(PhotoCDDialogTest, AFileThatCannotBeOpenedIsNamedAndCancels) {
    const QString bad = Write("bad.pcd", QByteArray(4000, 'x'));
    dialogs.answers = {mrOk};
    TPictureEx picture;
    // Should the window stay up, it is closed so the test fails instead of hanging.
    QTimer::singleShot(5000, [] {
        if (auto* dialog = qobject_cast<TfrmPhotoCD*>(QApplication::activeModalWidget())) {
            ADD_FAILURE() << "the window stayed open";
            dialog->reject();
        }
    });
    EXPECT_FALSE(LoadPictureFile(nullptr, &picture, bad));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, bad + QStringLiteral("をオープンできません"));
    EXPECT_TRUE(picture.Graphic() == nullptr || picture.Graphic()->Empty());
}
