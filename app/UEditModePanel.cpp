#include "app/UEditModePanel.h"

#include "imaging/UColorFill.h"
#include "pageobjects/engine/UDSOperation.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOText.h"

#include <QWidget>
#include <array>

namespace {

constexpr std::array<TEditModeInfo, emModeCount> kModes{{
    {"actModePhoto", "actAlbumPhoto", "DSOPhotoProperty", "設定変更", false},
    {"actModeText", "actText", "DSOTextProperty", "設定変更", false},
    {"actModeIllust", "actImageFile", "DSOIllustProperty", "設定変更", false},
    {"actModeFigure", "actAlphaMask", "DSOShadeProperty", "設定変更", false},
    {"actModeBackGround", "actBackground", "DSOBackProperty", "背景変更", true},
}};

struct TPanelClass {
    const std::type_info* Class = nullptr;
    TEditPanelMaker Maker;
};

std::array<TPanelClass, emModeCount>& PanelClasses() {
    static std::array<TPanelClass, emModeCount> classes;
    return classes;
}

bool IsMode(TEditMode mode) {
    return mode >= 0 && mode < emModeCount;
}

template <class I>
I* PanelAs(QWidget* panel) {
    return dynamic_cast<I*>(panel);
}

bool IsPictureBackground(TDrawObject* object) {
    auto* back = dynamic_cast<TLOBackImage*>(object);
    return back != nullptr && back->FillColor()->Kind() == cskBitmap;
}

} // namespace

const TEditModeInfo& EditModeInfo(TEditMode mode) {
    return kModes.at(size_t(mode));
}

QString InsertActionOf(TEditMode mode, QWidget* panel) {
    if (!IsMode(mode))
        return {};
    if (mode == emIllust)
        if (auto* source = PanelAs<IEditModeInsertSource>(panel)) {
            if (source->InsertSource() == kInsertSourceOnePoint)
                return QStringLiteral("actOnePoint");
            if (source->InsertSource() == kInsertSourceTwain)
                return QStringLiteral("actTwain");
        }
    return QString::fromLatin1(EditModeInfo(mode).InsertAction);
}

bool IsEditModeTarget(TEditMode mode, TDrawObject* object) {
    switch (mode) {
    case emPhoto:
        return dynamic_cast<TLOAlbumPhoto*>(object) != nullptr;
    case emText:
        return dynamic_cast<TLOText*>(object) != nullptr;
    case emIllust:
        return dynamic_cast<TLOImage*>(object) != nullptr;
    case emFigure:
        // A photo's shadow is an alpha mask too, but it belongs to the photo panel.
        return dynamic_cast<TLOAlphaMask*>(object) != nullptr &&
               dynamic_cast<TLOAlbumShade*>(object) == nullptr;
    case emBackGround:
        return dynamic_cast<TLOBackImage*>(object) != nullptr;
    default:
        return false;
    }
}

TEditMode EditModeForObject(TDrawObject* object) {
    if (dynamic_cast<TLOAlbumPhoto*>(object))
        return emPhoto;
    if (dynamic_cast<TLOText*>(object))
        return emText;
    if (dynamic_cast<TLOAlbumIllust*>(object))
        return emIllust;
    if (dynamic_cast<TLOAlphaMask*>(object))
        return emFigure;
    if (dynamic_cast<TLOBackImage*>(object))
        return emBackGround;
    return emNone;
}

void RegisterEditModePanel(TEditMode mode, const std::type_info& panelClass, TEditPanelMaker maker) {
    if (!IsMode(mode))
        return;
    TPanelClass& entry = PanelClasses()[size_t(mode)];
    entry.Class = maker ? &panelClass : nullptr;
    entry.Maker = std::move(maker);
}

bool IsEditModePanelRegistered(TEditMode mode) {
    return IsMode(mode) && PanelClasses()[size_t(mode)].Maker != nullptr;
}

QWidget* CreateEditModePanel(TEditMode mode, QWidget* owner) {
    if (!IsEditModePanelRegistered(mode))
        return nullptr;
    return PanelClasses()[size_t(mode)].Maker(owner);
}

TEditMode EditModeOf(const QWidget* panel) {
    if (panel == nullptr)
        return emNone;
    for (int mode = 0; mode < emModeCount; ++mode) {
        const TPanelClass& entry = PanelClasses()[size_t(mode)];
        if (entry.Class != nullptr && *entry.Class == typeid(*panel))
            return TEditMode(mode);
    }
    return emNone;
}

bool ApplyPanelProperties(TDrawSite& site, QWidget* panel, bool backForced) {
    const TEditMode mode = EditModeOf(panel);
    auto* editor = PanelAs<IEditModePanel>(panel);
    if (!IsMode(mode) || editor == nullptr)
        return false;
    const TEditModeInfo& info = EditModeInfo(mode);
    TDSOperation operation(nullptr);
    operation.SetName(QString::fromLatin1(info.Operation));
    operation.SetActionType(otChange);
    operation.SetActionString(QString::fromUtf8(info.UndoCaption));
    operation.SetSelectedOnly(!info.WholePage);
    operation.SetMultiSelect(true);
    operation.OnMakeList = [mode, backForced](TObject* sender) {
        TDOList& targets = static_cast<TDSOperation*>(sender)->Targets();
        for (int i = targets.Count() - 1; i >= 0; --i) {
            TDrawObject* object = targets[i];
            // A plain-colour background changes only when the background command asked for it.
            if (!IsEditModeTarget(mode, object) ||
                (mode == emBackGround && !backForced && !IsPictureBackground(object)))
                targets.Delete(i);
        }
    };
    operation.OnEachObject = [editor](TObject*, TDrawObject* object) { editor->ApplyToObject(object); };
    operation.Execute(&site);
    TDOList selected;
    site.ListObjects(selected, true);
    if (selected.IsEmpty())
        editor->ApplyToDefault();
    return true;
}

void PanelObjectCreated(TDrawSite& site, QWidget* panel, TDrawObject* object) {
    auto* editor = PanelAs<IEditModePanel>(panel);
    if (editor == nullptr || object == nullptr)
        return;
    editor->InitNewObject(object);
    TDOList selected;
    site.ListObjects(selected, true);
    for (TDrawObject* source : selected)
        if (source != object) {
            editor->CopyStyle(source, object);
            break;
        }
}

void PanelIdle(TDrawSite& site, QWidget* panel) {
    const TEditMode mode = EditModeOf(panel);
    if (auto* editor = PanelAs<IEditModePanel>(panel); editor != nullptr && IsMode(mode)) {
        TDOList selected;
        site.ListObjects(selected, true);
        for (TDrawObject* object : selected)
            if (IsEditModeTarget(mode, object)) {
                editor->ShowObject(object);
                break;
            }
    }
    if (auto* idle = PanelAs<IEditModeIdle>(panel))
        idle->IdleUpdate(&site);
}

void PanelSelectionCleared(TDrawSite& site, QWidget* panel) {
    auto* editor = PanelAs<IEditModePanel>(panel);
    if (editor == nullptr)
        return;
    TDOList selected;
    site.ListObjects(selected, true);
    if (selected.IsEmpty())
        editor->ShowDefault();
}

void PanelLoadDefaults(QWidget* panel) {
    if (auto* defaults = PanelAs<IEditModeDefaults>(panel))
        defaults->LoadDefaults();
}

void PanelSaveDefaults(QWidget* panel) {
    if (auto* defaults = PanelAs<IEditModeDefaults>(panel))
        defaults->SaveDefaults();
}
