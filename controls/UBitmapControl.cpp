#include "controls/UBitmapControl.h"

#include "core/UBroadcaster.h"
#include "imaging/UImagePack.h"

TImagePackLink::TImagePackLink(std::function<void()> changed)
    : changed_(std::move(changed)), listener_(std::make_unique<TListener>()) {
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) {
        if (!pack_ || sender != static_cast<TObject*>(pack_))
            return;
        if (eventID == GUID_BroadcasterDestroyed)
            pack_ = nullptr; // the pack unsubscribes everyone itself
        else if (eventID != GUID_ImagePackChanged)
            return;
        if (changed_)
            changed_();
    };
}

TImagePackLink::~TImagePackLink() {
    listener_.reset();
}

bool TImagePackLink::SetPack(TImagePack* pack) {
    if (pack == pack_)
        return false;
    if (pack_)
        pack_->RemoveListener(listener_.get());
    pack_ = pack;
    if (pack_)
        pack_->AddListener(listener_.get());
    return true;
}

bool TImagePackLink::IsEmpty(int index) const {
    return !pack_ || pack_->IsOutOfRange(index);
}

TSize TImagePackLink::CellSize(int index) const {
    if (IsEmpty(index))
        return TSize();
    return TSize(pack_->Width(index), pack_->Height(index));
}

bool TImagePackLink::StretchDraw(TCanvas& canvas, const TRect& r, int index) const {
    if (IsEmpty(index))
        return false;
    pack_->StretchDraw(canvas, r, index);
    return true;
}

TBitmapControl::TBitmapControl(QWidget* parent)
    : TOriginalControl(parent), link_([this] { ImagePackChanged(); }) {}

TBitmapControl::~TBitmapControl() = default;

void TBitmapControl::SetImagePack(TImagePack* pack) {
    if (link_.SetPack(pack))
        ImagePackChanged();
}
