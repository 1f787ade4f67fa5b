#pragma once
// A printer's paper forms: name, size in 0.1 mm and paper code, in the driver's order, looked up by
// name, exact size, size within 2 mm and paper code.

#include "core/UInterfaces.h"
#include "papers/printing/UmInterfaceArray.h"
#include "platform/Rect.h"

#include <QString>

struct ImDeviceMode;

struct ImFormInfo : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{C2E5D7B1-6E3F-4F9C-9A42-8DAB1E3F7C21}");
    virtual QString GetName() = 0;
    virtual TPoint GetSize() = 0;
    virtual int GetPaperID() = 0;

protected:
    ~ImFormInfo() = default;
};

struct ImPrinterForm : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{C2E5D7B2-6E3F-4F9C-9A42-8DAB1E3F7C21}");
    // Raises EListError for an index outside the list.
    virtual TIntf<ImFormInfo> GetForm(int index) = 0;
    virtual TIntf<ImInterfaceArray> GetFormList() = 0;
    // Each answers the first form in driver order that matches, or -1.
    virtual int IndexOfName(const QString& name) = 0;
    virtual int IndexOfSize(const TPoint& size) = 0;
    // An exact size wins over an earlier form within the tolerance.
    virtual int IndexOfNearSize(const TPoint& size) = 0;
    virtual int IndexOfPaperID(int paperID) = 0;
    // Every name followed by CR LF, in list order.
    virtual QString GetNamesText() = 0;

protected:
    ~ImPrinterForm() = default;
};

class TFormInfo : public TAutoFreeInterface, public virtual ImFormInfo {
public:
    TFormInfo(const QString& name, const TPoint& size, int paperID)
        : name_(name), size_(size), paperID_(paperID) {}
    QString GetName() override { return name_; }
    TPoint GetSize() override { return size_; }
    int GetPaperID() override { return paperID_; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    QString name_;
    TPoint size_;
    int paperID_;
};

// How far a near size may lie from a form on each side: 2.0 mm, inclusive.
constexpr int FormSizeTolerance = 20;

class TPrinterForm : public TAutoFreeInterface, public virtual ImPrinterForm {
public:
    TPrinterForm();
    TIntf<ImFormInfo> GetForm(int index) override;
    TIntf<ImInterfaceArray> GetFormList() override { return forms_; }
    int IndexOfName(const QString& name) override;
    int IndexOfSize(const TPoint& size) override;
    int IndexOfNearSize(const TPoint& size) override;
    int IndexOfPaperID(int paperID) override;
    QString GetNamesText() override;

    // Reads the forms of a printer as its driver reports them under the DEVMODE.
    void ReadPrinterForms(const QString& device, const QString& port, ImDeviceMode* devMode);

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    TIntf<ImInterfaceArray> forms_;
};

TIntf<ImPrinterForm> CreatePrinterForm(const QString& device, const QString& port, ImDeviceMode* devMode);
