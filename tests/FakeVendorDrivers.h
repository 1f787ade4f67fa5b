#pragma once
// Scripted vendor drivers for tests: an Epson settings library and a Canon driver caller whose
// answers the test sets item by item, and which record what they were asked.

#include "papers/printing/UExtDDI.h"
#include "papers/printing/UmEpsonEPDI.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <cstring>

// What a scripted Epson library answers; shared with the test, which keeps a pointer to it.
struct FakeEpsonScript {
    QStringList missingEntries;
    int openResult = 0;
    QByteArray driverInfo;
    QMap<int, int> commandLevels{{epdmRecommended, 1}, {epdmPaperTypes, 1}};
    QList<int> item60;
    int16_t maximum = 3;
    bool maximumFails = false;
    // Quality levels the library keeps when asked for them; others read back as level 1.
    QList<int> keptLevels{1, 2, 3};
    TEpdmRecord item70{{1, 1, 272, 2}};
    int16_t item40 = 7;
    QMap<int, QByteArray> names; // CP932 bytes
    bool nameSecondCallFails = false;
    int lengthAnswer = -1; // when set, the length the first name call claims
    QStringList calls;
};

class FakeEpsonLibrary : public TEpsonLibrary {
public:
    explicit FakeEpsonLibrary(FakeEpsonScript* script) : s_(script) {}
    bool HasEntry(const char* name) override { return !s_->missingEntries.contains(QLatin1String(name)); }
    int Open(const QString&, const QString&, ImDeviceMode& devMode) override {
        s_->calls << "Open";
        // Like a real library, it opens on the state the DEVMODE holds.
        const QString level = DriverOption(devMode.GetDriverOptions(), QStringLiteral("FakeLevel"));
        if (!level.isEmpty())
            s_->item70.Words[1] = int16_t(level.toInt());
        return s_->openResult;
    }
    void Close() override { s_->calls << "Close"; }
    QByteArray GetDriverInfo() override { return s_->driverInfo; }
    int GetCommandLevel(int item) override { return s_->commandLevels.value(item, 0); }
    int GetRange(int item, int16_t& count, int16_t& kind, int16_t* values) override {
        if (item != epdmPaperTypes)
            return 1;
        count = int16_t(s_->item60.size());
        kind = EpdmRangeList;
        for (int i = 0; values && i < count; ++i)
            values[i] = int16_t(s_->item60[i]);
        return 0;
    }
    int GetMaximum(int, int16_t& maximum) override {
        maximum = s_->maximum;
        return s_->maximumFails ? 1 : 0;
    }
    int GetData(int item, TEpdmRecord& record) override {
        if (item == epdmRecommended)
            record = s_->item70;
        else if (item == epdmPaperSource)
            record.Words[0] = s_->item40;
        else
            return 1;
        return 0;
    }
    int SetData(int item, const TEpdmRecord& record) override {
        s_->calls << QStringLiteral("SetData %1 %2").arg(item).arg(record.Words[1]);
        if (item != epdmRecommended)
            return 1;
        s_->item70 = record;
        if (!s_->keptLevels.contains(record.Words[1]))
            s_->item70.Words[1] = 1;
        return 0;
    }
    int GetName(int paperType, int& length, char* buffer) override {
        if (!s_->names.contains(paperType))
            return 1;
        const QByteArray name = s_->names[paperType];
        if (!buffer) {
            length = s_->lengthAnswer >= 0 ? s_->lengthAnswer : int(name.size());
            return 0;
        }
        if (s_->nameSecondCallFails)
            return 1;
        std::memcpy(buffer, name.constData(), size_t(std::min<qsizetype>(name.size(), length)));
        return 0;
    }
    int GetDevMode(ImDeviceMode& devMode) override {
        s_->calls << "GetDevMode";
        // The library's own state lands in the DEVMODE: a mark in its driver settings.
        TDriverOptions options = devMode.GetDriverOptions();
        SetDriverOption(options, QStringLiteral("FakeLevel"), QString::number(s_->item70.Words[1]));
        devMode.SetDriverOptions(options);
        return 0;
    }

private:
    FakeEpsonScript* s_;
};

// A scripted Canon driver: items with a type, list values, names and a current value.
struct FakeCanonScript {
    struct Item {
        int type = CanonListType;
        QList<int> values;
        QStringList names;
        int current = 0;
    };
    int version = 0x00010000;
    QMap<int, Item> items;
    QStringList calls;
};

class FakeCanonCaller : public TExtDDICaller {
public:
    FakeCanonCaller(ImPrinterConfiguration* configuration, FakeCanonScript* script)
        : TExtDDICaller(configuration), s_(script) {}
    int Call(int command, int param, void* data, int size) override {
        s_->calls << QStringLiteral("%1/%2").arg(command).arg(param);
        auto* out = static_cast<int32_t*>(data);
        if (command == cdmUpdateDevMode)
            return 0;
        if (command == cdmCurrentValue && param == cdiVersion) {
            *out = s_->version;
            return 0;
        }
        if (!s_->items.contains(param))
            return 1;
        FakeCanonScript::Item& item = s_->items[param];
        const int stride = param == cdiQuality ? 2 : 1;
        switch (command) {
        case cdmItemType:
            *out = item.type;
            return 0;
        case cdmItemCount:
            *out = int32_t(item.values.size());
            return 0;
        case cdmCurrentValue:
            *out = item.current;
            return 0;
        case cdmSetValue:
            item.current = *out;
            return 0;
        case cdmEntries:
            if (size < int(item.values.size()) * stride * 4)
                return 1;
            for (int i = 0; i < int(item.values.size()); ++i)
                out[i * stride] = item.values[i];
            return 0;
        case cdmEntryNames: {
            auto* bytes = static_cast<char*>(data);
            std::memset(bytes, 0, size_t(size));
            for (int i = 0; i < int(item.names.size()) && (i + 1) * CanonNameSlot <= size; ++i)
                std::memcpy(bytes + i * CanonNameSlot, item.names[i].toLatin1().constData(),
                            size_t(std::min<qsizetype>(item.names[i].size(), CanonNameSlot - 1)));
            return 0;
        }
        default:
            return 1;
        }
    }

private:
    FakeCanonScript* s_;
};
