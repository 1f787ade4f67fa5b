#pragma once
// A data module started in a folder of its own: copies of the shipped papers and shadow as the
// program's folder, a machine that passes every start-up check, every message scripted.

#include "app/DMain.h"
#include "tests/FakeDialogService.h"

#include <QTemporaryDir>
#include <QStringList>
#include <QWidget>

class QImage;
class QWidget;
class TDrawSite;
class TLabelData;
class TfrmLayout;
class TfrmPaperSelectPanel;
class TOwnedDOList;
#include <functional>
#include <memory>

// Runs the event loop until done() holds or the time is up.
void RunLoopUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// The rectangle and the album photo readable from stored pages (once for the process).
void RegisterPageClasses();
// Four photo slots on A4, printed on both sides.
void UseFourSlots(TLabelData& document);

// A new document of main opened in the layout editor; null when the editor did not come up.
TfrmLayout* OpenLayoutEditor(TfrmMain* main);
// The same with main first given that size, shown and made the active window, as a user's is.
TfrmLayout* OpenLayoutEditorShown(TfrmMain* main, const QSize& size);

// What the tests that drive the editor through its page and panels use of it, so that they need not
// include the editor's header (its whole declaration and the mode-form interface would recompile
// each of them on every change there).
// The editor main hosts; null while it hosts another form.
TfrmLayout* HostedEditor(TfrmMain* main);
TDrawSite& EditorSite(TfrmLayout* editor);
// The property panel of the editor's current edit mode.
QWidget* EditorPanel(TfrmLayout* editor);
// The editor's idle round, which shows the selection in its panel.
void EditorIdle(TfrmLayout* editor);
void EditorUndo(TfrmLayout* editor);
void EditorRedo(TfrmLayout* editor);
// Triggers the editor's command of that object name ("actModeText"); a missing one fails the test.
void TriggerEditorAction(TfrmLayout* editor, const char* name);

// The panel of the paper selection main hosts; null while it hosts another form.
TfrmPaperSelectPanel* HostedPaperPanel(TfrmMain* main);
// Registers a plain form for the layout step (the tests of the steps before it need no editor);
// storedPages, when given, counts the pages the main window has it store.
void RegisterStandInLayout(int* storedPages = nullptr);

// image as a JPEG file whose Exif block dates it as a camera does: "YYYY:MM:DD hh:mm:ss" as the
// DateTime of the first directory and as the DateTimeOriginal of the Exif directory.
QByteArray ExifJpeg(const QImage& image, const QByteArray& dateTime);

// Face face of sheet sheet of doc into objects; the current sheet stays as it was.
void LoadSheetFace(TLabelData& doc, int sheet, int face, TOwnedDOList& objects);

// Acts on the modal window once it is up (a zero timer, then short ones until it is).
void WhenModal(const std::function<void(QWidget*)>& act, int tries = 300);
// The English words a text a user reads holds ("OK", "URL" and "mm" are shared by Japanese texts).
QStringList EnglishWords(const QString& text);
// The same for the first modal window of class T; waiting popups before it are passed over.
template <class T>
void WhenModalOf(const std::function<void(T*)>& act, int tries = 300) {
    WhenModal(
        [act, tries](QWidget* window) {
            if (auto* wanted = qobject_cast<T*>(window))
                act(wanted);
            else if (tries > 0)
                WhenModalOf<T>(act, tries - 1);
        },
        tries);
}

// Points the settings store at a file of its own while it lives: one test's settings (a paper
// history, a proxy, a window's place) never reach the next one run in the same process.
class PrivateSettings {
public:
    PrivateSettings();
    ~PrivateSettings();
    PrivateSettings(const PrivateSettings&) = delete;
    PrivateSettings& operator=(const PrivateSettings&) = delete;

private:
    QTemporaryDir dir_;
    QString previous_;
};

class PassingEnvironment : public TAppEnvironment {
public:
    bool instanceFree = true;
    QString lockName;
    int ScreenColorBits() override { return 24; }
    bool IsPowerUser() override { return true; }
    bool HasDefaultPrinter() override { return true; }
    bool AcquireInstance(const QString& name) override {
        lockName = name;
        return instanceFree;
    }
    QStringList Volumes() override { return {}; }
};

class AppFixture : public ::testing::Test {
protected:
    AppFixture();
    ~AppFixture() override;

    // The program's folder: quorlane.ppr and AlbumShd.dat.
    QString ExeDir() const { return exeDir_.path(); }
    QString UserFolder() const;
    // Starts the data module (dialogs scripted through `dialogs`).
    TdataMain& Start(const QStringList& arguments = {});
    // Lets the event loop run until the first idle was handled (or 5 s pass).
    void RunUntilIdleHandled();
    // Starts the data module and waits for its main window with the splash gone; null without one.
    // beforeIdle runs once the module is made, before its first idle (stand-in mode forms go there).
    TfrmMain* StartMainWindow(const std::function<void()>& beforeIdle = {});

    PrivateSettings settings;
    FakeDialogService dialogs;
    std::shared_ptr<PassingEnvironment> environment = std::make_shared<PassingEnvironment>();
    std::unique_ptr<TdataMain> data;

private:
    QTemporaryDir exeDir_;
};
