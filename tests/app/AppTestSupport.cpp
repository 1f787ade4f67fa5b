#include "tests/app/AppTestSupport.h"

#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/UAppHost.h"
#include "app/UAppWindows.h"
#include "app/UModeForm.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FAbout.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "core/UPathUtil.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"
#include "platform/Settings.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

// Qt's fontconfig font engine keeps a fallback pattern it matched (here for a digit followed by a
// kanji in a text box) past the end of the process; it is not ours to free. The library has no frame
// pointers, so the report's stack ends inside it and only the library can be named. SANE's test
// backend (the scanner roads) does not free all it allocates either.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\nleak:libsane-test.so\n";
}

PrivateSettings::PrivateSettings() : previous_(SettingsStore::FileName()) {
    SettingsStore::SetFileName(dir_.filePath(QStringLiteral("registry.ini")));
}

PrivateSettings::~PrivateSettings() {
    SettingsStore::SetFileName(previous_);
}

AppFixture::AppFixture() {
    QFile::copy(QStringLiteral(QUORLANE_SYSTEM_PAPERS), exeDir_.filePath(QStringLiteral("quorlane.ppr")));
    QFile::copy(QStringLiteral(QUORLANE_EXE_DIR "/AlbumShd.dat"),
                exeDir_.filePath(QStringLiteral("AlbumShd.dat")));
    // Each test starts as a first run.
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quorlane"))
        .removeRecursively();
}

AppFixture::~AppFixture() {
    data.reset();
}

QString AppFixture::UserFolder() const {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quorlane/1.0");
}

TdataMain& AppFixture::Start(const QStringList& arguments) {
    TDataMainOptions options;
    options.Environment = environment;
    options.Arguments = arguments;
    options.Windows = MakeAppWindows();
    const QString dir = IncludeBackslash(exeDir_.path());
    options.Macros = {{QStringLiteral("ExeDir"), dir},
                      {QStringLiteral("exeDir"), dir},
                      {QStringLiteral("ExeNameNoExt"), dir + QStringLiteral("quorlane")}};
    data = std::make_unique<TdataMain>(nullptr, options);
    return *data;
}

void RunLoopUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    // A real loop: idle work runs only when the loop is about to wait.
    while (!done() && timer.elapsed() < timeoutMs) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

void AppFixture::RunUntilIdleHandled() {
    RunLoopUntil([this] { return !data || data->IdleHandled(); });
}

TfrmMain* AppFixture::StartMainWindow(const std::function<void()>& beforeIdle) {
    Start();
    if (beforeIdle)
        beforeIdle();
    RunUntilIdleHandled();
    if (QPointer<TfrmAbout> splash = data->Splash()) {
        splash->RequestClose();
        RunLoopUntil([&] { return !splash; });
    }
    return data->MainForm();
}

void RegisterPageClasses() {
    for (const TMetaClass* meta : {&TLORect::StaticClass(), &TLOAlbumPhoto::StaticClass()})
        if (GetClass(meta->Name()) == nullptr)
            RegisterClass(*meta);
}

void UseFourSlots(TLabelData& document) {
    TMatrixPaperInfo fourSlots(nullptr);
    fourSlots.SetWidth(2100);
    fourSlots.SetHeight(2970);
    fourSlots.LeftOffset = 200;
    fourSlots.TopOffset = 300;
    fourSlots.RightMargin = 100;
    fourSlots.BottomMargin = 100;
    fourSlots.FaceWidth = 800;
    fourSlots.FaceHeight = 1000;
    fourSlots.FaceCountX = 2;
    fourSlots.FaceCountY = 2;
    document.ChangePaperInfo(fourSlots);
    document.FaceSides = fsBoth;
}

TfrmLayout* OpenLayoutEditor(TfrmMain* main) {
    main->actNew->trigger();
    main->actLayout->trigger();
    return qobject_cast<TfrmLayout*>(main->HostedForm());
}

TfrmLayout* OpenLayoutEditorShown(TfrmMain* main, const QSize& size) {
    main->resize(size);
    main->show();
    QApplication::setActiveWindow(main);
    return OpenLayoutEditor(main);
}

TfrmLayout* HostedEditor(TfrmMain* main) {
    return qobject_cast<TfrmLayout*>(main->HostedForm());
}

TDrawSite& EditorSite(TfrmLayout* editor) {
    return *editor->DrawSite1;
}

QWidget* EditorPanel(TfrmLayout* editor) {
    return editor->EditPanel();
}

void EditorIdle(TfrmLayout* editor) {
    editor->EditPanelIdle();
}

void EditorUndo(TfrmLayout* editor) {
    editor->DSAUndo1->ExecuteTarget(editor->DrawSite1);
}

void EditorRedo(TfrmLayout* editor) {
    editor->DSARedo1->ExecuteTarget(editor->DrawSite1);
}

void TriggerEditorAction(TfrmLayout* editor, const char* name) {
    auto* action = editor->findChild<QAction*>(QString::fromLatin1(name));
    if (action == nullptr) {
        ADD_FAILURE() << "the editor has no command " << name;
        return;
    }
    action->trigger();
}

TfrmPaperSelectPanel* HostedPaperPanel(TfrmMain* main) {
    auto* selection = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    return selection ? selection->Panel() : nullptr;
}

namespace {

class StandInLayout : public QWidget, public IModeForm {
public:
    StandInLayout(QWidget* parent, int* storedPages) : QWidget(parent), storedPages_(storedPages) {}
    void StorePage() override {
        if (storedPages_)
            ++*storedPages_;
    }

private:
    int* storedPages_;
};

} // namespace

void RegisterStandInLayout(int* storedPages) {
    RegisterModeForm(mkLayout, [storedPages](IAppHost* host) {
        auto* form = new StandInLayout(host->HostWindow(), storedPages);
        return TModeFormMade{form, form};
    });
}

void LoadSheetFace(TLabelData& doc, int sheet, int face, TOwnedDOList& objects) {
    const int current = doc.CurrentSheetNo();
    doc.SetCurrentSheetNo(sheet);
    doc.LoadLabelObjects(face, objects);
    doc.SetCurrentSheetNo(current);
}

QStringList EnglishWords(const QString& text) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    QStringList words;
    for (auto it = word.globalMatch(text); it.hasNext();)
        if (const QString found = it.next().captured(); !QStringList{"OK", "URL", "mm"}.contains(found))
            words << found;
    return words;
}

void WhenModal(const std::function<void(QWidget*)>& act, int tries) {
    constexpr int kRetryMs = 10;
    QTimer::singleShot(tries == 300 ? 0 : kRetryMs, [act, tries] {
        if (QWidget* window = QApplication::activeModalWidget())
            act(window);
        else if (tries > 0)
            WhenModal(act, tries - 1);
    });
}

QByteArray ExifJpeg(const QImage& image, const QByteArray& dateTime) {
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    // A little-endian TIFF block: the first directory (DateTime, the Exif directory's place), the
    // Exif directory (DateTimeOriginal), then the two texts.
    constexpr quint16 kAscii = 2, kLong = 4;
    constexpr quint32 kIfd0 = 8, kExifIfd = kIfd0 + 2 + 2 * 12 + 4, kTexts = kExifIfd + 2 + 12 + 4;
    const QByteArray text = dateTime + '\0';
    const auto length = quint32(text.size());
    QByteArray tiff;
    QDataStream out(&tiff, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("II", 2);
    out << quint16(42) << kIfd0;
    out << quint16(2) << quint16(306) << kAscii << length << kTexts;
    out << quint16(34665) << kLong << quint32(1) << kExifIfd << quint32(0);
    out << quint16(1) << quint16(36867) << kAscii << length << kTexts + length << quint32(0);
    out.writeRawData(text.constData(), text.size());
    out.writeRawData(text.constData(), text.size());
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const auto segmentLength = quint16(payload.size() + 2);
    QByteArray segment("\xFF\xE1", 2);
    segment.append(char(segmentLength >> 8)).append(char(segmentLength & 0xFF)).append(payload);
    // Right after the start marker, where cameras put it.
    jpeg.insert(2, segment);
    return jpeg;
}
