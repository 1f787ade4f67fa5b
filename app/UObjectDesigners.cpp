#include "app/UObjectDesigners.h"

#include "app/UAppHost.h"
#include "app/dialogs/FDecoLine.h"
#include "app/dialogs/FDecoString.h"
#include "app/dialogs/FJANCode.h"
#include "app/dialogs/FTwain.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOAction.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODecoLine.h"
#include "pageobjects/layout/ULODecoString.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOJANCode.h"
#include "pageobjects/layout/ULOOLE.h"
#include "pageobjects/layout/ULOText.h"
#include "platform/Picture.h"

namespace {

bool HasPicture(const TPicture* picture) {
    return picture != nullptr && picture->Graphic() != nullptr && !picture->Graphic()->Empty();
}

// The main window's edit-object command (none without a main window: nothing to show a panel in).
void HandToEditor(IAppHost* host, TDrawObject* object) {
    if (host)
        host->EditObject(object);
}

// The common course: the kind answers, placed is set, a new object is prepared, the editor shows it.
template <class T, class Prepare>
bool EditAs(IAppHost* host, TDrawObject* object, bool& placed, Prepare prepare) {
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr)
        return false;
    placed = object->Parent() != nullptr;
    if (!placed)
        prepare(*typed);
    HandToEditor(host, object);
    return true;
}

// An edit window's OK into the object: straight into a new one, as one undo step into a placed one.
template <class Apply>
void ApplyEdit(TDrawObject* object, bool placed, Apply apply) {
    if (!placed) {
        apply();
        return;
    }
    UndoList().BeginGroup(QStringLiteral("設定変更"));
    try {
        auto action = std::make_unique<TDOChangeAction>(object);
        apply();
        TDOChangeAction::EndChange(std::move(action), UndoList());
    } catch (...) {
        UndoList().EndGroup();
        throw;
    }
    UndoList().EndGroup();
}

// The edit window W for an object of kind T; a cancel of a new object marks it placed, which makes
// the factory give it up.
template <class T, class W>
bool EditInWindow(IAppHost* host, TDrawObject* object, bool& placed) {
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr)
        return false;
    placed = object->Parent() != nullptr;
    W window(host ? host->HostWindow() : nullptr);
    window.LoadFrom(*typed);
    if (window.ShowModal() != mrOk) {
        placed = true;
        return true;
    }
    ApplyEdit(object, object->Parent() != nullptr, [&] { window.SaveTo(*typed); });
    return true;
}

} // namespace

bool TDOPhotoEditor::EditObject(TDrawObject* object, bool& placed) {
    auto* photo = dynamic_cast<TLOAlbumPhoto*>(object);
    if (photo == nullptr || !HasPicture(photo->GetPhotoPicture()))
        return false;
    return EditAs<TLOAlbumPhoto>(Host(), object, placed, [](TLOAlbumPhoto&) {});
}

bool TDOTextEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditAs<TLOText>(Host(), object, placed, [](TLOText& text) {
        text.SetAutoSize(true);
        text.AdjustAutoSize();
    });
}

bool TDOAlbumIllustEditor::EditObject(TDrawObject* object, bool& placed) {
    auto* illust = dynamic_cast<TLOAlbumIllust*>(object);
    if (illust == nullptr)
        return false;
    // A new scanner picture without a page yet scans one; a cancel places nothing.
    if (!HasPicture(illust->Picture()) && illust->ImageSource() == isTwain && object->Parent() == nullptr) {
        TPictureEx scanned;
        IAppHost* host = Host();
        if (!AcquireTwainPicture(host ? host->HostWindow() : nullptr, scanned))
            return false;
        illust->ImageData()->SetPicture(&scanned);
    }
    if (!HasPicture(illust->Picture()))
        return false;
    return EditAs<TLOAlbumIllust>(Host(), object, placed, [](TLOAlbumIllust& image) { image.AdjustSizeToPicture(); });
}

bool TDOAlphaMaskEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditAs<TLOAlphaMask>(Host(), object, placed, [](TLOAlphaMask& mask) { mask.AdjustSizeToPicture(); });
}

bool TDOBackImageEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditAs<TLOBackImage>(Host(), object, placed, [](TLOBackImage&) {});
}

bool TDOJANCodeEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditInWindow<TLOJANCode, TfrmJANCode>(Host(), object, placed);
}

bool TDODecoLineEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditInWindow<TLODecoLine, TfrmDecoLine>(Host(), object, placed);
}

bool TDODecoStringEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditInWindow<TLODecoString, TfrmDecoString>(Host(), object, placed);
}

bool TDOOLEEditor::EditObject(TDrawObject* object, bool& placed) {
    auto* ole = dynamic_cast<TLOOLE*>(object);
    if (ole == nullptr)
        return false;
    placed = object->Parent() != nullptr;
    ole->OpenForEdit();
    return true;
}

void RegisterObjectDesigners(TDODesignerList& list, TAppHostSource host) {
    list.Add(static_cast<IDODesigner*>(new TDOOLEEditor));
    list.Add(static_cast<IDODesigner*>(new TDOPhotoEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDOTextEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDOAlbumIllustEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDOAlphaMaskEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDOBackImageEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDOJANCodeEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDODecoLineEditor(host)));
    list.Add(static_cast<IDODesigner*>(new TDODecoStringEditor(host)));
}
