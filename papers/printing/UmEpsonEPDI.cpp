#include "papers/printing/UmEpsonEPDI.h"

#include "papers/printing/UVendorMedia.h"
#include "platform/Cp932.h"
#include "platform/Printer.h"

#include <QHash>
#include <cstring>

namespace {

// A name longer than this is no name: the library's answer is not trusted further.
constexpr int MaxNameBytes = 255;
constexpr uint8_t UnknownDriverKind = 4;

TEpsonLibraryFactory& LibraryFactory() {
    static TEpsonLibraryFactory factory = FindEpsonExtension;
    return factory;
}

// The library over a queue's PPD. Its connection holds the driver settings it was opened on (the
// DEVMODE's driver options, paper source and sheet); GetDevMode writes them back.
class TEpsonPpdLibrary : public TEpsonLibrary {
public:
    TEpsonPpdLibrary(std::shared_ptr<const TPrinterDriver> driver, TVendorFamily family)
        : driver_(std::move(driver)), family_(family), types_(VendorMediaTypes(*driver_, family_)) {}

    bool HasEntry(const char*) override { return true; }

    int Open(const QString& device, const QString&, ImDeviceMode& devMode) override {
        const TDevModeFields fields = TDevModeFields::Read(devMode.GetAnsiDevMode());
        options_ = devMode.GetDriverOptions();
        source_ = (fields.Fields & DM_DEFAULTSOURCE) ? fields.DefaultSource : int16_t(DMBIN_AUTO);
        sheet_ = Printer().PpdKeyword(device, Printer().PageSizeOf(device, fields));
        open_ = true;
        return 0;
    }
    void Close() override { open_ = false; }
    QByteArray GetDriverInfo() override { return {}; }

    int GetCommandLevel(int item) override {
        const bool media = driver_->Option(QStringLiteral("MediaType")) != nullptr;
        switch (item) {
        case epdmRecommended:
        case epdmPaperTypes:
        case epdmPaperTypeName:
            return media ? 1 : 0;
        case epdmPaperSource:
            return 1;
        default:
            return 0;
        }
    }

    int GetRange(int item, int16_t& count, int16_t& kind, int16_t* values) override {
        QList<int> list;
        if (item == epdmPaperTypes) {
            const TDriverOptions context = Context();
            for (int i = 0; i < int(types_.size()); ++i)
                if (TypeAllowed(types_[i], context))
                    list.append(VendorMediaNumber(family_, types_, i));
        } else if (item == epdmPaperSource) {
            list.append(DMBIN_AUTO);
            if (CanBorderless())
                list.append(DMBIN_BORDERLESS);
        } else {
            return 1;
        }
        if (values && count != int16_t(list.size()))
            return 1;
        count = int16_t(list.size());
        kind = EpdmRangeList;
        if (values)
            for (int i = 0; i < int(list.size()); ++i)
                values[i] = int16_t(list[i]);
        return 0;
    }

    int GetMaximum(int item, int16_t& maximum) override {
        if (item != epdmRecommended)
            return 1;
        maximum = int16_t(Levels(CurrentType()).size());
        return 0;
    }

    int GetData(int item, TEpdmRecord& record) override {
        record = TEpdmRecord();
        if (item == epdmPaperSource) {
            record.Words[0] = source_;
            return 0;
        }
        if (item != epdmRecommended)
            return 1;
        const QString type = CurrentType();
        const int index = int(types_.indexOf(type));
        if (index < 0)
            return 1;
        const int level = int(Levels(type).indexOf(CurrentLevel())) + 1;
        record.Words = {int16_t(level > 0 ? 1 : 0), int16_t(level > 0 ? level : 0),
                        int16_t(VendorMediaNumber(family_, types_, index)), 2};
        return 0;
    }

    int SetData(int item, const TEpdmRecord& record) override {
        if (item == epdmPaperSource) {
            const int16_t source = record.Words[0];
            if (source != DMBIN_AUTO && !(source == DMBIN_BORDERLESS && CanBorderless()))
                return 1;
            source_ = source;
            return 0;
        }
        if (item != epdmRecommended || record.Words[0] != 1)
            return 1;
        const int index = IndexOfVendorMedia(family_, types_, record.Words[2]);
        if (index < 0)
            return 1;
        const QStringList levels = Levels(types_[index]);
        const int level = record.Words[1];
        if (level < 1 || level > levels.size())
            return 1;
        if (family_ == TVendorFamily::Escpr) {
            SetDriverOption(options_, QStringLiteral("MediaType"), types_[index] + u'_' + levels[level - 1]);
        } else {
            SetDriverOption(options_, QStringLiteral("MediaType"), types_[index]);
            SetDriverOption(options_, QStringLiteral("StpQuality"), levels[level - 1]);
        }
        return 0;
    }

    int GetName(int paperType, int& length, char* buffer) override {
        const int index = IndexOfVendorMedia(family_, types_, paperType);
        if (index < 0)
            return 1;
        QString name = VendorMediaName(family_, types_[index]);
        if (name.isEmpty())
            name = PpdName(types_[index]);
        const QByteArray bytes = Cp932::Encode(name).left(MaxNameBytes);
        if (!buffer) {
            length = int(bytes.size());
            return 0;
        }
        if (length < bytes.size())
            return 1;
        std::memcpy(buffer, bytes.constData(), size_t(bytes.size()));
        buffer[bytes.size()] = '\0';
        length = int(bytes.size());
        return 0;
    }

    int GetDevMode(ImDeviceMode& devMode) override {
        TDriverOptions options = devMode.GetDriverOptions();
        for (const char* key : {"MediaType", "StpQuality"}) {
            const QString value = DriverOption(options_, QLatin1String(key));
            if (!value.isEmpty())
                SetDriverOption(options, QLatin1String(key), value);
        }
        devMode.SetDriverOptions(options);
        QByteArray bytes = devMode.GetAnsiDevMode();
        TDevModeFields fields = TDevModeFields::Read(bytes);
        fields.Fields |= DM_DEFAULTSOURCE;
        fields.DefaultSource = source_;
        fields.WriteTo(bytes);
        const TDriverOptions kept = devMode.GetDriverOptions();
        devMode.SetDevModeA(bytes);
        devMode.SetDriverOptions(kept);
        return 0;
    }

private:
    QString Selected(const QString& option) const { return driver_->Selected(option, options_); }

    QString CurrentType() const {
        const QString media = Selected(QStringLiteral("MediaType"));
        QString type = media, suffix;
        if (family_ == TVendorFamily::Escpr && !SplitEscprMedia(media, type, suffix))
            return {};
        return type;
    }

    QString CurrentLevel() const {
        if (family_ != TVendorFamily::Escpr)
            return Selected(QStringLiteral("StpQuality"));
        QString type, suffix;
        SplitEscprMedia(Selected(QStringLiteral("MediaType")), type, suffix);
        return suffix;
    }

    // The quality levels a paper type has, finest first: ESC/P-R's suffixes in their rank whatever
    // the PPD's order; Gutenprint's StpQuality from its finest, without "None" (the custom setting).
    QStringList Levels(const QString& type) const {
        QStringList levels;
        if (family_ == TVendorFamily::Escpr) {
            for (const QString& suffix : EscprQualitySuffixes())
                if (driver_->HasChoice(QStringLiteral("MediaType"), type + u'_' + suffix))
                    levels.append(suffix);
            return levels;
        }
        if (const TPpdOption* quality = driver_->Option(QStringLiteral("StpQuality")))
            for (const TPpdChoice& choice : quality->Choices)
                if (choice.Keyword != QLatin1String("None"))
                    levels.prepend(choice.Keyword);
        return levels;
    }

    bool CanBorderless() const {
        if (family_ != TVendorFamily::Escpr)
            return driver_->HasChoice(QStringLiteral("StpFullBleed"), QStringLiteral("True"));
        const TPpdSize* size = driver_->Size(sheet_);
        return size && !size->Twin.isEmpty();
    }

    // The settings the constraints are asked under: the sheet printed (the twin while the paper
    // source is borderless) and the full bleed.
    TDriverOptions Context() const {
        TDriverOptions context = options_;
        const bool borderless = source_ == DMBIN_BORDERLESS && CanBorderless();
        if (family_ == TVendorFamily::Escpr) {
            const TPpdSize* size = driver_->Size(sheet_);
            if (size)
                SetDriverOption(context, QStringLiteral("PageSize"), borderless ? size->Twin : sheet_);
        } else if (borderless) {
            SetDriverOption(context, QStringLiteral("StpFullBleed"), QStringLiteral("True"));
        }
        return context;
    }

    bool TypeAllowed(const QString& type, const TDriverOptions& context) const {
        if (family_ != TVendorFamily::Escpr)
            return !driver_->Excluded(QStringLiteral("MediaType"), type, context);
        for (const QString& suffix : Levels(type))
            if (!driver_->Excluded(QStringLiteral("MediaType"), type + u'_' + suffix, context))
                return true;
        return false;
    }

    // The PPD's text of a type; ESC/P-R's texts end with the quality (" - Standard").
    QString PpdName(const QString& type) const {
        const TPpdOption* media = driver_->Option(QStringLiteral("MediaType"));
        for (const TPpdChoice& choice : media->Choices) {
            QString choiceType = choice.Keyword, suffix;
            if (family_ == TVendorFamily::Escpr && !SplitEscprMedia(choice.Keyword, choiceType, suffix))
                continue;
            if (choiceType != type)
                continue;
            const qsizetype cut = choice.Text.lastIndexOf(QLatin1String(" - "));
            return family_ == TVendorFamily::Escpr && cut > 0 ? choice.Text.left(cut) : choice.Text;
        }
        return type;
    }

    std::shared_ptr<const TPrinterDriver> driver_;
    TVendorFamily family_;
    QStringList types_;
    TDriverOptions options_;
    int16_t source_ = DMBIN_AUTO;
    QString sheet_;
    bool open_ = false;
};

} // namespace

void SetEpsonLibraryFactory(TEpsonLibraryFactory factory) {
    LibraryFactory() = factory ? std::move(factory) : TEpsonLibraryFactory(FindEpsonExtension);
}

std::unique_ptr<TEpsonLibrary> FindEpsonExtension(ImPrinterConfiguration& configuration) {
    TPrinterCaps caps;
    try {
        caps = Printer().Capabilities(configuration.GetDeviceName());
    } catch (const EPrinter&) {
        return nullptr;
    }
    if (!caps.Driver)
        return nullptr;
    const TVendorFamily family = VendorFamily(*caps.Driver);
    if (family != TVendorFamily::Escpr && family != TVendorFamily::GutenprintEscp2)
        return nullptr;
    return std::make_unique<TEpsonPpdLibrary>(caps.Driver, family);
}

const char* const TEPDI::EntryNames[12] = {
    "EPDM_Open",    "EPDM_GetDriverInfo", "EPDM_GetCommandLevel", "EPDM_GetRange",
    "EPDM_GetData", "EPDM_SetData",       "EPDM_CreateDC",        "EPDM_ResetDC",
    "EPDM_DeleteDC", "EPDM_GetDevMode",   "EPDM_UpdateDevMode",   "EPDM_Close",
};

const QStringList& EpsonPaperTypeNames() {
    static const QStringList names{
        QStringLiteral("1=普通紙"),          QStringLiteral("257=ﾌｧｲﾝ紙"),
        QStringLiteral("260=ｽｰﾊﾟｰﾌｧｲﾝ専用紙"), QStringLiteral("258=ﾌｫﾄﾌﾟﾘﾝﾄ紙(専用光沢紙)"),
        QStringLiteral("259=専用光沢ﾌｨﾙﾑ"),    QStringLiteral("2=専用OHPｼｰﾄ"),
        QStringLiteral("261=ﾊﾞｯｸﾗｲﾄﾌｨﾙﾑ"),     QStringLiteral("262=ｷｬﾝﾊﾞｽｸﾛｽ"),
        QStringLiteral("266=ｱｲﾛﾝﾌﾟﾘﾝﾄﾍﾟｰﾊﾟｰ"), QStringLiteral("267=ﾏｯﾄ紙"),
        QStringLiteral("268=半光沢ﾌｫﾄ紙"),     QStringLiteral("271=PMﾏｯﾄ紙"),
        QStringLiteral("272=PM写真用紙"),      QStringLiteral("273=MC光沢紙"),
        QStringLiteral("274=MCﾏｯﾄ紙"),         QStringLiteral("275=MC写真用紙<半光沢>"),
        QStringLiteral("276=MC画材用紙"),      QStringLiteral("277=MCﾏｯﾄ合成紙"),
        QStringLiteral("278=MCﾏｯﾄ合成紙(のり付き)"), QStringLiteral("279=MC厚手ﾏｯﾄ紙"),
        QStringLiteral("280=光沢ﾌｨﾙﾑ"),        QStringLiteral("281=MC写真用紙<光沢>"),
        QStringLiteral("282=MCﾃﾞｻﾞｲﾝ光沢紙"),  QStringLiteral("283=CD-R ﾚｰﾍﾞﾙ"),
        QStringLiteral("285=ﾏｯﾄﾎﾞｰﾄﾞ紙"),      QStringLiteral("286=MCﾊﾞｯｸﾗｲﾄﾌｨﾙﾑ"),
        QStringLiteral("287=MCﾏｯﾄ塩ﾋﾞ<のり付き>"), QStringLiteral("288=MC/PMｸﾛｽ<防炎>"),
    };
    return names;
}

TEPDI::TEPDI(ImPrinterConfiguration* configuration, std::unique_ptr<TEpsonLibrary> library)
    : configuration_(configuration) {
    LoadEpsonExtension(std::move(library));
    OpenEpdmConnection();
}

void TEPDI::LoadEpsonExtension(std::unique_ptr<TEpsonLibrary> library) {
    CloseConnection();
    library_ = std::move(library);
    // A library without every entry point is not used at all.
    if (library_)
        for (const char* name : EntryNames)
            if (!library_->HasEntry(name)) {
                library_.reset();
                break;
            }
}

TEPDI::~TEPDI() {
    CloseConnection();
}

bool TEPDI::GetInterface(const TGUID& iid, void** obj) {
    return Offer<ImEpsonEPDI>(this, iid, obj) || TAutoFreeInterface::GetInterface(iid, obj);
}

void TEPDI::OpenEpdmConnection() {
    if (!library_ || !configuration_)
        return;
    CloseConnection();
    open_ = library_->Open(configuration_->GetDeviceName(), configuration_->GetPort(),
                           *configuration_->GetDevMode()) == 0;
}

void TEPDI::CloseConnection() {
    if (open_ && library_)
        library_->Close();
    open_ = false;
}

int TEPDI::GetCommandLevel(int item) {
    return open_ ? library_->GetCommandLevel(item) : -1;
}

uint8_t TEPDI::GetDriverKind() {
    if (!open_)
        return UnknownDriverKind;
    const QByteArray info = library_->GetDriverInfo();
    if (info.size() < 2)
        return UnknownDriverKind;
    const int word = uint8_t(info[0]) | (uint8_t(info[1]) << 8);
    switch (word) {
    case 0x30:
        return 0;
    case 0x20:
        return 1;
    case 0x28:
        return 2;
    case 0x10:
        return 3;
    default:
        return UnknownDriverKind;
    }
}

QString TEPDI::GetPaperTypeName(int paperType) {
    QString name;
    int length = 0;
    // Only a name from two calls that succeeded, within its bound, is taken.
    if (open_ && library_->GetName(paperType, length, nullptr) == 0 && length > 0 && length <= MaxNameBytes) {
        QByteArray buffer(length + 1, '\0');
        int got = length;
        if (library_->GetName(paperType, got, buffer.data()) == 0 && got >= 0 && got <= length)
            name = Cp932::Decode(buffer.constData(), qsizetype(strnlen(buffer.constData(), size_t(got))));
    }
    if (name.isEmpty()) {
        const QString key = QString::number(paperType) + u'=';
        for (const QString& line : EpsonPaperTypeNames())
            if (line.startsWith(key))
                name = line.mid(key.size());
    }
    if (name.isEmpty())
        name = QStringLiteral("不明な用紙種類(%1)").arg(paperType);
    return name;
}

TEpdmRecord TEPDI::GetItem70() {
    TEpdmRecord record;
    if (open_)
        library_->GetData(epdmRecommended, record);
    return record;
}

bool TEPDI::SetItem70(const TEpdmRecord& record) {
    return open_ && library_->SetData(epdmRecommended, record) == 0;
}

int16_t TEPDI::GetItem40() {
    TEpdmRecord record;
    if (!open_ || library_->GetData(epdmPaperSource, record) != 0)
        return DMBIN_AUTO;
    return record.Words[0];
}

bool TEPDI::SetItem40(int16_t value) {
    TEpdmRecord record;
    record.Words[0] = value;
    return open_ && library_->SetData(epdmPaperSource, record) == 0;
}

TEpdmRecord TEPDI::GetItem30() {
    TEpdmRecord record;
    if (!open_ || library_->GetData(epdmPaperSize, record) != 0)
        return TEpdmRecord();
    return record;
}

bool TEPDI::SetItem30(const TEpdmRecord& record) {
    return open_ && library_->SetData(epdmPaperSize, record) == 0;
}

QList<int> TEPDI::GetRangeValues(int item) {
    QList<int> values;
    if (!open_)
        return values;
    int16_t count = 0, kind = 0;
    if (library_->GetRange(item, count, kind, nullptr) != 0 || kind != EpdmRangeList || count <= 0)
        return values;
    std::vector<int16_t> buffer(size_t(count), 0);
    if (library_->GetRange(item, count, kind, buffer.data()) != 0 || count != int16_t(buffer.size()))
        return values;
    for (int16_t value : buffer)
        values.append(value);
    return values;
}

int TEPDI::ProbeItem70Max() {
    if (!open_)
        return 0;
    int16_t maximum = 0;
    if (library_->GetMaximum(epdmRecommended, maximum) != 0)
        return 0;
    int value = maximum;
    const TIntf<ImDeviceMode> snapshot = SnapshotDriverState();
    // However the probe ends, the driver is left as it was.
    struct Restore {
        TEPDI* self;
        ImDeviceMode* snapshot;
        ~Restore() {
            try {
                self->RestoreDriverState(*snapshot);
            } catch (...) {
                // Nothing leaves a destructor; the next call on the extension opens it again.
            }
        }
    } restore{this, snapshot.get()};
    TEpdmRecord record = GetItem70();
    for (int n = maximum; n >= 2; --n) {
        record.Words[0] = 1;
        record.Words[3] = 2;
        record.Words[1] = int16_t(n);
        SetItem70(record);
        record = GetItem70();
        if (record.Words[1] == n)
            break;
        value = n - 1;
    }
    return value;
}

TIntf<ImDeviceMode> TEPDI::SnapshotDriverState() {
    TIntf<ImDeviceMode> snapshot = CreateDeviceMode();
    snapshot->Assign(configuration_->GetDevMode().get());
    library_->GetDevMode(*snapshot);
    return snapshot;
}

void TEPDI::RestoreDriverState(ImDeviceMode& snapshot) {
    configuration_->GetDevMode()->Assign(&snapshot);
    Reopen();
}

void TEPDI::ReadDevMode() {
    if (open_)
        library_->GetDevMode(*configuration_->GetDevMode());
}

TIntf<ImEpsonEPDI> CreateEpsonEPDI(ImPrinterConfiguration* configuration) {
    std::unique_ptr<TEpsonLibrary> library = configuration ? LibraryFactory()(*configuration) : nullptr;
    return TIntf<ImEpsonEPDI>(new TEPDI(configuration, std::move(library)));
}
