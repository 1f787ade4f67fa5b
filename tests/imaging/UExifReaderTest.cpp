#include "imaging/UExifReader.h"

#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"
#include "tests/imaging/ExifBuilder.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <vector>

namespace {

// A camera-like block: IFD0 with a date and the Exif link, IFD1, the Exif IFD with a version,
// an exposure and an interoperability link, the interoperability IFD.
ExifBuilder CameraBlock(bool le) {
    ExifBuilder b(le);
    b.AddIfd({b.Short(274, 6), b.Ascii(EXIFTAG_DateTime, "2003:04:05 06:07:08"), b.Link(EXIFTAG_ExifIFD, 2)},
             true);
    b.AddIfd({b.Long(513, 1234), b.Short(259, 6)});
    b.AddIfd({{EXIFTAG_ExifVersion, 7, 4, QByteArray("0220")},
              b.Rational(33434, {{1, 60}}),
              b.Rational(37380, {{uint32_t(-2), 3}}, 10),
              b.Rational(37500, {{28, 10}, {5, 1}}),
              {37377, 8, 1, b.U16(0xFFFF) + QByteArray(2, 0)},
              b.Link(EXIFTAG_InteropIFD, 3)});
    b.AddIfd({b.Ascii(1, "R98")});
    return b;
}

TExifReader& Load(TExifReader& reader, const QByteArray& bytes) {
    TMemoryStream stream(bytes);
    reader.LoadFromStream(stream);
    return reader;
}

} // namespace

TEST(ExifReader, ReadsBothByteOrdersAndAllFourDirectories) {
    for (bool le : {true, false}) {
        SCOPED_TRACE(le ? "little-endian" : "big-endian");
        TExifReader r;
        Load(r, Jpeg({Segment(0xE0, "JFIF\0x"), Segment(0xE1, CameraBlock(le).Block())}));
        ASSERT_TRUE(r.HasExif());
        EXPECT_EQ(r.LittleEndian(), le);
        EXPECT_EQ(r.Ifd0Offset(), 8u);

        QString text;
        r.GetText(EXIF_IFD0, EXIFTAG_DateTime, text);
        EXPECT_EQ(text, "2003:04:05 06:07:08");
        // An inline SHORT: its two bytes only, in the block's order (6, not 1536).
        EXPECT_EQ(r.GetInteger(EXIF_IFD0, 274), 6);
        EXPECT_EQ(r.GetInteger(EXIF_IFD1, 513), 1234);
        EXPECT_TRUE(r.HasTag(EXIF_IFD1, 259));
        EXPECT_FALSE(r.HasTag(EXIF_IFD0, 259));

        r.GetText(EXIF_EXIFIFD, EXIFTAG_ExifVersion, text);
        EXPECT_EQ(text, "0220");
        EXPECT_EQ(r.ExifVersion(), 220);
        TExifRational q;
        r.GetRational(EXIF_EXIFIFD, 33434, q);
        EXPECT_EQ(q, (TExifRational{1, 60}));
        r.GetText(EXIF_EXIFIFD, 37380, text);
        EXPECT_EQ(text, "-2/3");
        std::vector<TExifRational> list;
        r.GetRationals(EXIF_EXIFIFD, 37500, list);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[1], (TExifRational{5, 1}));
        r.GetText(EXIF_EXIFIFD, 37500, text);
        EXPECT_EQ(text, "28/10");
        // SSHORT -1 is not sign-extended.
        EXPECT_EQ(r.GetInteger(EXIF_EXIFIFD, 37377), 65535);
        r.GetText(EXIF_EXIFIFD, 37377, text);
        EXPECT_EQ(text, "65535");

        r.GetText(EXIF_INTEROP, 1, text);
        EXPECT_EQ(text, "R98");
        EXPECT_FALSE(r.HasTag(4, 1));
    }
}

TEST(ExifReader, TypedQueriesAnswerAbsentForOtherTypes) {
    TExifReader r;
    Load(r, Jpeg({Segment(0xE1, CameraBlock(true).Block())}));
    TExifRational q{7, 7};
    r.GetRational(EXIF_IFD0, 9999, q);
    EXPECT_EQ(q, (TExifRational{0, 1}));
    r.GetRational(EXIF_IFD0, EXIFTAG_DateTime, q);
    EXPECT_EQ(q, (TExifRational{0, 1}));
    EXPECT_EQ(r.GetInteger(EXIF_IFD0, EXIFTAG_DateTime), 0);
    EXPECT_EQ(r.GetInteger(EXIF_EXIFIFD, 33434), 0);
    std::vector<TExifRational> list{{1, 2}};
    r.GetRationals(EXIF_IFD0, 274, list);
    EXPECT_TRUE(list.empty());
    QString text = "x";
    r.GetText(EXIF_IFD0, 9999, text);
    EXPECT_TRUE(text.isEmpty());
}

TEST(ExifReader, TheFirstApp1SegmentThatIsExifCounts) {
    const QByteArray xmp = Segment(0xE1, "http://ns.adobe.com/xap/1.0/\0<x/>");
    ExifBuilder other(true);
    other.AddIfd({other.Short(274, 3)});
    const std::vector<QByteArray> inputs = {
        Jpeg({xmp, Segment(0xE1, CameraBlock(true).Block()), Segment(0xE1, other.Block())}),
        Jpeg({Segment(0xE0, QByteArray(300, 'j')), Segment(0xDB, QByteArray(65, 1)), Segment(0xE1, "Exif"),
              Segment(0xE1, CameraBlock(false).Block())}),
        // Fill bytes before markers, one and several.
        QByteArray("\xFF\xD8\xFF", 3) + Segment(0xE0, "JFIF\0x") + QByteArray(5, char(0xFF)) + xmp +
            Segment(0xE1, CameraBlock(true).Block()),
    };
    for (size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        TExifReader r;
        Load(r, inputs[i]);
        ASSERT_TRUE(r.HasExif());
        EXPECT_EQ(r.GetInteger(EXIF_IFD0, 274), 6);
    }
    // Behind the image data a segment is no longer metadata.
    TExifReader r;
    Load(r, Jpeg({xmp, Segment(0xDA, QByteArray(10, 1)), Segment(0xE1, CameraBlock(true).Block())}));
    EXPECT_FALSE(r.HasExif());
}

TEST(ExifReader, DirectoriesThatAreNotThereDoNotExist) {
    ExifBuilder b(true);
    b.AddIfd({b.Short(274, 1), b.Link(EXIFTAG_ExifIFD, 1)});
    b.AddIfd({b.Short(41728, 3)});
    TExifReader r;
    Load(r, Jpeg({Segment(0xE1, b.Block())}));
    ASSERT_TRUE(r.HasExif());
    EXPECT_EQ(r.GetInteger(EXIF_EXIFIFD, 41728), 3);
    // No next link from IFD0, no interoperability tag.
    EXPECT_FALSE(r.HasTag(EXIF_IFD1, 41728));
    EXPECT_FALSE(r.HasTag(EXIF_INTEROP, 1));
    EXPECT_FALSE(r.HasTag(-1, 274));
}

TEST(ExifReader, NoExifWhenTheFileIsNotAnExifJpeg) {
    const QByteArray block = CameraBlock(true).Block();
    QByteArray badOrder = block;
    badOrder[6] = 'X';
    QByteArray shortHeader = QByteArray("Exif\0\0II*\0", 10);
    const std::vector<QByteArray> inputs = {
        QByteArray(),
        QByteArray("\xFF\xD8\xFF"),      // fewer than 5 bytes
        QByteArray("GIF89a-not-a-jpeg"), // no SOI
        Jpeg({}),                        // EOI before any APP1
        Jpeg({Segment(0xE1, QByteArray("Exif\0\1", 6) + CameraBlock(true).Tiff())}),
        Jpeg({Segment(0xE1, badOrder)}),
        Jpeg({Segment(0xE1, shortHeader)}),                         // no room for the IFD0 offset
        QByteArray("\xFF\xD8\x12\x34\x56\x78", 6),                  // a non-marker byte ends the scan
        QByteArray("\xFF\xD8\xFF\xE0\x00\x01\xFF\xE1\x00\x10", 10), // a length below 2
        QByteArray("\xFF\xD8\xFF\xE0\xFF\xF0\x00\x00\x00\x00", 10), // a segment past the end
    };
    for (size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        TExifReader r;
        Load(r, inputs[i]);
        EXPECT_FALSE(r.HasExif());
        EXPECT_FALSE(r.HasTag(EXIF_IFD0, EXIFTAG_DateTime));
        QString text;
        r.GetText(EXIF_IFD0, EXIFTAG_DateTime, text);
        EXPECT_TRUE(text.isEmpty());
    }
}

TEST(ExifReader, TruncatedApp1RaisesTheStreamError) {
    QByteArray jpeg = Jpeg({Segment(0xE1, CameraBlock(true).Block())});
    jpeg.truncate(40);
    TExifReader r;
    TMemoryStream stream(jpeg);
    EXPECT_THROW(r.LoadFromStream(stream), EReadError);
}

TEST(ExifReader, DamagedEntriesReadAsAbsent) {
    ExifBuilder b(false);
    // Unknown type 13, a count whose size overflows 32 bits, a value offset beyond the block,
    // an ASCII value running past its end, and a directory offset past the block.
    b.AddIfd({{100, 13, 1, b.U32(5)},
              {101, 4, 0x40000001u, b.U32(8)},
              {102, 5, 1, b.U32(0xFFFFFFF0u)},
              {103, 2, 200, b.U32(20)},
              b.Long(EXIFTAG_ExifIFD, 0x7FFFFFF0u),
              b.Short(104, 9)});
    TExifReader r;
    Load(r, Jpeg({Segment(0xE1, b.Block())}));
    ASSERT_TRUE(r.HasExif());
    for (uint16_t tag : {100, 101, 102, 103}) {
        SCOPED_TRACE(tag);
        EXPECT_FALSE(r.HasTag(EXIF_IFD0, tag));
        EXPECT_EQ(r.GetInteger(EXIF_IFD0, tag), 0);
        QString text;
        r.GetText(EXIF_IFD0, tag, text);
        EXPECT_TRUE(text.isEmpty());
    }
    EXPECT_FALSE(r.HasTag(EXIF_EXIFIFD, 1));
    EXPECT_EQ(r.GetInteger(EXIF_IFD0, 104), 9);

    // An entry count running past the block: IFD0 would read IFD1's entries as its own.
    QByteArray block = CameraBlock(true).Block();
    block[14] = char(0xFF);
    block[15] = char(0xFF);
    Load(r, Jpeg({Segment(0xE1, block)}));
    EXPECT_TRUE(r.HasExif());
    for (uint16_t tag : {274, 513, 259, 1})
        EXPECT_FALSE(r.HasTag(EXIF_IFD0, tag)) << tag;
    EXPECT_FALSE(r.HasTag(EXIF_EXIFIFD, EXIFTAG_ExifVersion));
    // The same in the Exif IFD: it and the directory found through it are gone, the rest reads.
    ExifBuilder exifLast(true);
    exifLast.AddIfd({exifLast.Short(7, 77), exifLast.Link(EXIFTAG_ExifIFD, 1)});
    exifLast.AddIfd({exifLast.Short(8, 88), exifLast.Link(EXIFTAG_InteropIFD, 2)});
    exifLast.AddIfd({exifLast.Short(9, 99)});
    block = exifLast.Block();
    const qsizetype exifCount = 6 + 8 + 2 + 2 * 12 + 4;
    ASSERT_EQ(block[exifCount], 2);
    block[exifCount] = char(0xFF);
    block[exifCount + 1] = char(0xFF);
    Load(r, Jpeg({Segment(0xE1, block)}));
    EXPECT_EQ(r.GetInteger(EXIF_IFD0, 7), 77);
    EXPECT_FALSE(r.HasTag(EXIF_EXIFIFD, 8));
    EXPECT_FALSE(r.HasTag(EXIF_INTEROP, 9));

    // IFD0 itself outside the block.
    QByteArray far = exifLast.Block();
    far[10] = char(0xF0);
    Load(r, Jpeg({Segment(0xE1, far)}));
    EXPECT_TRUE(r.HasExif());
    EXPECT_FALSE(r.HasTag(EXIF_IFD0, 7));
}

TEST(ExifReader, ADirectoryNamedAgainIsNotReadTwice) {
    // The Exif IFD link points back at IFD0, the interoperability link at the Exif IFD or IFD0,
    // IFD0's next link at IFD0, or a link into the middle of an earlier directory.
    struct Case {
        int exifTo, interopTo;
        bool chain;
    };
    for (const Case c : {Case{0, -1, false}, Case{1, 1, false}, Case{1, 0, false}, Case{1, -1, true}}) {
        SCOPED_TRACE(testing::Message() << c.exifTo << " " << c.interopTo << " " << c.chain);
        ExifBuilder b(true);
        std::vector<ExifEntry> ifd0{b.Short(7, 77), b.Link(EXIFTAG_ExifIFD, c.exifTo)};
        std::vector<ExifEntry> exif{b.Short(8, 88)};
        if (c.interopTo >= 0)
            exif.push_back(b.Link(EXIFTAG_InteropIFD, c.interopTo));
        b.AddIfd(ifd0);
        b.AddIfd(exif);
        QByteArray block = b.Block();
        if (c.chain) // IFD0's next link names IFD0 again
            block.replace(6 + 8 + 2 + 2 * 12, 4, b.U32(8));
        TExifReader r;
        Load(r, Jpeg({Segment(0xE1, block)}));
        EXPECT_EQ(r.GetInteger(EXIF_IFD0, 7), 77);
        EXPECT_FALSE(r.HasTag(EXIF_IFD1, 7));
        EXPECT_EQ(r.HasTag(EXIF_EXIFIFD, 8), c.exifTo == 1);
        EXPECT_EQ(r.HasTag(EXIF_EXIFIFD, 7), false);
        EXPECT_FALSE(r.HasTag(EXIF_INTEROP, 7));
        EXPECT_FALSE(r.HasTag(EXIF_INTEROP, 8));
    }
    // A link into IFD0: the last bytes of the first entry's value read as a count of 1, and the
    // second entry as that directory's entry.
    ExifBuilder b(true);
    b.AddIfd({b.Long(1, 0x10000), b.Short(7, 7), b.Long(EXIFTAG_ExifIFD, 8 + 12)});
    TExifReader r;
    Load(r, Jpeg({Segment(0xE1, b.Block())}));
    EXPECT_EQ(r.GetInteger(EXIF_IFD0, 7), 7);
    EXPECT_FALSE(r.HasTag(EXIF_EXIFIFD, 7));
}

TEST(ExifReader, LoadsFromFilesAndJpegPictures) {
    // A real JPEG with the Exif block spliced in behind its SOI.
    TBitmap bitmap(16, 8, pf24bit);
    bitmap.Canvas().FillSolid(Rect(0, 0, 16, 8), clRed);
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    QByteArray bytes = jpeg.Data();
    bytes.insert(2, Segment(0xE1, CameraBlock(false).Block()));

    QTemporaryDir dir;
    const QString file = dir.filePath("photo.jpg");
    TestSupport::WriteFile(file, bytes);
    TExifReader r;
    r.LoadFromFile(file);
    QString text;
    r.GetText(EXIF_IFD0, EXIFTAG_DateTime, text);
    EXPECT_EQ(text, "2003:04:05 06:07:08");

    TPictureEx picture;
    picture.LoadFromFile(file);
    TExifReader p;
    p.LoadFromPicture(&picture);
    EXPECT_TRUE(p.HasExif());
    EXPECT_EQ(p.GetInteger(EXIF_IFD0, 274), 6);

    TPictureEx bmp;
    bmp.Assign(&bitmap);
    p.LoadFromPicture(&bmp);
    EXPECT_FALSE(p.HasExif());
    EXPECT_THROW(p.LoadFromFile(dir.filePath("missing.jpg")), EFOpenError);
}
