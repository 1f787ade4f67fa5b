#include "pageobjects/layout/ULOWizardText.h"

#include "LayoutTestSupport.h"

#include <gtest/gtest.h>

TEST(LOWizardTextTest, WizardFieldsFollowTheTextAndRoundTrip) {
    RegisterLayoutTestClasses();
    TLOWizardText text(nullptr);
    text.SetLogRect(TRect(0, 0, 400, 100));
    TIntf<IDOWizardInput> input = Supports<IDOWizardInput>(static_cast<TGraphicControl*>(&text));
    ASSERT_TRUE(input);
    input->SetWizInputEnable(true);
    input->SetWizInputCaption(QStringLiteral("お名前"));
    const QByteArray bytes = Store(&text);
    const qsizetype fieldType = bytes.indexOf("\x09"
                                              "FieldType");
    const qsizetype enable = bytes.indexOf("\x0e"
                                           "wizInputEnable\x09");
    const qsizetype caption = bytes.indexOf("\x0f"
                                            "wizInputCaption");
    EXPECT_LT(fieldType, enable);
    EXPECT_LT(enable, caption);

    auto back = Load(bytes);
    auto* loaded = dynamic_cast<TLOWizardText*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_TRUE(loaded->WizInputEnable());
    EXPECT_EQ(loaded->WizInputCaption(), QStringLiteral("お名前"));
    EXPECT_EQ(Store(loaded), bytes);

    // Stored always: a cleared flag is written as False.
    TLOWizardText copy(nullptr);
    copy.Assign(loaded);
    EXPECT_EQ(copy.WizInputCaption(), QStringLiteral("お名前"));
    copy.SetWizInputEnable(false);
    EXPECT_TRUE(Store(&copy).contains("\x0e"
                                      "wizInputEnable\x08"));
}
