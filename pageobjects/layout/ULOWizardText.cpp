#include "pageobjects/layout/ULOWizardText.h"

void TLOWizardText::DeclareProperties(TPropertyBuilder<TLOWizardText>& p) {
    p.Boolean("wizInputEnable", &TLOWizardText::WizInputEnable, &TLOWizardText::SetWizInputEnableValue);
    p.String("wizInputCaption", &TLOWizardText::WizInputCaption, &TLOWizardText::SetWizInputCaptionValue);
}

void TLOWizardText::AssignTo(TPersistent* dest) const {
    TLOText::AssignTo(dest);
    if (auto* target = dynamic_cast<TLOWizardText*>(dest)) {
        target->wizInputEnable_ = wizInputEnable_;
        target->wizInputCaption_ = wizInputCaption_;
    }
}

bool TLOWizardText::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOWizardInput>(this, iid, obj) || TLOText::GetInterface(iid, obj);
}
