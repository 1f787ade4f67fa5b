#pragma once
// One printer's driver settings: a DEVMODE in its ANSI or wide layout followed by the driver's
// private bytes, converted between the layouts on demand. Whoever asked last for a layout decides
// it; a pointer is valid only until the other layout is asked for or the settings change.

#include "core/UInterfaces.h"
#include "platform/DevMode.h"

#include <QByteArray>
#include <cstdint>

struct ImDeviceMode : public virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{B1F4C6A0-5D2E-4E8B-8F31-7C9A0D2E6B11}");
    // The buffer in the ANSI layout (converted when needed), to read or change in place.
    virtual uint8_t* GetDevModeA() = 0;
    // The buffer in the wide layout.
    virtual uint8_t* GetDevModeW() = 0;
    // Length of the buffer in its present layout.
    virtual int GetSize() = 0;
    virtual bool GetIsAnsi() = 0;
    // Takes every byte of a stored ANSI DEVMODE; empty bytes give the empty 156-byte DEVMODE.
    virtual void SetFromHandle(const QByteArray& handle) = 0;
    // Takes dmSize + dmDriverExtra bytes of an ANSI DEVMODE (see TmDeviceMode for short ones).
    virtual void SetDevModeA(const QByteArray& ansi) = 0;
    virtual void Assign(ImDeviceMode* other) = 0;
    // A copy of the ANSI DEVMODE (dmSize + dmDriverExtra bytes) for the caller to keep.
    virtual QByteArray CreateHandle() = 0;
    // The ANSI DEVMODE as bytes, as GetDevModeA leaves it.
    virtual QByteArray GetAnsiDevMode() = 0;
    // The driver's own settings that go with the DEVMODE (Assign copies them too).
    virtual TDriverOptions GetDriverOptions() = 0;
    virtual void SetDriverOptions(const TDriverOptions& options) = 0;

protected:
    ~ImDeviceMode() = default;
};

class TmDeviceMode : public TAutoFreeInterface, public virtual ImDeviceMode {
public:
    TmDeviceMode();
    uint8_t* GetDevModeA() override;
    uint8_t* GetDevModeW() override;
    int GetSize() override { return int(buffer_.size()); }
    bool GetIsAnsi() override { return isAnsi_; }
    void SetFromHandle(const QByteArray& handle) override;
    // A DEVMODE shorter than it claims, or than the public part, is taken as far as it goes and
    // padded with zeros, so the record always holds its public part and its private bytes.
    void SetDevModeA(const QByteArray& ansi) override;
    void Assign(ImDeviceMode* other) override;
    QByteArray CreateHandle() override;
    QByteArray GetAnsiDevMode() override;
    TDriverOptions GetDriverOptions() override { return driverOptions_; }
    void SetDriverOptions(const TDriverOptions& options) override { driverOptions_ = options; }

    void ConvertToWide();
    void ConvertToAnsi();

protected:
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    QByteArray buffer_;
    bool isAnsi_ = true;
    TDriverOptions driverOptions_;
};

TIntf<ImDeviceMode> CreateDeviceMode();
