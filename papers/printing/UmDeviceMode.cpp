#include "papers/printing/UmDeviceMode.h"

#include <algorithm>

using namespace DevMode;

TmDeviceMode::TmDeviceMode() : buffer_(Empty()) {}

bool TmDeviceMode::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImDeviceMode>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

void TmDeviceMode::ConvertToWide() {
    if (!isAnsi_)
        return;
    const int extra = int(buffer_.size()) - AnsiSize;
    QByteArray wide(WideSize + extra, '\0');
    WriteWideName(wide, DeviceNameOffset, ReadAnsiName(buffer_, DeviceNameOffset));
    std::copy_n(buffer_.constData() + AnsiBlockOffset, BlockSize, wide.data() + WideBlockOffset);
    WriteWideName(wide, WideFormNameOffset, ReadAnsiName(buffer_, FormNameOffset));
    std::copy_n(buffer_.constData() + AnsiTailOffset, AnsiSize - AnsiTailOffset + extra,
                wide.data() + WideTailOffset);
    WriteWord(wide, WideSizeOffset, WideSize);
    buffer_ = wide;
    isAnsi_ = false;
}

void TmDeviceMode::ConvertToAnsi() {
    if (isAnsi_)
        return;
    const int extra = int(buffer_.size()) - WideSize;
    QByteArray ansi(AnsiSize + extra, '\0');
    WriteAnsiName(ansi, DeviceNameOffset, ReadWideName(buffer_, DeviceNameOffset));
    std::copy_n(buffer_.constData() + WideBlockOffset, BlockSize, ansi.data() + AnsiBlockOffset);
    WriteAnsiName(ansi, FormNameOffset, ReadWideName(buffer_, WideFormNameOffset));
    std::copy_n(buffer_.constData() + WideTailOffset, WideSize - WideTailOffset + extra,
                ansi.data() + AnsiTailOffset);
    WriteWord(ansi, SizeOffset, AnsiSize);
    buffer_ = ansi;
    isAnsi_ = true;
}

uint8_t* TmDeviceMode::GetDevModeA() {
    ConvertToAnsi();
    return reinterpret_cast<uint8_t*>(buffer_.data());
}

uint8_t* TmDeviceMode::GetDevModeW() {
    ConvertToWide();
    return reinterpret_cast<uint8_t*>(buffer_.data());
}

void TmDeviceMode::SetFromHandle(const QByteArray& handle) {
    if (handle.isEmpty()) {
        buffer_ = Empty();
        isAnsi_ = true;
        return;
    }
    SetDevModeA(handle);
}

void TmDeviceMode::SetDevModeA(const QByteArray& ansi) {
    // The public part is always the 156 bytes this layout has, whatever dmSize claims; the private
    // bytes are as many as dmDriverExtra says.
    const int extra = ReadWord(ansi, DriverExtraOffset);
    QByteArray bytes(AnsiSize + extra, '\0');
    std::copy_n(ansi.constData(), std::min<qsizetype>(ansi.size(), bytes.size()), bytes.data());
    WriteWord(bytes, SizeOffset, AnsiSize);
    // A record cut short before its dmDriverExtra keeps a part of it: the count is set to what the
    // record now holds, so the conversions never read past it.
    WriteWord(bytes, DriverExtraOffset, uint16_t(extra));
    buffer_ = bytes;
    isAnsi_ = true;
}

void TmDeviceMode::Assign(ImDeviceMode* other) {
    if (other == this)
        return;
    SetDevModeA(other ? other->GetAnsiDevMode() : QByteArray());
    driverOptions_ = other ? other->GetDriverOptions() : TDriverOptions();
}

QByteArray TmDeviceMode::CreateHandle() {
    return GetAnsiDevMode();
}

QByteArray TmDeviceMode::GetAnsiDevMode() {
    ConvertToAnsi();
    return buffer_;
}

TIntf<ImDeviceMode> CreateDeviceMode() {
    return TIntf<ImDeviceMode>(new TmDeviceMode);
}
