#include "papers/UProductDB.h"

#include "core/UDocStorage.h"
#include "platform/ComponentResource.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

TEST(ProductDB, AMissingFileStartsWithCreatorsAndReservedRecords) {
    QTemporaryDir dir;
    TProductDB db(nullptr);
    db.FileName = dir.filePath("product.db");
    db.Open();
    EXPECT_EQ(db.GetRecordCount(), 5);
    EXPECT_EQ(db.GetProductCount(), 0);
    TProductInfo creator(nullptr);
    db.LoadCreatorJ(creator);
    ASSERT_EQ(creator.Items()->Count(), 11);
    EXPECT_EQ(creator.Items()->GetItem(0)->FieldName, "会社名");
    EXPECT_EQ(creator.Items()->GetItem(10)->FieldName, "自由項目3");
    EXPECT_FALSE(db.Modified());
    EXPECT_THROW(db.LoadProduct(0, creator), EProductDB);
}

TEST(ProductDB, RecordsAreKnownByTheirGuid) {
    QTemporaryDir dir;
    TProductInfo product(nullptr);
    product.SetGUID(TGUID::FromString("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    product.Items()->GetItem(0)->Info()->Add("題名");
    {
        TProductDB db(nullptr);
        db.FileName = dir.filePath("product.db");
        db.Open();
        db.StoreRecord(product);
        product.Items()->GetItem(0)->Info()->Add("二行目");
        db.StoreRecord(product);
        EXPECT_EQ(db.GetProductCount(), 1) << "stored twice, one record";
        EXPECT_TRUE(db.Modified());
    }
    TProductDB db(nullptr);
    db.FileName = dir.filePath("product.db");
    db.Open();
    ASSERT_EQ(db.GetProductCount(), 1);
    TProductInfo back(nullptr);
    db.LoadProduct(0, back);
    EXPECT_EQ(back.GUID(), product.GUID());
    ASSERT_EQ(back.Items()->Count(), 10) << "read over the new record's own fields";
    EXPECT_EQ(back.Items()->GetItem(9)->FieldName, "自由項目4");
    EXPECT_EQ(back.Items()->GetItem(0)->InfoLines().ToQStringList(), QStringList({"題名", "二行目"}));

    // The record is a "ProductInfo" resource with the GUID in memory order.
    TFileStorage file(dir.filePath("product.db"), 0);
    TDocStream stream(&file, 0, "Infos\\NameList5");
    const QByteArray bytes = stream.ReadBytes(stream.GetSize());
    EXPECT_TRUE(bytes.startsWith(QByteArray("\xFF\x0A\x00PRODUCTINFO\x00", 15)));
    EXPECT_TRUE(bytes.contains(TestSupport::Hex("04 47 55 49 44 0A 10 00 00 00 "
                                                "33 22 11 00 55 44 77 66 88 99 AA BB CC DD EE FF")));
}

TEST(ProductDB, AFileWithoutItsFirstRecordsGetsThemSoProductsKeepTheirPlaces) {
    QTemporaryDir dir;
    const QString file = dir.filePath("short.db");
    {
        TFileStorage root(file, ModeCreate);
        TDocStreamList names(&root, "Infos\\NameList");
        names.AddNewName();
        auto stream = names.OpenStream(0, ModeCreate);
        TProductInfo creator(nullptr);
        creator.MakeCreatorFields();
        WriteComponentRes(*stream, "ProductInfo", &creator);
    }
    TProductDB db(nullptr);
    db.FileName = file;
    db.Open();
    EXPECT_EQ(db.GetRecordCount(), 5);
    EXPECT_TRUE(db.Modified()) << "the repair is saved";
    TProductInfo creatorJ(nullptr);
    db.LoadCreatorJ(creatorJ);
    EXPECT_EQ(creatorJ.Items()->Count(), 11);
    TProductInfo product(nullptr);
    db.StoreRecord(product);
    EXPECT_EQ(db.GetProductCount(), 1);
}
