#include "core/UGMEMStream.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

TEST(GMEMStream, WritesInsideTheBlockAndRefusesToGrowIt) {
    TGlobalHandle block = GlobalAllocHandle(100);
    TGMEMStream stream(block);
    EXPECT_TRUE(stream.Locked());
    EXPECT_EQ(stream.GetSize(), 100);
    stream.SetPosition(99);
    stream.WriteByte(0xAB);
    EXPECT_EQ(static_cast<uint8_t>(block->at(99)), 0xABu); // written in place
    stream.SetPosition(100);
    try {
        stream.WriteByte(1);
        FAIL() << "no exception";
    } catch (const EGMEMStream& e) {
        EXPECT_EQ(e.Message(), u"should not realloc Global Handle");
    }
    EXPECT_THROW(stream.SetSize(101), EGMEMStream);
    EXPECT_EQ(block->size(), 100);
    EXPECT_EQ(stream.GetSize(), 100);
}

TEST(GMEMStream, ReadsClipboardBytesInPlace) {
    const QByteArray bytes = TestSupport::Hex("01 02 03 04 05");
    TGlobalHandle block = std::make_shared<QByteArray>(bytes);
    TGMEMStream stream(block);
    EXPECT_EQ(stream.ReadUInt32(), 0x04030201u);
    EXPECT_EQ(stream.ReadByte(), 5u);
    uint8_t b = 0;
    EXPECT_EQ(stream.Read(&b, 1), 0);
    EXPECT_THROW(stream.ReadByte(), EReadError);
    // Writing into the stream does not alter bytes the caller still shares.
    stream.SetPosition(0);
    stream.WriteByte(0xFF);
    EXPECT_EQ(bytes.at(0), 1);
    EXPECT_EQ(static_cast<uint8_t>(block->at(0)), 0xFFu);
}

TEST(GMEMStream, ReleaseHandsOverTheBlockCutToTheStreamSize) {
    TGlobalHandle block = GlobalAllocHandle(16);
    TGMEMStream stream(block);
    stream.WriteUInt32(0xDEADBEEF);
    stream.SetSize(6);
    stream.SetPosition(5);
    stream.WriteByte(0x77); // growing back inside the block is allowed
    TGlobalHandle released = stream.ReleaseHandle();
    ASSERT_EQ(released, block);
    EXPECT_EQ(*released, TestSupport::Hex("EF BE AD DE 00 77"));
    EXPECT_FALSE(stream.Locked());
    EXPECT_EQ(stream.GetSize(), 0);
    EXPECT_EQ(stream.ReleaseHandle(), nullptr);
    // Unlocked, it is an ordinary growing memory stream that leaves the block alone.
    stream.WriteUInt32(1);
    EXPECT_EQ(stream.GetSize(), 4);
    EXPECT_EQ(released->size(), 6);
}

TEST(GMEMStream, DestroyingALockedStreamLeavesTheBlockAtItsSize) {
    TGlobalHandle block = GlobalAllocHandle(8);
    {
        TGMEMStream stream(block);
        stream.WriteUInt16(0x0102);
        stream.SetSize(2);
    }
    EXPECT_EQ(*block, TestSupport::Hex("02 01"));
}

TEST(GMEMStream, NullHandleGivesAnEmptyStream) {
    TGMEMStream stream(nullptr);
    EXPECT_FALSE(stream.Locked());
    EXPECT_EQ(stream.GetSize(), 0);
    stream.WriteByte(3);
    EXPECT_EQ(stream.GetSize(), 1);
    EXPECT_THROW(GlobalAllocHandle(-1), EGMEMStream);
}
