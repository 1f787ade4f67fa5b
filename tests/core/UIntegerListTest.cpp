#include "core/UIntegerList.h"

#include <gtest/gtest.h>

namespace {

// Lists of a fixed size, as the controls derive them.
class TFour : public TIntegerList {
public:
    TFour() : TIntegerList(4) {}
};
class TTwo : public TIntegerList {
public:
    TTwo() : TIntegerList(2) {}
};

} // namespace

TEST(IntegerList, StartsZeroedAndChecksItsIndexes) {
    TFour list;
    EXPECT_EQ(list.Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(list[i], 0);
    try {
        list.Get(-1);
        FAIL() << "no exception";
    } catch (const EIntegerList& e) {
        EXPECT_EQ(e.Message(), u"リストのインデックスが範囲を超えています (-1)");
    }
    EXPECT_THROW(list.Put(4, 1), EIntegerList);
    EXPECT_NO_THROW(list.Put(3, -7));
    EXPECT_EQ(list.Get(3), -7);
}

TEST(IntegerList, ChangesAreAnnouncedOnlyWhenAValueChanges) {
    TFour list;
    int changes = 0;
    list.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changes;
    };
    list.Put(1, 5);
    list.Put(1, 5);
    EXPECT_EQ(changes, 1);

    TFour other;
    other.Put(1, 5);
    list.Assign(&other); // same contents
    EXPECT_EQ(changes, 1);
    other.Put(2, 9);
    list.Assign(&other);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list[2], 9);
}

TEST(IntegerList, AssignNeedsTheSameCount) {
    TFour four;
    TTwo two;
    two.Put(0, 1);
    try {
        four.Assign(&two);
        FAIL() << "no exception";
    } catch (const EIntegerList& e) {
        EXPECT_EQ(e.Message(), u"Count of Values is mismatch.");
    }
    EXPECT_EQ(four[0], 0);
    TComponent component(nullptr);
    EXPECT_THROW(four.Assign(&component), EConvertError);
}
