#include "pageobjects/layout/ULOCreator.h"

#include "core/UAppUtil.h"
#include "imaging/UAutoAdjustFilter.h"
#include "imaging/UColorFill.h"
#include "imaging/UColorFillHistory.h"
#include "imaging/UImageData.h"
#include "imaging/UImageFilter.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULODecoLine.h"
#include "pageobjects/layout/ULODecoString.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOJANCode.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULOOLE.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "platform/ClassRegistry.h"
#include "platform/Clipboard.h"

namespace {

// New texts cast a grey shadow once the user turns the shadow on.
constexpr TColor kNewTextShadowColor = 0x808080;
constexpr TColor kBackgroundWhite = 0xFFFFFF;

bool IsOneOf(const QString& kind, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (kind == QLatin1String(name))
            return true;
    return false;
}

struct TInsertFlags {
    bool edit = false;
    bool place = false;
};

TInsertFlags PrepareImage(TLOImage& image, const QString& kind) {
    if (kind == QLatin1String("TLOOnePoint")) {
        image.SetImageSource(isOnePoint);
        return {true, false};
    }
    if (kind == QLatin1String("TLOTwain")) {
        image.SetImageSource(isTwain);
        return {true, false};
    }
    image.SetImageSource(isFile);
    if (kind == QLatin1String("TLOBitmapPaste")) {
        image.PasteBitmap();
        image.AdjustSizeToPicture();
    } else if (kind == QLatin1String("TLOMetafilePaste")) {
        image.PasteMetafile();
        image.AdjustSizeToPicture();
    } else if (kind == QLatin1String("TLOImagePaste")) {
        image.Picture()->AssignClipboard();
        image.AdjustSizeToPicture();
    }
    return {true, false};
}

TInsertFlags Prepare(TDrawObject& object, const QString& kind, TDrawSite& site) {
    if (IsOneOf(kind, {"TLOJANCode", "TLODecoLine", "TLODecoString", "TLOAlphaMask"}))
        return {true, false};
    if (kind == QLatin1String("TLOAlbumPhoto")) {
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(&object))
            photo->SetImageSource(isFile);
        return {true, false};
    }
    if (IsOneOf(kind, {"TLOImage", "TLOAlbumIllust", "TLOOnePoint", "TLOTwain", "TLOBitmapPaste",
                       "TLOMetafilePaste", "TLOImagePaste"})) {
        if (auto* image = dynamic_cast<TLOImage*>(&object))
            return PrepareImage(*image, kind);
        return {true, false};
    }
    if (IsOneOf(kind, {"TLOText", "TLOTextPaste", "TLODate"})) {
        auto* text = dynamic_cast<TLOText*>(&object);
        if (text != nullptr)
            text->SetAutoSize(true);
        if (kind == QLatin1String("TLOTextPaste")) {
            if (text != nullptr)
                text->Text()->SetText(Clipboard::Text());
            return {false, false};
        }
        if (auto* date = dynamic_cast<TLODate*>(&object); date != nullptr && kind == QLatin1String("TLODate")) {
            if (date->Format().isEmpty())
                date->SetFormat(QString::fromUtf16(kDefaultDateFormat));
            date->SetDate(NowDateTime());
        }
        return {true, false};
    }
    if (kind == QLatin1String("TLOOLEPaste")) {
        if (auto* ole = dynamic_cast<TLOOLE*>(&object)) {
            ole->PasteFromClipboard();
            ole->TakeNaturalExtent();
        }
        return {false, false};
    }
    if (kind == QLatin1String("TLOBackImage")) {
        auto* back = dynamic_cast<TLOBackImage*>(&object);
        if (back != nullptr && back->LogWidth() == 0) {
            back->FillColor()->SetKind(cskSolid);
            back->FillColor()->SetColor(kBackgroundWhite);
            back->SetLogRect(TRect(0, 0, site.LogWidth(), site.LogHeight()));
            back->SetEnabled(false);
            back->SetSelectable(false);
        }
        return {true, false};
    }
    return {false, true};
}

void RegisterStreamClasses() {
    RegisterClasses({&TLOLine::StaticClass(), &TLOAlphaMask::StaticClass(), &TLODecoLine::StaticClass(),
                     &TLOJANCode::StaticClass(), &TLOCurve::StaticClass(), &TLOCircle::StaticClass(),
                     &TLOImage::StaticClass(), &TLODate::StaticClass(), &TLOBackImage::StaticClass(),
                     &TLODecoString::StaticClass(), &TLOText::StaticClass(), &TDOGroup::StaticClass(),
                     &TLOOLE::StaticClass(), &TLOAlbumPhoto::StaticClass(), &TLOAlbumIllust::StaticClass()});
    // Stored "TLOText" and "TLOImage" are read as the wizard classes, which the editor works with.
    // TLOText is an ancestor of the wizard text: registering that brings it back, so it goes again.
    UnRegisterClass(TLOText::StaticClass());
    RegisterClass(TLOWizardText::StaticClass());
    UnRegisterClass(TLOText::StaticClass());
    RegisterClassAlias(TLOWizardText::StaticClass(), QStringLiteral("TLOText"));
    UnRegisterClass(TLOImage::StaticClass());
    RegisterClass(TLOWizardImage::StaticClass());
    RegisterClassAlias(TLOWizardImage::StaticClass(), QStringLiteral("TLOImage"));
    // What page objects hold: the album photo's inner image, shade and photo, image data with its
    // filters, colour specs and their gradations, and the colour-spec history's entries.
    RegisterClasses(
        {&TLOPhotoImage::StaticClass(), &TLOAlbumShade::StaticClass(), &TImageData::StaticClass(),
         &TPhotoImageData::StaticClass(), &TClipFilter::StaticClass(), &TBlurFilter::StaticClass(),
         &TLightFilter::StaticClass(), &TMonotoneFilter::StaticClass(), &TAutoNormalizeFilter::StaticClass(),
         &TBJExifNormalizeFilter::StaticClass(), &TAutoAdjustFilter::StaticClass(),
         &TColorSpec::StaticClass(), &TGradationColors::StaticClass(), &TColorSpecWrapper::StaticClass()});
}

} // namespace

TDrawObject* TLOCreator::CreateObject(const QString& kindName) {
    if (IsOneOf(kindName, {"TLOImage", "TLOOnePoint", "TLOTwain", "TLOMetafilePaste", "TLOBitmapPaste",
                           "TLOImagePaste"}))
        return new TLOAlbumIllust(nullptr);
    if (IsOneOf(kindName, {"TLOText", "TLOTextPaste"}))
        return new TLOWizardText(nullptr);
    if (kindName == QLatin1String("TLOOLEPaste"))
        return new TLOOLE(nullptr);
    const TMetaClass* meta = GetClass(kindName);
    if (meta == nullptr || !meta->InheritsFrom(TDrawObject::StaticClass()) || meta->IsAbstract())
        return nullptr;
    return static_cast<TDrawObject*>(meta->CreateComponent(nullptr));
}

bool TLOCreator::DoCommand(TDrawSite* site, const QString& kindName) {
    if (site == nullptr)
        return false;
    std::unique_ptr<TDrawObject> object(DesignerList().CreateObject(kindName));
    if (!object)
        return false;
    const TInsertFlags flags = Prepare(*object, kindName, *site);
    if (auto* text = dynamic_cast<TLOText*>(object.get()))
        text->ShadowColor()->SetColor(kNewTextShadowColor);
    return InsertCreatedObject(site, std::move(object), flags.edit, flags.place);
}

bool InsertCreatedObject(TDrawSite* site, std::unique_ptr<TDrawObject> object, bool edit, bool place) {
    if (site == nullptr || !object)
        return false;
    GhostList().ClearGhosts();
    site->SetCursor(crDefault);
    // The editor prepares the object first, so that its dialog opens on the panel's settings.
    if (const TObjectCreatedHook hook = ObjectCreatedHook())
        hook(object.get());
    // The dialog sees the object before it is on the site; a cancel takes it away unseen.
    if (edit && !DesignerList().EditObject(object.get()))
        return false;
    object->SetCursor(crHandPoint);
    TDrawObject* added = site->AdoptObject(std::move(object));
    if (place) {
        added->Hide();
        site->SetCursor(crCross);
        added->MakeGhost(ghCreate);
    } else {
        if (added->Selectable())
            FitNewObject(added, site);
        ObjectPlaced(added);
        auto action = std::make_unique<TDOAddAction>(added);
        action->SetCaption(QStringLiteral("追加"));
        UndoList().Add(std::move(action));
        if (added->Selectable()) {
            site->SelectAll(false);
            added->SetSelected(true);
            site->UpdatePivots();
        }
    }
    TMoveGhostOptions& mode = MoveGhostOptions();
    mode.CircumMove = false;
    mode.ParallelMove = false;
    mode.FreeRotate = false;
    return true;
}

void RegisterLayoutObjects(TDODesignerList& list) {
    static const bool registered = (RegisterStreamClasses(), true);
    (void)registered;
    list.Add(static_cast<IDODesigner*>(new TLOCreator));
}
