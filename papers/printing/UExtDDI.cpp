#include "papers/printing/UExtDDI.h"

#include "core/UAppFrame.h"
#include "papers/printing/UVendorMedia.h"
#include "platform/Cp932.h"
#include "platform/Printer.h"

#include <cstring>

namespace {

// More entries than any driver has: a count past it is a driver answering nonsense.
constexpr int MaxEntries = 4096;
constexpr int ValueBytes = 4;
// Item 1's answer: the extension's version 1 in its high word.
constexpr int PpdExtensionVersion = 0x00010000;

TExtDDICallerFactory& CallerFactory() {
    static TExtDDICallerFactory factory = CreateCanonPpdCaller;
    return factory;
}

int32_t ReadInt32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}

void WriteInt32(uint8_t* p, int32_t value) {
    for (int i = 0; i < ValueBytes; ++i)
        p[i] = uint8_t(uint32_t(value) >> (8 * i));
}

} // namespace

// The caller over the PPD: each call reads the working DEVMODE's driver settings and writes a set
// value straight back into them, as the driver function works on the DEVMODE it is given.
class TCanonExtDDIPpd : public TExtDDICaller {
public:
    TCanonExtDDIPpd(ImPrinterConfiguration* configuration, std::shared_ptr<const TPrinterDriver> driver)
        : TExtDDICaller(configuration), driver_(std::move(driver)),
          types_(VendorMediaTypes(*driver_, TVendorFamily::GutenprintBjc)) {}

    int Call(int command, int param, void* data, int size) override {
        if (command == cdmUpdateDevMode)
            return 0;
        auto* bytes = static_cast<uint8_t*>(data);
        if (!bytes || size < ValueBytes)
            return 1;
        switch (command) {
        case cdmItemType:
            if (param != cdiVersion && Entries(param).isEmpty())
                return 1;
            WriteInt32(bytes, param == cdiVersion ? 1 : CanonListType);
            return 0;
        case cdmItemCount:
            WriteInt32(bytes, int32_t(Entries(param).size()));
            return 0;
        case cdmCurrentValue:
            return Current(param, bytes);
        case cdmSetValue:
            return Set(param, ReadInt32(bytes));
        case cdmEntries:
            return WriteEntries(param, bytes, size);
        case cdmEntryNames:
            return WriteNames(param, bytes, size);
        default:
            return 1;
        }
    }

private:
    struct Entry {
        int Value;
        QString Name;
        QString Choice; // the PPD choice it stands for
    };

    TDriverOptions Options() const { return Configuration()->GetDevMode()->GetDriverOptions(); }
    QString Selected(const QString& option) const { return driver_->Selected(option, Options()); }

    // Several ink sets are the cartridges; a driver with one names its cartridges as ink types.
    QString InkOption() const {
        const TPpdOption* set = driver_->Option(QStringLiteral("StpInkSet"));
        return set && set->Choices.size() > 1 ? QStringLiteral("StpInkSet") : QStringLiteral("StpInkType");
    }

    QString OptionOf(int item) const {
        switch (item) {
        case cdiCartridge:
            return InkOption();
        case cdiPaperType:
        case cdiBorderlessTypes:
            return QStringLiteral("MediaType");
        case cdiQuality:
            return QStringLiteral("StpQuality");
        case cdiPaperFeed:
            return QStringLiteral("StpFullBleed");
        default:
            return {};
        }
    }

    QString MediaName(int position) const {
        QString name = VendorMediaName(TVendorFamily::GutenprintBjc, types_[position]);
        if (name.isEmpty()) {
            const TPpdOption* media = driver_->Option(QStringLiteral("MediaType"));
            const int index = media ? media->IndexOf(types_[position]) : -1;
            name = index >= 0 ? media->Choices[index].Text : types_[position];
        }
        return name;
    }

    bool CanBorderless() const { return driver_->HasChoice(QStringLiteral("StpFullBleed"), QStringLiteral("True")); }

    QList<Entry> Entries(int item) const {
        QList<Entry> entries;
        const TPpdOption* option = driver_->Option(OptionOf(item));
        switch (item) {
        case cdiCartridge:
            if (option)
                for (int i = 0; i < int(option->Choices.size()); ++i)
                    entries.append({i + 1, option->Choices[i].Text, option->Choices[i].Keyword});
            break;
        case cdiPaperType:
            for (int i = 0; i < int(types_.size()); ++i)
                entries.append({VendorMediaNumber(TVendorFamily::GutenprintBjc, types_, i), MediaName(i), types_[i]});
            break;
        case cdiBorderlessTypes:
            if (CanBorderless()) {
                const TDriverOptions bleed{{QStringLiteral("StpFullBleed"), QStringLiteral("True")}};
                for (int i = 0; i < int(types_.size()); ++i)
                    if (!driver_->Excluded(QStringLiteral("MediaType"), types_[i], bleed))
                        entries.append(
                            {VendorMediaNumber(TVendorFamily::GutenprintBjc, types_, i), MediaName(i), types_[i]});
            }
            break;
        case cdiQuality:
            // The driver's own codes for its qualities: 1 fine, 2 standard, 3 fast, the rest after.
            if (option) {
                int next = 4;
                for (const TPpdChoice& choice : option->Choices) {
                    if (choice.Keyword == QLatin1String("None"))
                        continue;
                    const int code = choice.Keyword == QLatin1String("High")       ? 1
                                     : choice.Keyword == QLatin1String("Standard") ? 2
                                     : choice.Keyword == QLatin1String("Draft")    ? 3
                                                                                   : next++;
                    entries.append({code, choice.Text, choice.Keyword});
                }
            }
            break;
        case cdiPaperFeed:
            entries.append({0, QStringLiteral("フチあり"), QStringLiteral("False")});
            if (CanBorderless())
                entries.append({1, QStringLiteral("フチなし"), QStringLiteral("True")});
            break;
        default:
            break;
        }
        return entries;
    }

    int Current(int item, uint8_t* bytes) const {
        if (item == cdiVersion) {
            WriteInt32(bytes, PpdExtensionVersion);
            return 0;
        }
        const QList<Entry> entries = Entries(item);
        const QString selected = Selected(OptionOf(item));
        for (const Entry& entry : entries)
            if (entry.Choice == selected) {
                WriteInt32(bytes, entry.Value);
                return 0;
            }
        // A custom quality (StpQuality None) and the like have no code of the list.
        WriteInt32(bytes, 0);
        return entries.isEmpty() ? 1 : 0;
    }

    int Set(int item, int value) {
        if (item == cdiBorderlessTypes)
            return 1;
        for (const Entry& entry : Entries(item)) {
            if (entry.Value != value)
                continue;
            TIntf<ImDeviceMode> devMode = Configuration()->GetDevMode();
            TDriverOptions options = devMode->GetDriverOptions();
            SetDriverOption(options, OptionOf(item), entry.Choice);
            devMode->SetDriverOptions(options);
            if (item == cdiPaperFeed) {
                // Borderless printing is the DEVMODE's paper source as well.
                QByteArray bytes = devMode->GetAnsiDevMode();
                TDevModeFields fields = TDevModeFields::Read(bytes);
                fields.Fields |= DM_DEFAULTSOURCE;
                fields.DefaultSource = value == 1 ? DMBIN_BORDERLESS : DMBIN_AUTO;
                fields.WriteTo(bytes);
                devMode->SetDevModeA(bytes);
            }
            return 0;
        }
        return 1;
    }

    int WriteEntries(int item, uint8_t* bytes, int size) const {
        const QList<Entry> entries = Entries(item);
        const int stride = item == cdiQuality ? CanonQualityEntry : ValueBytes;
        if (entries.isEmpty() || size / stride < entries.size())
            return 1;
        std::memset(bytes, 0, size_t(stride) * size_t(entries.size()));
        for (int i = 0; i < int(entries.size()); ++i)
            WriteInt32(bytes + i * stride, entries[i].Value);
        return 0;
    }

    int WriteNames(int item, uint8_t* bytes, int size) const {
        const QList<Entry> entries = Entries(item);
        if (entries.isEmpty() || size / CanonNameSlot < entries.size())
            return 1;
        std::memset(bytes, 0, size_t(CanonNameSlot) * size_t(entries.size()));
        for (int i = 0; i < int(entries.size()); ++i) {
            const QByteArray name = Cp932::Encode(entries[i].Name).left(CanonNameSlot - 1);
            std::memcpy(bytes + i * CanonNameSlot, name.constData(), size_t(name.size()));
        }
        return 0;
    }

    std::shared_ptr<const TPrinterDriver> driver_;
    QStringList types_;
};

void TExtDDICaller::UpdateDevMode() {
    TIntf<ImDeviceMode> devMode = configuration_->GetDevMode();
    Call(cdmUpdateDevMode, 2, devMode->GetDevModeA(), devMode->GetSize());
}

void SetExtDDICallerFactory(TExtDDICallerFactory factory) {
    CallerFactory() = factory ? std::move(factory) : TExtDDICallerFactory(CreateCanonPpdCaller);
}

std::unique_ptr<TExtDDICaller> CreateCanonPpdCaller(ImPrinterConfiguration* configuration) {
    if (!configuration)
        return nullptr;
    TPrinterCaps caps;
    try {
        caps = Printer().Capabilities(configuration->GetDeviceName());
    } catch (const EPrinter&) {
        return nullptr;
    }
    if (!caps.Driver || VendorFamily(*caps.Driver) != TVendorFamily::GutenprintBjc)
        return nullptr;
    return std::make_unique<TCanonExtDDIPpd>(configuration, caps.Driver);
}

QString CanonQualityName(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("きれい");
    case 2:
        return QStringLiteral("標準");
    case 3:
        return QStringLiteral("はやい");
    default:
        return QStringLiteral("カスタム");
    }
}

TCanonExtDDI::TCanonExtDDI(ImPrinterConfiguration* configuration, std::unique_ptr<TExtDDICaller> caller)
    : configuration_(configuration) {
    if (!ReadSettingBool(QStringLiteral("EnableExtDDI"), true))
        return;
    caller_ = std::move(caller);
    CheckCanonDriver();
}

void TCanonExtDDI::CheckCanonDriver() {
    // Only a driver whose item 1 carries 1 in its high word is spoken to.
    const int version = CallForValue(cdmCurrentValue, cdiVersion);
    if (!caller_ || (uint32_t(version) >> 16) != 1)
        caller_.reset();
}

bool TCanonExtDDI::IsValueInItemList(int item, int value) {
    const QList<int> list = item == cdiQuality ? GetQualityValues() : GetItemValues(item);
    return list.contains(value);
}

bool TCanonExtDDI::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImCanonExtDDI>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

int TCanonExtDDI::CallExtension(int command, int param, void* data, int size) {
    return caller_ ? caller_->Call(command, param, data, size) : 1;
}

int TCanonExtDDI::CallForValue(int command, int item) {
    uint8_t value[ValueBytes] = {};
    return CallExtension(command, item, value, ValueBytes) == 0 ? ReadInt32(value) : 0;
}

int TCanonExtDDI::GetItemType(int item) {
    return CallForValue(cdmItemType, item);
}

int TCanonExtDDI::GetItemCount(int item) {
    const int count = CallForValue(cdmItemCount, item);
    return count > 0 && count <= MaxEntries ? count : 0;
}

int TCanonExtDDI::GetItemValue(int item) {
    return CallForValue(cdmCurrentValue, item);
}

QString TCanonExtDDI::GetItemNames(int item) {
    QString names;
    const int count = GetItemCount(item);
    if (count == 0)
        return names;
    QByteArray buffer(qsizetype(count) * CanonNameSlot, '\0');
    if (CallExtension(cdmEntryNames, item, buffer.data(), int(buffer.size())) != 0)
        return names;
    for (int i = 0; i < count; ++i) {
        const char* slot = buffer.constData() + qsizetype(i) * CanonNameSlot;
        names += Cp932::Decode(slot, qsizetype(strnlen(slot, CanonNameSlot))) + QStringLiteral("\r\n");
    }
    return names;
}

QList<int> TCanonExtDDI::GetItemValues(int item) {
    QList<int> values;
    const int count = GetItemCount(item);
    if (count == 0 || GetItemType(item) != CanonListType)
        return values;
    QByteArray buffer(qsizetype(count) * ValueBytes, '\0');
    if (CallExtension(cdmEntries, item, buffer.data(), int(buffer.size())) != 0)
        return values;
    for (int i = 0; i < count; ++i)
        values.append(ReadInt32(reinterpret_cast<const uint8_t*>(buffer.constData()) + i * ValueBytes));
    return values;
}

QList<int> TCanonExtDDI::GetQualityValues() {
    QList<int> values;
    const int count = GetItemCount(cdiQuality);
    if (count == 0)
        return values;
    QByteArray buffer(qsizetype(count) * CanonQualityEntry, '\0');
    if (CallExtension(cdmEntries, cdiQuality, buffer.data(), int(buffer.size())) != 0)
        return values;
    for (int i = 0; i < count; ++i)
        values.append(ReadInt32(reinterpret_cast<const uint8_t*>(buffer.constData()) + i * CanonQualityEntry));
    return values;
}

QString TCanonExtDDI::GetQualityNames() {
    QString names;
    for (int code : GetQualityValues())
        names += CanonQualityName(code) + QStringLiteral("\r\n");
    return names;
}

bool TCanonExtDDI::SetItemValue(int item, int value, bool check) {
    if (check && !IsValueInItemList(item, value))
        return false;
    uint8_t data[ValueBytes];
    WriteInt32(data, value);
    return CallExtension(cdmSetValue, item, data, ValueBytes) == 0;
}

int TCanonExtDDI::IndexOfItemValue(int item) {
    return int(GetItemValues(item).indexOf(GetItemValue(item)));
}

bool TCanonExtDDI::SetItemValueByIndex(int item, int index) {
    const QList<int> values = GetItemValues(item);
    return index >= 0 && index < values.size() && SetItemValue(item, values[index], true);
}

void TCanonExtDDI::UpdateDevMode() {
    if (caller_)
        caller_->UpdateDevMode();
}

TIntf<ImCanonExtDDI> GetCanonExtDDI(ImPrinterConfiguration* configuration) {
    std::unique_ptr<TExtDDICaller> caller = configuration ? CallerFactory()(configuration) : nullptr;
    return TIntf<ImCanonExtDDI>(new TCanonExtDDI(configuration, std::move(caller)));
}
