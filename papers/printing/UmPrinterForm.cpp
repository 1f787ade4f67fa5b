#include "papers/printing/UmPrinterForm.h"

#include "papers/printing/UmDeviceMode.h"
#include "platform/Printer.h"

#include <cstdlib>

namespace {

ImFormInfo* AsForm(IUnknownEx* item) {
    return dynamic_cast<ImFormInfo*>(item);
}

class TFormFinder : public TAutoFreeInterface, public virtual ImItemFinder {
protected:
    bool GetInterface(const TGUID& iid, void** obj) override {
        return Offer<ImItemFinder>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
    }
};

class TFormNameFinder : public TFormFinder {
public:
    explicit TFormNameFinder(const QString& name) : name_(name) {}
    int Compare(IUnknownEx* item) override {
        return QString::localeAwareCompare(AsForm(item)->GetName().toCaseFolded(), name_.toCaseFolded());
    }

private:
    QString name_;
};

class TFormSizeFinder : public TFormFinder {
public:
    explicit TFormSizeFinder(const TPoint& size) : size_(size) {}
    int Compare(IUnknownEx* item) override {
        const TPoint s = AsForm(item)->GetSize();
        const int dx = s.X - size_.X;
        return dx != 0 ? dx : s.Y - size_.Y;
    }

private:
    TPoint size_;
};

class TFormNearSizeFinder : public TFormFinder {
public:
    explicit TFormNearSizeFinder(const TPoint& size) : size_(size) {}
    int Compare(IUnknownEx* item) override {
        const TPoint s = AsForm(item)->GetSize();
        int dx = s.X - size_.X;
        if (std::abs(dx) <= FormSizeTolerance)
            dx = 0;
        if (dx != 0)
            return dx;
        int dy = s.Y - size_.Y;
        if (std::abs(dy) <= FormSizeTolerance)
            dy = 0;
        return dy;
    }

private:
    TPoint size_;
};

class TFormIDFinder : public TFormFinder {
public:
    explicit TFormIDFinder(int paperID) : paperID_(paperID) {}
    int Compare(IUnknownEx* item) override { return AsForm(item)->GetPaperID() - paperID_; }

private:
    int paperID_;
};

template <class Finder, class Key>
int FindFirstWith(ImInterfaceArray& forms, const Key& key) {
    TIntf<ImItemFinder> finder(new Finder(key));
    return forms.FindFirst(finder.get());
}

} // namespace

bool TFormInfo::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImFormInfo>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

TPrinterForm::TPrinterForm() : forms_(CreateInterfaceArray()) {}

bool TPrinterForm::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImPrinterForm>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

TIntf<ImFormInfo> TPrinterForm::GetForm(int index) {
    return Supports<ImFormInfo>(forms_->GetItem(index).get());
}

int TPrinterForm::IndexOfName(const QString& name) {
    return FindFirstWith<TFormNameFinder>(*forms_, name);
}

int TPrinterForm::IndexOfSize(const TPoint& size) {
    return FindFirstWith<TFormSizeFinder>(*forms_, size);
}

int TPrinterForm::IndexOfNearSize(const TPoint& size) {
    const int exact = IndexOfSize(size);
    return exact >= 0 ? exact : FindFirstWith<TFormNearSizeFinder>(*forms_, size);
}

int TPrinterForm::IndexOfPaperID(int paperID) {
    return FindFirstWith<TFormIDFinder>(*forms_, paperID);
}

QString TPrinterForm::GetNamesText() {
    QString text;
    for (int i = 0; i < forms_->GetCount(); ++i)
        text += GetForm(i)->GetName() + QStringLiteral("\r\n");
    return text;
}

void TPrinterForm::ReadPrinterForms(const QString& device, const QString&, ImDeviceMode* devMode) {
    forms_->Clear();
    const QByteArray bytes = devMode ? devMode->GetAnsiDevMode() : QByteArray();
    for (const TPaperForm& form : Printer().Forms(device, bytes))
        forms_->Add(TIntf<IUnknownEx>(static_cast<ImFormInfo*>(
            new TFormInfo(form.Name, TPoint(form.Width, form.Height), form.PaperID))));
}

TIntf<ImPrinterForm> CreatePrinterForm(const QString& device, const QString& port, ImDeviceMode* devMode) {
    auto* forms = new TPrinterForm;
    TIntf<ImPrinterForm> result(forms);
    forms->ReadPrinterForms(device, port, devMode);
    return result;
}
