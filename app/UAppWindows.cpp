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
#include <vector>

namespace {

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
        RegisterStartMenu();
        RegisterPaperSelect();
        RegisterLayoutEditor();
        RegisterPrintMode();
        RegisterSheetWindow();
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
