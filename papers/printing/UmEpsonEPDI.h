#pragma once
// Epson's driver settings through numbered items of a settings library working on a printer
// configuration's DEVMODE: paper type with a recommended quality level (item 70), the paper types
// offered (item 60), the paper source (item 40), the paper size (item 30) and paper-type names
// (item 213). TEPDI reaches a library for one configuration; here the library is the queue's PPD
// (ESC/P-R and Gutenprint's Epson models), whose options stand for the driver's private settings.

#include "core/UInterfaces.h"
#include "papers/printing/UmPrinterConfiguration.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

enum : int {
    epdmPaperSize = 30,
    epdmPaperSource = 40,
    epdmPaperTypes = 60,
    epdmRecommended = 70,
    epdmPaperTypeName = 213,
};
// Range kind of a list of values.
constexpr int16_t EpdmRangeList = 2;

// Four 16-bit words: item 70 {1 when recommended, quality level, paper type, 2}; item 30 {width,
// length, paper code, 0}; item 40 uses word 0.
struct TEpdmRecord {
    std::array<int16_t, 4> Words{};
    bool operator==(const TEpdmRecord&) const = default;
};

// The EPDM_ calls of a settings library on its one connection; results 0 mean success.
class TEpsonLibrary {
public:
    virtual ~TEpsonLibrary() = default;
    // The library exports the named entry point.
    virtual bool HasEntry(const char* name) = 0;
    virtual int Open(const QString& device, const QString& port, ImDeviceMode& devMode) = 0;
    virtual void Close() = 0;
    // The driver information bytes; empty when they cannot be read.
    virtual QByteArray GetDriverInfo() = 0;
    virtual int GetCommandLevel(int item) = 0;
    // Count and kind of a list item; values (Count of them) when not null.
    virtual int GetRange(int item, int16_t& count, int16_t& kind, int16_t* values) = 0;
    // A single 16-bit maximum (item 70: the quality levels of the paper type).
    virtual int GetMaximum(int item, int16_t& maximum) = 0;
    virtual int GetData(int item, TEpdmRecord& record) = 0;
    virtual int SetData(int item, const TEpdmRecord& record) = 0;
    // Item 213: a paper type's name in CP932; with buffer null only its length, else up to length
    // bytes into buffer.
    virtual int GetName(int paperType, int& length, char* buffer) = 0;
    // Writes the connection's state into devMode.
    virtual int GetDevMode(ImDeviceMode& devMode) = 0;
};

// Makes the library of a configuration; null when its printer has none. Tests install their own.
using TEpsonLibraryFactory = std::function<std::unique_ptr<TEpsonLibrary>(ImPrinterConfiguration&)>;
void SetEpsonLibraryFactory(TEpsonLibraryFactory factory);
// The library of the queue's PPD for ESC/P-R and Gutenprint Epson queues; null for other printers.
std::unique_ptr<TEpsonLibrary> FindEpsonExtension(ImPrinterConfiguration& configuration);

struct ImEpsonEPDI : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{5A0C7E11-2B64-4F0A-9E38-61D4C8A2B7E3}");
    virtual ImPrinterConfiguration* GetConfiguration() = 0;
    // 0 to 3 by the driver's kind, 4 when unknown.
    virtual uint8_t GetDriverKind() = 0;
    // The library's name, else the fallback table's, else "不明な用紙種類(n)".
    virtual QString GetPaperTypeName(int paperType) = 0;
    virtual TEpdmRecord GetItem70() = 0;
    // False when the library refused it.
    virtual bool SetItem70(const TEpdmRecord& record) = 0;
    // 7 when it cannot be read.
    virtual int16_t GetItem40() = 0;
    virtual bool SetItem40(int16_t value) = 0;
    // All zero when it cannot be read.
    virtual TEpdmRecord GetItem30() = 0;
    virtual bool SetItem30(const TEpdmRecord& record) = 0;
    // The highest quality level the library keeps for the present paper type.
    virtual int ProbeItem70Max() = 0;
    // Empty when the library gives no list.
    virtual QList<int> GetItem60Values() = 0;
    virtual QList<int> GetItem40Values() = 0;
    virtual bool IsOpen() = 0;
    // The library writes its state into the working DEVMODE.
    virtual void ReadDevMode() = 0;
    // A new connection on the working DEVMODE as it is now.
    virtual void Reopen() = 0;
    // -1 without a connection.
    virtual int GetCommandLevel(int item) = 0;

protected:
    ~ImEpsonEPDI() = default;
};

class TEPDI : public TAutoFreeInterface, public virtual ImEpsonEPDI {
public:
    // The twelve entry points a library must export to be used.
    static const char* const EntryNames[12];

    TEPDI(ImPrinterConfiguration* configuration, std::unique_ptr<TEpsonLibrary> library);
    ~TEPDI() override;

    ImPrinterConfiguration* GetConfiguration() override { return configuration_.get(); }
    uint8_t GetDriverKind() override;
    QString GetPaperTypeName(int paperType) override;
    TEpdmRecord GetItem70() override;
    bool SetItem70(const TEpdmRecord& record) override;
    int16_t GetItem40() override;
    bool SetItem40(int16_t value) override;
    TEpdmRecord GetItem30() override;
    bool SetItem30(const TEpdmRecord& record) override;
    int ProbeItem70Max() override;
    QList<int> GetItem60Values() override { return GetRangeValues(epdmPaperTypes); }
    QList<int> GetItem40Values() override { return GetRangeValues(epdmPaperSource); }
    bool IsOpen() override { return open_; }
    void ReadDevMode() override;
    void Reopen() override { OpenEpdmConnection(); }
    int GetCommandLevel(int item) override;

    bool IsLoaded() const { return library_ != nullptr; }

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    // Takes the library when it exports every entry point; else none is loaded.
    void LoadEpsonExtension(std::unique_ptr<TEpsonLibrary> library);
    void OpenEpdmConnection();
    // The working DEVMODE with the driver's present state written in, to go back to.
    TIntf<ImDeviceMode> SnapshotDriverState();
    void RestoreDriverState(ImDeviceMode& snapshot);
    void CloseConnection();
    QList<int> GetRangeValues(int item);

    TIntf<ImPrinterConfiguration> configuration_;
    std::unique_ptr<TEpsonLibrary> library_;
    bool open_ = false;
};

TIntf<ImEpsonEPDI> CreateEpsonEPDI(ImPrinterConfiguration* configuration);

// The fallback names of Epson's paper types (number=name lines, in the table's order).
const QStringList& EpsonPaperTypeNames();
