#include "pageobjects/engine/UExtraDSA.h"

#include "pageobjects/engine/ULabelObject.h"
#include "platform/IntMath.h"

#include <algorithm>
#include <cstdint>

namespace {

template <class I>
TIntf<I> Ask(TDrawObject* object) {
    return Supports<I>(static_cast<TObject*>(object));
}

// The target the query is about: a draw site or any other control, as the sender sees it.
TObject* QueryTarget(QObject* target) {
    if (auto* site = dynamic_cast<TDrawSite*>(target))
        return static_cast<TComponent*>(site);
    return nullptr;
}

} // namespace

// ---- print flags

TDSADontPrint::TDSADontPrint(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atChange);
    SetTargetClassName(QStringLiteral("TLabelObject"));
}

void TDSADontPrint::MakeList(TDrawSite* site) {
    TStandardDSA::MakeList(site);
    FilterTargets([this](TDrawObject* object) {
        auto* label = dynamic_cast<TLabelObject*>(object);
        return label != nullptr && label->DontPrint() != value_;
    });
}

void TDSADontPrint::EachObject(TDrawSite*, TDrawObject* object) {
    if (auto* label = dynamic_cast<TLabelObject*>(object))
        label->SetDontPrint(value_);
}

TDSADoPrint::TDSADoPrint(TComponent* owner) : TDSADontPrint(owner) {
    value_ = false;
}

// ---- text direction

TDSAVertText::TDSAVertText(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atChange);
}

void TDSAVertText::MakeList(TDrawSite* site) {
    TStandardDSA::MakeList(site);
    FilterTargets([this](TDrawObject* object) {
        TIntf<IDOVertical> vertical = Ask<IDOVertical>(object);
        return vertical && vertical->GetVertical() != value_;
    });
}

void TDSAVertText::EachObject(TDrawSite*, TDrawObject* object) {
    if (TIntf<IDOVertical> vertical = Ask<IDOVertical>(object))
        vertical->SetVertical(value_);
}

TDSAHorzText::TDSAHorzText(TComponent* owner) : TDSAVertText(owner) {
    value_ = false;
}

// ---- rotation

TDSAOffsetAngle::TDSAOffsetAngle(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atChange);
}

void TDSAOffsetAngle::DeclareProperties(TPropertyBuilder<TDSAOffsetAngle>& p) {
    p.Integer("OffsetAngle", &TDSAOffsetAngle::OffsetAngle, &TDSAOffsetAngle::SetOffsetAngle).Default(0);
}

void TDSAOffsetAngle::MakeList(TDrawSite* site) {
    TStandardDSA::MakeList(site);
    FilterTargets([](TDrawObject* object) { return bool(Ask<IDORotate>(object)); });
}

void TDSAOffsetAngle::EachObject(TDrawSite*, TDrawObject* object) {
    if (TIntf<IDORotate> rotate = Ask<IDORotate>(object))
        rotate->SetAngle(ClampToInt32(int64_t(rotate->GetAngle()) + offsetAngle_));
}

TDSAPhotoRotate::TDSAPhotoRotate(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atChange);
}

void TDSAPhotoRotate::DeclareProperties(TPropertyBuilder<TDSAPhotoRotate>& p) {
    p.Integer("PhotoAngle", &TDSAPhotoRotate::PhotoAngle, &TDSAPhotoRotate::SetPhotoAngle).Default(0);
}

void TDSAPhotoRotate::MakeList(TDrawSite* site) {
    TStandardDSA::MakeList(site);
    const TDOList& list = Targets();
    if (list.Count() >= 2) {
        SetChecked(false);
    } else if (list.Count() == 1) {
        if (TIntf<IDOPhotoRotate> photo = Ask<IDOPhotoRotate>(list[0]))
            SetChecked(photo->GetPhotoAngle() == photoAngle_);
    }
}

void TDSAPhotoRotate::EachObject(TDrawSite*, TDrawObject* object) {
    if (TIntf<IDOPhotoRotate> photo = Ask<IDOPhotoRotate>(object))
        photo->SetPhotoAngle(photoAngle_);
}

// ---- deletes that ask

TDSAQueryCut::TDSAQueryCut(TComponent* owner) : TDSACut(owner) {}

void TDSAQueryCut::ExecuteTarget(QObject* target) {
    if (OnQuery && !OnQuery(QueryTarget(target)))
        return;
    TDSACut::ExecuteTarget(target);
}

TDSAQueryClear::TDSAQueryClear(TComponent* owner) : TDSAClear(owner) {}

void TDSAQueryClear::ExecuteTarget(QObject* target) {
    if (OnQuery && !OnQuery(QueryTarget(target)))
        return;
    TDSAClear::ExecuteTarget(target);
}
