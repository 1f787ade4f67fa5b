#include "imaging/UColorFillHistory.h"

#include "core/UDocStorage.h"
#include "imaging/UPNGImage.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/CrashSafety.h"
#include "tests/TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<TColorSpec> Solid(TColor color) {
    auto spec = std::make_unique<TColorSpec>();
    spec->SetColor(color);
    return spec;
}

// The names of the streams directly in one storage of the history file.
QStringList StreamsIn(const QString& file, const QString& storage) {
    TFileStorage root(file, fmOpenRead);
    TDocStorage folder(&root, storage, false);
    TStringList names;
    folder.GetStreamNames(names);
    QStringList out;
    for (int i = 0; i < names.Count(); ++i)
        out << names.Strings(i);
    out.sort();
    return out;
}

const char* const kWriterFile = "QUORLANE_HISTORY_WRITER_FILE";

// A second process that changes the history file in place as an Add does and stops between two
// stream writes (the name list is written, the entry's stream not yet) until it is killed.
int ChangeInPlaceAndStop() {
    TFileStorage root(qEnvironmentVariable(kWriterFile), fmOpenReadWrite | fmShareExclusive);
    TDocStreamList list(&root, "ColorSpec\\NameList");
    list.Insert(0, "1234567890");
    std::printf("stopped\n");
    std::fflush(stdout);
    QThread::sleep(60);
    return 0;
}
const bool kWriterRegistered = TestSupport::RegisterChild("history-writer", &ChangeInPlaceAndStop);

} // namespace

TEST(ColorSpecHistory, AChangeCutShortIsSetAsideNeverReadAsGoodData) {
    QTemporaryDir dir;
    TColorSpecHistory history(nullptr);
    history.SetFilename(dir.filePath("ColorSpec.hst"));
    const QString file = history.Filename();
    auto red = Solid(clRed), blue = Solid(clBlue);
    history.Add(red.get());
    ASSERT_EQ(history.Count(), 1);
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);

    QProcessEnvironment env;
    env.insert(QString::fromLatin1(kWriterFile), file);
    auto writer = TestSupport::StartChild("history-writer", env);
    ASSERT_TRUE(TestSupport::WaitForLine(*writer, "stopped"));
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::Live);
    // While the writer lives its file is busy, not damaged.
    EXPECT_THROW(history.Count(), EOleSysError);
    EXPECT_FALSE(QFile::exists(file + ".damaged"));
    writer->kill();
    writer->waitForFinished(30000);

    EXPECT_EQ(history.Count(), 0);
    EXPECT_TRUE(QFile::exists(file + ".damaged"));
    EXPECT_EQ(ChangeMark::Check(file), ChangeMark::State::None);
    {
        // Without its mark the half-made change opens as good data: a list naming an entry never written.
        TFileStorage aside(file + ".damaged", fmOpenRead);
        TDocStreamList list(&aside, "ColorSpec\\NameList");
        ASSERT_EQ(list.Count(), 2);
        EXPECT_EQ(list.Strings(0), u"1234567890");
        EXPECT_FALSE(list.StreamExists(0));
    }
    history.Add(blue.get());
    TColorSpec read;
    history.LoadSpec(0, read);
    EXPECT_EQ(read.Color(), clBlue);
    EXPECT_EQ(history.Count(), 1);
}

TEST(ColorSpecHistory, MostRecentFirstWithoutDuplicates) {
    QTemporaryDir dir;
    TColorSpecHistory history(nullptr);
    EXPECT_EQ(history.Limit(), 10);
    // The folder does not exist yet: it is made on the first Add.
    history.SetFilename(dir.filePath("user/prefs/ColorSpec.hst"));
    auto red = Solid(clRed), blue = Solid(clBlue);
    history.Add(red.get());
    history.Add(blue.get());
    history.Add(red.get());
    EXPECT_EQ(history.Count(), 2);
    TColorSpec read;
    history.LoadSpec(0, read);
    EXPECT_EQ(read.Color(), clRed);
    history.LoadSpec(1, read);
    EXPECT_EQ(read.Color(), clBlue);
    TPictureEx preview;
    history.LoadPreview(0, preview);
    ASSERT_NE(dynamic_cast<TPNGImage*>(preview.Graphic()), nullptr);
    EXPECT_EQ(preview.Width(), 48);

    // Layout: the name list and spec streams under "ColorSpec", previews under "Preview".
    const QString file = history.Filename();
    const QString key = TColorSpecHistory::ComputeKey(*red, preview);
    EXPECT_EQ(StreamsIn(file, "Preview").size(), 2);
    EXPECT_TRUE(StreamsIn(file, "Preview").contains(key));
    EXPECT_TRUE(StreamsIn(file, "ColorSpec").contains("NameList"));
    {
        TFileStorage root(file, fmOpenRead);
        TDocStream stream(&root, fmOpenRead, "ColorSpec\\" + key);
        const QByteArray head = stream.ReadBytes(22);
        EXPECT_EQ(head, QByteArray("\xFF\x0A\x00TCOLORSPECWRAPPER\x00", 21) + QByteArray("\x30", 1));
        // While someone else has the file open, operations fail without touching it.
        EXPECT_THROW(history.Count(), EOleSysError);
    }
    EXPECT_FALSE(QFile::exists(file + ".damaged"));

    history.Delete(1);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_THROW(history.LoadSpec(3, read), EListError);
}

TEST(ColorSpecHistory, KeysDependOnThePreviewNotOnThePictureBytes) {
    // Two bitmap specs that differ only in their picture: the hashed copy has no picture, but the
    // previews differ.
    TColorSpec a, b;
    TSafetyBitmap red(8, 8, pf24bit), green(8, 8, pf24bit);
    red.Canvas().FillSolid(Rect(0, 0, 8, 8), clRed);
    green.Canvas().FillSolid(Rect(0, 0, 8, 8), clLime);
    a.SetBitmap(&red);
    a.SetKind(cskBitmap);
    b.SetBitmap(&green);
    b.SetKind(cskBitmap);
    TPictureEx pa, pb, pa2;
    TColorSpecHistory::DrawPreviewPicture(a, pa);
    TColorSpecHistory::DrawPreviewPicture(b, pb);
    TColorSpecHistory::DrawPreviewPicture(a, pa2);
    const QString ka = TColorSpecHistory::ComputeKey(a, pa);
    EXPECT_NE(ka, TColorSpecHistory::ComputeKey(b, pb));
    EXPECT_EQ(ka, TColorSpecHistory::ComputeKey(a, pa2));
    bool ok = false;
    ka.toLongLong(&ok);
    EXPECT_TRUE(ok);
    // The colour spec's own picture stays as it was.
    EXPECT_FALSE(a.ImageData()->IsEmpty());
}

TEST(ColorSpecHistory, TrimsToTheLimitAtTheNextAdd) {
    QTemporaryDir dir;
    TColorSpecHistory history(nullptr);
    history.SetFilename(dir.filePath("ColorSpec.hst"));
    for (int i = 0; i < 11; ++i) {
        auto spec = Solid(RGB(i * 20, 0, 0));
        history.Add(spec.get());
    }
    EXPECT_EQ(history.Count(), 10);
    EXPECT_EQ(StreamsIn(history.Filename(), "Preview").size(), 10);
    EXPECT_EQ(StreamsIn(history.Filename(), "ColorSpec").size(), 11); // and the name list
    TColorSpec oldest;
    history.LoadSpec(9, oldest);
    EXPECT_EQ(oldest.Color(), RGB(20, 0, 0));

    history.SetLimit(3);
    EXPECT_EQ(history.Count(), 10);
    auto again = Solid(RGB(40, 0, 0));
    history.Add(again.get());
    EXPECT_EQ(history.Count(), 3);
    EXPECT_EQ(StreamsIn(history.Filename(), "Preview").size(), 3);
    TColorSpec first;
    history.LoadSpec(0, first);
    EXPECT_EQ(first.Color(), RGB(40, 0, 0));
}

TEST(ColorSpecHistory, DamagedFileIsSetAsideAndStartedAfresh) {
    QTemporaryDir dir;
    const QString file = dir.filePath("ColorSpec.hst");
    TestSupport::WriteFile(file, QByteArray(1000, 'x'));
    TColorSpecHistory history(nullptr);
    history.SetFilename(file);
    auto spec = Solid(clAqua);
    EXPECT_NO_THROW(history.Add(spec.get()));
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(TestSupport::ReadFile(file + ".damaged"), QByteArray(1000, 'x'));

    // A compound file whose name list names a spec stream that is not there.
    {
        TFileStorage root(file, ModeCreate);
        TDocStreamList list(&root, "ColorSpec\\NameList");
        list.Add("12345");
    }
    TColorSpec read;
    EXPECT_THROW(history.LoadSpec(0, read), EOleSysError);
    EXPECT_EQ(history.Count(), 0);
}
