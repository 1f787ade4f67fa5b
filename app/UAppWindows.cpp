#include "app/UAppWindows.h"

#include "app/FAMBackGround.h"
#include "app/FAMFigure.h"
#include "app/FAMIllust.h"
#include "app/FAMPhoto.h"
#include "app/FAMText.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/FSheet.h"
#include "app/FStartMenu.h"
#include "app/UEditModePanel.h"
#include "app/UModeForm.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FAbout.h"
#include "app/dialogs/FEnvironment.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPhotoCD.h"
#include "app/dialogs/FPrintPaperBase.h"
#include "controls/FColorGrid.h"
#include "imaging/UPictureUtil.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Application.h"

#include <QFileInfo>
#include <QPointer>
#include <concepts>
#include <optional>
#include <utility>
#include <vector>

namespace {

// What the main window asks of a mode form, forwarded to the form: the forms' headers stay free of the
// interface, so changing it recompiles this unit and the main window, not every user of a form. A
// form answers what it declares; the rest keeps the interface's defaults.
template <class Form>
class THostedModeForm final : public QObject, public IModeForm {
public:
    // Owned by the form, so it goes with it.
    explicit THostedModeForm(Form* form) : QObject(form), form_(form) {}

    bool CloseQuery() override {
        if constexpr (AnswersCloseQuery<Form>)
            return form_->CloseQuery();
        return IModeForm::CloseQuery();
    }
    void StorePage() override {
        if constexpr (AnswersStorePage<Form>)
            form_->StorePage();
    }
    void AttachDocument(TLabelData* document) override {
        if constexpr (AnswersAttachDocument<Form>)
            form_->AttachDocument(document);
    }
    void DetachDocument() override {
        if constexpr (AnswersDetachDocument<Form>)
            form_->DetachDocument();
    }
    void RefreshPreview() override {
        if constexpr (AnswersRefreshPreview<Form>)
            form_->RefreshPreview();
    }
    void OpenPrintDialog() override {
        if constexpr (AnswersOpenPrintDialog<Form>)
            form_->OpenPrintDialog();
    }
    bool IsModified() const override {
        if constexpr (AnswersIsModified<Form>)
            return std::as_const(*form_).IsModified();
        return IModeForm::IsModified();
    }
    void SetModified(bool value) override {
        if constexpr (AnswersSetModified<Form>)
            form_->SetModified(value);
    }
    bool InsertPicture(const QString& fileName) override {
        if constexpr (AnswersInsertPicture<Form>)
            return form_->InsertPicture(fileName);
        return IModeForm::InsertPicture(fileName);
    }
    void EditObjectProperty(TObject* object) override {
        if constexpr (AnswersEditObjectProperty<Form>)
            form_->EditObjectProperty(object);
    }
    void ResetPapers() override {
        if constexpr (AnswersResetPapers<Form>)
            form_->ResetPapers();
    }
    std::optional<bool> HasPageContent() const override {
        if constexpr (AnswersHasPageContent<Form>)
            return std::as_const(*form_).HasPageContent();
        return IModeForm::HasPageContent();
    }

private:
    Form* form_;
};

// What each form must answer: one that renamed or dropped a member would silently fall back to the
// default. Each message names the form and the member.
static_assert(AnswersAttachDocument<TfrmLayout>, "TfrmLayout must give void AttachDocument(TLabelData*)");
static_assert(AnswersStorePage<TfrmLayout>, "TfrmLayout must give void StorePage()");
static_assert(AnswersSetModified<TfrmLayout>, "TfrmLayout must give void SetModified(bool)");
static_assert(AnswersIsModified<TfrmLayout>, "TfrmLayout must give bool IsModified() const");
static_assert(AnswersHasPageContent<TfrmLayout>, "TfrmLayout must give std::optional<bool> HasPageContent() const");
static_assert(AnswersInsertPicture<TfrmLayout>, "TfrmLayout must give bool InsertPicture(const QString&)");
static_assert(AnswersEditObjectProperty<TfrmLayout>, "TfrmLayout must give void EditObjectProperty(TObject*)");
static_assert(AnswersAttachDocument<TfrmSheet>, "TfrmSheet must give void AttachDocument(TLabelData*)");
static_assert(AnswersResetPapers<TfrmPaperSelectBase>, "TfrmPaperSelectBase must give void ResetPapers()");
static_assert(AnswersDetachDocument<TfrmPrintPaperBase>, "TfrmPrintPaperBase must give void DetachDocument()");
static_assert(AnswersRefreshPreview<TfrmPrintPaperBase>, "TfrmPrintPaperBase must give void RefreshPreview()");
static_assert(AnswersOpenPrintDialog<TfrmPrintPaperBase>, "TfrmPrintPaperBase must give void OpenPrintDialog()");

template <class Form>
void RegisterHosted(TModeKind kind) {
    static_assert(ModeFormMembersMatch<Form>());
    RegisterModeForm(kind, [](IAppHost* host) {
        auto* form = new Form(host);
        return TModeFormMade{form, new THostedModeForm<Form>(form)};
    });
}

class TAppWindows : public IAppWindows {
public:
    void RegisterForms() override {
        // A property panel registered already (a test's stand-in) stays; only those added here go.
        const auto add = [this](TEditMode mode, auto registerPanel) {
            if (IsEditModePanelRegistered(mode))
                return;
            registerPanel();
            panels_.push_back(mode);
        };
        add(emBackGround, [] { RegisterEditModePanel<TfrmAMBackGround>(emBackGround); });
        add(emIllust, [] { RegisterEditModePanel<TfrmAMIllust>(emIllust); });
        add(emFigure, [] { RegisterEditModePanel<TfrmAMFigure>(emFigure); });
        add(emPhoto, [] { RegisterEditModePanel<TfrmAMPhoto>(emPhoto); });
        add(emText, [] { RegisterEditModePanel<TfrmAMText>(emText); });
        SetPhotoCDLoader(PhotoCDLoader);
    }

    void UnregisterForms() override {
        // Every mode form goes, a stand-in registered over one of these too.
        for (int kind = 0; kind < mkModeCount; ++kind)
            RegisterModeForm(TModeKind(kind), {});
        for (const TEditMode mode : panels_)
            RegisterEditModePanel(mode, typeid(void), {});
        panels_.clear();
        SetPhotoCDLoader(nullptr);
        // The zoom an editor leaves for the next one is kept for the run, which ends with this module:
        // a new main window's editors open with the automatic zoom, and place new objects as the
        // first window's did (in the middle of what is seen).
        LastLayoutScale = 0;
        ForgetSheetZoom();
    }

    void BeforeSharedData() override {
        auto* splash = new TfrmAbout(nullptr);
        splash_ = splash;
        splash->SetMode(TfrmAbout::kModeSplash);
        splash->show();
        splash->repaint();
        SetImageDispLimitSize(GetImageDispLimitSize());
        SetImagePrintLimitSize(GetImagePrintLimitSize());
    }

    void CreateMainWindows() override {
        RegisterHosted<TfrmStartMenuBase>(mkStartMenu);
        RegisterHosted<TfrmPaperSelectBase>(mkPaper);
        RegisterHosted<TfrmLayout>(mkLayout);
        RegisterHosted<TfrmPrintPaperBase>(mkPrint);
        RegisterHosted<TfrmSheet>(mkSheet);
        auto* main = new TfrmMain(nullptr);
        main_ = main;
        TApplication::SetMainForm(main);
        if (TfrmAbout* about = Splash())
            about->GuardMainForm();
        colorGrid_ = new TfrmColorGrid(nullptr);
    }

    void PapersChanged() override {
        if (TfrmMain* main = MainForm())
            main->LoadPaperPrintSetting();
    }

    void FirstIdle(const QStringList& arguments) override {
        TfrmMain* main = MainForm();
        if (!main)
            return;
        const QString fileName = arguments.isEmpty() ? QString() : arguments.first();
        if (!fileName.isEmpty() && QFileInfo(fileName).isFile() && main->OpenDocument(fileName)) {
            // Without the mode the document opens in, the start menu holds it.
            if (!main->HostedForm())
                main->EnterModeKind(mkStartMenu, true);
            return;
        }
        main->actStartMenu->trigger();
    }

    void DestroyWindows() override {
        delete splash_.data();
        delete colorGrid_.data();
        delete main_.data();
    }

    TfrmMain* MainForm() const override { return main_.data(); }
    IAppHost* Host() const override { return main_.data(); }
    TfrmAbout* Splash() const override { return splash_.data(); }

private:
    QPointer<TfrmMain> main_;
    QPointer<TfrmAbout> splash_;
    QPointer<QWidget> colorGrid_;
    std::vector<TEditMode> panels_;
};

} // namespace

std::shared_ptr<IAppWindows> MakeAppWindows() {
    return std::make_shared<TAppWindows>();
}
