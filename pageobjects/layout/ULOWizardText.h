#pragma once
// A text object the template wizard may ask the user to type, under a caption of its own. Every
// stored text object loads as one.

#include "pageobjects/layout/ULOText.h"

class TLOWizardText : public TLOText, public virtual IDOWizardInput {
    QUORLANE_CLASS(TLOWizardText, TLOText)

public:
    explicit TLOWizardText(TComponent* owner) : TLOText(owner) {}
    static void DeclareProperties(TPropertyBuilder<TLOWizardText>& p);

    bool WizInputEnable() const { return wizInputEnable_; }
    void SetWizInputEnableValue(bool value) { wizInputEnable_ = value; }
    const QString& WizInputCaption() const { return wizInputCaption_; }
    void SetWizInputCaptionValue(const QString& value) { wizInputCaption_ = value; }

    // IDOWizardInput
    bool GetWizInputEnable() override { return wizInputEnable_; }
    void SetWizInputEnable(bool value) override { wizInputEnable_ = value; }
    QString GetWizInputCaption() override { return wizInputCaption_; }
    void SetWizInputCaption(const QString& value) override { wizInputCaption_ = value; }

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    bool wizInputEnable_ = false;
    QString wizInputCaption_;
};
