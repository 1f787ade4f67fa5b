#include "app/UObjectDesigners.h"

#include "app/FMain.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOOLE.h"
#include "pageobjects/layout/ULOText.h"
#include "platform/Picture.h"

namespace {

bool HasPicture(const TPicture* picture) {
    return picture != nullptr && picture->Graphic() != nullptr && !picture->Graphic()->Empty();
}

// The main window's edit-object command (none without a main window: nothing to show a panel in).
void HandToEditor(TDrawObject* object) {
    if (TfrmMain* main = frmMain())
        main->EditObject(object);
}

// The common course: the kind answers, placed is set, a new object is prepared, the editor shows it.
template <class T, class Prepare>
bool EditAs(TDrawObject* object, bool& placed, Prepare prepare) {
    T* typed = dynamic_cast<T*>(object);
    if (typed == nullptr)
        return false;
    placed = object->Parent() != nullptr;
    if (!placed)
        prepare(*typed);
    HandToEditor(object);
    return true;
}

} // namespace

bool TDOPhotoEditor::EditObject(TDrawObject* object, bool& placed) {
    auto* photo = dynamic_cast<TLOAlbumPhoto*>(object);
    if (photo == nullptr || !HasPicture(photo->GetPhotoPicture()))
        return false;
    return EditAs<TLOAlbumPhoto>(object, placed, [](TLOAlbumPhoto&) {});
}

bool TDOTextEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditAs<TLOText>(object, placed, [](TLOText& text) {
        text.SetAutoSize(true);
        text.AdjustAutoSize();
    });
}

bool TDOAlbumIllustEditor::EditObject(TDrawObject* object, bool& placed) {
    auto* illust = dynamic_cast<TLOAlbumIllust*>(object);
    if (illust == nullptr || !HasPicture(illust->Picture()))
        return false;
    return EditAs<TLOAlbumIllust>(object, placed, [](TLOAlbumIllust& image) { image.AdjustSizeToPicture(); });
}

bool TDOAlphaMaskEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditAs<TLOAlphaMask>(object, placed, [](TLOAlphaMask& mask) { mask.AdjustSizeToPicture(); });
}

bool TDOBackImageEditor::EditObject(TDrawObject* object, bool& placed) {
    return EditAs<TLOBackImage>(object, placed, [](TLOBackImage&) {});
}

bool TDOOLEEditor::EditObject(TDrawObject* object, bool& placed) {
    auto* ole = dynamic_cast<TLOOLE*>(object);
    if (ole == nullptr)
        return false;
    placed = object->Parent() != nullptr;
    ole->OpenForEdit();
    return true;
}

void RegisterObjectDesigners(TDODesignerList& list) {
    list.Add(static_cast<IDODesigner*>(new TDOOLEEditor));
    list.Add(static_cast<IDODesigner*>(new TDOPhotoEditor));
    list.Add(static_cast<IDODesigner*>(new TDOTextEditor));
    list.Add(static_cast<IDODesigner*>(new TDOAlbumIllustEditor));
    list.Add(static_cast<IDODesigner*>(new TDOAlphaMaskEditor));
    list.Add(static_cast<IDODesigner*>(new TDOBackImageEditor));
}
