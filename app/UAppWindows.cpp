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
        if constexpr (requires(Form& f) { f.CloseQuery(); })
            return form_->CloseQuery();
        return IModeForm::CloseQuery();
    }
    void StorePage() override {
        if constexpr (requires(Form& f) { f.StorePage(); })
            form_->StorePage();
    }
    void AttachDocument(TLabelData* document) override {
        if constexpr (requires(Form& f, TLabelData* d) { f.AttachDocument(d); })
            form_->AttachDocument(document);
    }
    void DetachDocument() override {
        if constexpr (requires(Form& f) { f.DetachDocument(); })
            form_->DetachDocument();
    }
    void RefreshPreview() override {
        if constexpr (requires(Form& f) { f.RefreshPreview(); })
            form_->RefreshPreview();
    }
    bool IsModified() const override {
        if constexpr (requires(const Form& f) { f.IsModified(); })
            return std::as_const(*form_).IsModified();
        return IModeForm::IsModified();
    }
    void SetModified(bool value) override {
        if constexpr (requires(Form& f) { f.SetModified(true); })
            form_->SetModified(value);
    }
    bool InsertPicture(const QString& fileName) override {
        if constexpr (requires(Form& f, const QString& name) { f.InsertPicture(name); })
            return form_->InsertPicture(fileName);
        return IModeForm::InsertPicture(fileName);
    }
    void EditObjectProperty(TObject* object) override {
        if constexpr (requires(Form& f, TObject* o) { f.EditObjectProperty(o); })
            form_->EditObjectProperty(object);
    }
    void ResetPapers() override {
        if constexpr (requires(Form& f) { f.ResetPapers(); })
            form_->ResetPapers();
    }
    std::optional<bool> HasPageContent() const override {
        if constexpr (requires(const Form& f) { f.HasPageContent(); })
            return std::as_const(*form_).HasPageContent();
        return IModeForm::HasPageContent();
    }

private:
    Form* form_;
};

// A form that renamed or dropped one of these would silently fall back to the default; these say
// which form answers what.
static_assert(requires(TfrmLayout& f, TLabelData* d, TObject* o) {
    f.AttachDocument(d);
    f.StorePage();
    f.SetModified(true);
    { std::as_const(f).IsModified() } -> std::same_as<bool>;
    { std::as_const(f).HasPageContent() } -> std::same_as<std::optional<bool>>;
    { f.InsertPicture(QString()) } -> std::same_as<bool>;
    f.EditObjectProperty(o);
});
static_assert(requires(TfrmSheet& f, TLabelData* d) { f.AttachDocument(d); });
static_assert(requires(TfrmPaperSelectBase& f) { f.ResetPapers(); });
static_assert(requires(TfrmPrintPaperBase& f) {
    f.DetachDocument();
    f.RefreshPreview();
});

template <class Form>
void RegisterHosted(TModeKind kind) {
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
