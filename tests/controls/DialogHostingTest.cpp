#include "controls/Exscrbox.h"
#include "controls/Exspined.h"
#include "controls/PaintPanel.h"
#include "controls/Ruler.h"
#include "controls/UBitmapButton.h"
#include "controls/UColGrid.h"
#include "controls/UComboBoxEx.h"
#include "controls/UFillImageBevel.h"
#include "controls/UFormPanel.h"
#include "controls/UImageEx.h"
#include "controls/UImagePanel.h"
#include "controls/ULabelEx.h"
#include "controls/UNotePanel.h"
#include "controls/UPanelEx.h"
#include "controls/UShadowPanel.h"
#include "controls/UShrinkPanel.h"
#include "controls/UTabbedPanel.h"

#include <QDialog>
#include <QVBoxLayout>
#include <gtest/gtest.h>

// Every control takes its place in an ordinary Qt form through its layout, found by object name.
TEST(DialogHostingTest, EveryControlSitsInAPlainDialogLayout) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    const std::vector<std::pair<QWidget*, const char*>> controls = {{new TFormPanel, "FormPanel"},
                                                                    {new TBitmapButton, "BitmapButton"},
                                                                    {new TRuler, "Ruler"},
                                                                    {new TColGrid, "ColGrid"},
                                                                    {new TExScrollBox, "ExScrollBox"},
                                                                    {new TExSpinEdit, "ExSpinEdit"},
                                                                    {new TComboBoxEx, "ComboBoxEx"},
                                                                    {new TPaintPanel, "PaintPanel"},
                                                                    {new TFillImage, "FillImage"},
                                                                    {new TFillImageBevel, "FillImageBevel"},
                                                                    {new TShrinkPanel, "ShrinkPanel"},
                                                                    {new TTabbedPanel, "TabbedPanel"},
                                                                    {new TNotePanel, "NotePanel"},
                                                                    {new TImagePanel, "ImagePanel"},
                                                                    {new TShadowPanel, "ShadowPanel"},
                                                                    {new TPanelEx, "PanelEx"},
                                                                    {new TImageEx, "ImageEx"},
                                                                    {new TLabelEx, "LabelEx"}};
    for (auto [control, name] : controls) {
        control->setObjectName(QString::fromLatin1(name));
        control->setMinimumSize(20, 12);
        layout->addWidget(control);
    }
    dialog.resize(300, 900);
    dialog.show();
    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(image.size(), QSize(300, 900));
    for (auto [control, name] : controls) {
        QWidget* found = dialog.findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_EQ(found, control) << name;
        EXPECT_TRUE(found->isVisible()) << name;
        EXPECT_GT(found->width(), 0) << name;
    }
}
