// The text panel on the real editor: every control changes the selected texts (read back from the
// stored page) as one undo step, several texts take only the chosen property, nothing selected
// changes the default for the next text, and the memo takes the editor's edit commands.

#include "app/FAMText.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "controls/FColorGrid.h"
#include "imaging/UColorFill.h"
#include "imaging/UExifReader.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOText.h"
#include "platform/Clipboard.h"
#include "platform/FontMapper.h"
#include "platform/Stream.h"
#include "tests/app/AppTestSupport.h"
#include "tests/imaging/ExifBuilder.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

namespace {

class TextPanelTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
        editor->actModeText->trigger();
        panel = dynamic_cast<TfrmAMText*>(editor->EditPanel());
        ASSERT_NE(panel, nullptr);
    }

    QByteArray StoredPage() {
        TDOList all;
        editor->DrawSite1->ListObjects(all, false);
        TMemoryStream stream;
        all.SaveToStream(stream);
        return stream.Data();
    }
    TLOText* AddText(const TRect& r, const QString& words) {
        auto owned = std::make_unique<TLOText>(nullptr);
        owned->SetLogRect(r);
        owned->Text()->Add(words);
        return static_cast<TLOText*>(editor->DrawSite1->AdoptObject(std::move(owned)));
    }
    std::vector<TLOText*> Texts() {
        TDOList all;
        editor->DrawSite1->ListObjects(all, false);
        std::vector<TLOText*> texts;
        for (TDrawObject* object : all)
            if (auto* text = dynamic_cast<TLOText*>(object))
                texts.push_back(text);
        return texts;
    }
    // Text as an input method commits it.
    static void Commit(QWidget* widget, const QString& text) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(widget, &commit);
    }
    void Type(QComboBox* combo, const QString& text) {
        combo->lineEdit()->selectAll();
        Commit(combo->lineEdit(), text);
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    }
    // Opens a colour button's popup and clicks a cell of its grid.
    void PickColor(QToolButton* button, int cell) {
        button->click();
        TfrmColorGrid* popup = panel->ColorPopup();
        ASSERT_TRUE(popup->isVisible());
        EXPECT_TRUE(button->isDown());
        const TRect r = popup->Grid()->Cells()[size_t(cell)];
        QTest::mouseClick(popup->Grid(), Qt::LeftButton, {},
                          QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        EXPECT_FALSE(button->isDown());
    }
    void Undo() { editor->DSAUndo1->ExecuteTarget(editor->DrawSite1); }
    void Redo() { editor->DSARedo1->ExecuteTarget(editor->DrawSite1); }

    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    TfrmAMText* panel = nullptr;
};

TEST_F(TextPanelTest, EachControlChangesOnlyItsPropertyOfSeveralTextsAsOneStep) {
    TLOText* first = AddText(TRect(100, 100, 900, 400), QStringLiteral("一"));
    TLOText* second = AddText(TRect(100, 1000, 900, 1300), QStringLiteral("二"));
    second->Font()->SetSize(12);
    second->SetShadow(8);
    editor->DrawSite1->SelectAll(true);
    editor->EditPanelIdle();
    EXPECT_EQ(panel->SelectionKind(), TfrmAMText::skTexts);
    EXPECT_FALSE(panel->memText->isEnabled()) << "several texts share no words";
    UndoList().Clear();

    struct Step {
        const char* name;
        std::function<void()> act;
        std::function<bool(TLOText*)> changed;
    };
    const std::vector<Step> steps = {
        {"face", [&] { Type(panel->cmbFontName, QStringLiteral("ＭＳ 明朝")); },
         [](TLOText* t) {
             return t->Font()->Name() == u"ＭＳ 明朝" && t->Font()->Charset() == SHIFTJIS_CHARSET;
         }},
        {"size", [&] { Type(panel->cmbFontSize, QStringLiteral("36")); },
         [](TLOText* t) { return t->Font()->Size() == 36; }},
        {"colour", [&] { PickColor(panel->btnFontColor, 1); },
         [](TLOText* t) { return t->TextColor()->Color() == clRed; }},
        {"align", [&] { panel->btnRightAlign->click(); }, [](TLOText* t) { return t->Align() == 2; }},
        {"style", [&] { panel->btnBold->click(); }, [](TLOText* t) { return t->Font()->Style() == fsBold; }},
        {"chars", [&] { QTest::keyClick(panel->cmbCharSpace, Qt::Key_Down); },
         [](TLOText* t) { return t->CharSpacing() == 10; }},
        {"lines", [&] { QTest::keyClick(panel->cmbLineSpace, Qt::Key_Up); },
         [](TLOText* t) { return t->LineSpacing() == -10; }},
        {"vertical", [&] { panel->cbVertical->click(); }, [](TLOText* t) { return t->Vertical(); }},
        {"autosize", [&] { panel->cbAutoSize->click(); }, [](TLOText* t) { return t->AutoSize(); }},
        {"shadow off", [&] { panel->cbShadow->click(); }, [](TLOText* t) { return t->Shadow() == 0; }},
        {"shadow on", [&] { panel->cbShadow->click(); }, [](TLOText* t) { return t->Shadow() == 8; }},
        {"shadow place", [&] { QTest::keyClick(panel->cmbShadow, Qt::Key_Down); },
         [](TLOText* t) { return t->Shadow() == 7; }},
        {"shadow colour", [&] { PickColor(panel->btnShadowColor, 5); },
         [](TLOText* t) { return t->ShadowColor()->Color() == clBlue; }},
        {"outline", [&] { panel->cbOutline->click(); }, [](TLOText* t) { return t->Outline(); }},
        {"outline width", [&] { panel->spnOutline->setValue(0.7); },
         [](TLOText* t) { return t->OutLineWidth() == 7; }},
        {"outline colour", [&] { PickColor(panel->btnOutlineColor, 3); },
         [](TLOText* t) { return t->OutlineColor()->Color() == clLime; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        editor->EditPanelIdle();
        const QByteArray before = StoredPage();
        const int recorded = UndoList().Count();
        const int secondSize = second->Font()->Size();
        step.act();
        EXPECT_TRUE(step.changed(first));
        EXPECT_TRUE(step.changed(second));
        EXPECT_EQ(first->Text()->ToQStringList(), QStringList{QStringLiteral("一")});
        EXPECT_EQ(second->Text()->ToQStringList(), QStringList{QStringLiteral("二")});
        if (std::string(step.name) != "size") {
            EXPECT_EQ(second->Font()->Size(), secondSize) << "only the chosen property";
        }
        ASSERT_EQ(UndoList().Count(), std::min(recorded + 1, 10));
        EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
        const QByteArray after = StoredPage();
        Undo();
        EXPECT_EQ(StoredPage(), before);
        Redo();
        EXPECT_EQ(StoredPage(), after);
        editor->DrawSite1->SelectAll(true);
    }
    // The stored face is the one named; it is drawn with the installed face that stands for it.
    EXPECT_EQ(FontMapper::Instance().FamilyFor(first->Font()->Name()), QStringLiteral("IPAMincho"));

    // Sizes outside 6 .. 998 or not a number give 24.
    for (const QString& typed : {QStringLiteral("5"), QStringLiteral("48"), QStringLiteral("1000")}) {
        Type(panel->cmbFontSize, typed);
        EXPECT_EQ(first->Font()->Size(), typed == u"48" ? 48 : 24) << typed.toStdString();
    }
    // A custom shadow shows checked with no direction, and a full apply keeps it.
    first->SetShadowOffsetX(30);
    panel->ShowObject(first);
    EXPECT_TRUE(panel->cbShadow->isChecked());
    EXPECT_EQ(panel->cmbShadow->currentIndex(), -1);
}

TEST_F(TextPanelTest, TheMemoWritesOneTextAndTheDefaultGoesToTheNextNewText) {
    EXPECT_EQ(panel->cmbFontName->currentText(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(panel->DefaultText()->Font()->Name(), QStringLiteral("ＭＳ Ｐゴシック"));
    EXPECT_EQ(FontMapper::Instance().FamilyFor(QStringLiteral("ＭＳ Ｐゴシック")),
              QStringLiteral("IPAPGothic"));
    UndoList().Clear();
    const QByteArray blank = StoredPage();

    // Nothing selected: the default takes the settings, nothing is recorded.
    editor->EditPanelIdle();
    Type(panel->cmbFontSize, QStringLiteral("48"));
    panel->btnItalic->click();
    Commit(panel->memText, QStringLiteral("あい"));
    EXPECT_EQ(panel->DefaultText()->Font()->Size(), 48);
    EXPECT_EQ(StoredPage(), blank);
    EXPECT_FALSE(UndoList().CanUndo());
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnPastText->isEnabled());
    panel->btnPastText->click();
    ASSERT_EQ(Texts().size(), 1u);
    TLOText* text = Texts()[0];
    EXPECT_EQ(text->Text()->ToQStringList(), QStringList{QStringLiteral("あい")});
    EXPECT_EQ(text->Font()->Size(), 48);
    EXPECT_EQ(text->Font()->Style(), fsItalic);
    EXPECT_TRUE(text->AutoSize());

    // One text: committed typing applies; a line break at the end adds no line and the caret stays.
    editor->DrawSite1->SelectAll(false);
    text->SetSelected(true);
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->memText->isEnabled());
    panel->memText->moveCursor(QTextCursor::End);
    QInputMethodEvent composing(QStringLiteral("う"), {});
    QApplication::sendEvent(panel->memText, &composing);
    EXPECT_EQ(text->Text()->ToQStringList(), QStringList{QStringLiteral("あい")})
        << "a composition is not text yet";
    Commit(panel->memText, QStringLiteral("う"));
    EXPECT_EQ(text->Text()->ToQStringList(), QStringList{QStringLiteral("あいう")});
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    // A size being typed outlives the idle updates until Enter applies it.
    panel->cmbFontSize->lineEdit()->selectAll();
    Commit(panel->cmbFontSize->lineEdit(), QStringLiteral("3"));
    editor->EditPanelIdle();
    EXPECT_EQ(panel->cmbFontSize->currentText(), QStringLiteral("3"));
    Commit(panel->cmbFontSize->lineEdit(), QStringLiteral("2"));
    QTest::keyClick(panel->cmbFontSize->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(text->Font()->Size(), 32);
    const int recorded = UndoList().Count();
    QTest::keyClick(panel->memText, Qt::Key_Return);
    const int caret = panel->memText->textCursor().position();
    editor->EditPanelIdle();
    EXPECT_EQ(panel->memText->textCursor().position(), caret);
    EXPECT_EQ(UndoList().Count(), recorded);
    Commit(panel->memText, QStringLiteral("え"));
    EXPECT_EQ(text->Text()->ToQStringList(), QStringList({QStringLiteral("あいう"), QStringLiteral("え")}));

    // The editor's edit commands act on the memo, and what they do applies.
    panel->memText->selectAll();
    TDrawSiteActionBase* cut = editor->DSAQueryCut1;
    cut->UpdateTarget(panel->memText);
    ASSERT_TRUE(cut->Enabled());
    cut->ExecuteTarget(panel->memText);
    EXPECT_EQ(Clipboard::Text(), QStringLiteral("あいう\nえ"));
    EXPECT_EQ(text->Text()->Count(), 0);
    editor->DSAPaste1->ExecuteTarget(panel->memText);
    EXPECT_EQ(text->Text()->Count(), 2);
    editor->DSAUndo1->UpdateTarget(panel->memText);
    EXPECT_TRUE(editor->DSAUndo1->Enabled());

    // Creating a text while one is selected gives it that one's style.
    text->SetOutline(true);
    panel->ShowObject(text);
    panel->btnPastText->click();
    ASSERT_EQ(Texts().size(), 2u);
    for (TLOText* each : Texts())
        EXPECT_TRUE(each->Outline());
}

TEST_F(TextPanelTest, VerticalOutlinedAndShadowedTextsAreDrawnSo) {
    TLOText* text = AddText(TRect(600, 1000, 1600, 1500), QStringLiteral("文字列"));
    text->SetSelected(true);
    editor->EditPanelIdle();
    Type(panel->cmbFontSize, QStringLiteral("120"));
    PickColor(panel->btnFontColor, 3);
    if (!text->AutoSize())
        panel->cbAutoSize->click();
    const auto span = [&](QRgb want) {
        editor->DrawSite1->repaint();
        const QImage image = editor->DrawSite1->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QRect found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb p = image.pixel(x, y);
                if (std::abs(qRed(p) - qRed(want)) < 40 && std::abs(qGreen(p) - qGreen(want)) < 40 &&
                    std::abs(qBlue(p) - qBlue(want)) < 40)
                    found |= QRect(x, y, 1, 1);
            }
        return found;
    };
    const QRgb lime = qRgb(0, 255, 0);
    const QRect across = span(lime);
    ASSERT_FALSE(across.isEmpty());
    EXPECT_GT(across.width(), 2 * across.height());
    panel->cbVertical->click();
    const QRect down = span(lime);
    EXPECT_GT(down.height(), 2 * down.width()) << "three characters run downwards";

    EXPECT_TRUE(span(qRgb(255, 0, 0)).isEmpty());
    panel->SetPage(TfrmAMText::pgEffect);
    if (!text->Outline())
        panel->cbOutline->click();
    PickColor(panel->btnOutlineColor, 1);
    panel->spnOutline->setValue(0.5);
    const QRect outline = span(qRgb(255, 0, 0));
    ASSERT_FALSE(outline.isEmpty());
    EXPECT_TRUE(outline.contains(span(lime).center())) << "the outline rings the letters";

    if (text->Shadow() == 0)
        panel->cbShadow->click();
    PickColor(panel->btnShadowColor, 5);
    ASSERT_EQ(text->Shadow(), 8);
    const QRect shadow = span(qRgb(0, 0, 255));
    ASSERT_FALSE(shadow.isEmpty());
    // Shifted to the lower right, the shadow shows beyond the letters there and not at their upper left.
    EXPECT_GT(shadow.left(), outline.left());
    EXPECT_GT(shadow.top(), outline.top());
    EXPECT_GE(shadow.right(), outline.right());
    EXPECT_GE(shadow.bottom(), outline.bottom());
}

TEST_F(TextPanelTest, ExifInformationOfAFileOrAPhotoBecomesTheWords) {
    ExifBuilder b(true);
    b.AddIfd({b.Ascii(271, "Maker"), b.Ascii(EXIFTAG_DateTime, "2003:04:05 06:07:08"),
              b.Link(EXIFTAG_ExifIFD, 1)});
    b.AddIfd({{EXIFTAG_ExifVersion, 7, 4, QByteArray("0220")},
              b.Rational(33434, {{1, 250}}),
              b.Rational(37377, {{40, 1}}, 10), // 2^40 is beyond the integers
              b.Rational(37378, {{6643856, 1000000}}),
              b.Rational(37381, {{2971, 1000}}),
              b.Rational(37386, {{50, 0}}),
              b.Short(37385, 1),
              b.Long(40962, 640)});
    const QStringList tags = {QStringLiteral("Exifバージョン:2.20"),
                              QStringLiteral("メーカー名:Maker"),
                              QStringLiteral("更新日時:2003/04/05 06:07:08"),
                              QStringLiteral("露光時間:1/250秒"),
                              QStringLiteral("シャッター速度:"),
                              QStringLiteral("絞り値:F10"),
                              QStringLiteral("レンズ開放F値:F2.8"),
                              QStringLiteral("レンズ焦点距離:"),
                              QStringLiteral("フラッシュ:オン"),
                              QStringLiteral("画像幅:640ピクセル")};
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        const QString path = QDir(ExeDir()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    };
    TLOText* text = AddText(TRect(100, 100, 900, 400), QStringLiteral("前"));
    text->SetSelected(true);
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnExifInfoFile->isEnabled());
    EXPECT_FALSE(panel->btnExifInfoFilePhoto->isEnabled());
    UndoList().Clear();

    // From a file: the selected text takes the lines.
    dialogs.files = {write(QStringLiteral("DSC001.JPG"), Jpeg({Segment(0xE1, b.Block())}))};
    panel->btnExifInfoFile->click();
    EXPECT_EQ(text->Text()->ToQStringList(), QStringList{QStringLiteral("ファイル名:DSC001.JPG")} + tags);
    EXPECT_EQ(UndoList().Count(), 1);

    // No date in the first directory, or no readable file: said so, and the words stay.
    ExifBuilder undated(true);
    undated.AddIfd({undated.Ascii(271, "Maker")});
    dialogs.files = {write(QStringLiteral("plain.jpg"), Jpeg({Segment(0xE1, undated.Block())})),
                     QDir(ExeDir()).filePath(QStringLiteral("missing.jpg"))};
    dialogs.answers = {mrOk, mrOk};
    panel->btnExifInfoFile->click();
    panel->btnExifInfoFile->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    for (const auto& box : dialogs.boxes)
        EXPECT_EQ(box.text, QStringLiteral("この画像ファイルはExif情報に対応していません"));
    EXPECT_EQ(text->Text()->Count(), 11);

    // From the one selected photo: the memo takes the lines, the page stays until pasted.
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(image.save(&buffer, "JPEG"));
    jpeg.insert(2, Segment(0xE1, b.Block()));
    ASSERT_TRUE(editor->InsertPicture(write(QStringLiteral("photo.jpg"), jpeg)));
    editor->actModeText->trigger();
    panel = dynamic_cast<TfrmAMText*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    editor->DrawSite1->SelectAll(false);
    TDOList all;
    editor->DrawSite1->ListObjects(all, false);
    for (TDrawObject* object : all)
        if (dynamic_cast<TLOAlbumPhoto*>(object) != nullptr)
            object->SetSelected(true);
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnExifInfoFilePhoto->isEnabled());
    const QByteArray page = StoredPage();
    const int recorded = UndoList().Count();
    panel->btnExifInfoFilePhoto->click();
    const QStringList lines = panel->MemoLines();
    ASSERT_EQ(lines.size(), tags.size() + 1);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("ファイル名:"))) << lines[0].toStdString();
    EXPECT_EQ(lines.mid(1), tags);
    Type(panel->cmbFontSize, QStringLiteral("30"));
    EXPECT_EQ(StoredPage(), page) << "with a photo selected the panel only imports";
    EXPECT_EQ(UndoList().Count(), recorded);
    panel->btnPastText->click();
    EXPECT_EQ(Texts().size(), 2u);
}

} // namespace
