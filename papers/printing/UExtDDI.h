#pragma once
// Canon's driver settings as numbered items reached through one driver call (command, item, data):
// cartridge (item 3), paper type (4), print quality (5), the borderless paper feed (21) and the paper
// types that may go borderless (24). TCanonExtDDI offers item-level operations over a caller that
// makes the call; here the caller is the queue's PPD (Gutenprint's Canon models), whose options
// stand for the driver's private settings in the configuration's working DEVMODE.

#include "core/UInterfaces.h"
#include "papers/printing/UmPrinterConfiguration.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

enum : int {
    cdmItemType = 0,
    cdmItemCount = 1,
    cdmCurrentValue = 2,
    cdmSetValue = 3,
    cdmEntries = 4,
    cdmUpdateDevMode = 6,
    cdmEntryNames = 7,
};
enum : int {
    cdiVersion = 1,
    cdiCartridge = 3,
    cdiPaperType = 4,
    cdiQuality = 5,
    cdiPaperFeed = 21,
    cdiBorderlessTypes = 24,
};
// Item type of a list of values; a name's slot in command 7; bytes of an item 5 entry.
constexpr int CanonListType = 4;
constexpr int CanonNameSlot = 128;
constexpr int CanonQualityEntry = 8;

// Makes the one driver call; 0 on success, 1 when there is no driver function.
class TExtDDICaller {
public:
    explicit TExtDDICaller(ImPrinterConfiguration* configuration) : configuration_(configuration) {}
    virtual ~TExtDDICaller() = default;
    // data holds size bytes: a 32-bit value, or the entries or names of an item.
    virtual int Call(int command, int param, void* data, int size) = 0;
    // The driver brings the working DEVMODE up to date; the result is not looked at.
    virtual void UpdateDevMode();
    ImPrinterConfiguration* Configuration() const { return configuration_.get(); }

private:
    TIntf<ImPrinterConfiguration> configuration_;
};

// The caller over a Gutenprint Canon queue's PPD.
class TCanonExtDDIPpd;
// Makes the caller of a configuration; null when its printer has none. Tests install their own.
using TExtDDICallerFactory = std::function<std::unique_ptr<TExtDDICaller>(ImPrinterConfiguration*)>;
void SetExtDDICallerFactory(TExtDDICallerFactory factory);
std::unique_ptr<TExtDDICaller> CreateCanonPpdCaller(ImPrinterConfiguration* configuration);

struct ImCanonExtDDI : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{9C3B1A70-64E2-4D8F-A0B5-2E7F18C4D962}");
    virtual ImPrinterConfiguration* GetConfiguration() = 0;
    // 1 when the extension is unavailable.
    virtual int CallExtension(int command, int param, void* data, int size) = 0;
    virtual int GetItemType(int item) = 0;
    virtual int GetItemCount(int item) = 0;
    // The entries' names, each followed by CR LF.
    virtual QString GetItemNames(int item) = 0;
    virtual QList<int> GetItemValues(int item) = 0;
    virtual QList<int> GetQualityValues() = 0;
    // "きれい", "標準", "はやい" or "カスタム" by code, each followed by CR LF.
    virtual QString GetQualityNames() = 0;
    virtual int GetItemValue(int item) = 0;
    // With check, a value the item does not list is refused without a driver call.
    virtual bool SetItemValue(int item, int value, bool check) = 0;
    virtual int IndexOfItemValue(int item) = 0;
    virtual bool SetItemValueByIndex(int item, int index) = 0;
    virtual bool IsAvailable() = 0;
    virtual void UpdateDevMode() = 0;

protected:
    ~ImCanonExtDDI() = default;
};

class TCanonExtDDI : public TAutoFreeInterface, public virtual ImCanonExtDDI {
public:
    // Takes the caller when the setting "EnableExtDDI" allows and the driver answers as Canon's.
    TCanonExtDDI(ImPrinterConfiguration* configuration, std::unique_ptr<TExtDDICaller> caller);

    ImPrinterConfiguration* GetConfiguration() override { return configuration_.get(); }
    int CallExtension(int command, int param, void* data, int size) override;
    int GetItemType(int item) override;
    int GetItemCount(int item) override;
    QString GetItemNames(int item) override;
    QList<int> GetItemValues(int item) override;
    QList<int> GetQualityValues() override;
    QString GetQualityNames() override;
    int GetItemValue(int item) override;
    bool SetItemValue(int item, int value, bool check) override;
    int IndexOfItemValue(int item) override;
    bool SetItemValueByIndex(int item, int index) override;
    bool IsAvailable() override { return caller_ != nullptr; }
    void UpdateDevMode() override;

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    // Drops the caller unless the driver answers as one this system knows.
    void CheckCanonDriver();
    // The item's list (item 5: the quality codes) holds value.
    bool IsValueInItemList(int item, int value);
    int CallForValue(int command, int item);

    TIntf<ImPrinterConfiguration> configuration_;
    std::unique_ptr<TExtDDICaller> caller_;
};

TIntf<ImCanonExtDDI> GetCanonExtDDI(ImPrinterConfiguration* configuration);

// The name of a quality code: 1 "きれい", 2 "標準", 3 "はやい", others "カスタム".
QString CanonQualityName(int code);
