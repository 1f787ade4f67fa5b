#include "papers/UPurposeList.h"

#include "papers/UPaperInfo.h"
#include "platform/Stream.h"
#include "platform/StringList.h"

#include <gtest/gtest.h>

namespace {

// Drops every purpose whose ID starts with "old" and renames "MO" to "MOSquare".
class TTestValidator : public TPurposeValidator {
public:
    bool IsObsolete(const QString& id) override { return id.startsWith(QStringLiteral("old")); }
    void Normalize(const QString& id, QString& name) override {
        if (id == QStringLiteral("MO"))
            name = QStringLiteral("MOSquare");
    }
    void Clean(TPurposeList& list) override {
        for (int i = list.Count() - 1; i >= 0; --i)
            if (IsObsolete(list.GetItem(i)->ID))
                list.Delete(i);
    }
};

class ScopedValidator {
public:
    ScopedValidator() { TPurposeValidator::SetValidator(&validator_); }
    ~ScopedValidator() { TPurposeValidator::SetValidator(nullptr); }

private:
    TTestValidator validator_;
};

TPurposeInfo& AddPurpose(TPurposeList& list, const QString& id) {
    auto* item = static_cast<TPurposeInfo*>(list.Add());
    item->ID = id;
    item->DisplayName = id;
    return *item;
}

} // namespace

TEST(PurposeList, DefaultsAndLookupFromTheEnd) {
    TPurposeList list;
    list.SetDefaults();
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.GetItem(0)->ShapeMask, FaceShapeBit(fsDoughnut) | FaceShapeBit(fsEllipse));
    EXPECT_EQ(list.GetItem(4)->ID, QString());
    EXPECT_EQ(list.GetItem(4)->ShapeMask, 0u);
    EXPECT_EQ(list.IndexOfID(QStringLiteral("cd")), 0);
    AddPurpose(list, QStringLiteral("CD")).DisplayName = QStringLiteral("later");
    EXPECT_EQ(list.IndexOfID(QStringLiteral("CD")), 5) << "the later of two equal IDs";
    EXPECT_EQ(list.IndexOfID(QStringLiteral("none")), -1);
    TStringList names;
    list.GetDisplayNames(names);
    EXPECT_EQ(names.Count(), 6);
    EXPECT_EQ(names[5], QStringLiteral("later"));
}

TEST(PurposeList, MergeAddsOnlyNewPurposesAndValidates) {
    TPurposeList list;
    list.SetDefaults();
    TPurposeList source;
    AddPurpose(source, QStringLiteral("Tag"));
    AddPurpose(source, QStringLiteral("Card"));
    EXPECT_TRUE(list.Merge(source));
    EXPECT_EQ(list.Count(), 7);
    EXPECT_FALSE(list.Merge(source)) << "only known IDs";
    EXPECT_EQ(list.Count(), 7);
    TPurposeList empty;
    EXPECT_FALSE(list.Merge(empty));

    ScopedValidator validator;
    AddPurpose(list, QStringLiteral("oldTray"));
    EXPECT_FALSE(list.Merge(empty)) << "nothing added, but validated";
    EXPECT_EQ(list.IndexOfID(QStringLiteral("oldTray")), -1);
    EXPECT_EQ(TPurposeInfo::NormalizeID(QStringLiteral("MO")), QStringLiteral("MOSquare"));
}

TEST(PurposeList, StreamsThroughItsStreamerAndDropsRejectedOnLoad) {
    RegisterPaperClasses();
    TPurposeList list;
    list.SetDefaults();
    AddPurpose(list, QStringLiteral("oldCase")).ShapeMask = FaceShapeBit(fsBarrelCD);
    TMemoryStream stream;
    list.SaveToStream(stream);
    EXPECT_TRUE(stream.Data().contains("TPLStreamer"));
    EXPECT_TRUE(stream.Data().contains("fsBarrelCD"));

    stream.SetPosition(0);
    TPurposeList plain;
    plain.LoadFromStream(stream);
    ASSERT_EQ(plain.Count(), 6);
    EXPECT_EQ(plain.GetItem(5)->ShapeMask, FaceShapeBit(fsBarrelCD));

    ScopedValidator validator;
    stream.SetPosition(0);
    TPurposeList checked;
    checked.LoadFromStream(stream);
    EXPECT_EQ(checked.Count(), 5);
}
