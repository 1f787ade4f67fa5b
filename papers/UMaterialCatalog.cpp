#include "papers/UMaterialCatalog.h"

#include "core/UAppFrame.h"
#include "core/UAppUtil.h"
#include "core/UMacroString.h"
#include "core/UPathUtil.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/StringList.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {

const QString kPhotoSizeSection = QStringLiteral("Photo Size");
const QString kFolderKey = QStringLiteral("Folder");
const QString kAlphaFrameKey = QStringLiteral("AlphaFrame");
const QString kFileKeyPrefix = QStringLiteral("File");
const QString kCaptionKey = QStringLiteral("Caption");
const QString kGenreKey = QStringLiteral("Genre");
const QString kSubGenreKeyPrefix = QStringLiteral("SubGenre");
const QString kDirKey = QStringLiteral("Dir");
const QString kNameKey = QStringLiteral("Name");
const QString kShortStyleKey = QStringLiteral("ShortStyleDefine");
const QString kAllPurposes = QStringLiteral("*");

constexpr int kShadeNameCount = 3;
constexpr int kSubGenreMinItems = 2;
constexpr int kShortStyleItems = 7;
// The band of width/height ratios that counts as square, exclusive at both ends.
constexpr double kSquareLow = 0.9;
constexpr double kSquareHigh = 1.1;

// Pieces of a comma list, spaces around each dropped, empty ones kept so positions hold.
QStringList CommaItems(const QString& value) {
    QStringList items = SplitTokensKeepEmpty(value, QStringLiteral(","))->ToQStringList();
    for (QString& item : items)
        item = item.trimmed();
    return items;
}

// A plain file name: a catalogue must not reach outside the folder it names.
bool IsPlainFileName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u'\\') && name != QLatin1String(".") &&
           name != QLatin1String("..") && !name.contains(QChar(0));
}

// Reads a catalogue, or leaves error set and returns nullptr.
std::unique_ptr<IniFile> OpenCatalog(const QString& fileName, QString& error) {
    try {
        return std::make_unique<IniFile>(fileName);
    } catch (const Exception& e) {
        error = e.Message();
        return nullptr;
    }
}

// The folder of a catalogue text in upper case, as the ID catalogues compare them, with a trailing "/".
QString UpperFolder(const QString& text) {
    return IncludeBackslash(ToLocalPath(text)).toUpper();
}

bool ExistsInFolderText(const QString& fileName, const QString& folderText) {
    const QString folder = FindCatalogFolder(folderText);
    return !folder.isEmpty() && ExistsInDataFolder(fileName, folder);
}

} // namespace

// ---- finding content

QString FindCatalogFile(const QString& name) {
    const QString local = ToLocalPath(name);
    if (local.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(local))
        return QFileInfo(local).isFile() ? local : QString();
    TAppFrame* frame = AppFrame();
    return frame == nullptr ? QString() : frame->FindSourceFile(local, QString());
}

QString FindCatalogFolder(const QString& folder) {
    const QString local = ToLocalPath(folder);
    if (local.isEmpty())
        return QString();
    const QString hit = FindCatalogFile(JoinPath(local, QStringLiteral("*.*")));
    if (!hit.isEmpty())
        return IncludeBackslash(QFileInfo(hit).path());
    // The content search finds files only; an absolute folder is taken as it is when it exists.
    if (QDir::isAbsolutePath(local) && IsDirectory(local))
        return IncludeBackslash(local);
    return QString();
}

// ---- photo sizes

TPhotoSizeInfo::TPhotoSizeInfo(const QString& iniFileName) {
    const std::unique_ptr<IniFile> ini = OpenCatalog(iniFileName, error_);
    if (ini == nullptr)
        return;
    for (const IniFile::Entry& e : ini->Entries(kPhotoSizeSection)) {
        const QStringList items = CommaItems(e.Value);
        TPhotoSize size;
        size.Name = e.Key;
        size.Width = IniFile::StrToIntDef(items.value(0), 0);
        size.Height = IniFile::StrToIntDef(items.value(1), 0);
        sizes_.push_back(size);
    }
}

bool TPhotoSizeInfo::GetItem(int index, TPhotoSize& size) const {
    if (index < 0 || index >= GetCount())
        return false;
    size = sizes_[size_t(index)];
    return true;
}

QStringList TPhotoSizeInfo::GetNames() const {
    QStringList names;
    for (const TPhotoSize& s : sizes_)
        names.append(s.Name);
    return names;
}

// ---- shades

bool TShadeInfo::GetItem(int index, TShadeItem& item) const {
    if (index < 0 || index >= GetCount())
        return false;
    item = items_[size_t(index)];
    return true;
}

TShadeList::TShadeList(const QString& iniFileName) {
    const std::unique_ptr<IniFile> ini = OpenCatalog(iniFileName, error_);
    if (ini == nullptr)
        return;
    for (const QString& section : ini->SectionNames()) {
        TShadeInfo info;
        info.Folder = ini->ReadString(section, kFolderKey);
        info.AlphaFrame = ini->ReadInteger(section, kAlphaFrameKey, 0) != 0;
        for (const IniFile::Entry& e : ini->Entries(section)) {
            if (!e.Key.startsWith(kFileKeyPrefix, Qt::CaseInsensitive))
                continue;
            const QStringList names = CommaItems(e.Value);
            if (names.size() > kShadeNameCount)
                continue;
            TShadeItem item{names.value(0), names.value(1), names.value(2)};
            // Without a thumbnail there is nothing to show, and a name with a folder in it is damage.
            if (item.Thumbnail.isEmpty() || !IsPlainFileName(item.Thumbnail) ||
                (!item.Picture.isEmpty() && !IsPlainFileName(item.Picture)) ||
                (!item.Shade.isEmpty() && !IsPlainFileName(item.Shade)))
                continue;
            info.Add(item);
        }
        genres_.push_back(std::move(info));
        names_.append(section);
    }
}

const TShadeInfo* TShadeList::GetInfo(int index) const {
    return index < 0 || index >= GetCount() ? nullptr : &genres_[size_t(index)];
}

bool TShadeList::FindGenre(const QString& fileName, int& genreIndex) const {
    if (genreIndex >= 0)
        return genreIndex < GetCount() && ExistsInFolderText(fileName, genres_[size_t(genreIndex)].Folder);
    for (int i = 0; i < GetCount(); ++i) {
        if (ExistsInFolderText(fileName, genres_[size_t(i)].Folder)) {
            genreIndex = i;
            return true;
        }
    }
    return false;
}

// ---- backgrounds

bool TBackGroundInfo::GetSubGenre(int index, TBackGroundSubGenre& item) const {
    if (index < 0 || index >= GetSubGenreCount())
        return false;
    item = subGenres_[size_t(index)];
    return true;
}

bool TBackGroundInfo::FindFile(const QString& fileName, int& subGenreIndex) const {
    if (subGenres_.empty()) {
        subGenreIndex = -1;
        return ExistsInFolderText(fileName, Genre);
    }
    for (int i = 0; i < GetSubGenreCount(); ++i) {
        if (ExistsInFolderText(fileName, subGenres_[size_t(i)].Folder)) {
            subGenreIndex = i;
            return true;
        }
    }
    return false;
}

TBackGroundList::TBackGroundList(const QString& iniFileName) {
    const std::unique_ptr<IniFile> ini = OpenCatalog(iniFileName, error_);
    if (ini == nullptr)
        return;
    for (const QString& section : ini->SectionNames()) {
        TBackGroundInfo info;
        info.Caption = ini->ReadString(section, kCaptionKey);
        info.Genre = ini->ReadString(section, kGenreKey);
        for (const IniFile::Entry& e : ini->Entries(section)) {
            if (!e.Key.startsWith(kSubGenreKeyPrefix, Qt::CaseInsensitive))
                continue;
            const QStringList items = CommaItems(e.Value);
            if (items.size() < kSubGenreMinItems)
                continue;
            info.AddSubGenre({items[0], items[1], IniFile::StrToIntDef(items.value(2), 0) != 0,
                              IniFile::StrToIntDef(items.value(3), 0) != 0});
        }
        genres_.push_back(std::move(info));
        sectionParts_.push_back(CommaItems(section));
    }
}

const TBackGroundInfo* TBackGroundList::GetInfo(int index) const {
    return index < 0 || index >= GetCount() ? nullptr : &genres_[size_t(index)];
}

const QStringList& TBackGroundList::SectionParts(int index) const {
    static const QStringList none;
    return index < 0 || index >= GetCount() ? none : sectionParts_[size_t(index)];
}

bool TBackGroundList::FindFile(const QString& fileName, int& genreIndex, int& subGenreIndex) const {
    if (genreIndex >= 0)
        return genreIndex < GetCount() && genres_[size_t(genreIndex)].FindFile(fileName, subGenreIndex);
    for (int i = 0; i < GetCount(); ++i) {
        if (genres_[size_t(i)].FindFile(fileName, subGenreIndex)) {
            genreIndex = i;
            return true;
        }
    }
    return false;
}

// ---- templates

bool IsDocumentFileName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.compare(QLatin1String("qld"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("qlt"), Qt::CaseInsensitive) == 0;
}

int GetRectOrientation(const TRect& r) {
    const double width = double(r.Right) - double(r.Left);
    const double height = double(r.Bottom) - double(r.Top);
    if (height != 0) {
        const double ratio = width / height;
        if (ratio > kSquareLow && ratio < kSquareHigh)
            return 0;
    }
    return width > height ? 1 : 2;
}

bool PageMatchesFilter(const TFaceInfo* filter, const QString& facePurpose, const TRect& faceOuterRect) {
    if (filter == nullptr)
        return true;
    if (filter->FacePurpose != kAllPurposes && filter->FacePurpose != facePurpose)
        return false;
    return IsRectEmpty(filter->Rect) || GetRectOrientation(filter->Rect) == GetRectOrientation(faceOuterRect);
}

void TTemplateList::Scan(const QString& path, const TFaceInfo* filter) {
    items_.clear();
    QDir dir;
    QStringList filters;
    if (IsDirectory(path)) {
        dir.setPath(path);
    } else {
        const QFileInfo mask(path);
        dir.setPath(mask.path());
        filters.append(mask.fileName());
    }
    const QFileInfoList found =
        dir.entryInfoList(filters, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& info : found) {
        if (!IsDocumentFileName(info.fileName()))
            continue;
        if (FilesOnly) {
            AddFile(info.filePath());
            continue;
        }
        try {
            AddDocumentPages(info.filePath(), filter);
        } catch (const Exception& e) {
            qWarning("template %s skipped: %s", qPrintable(info.filePath()), e.what());
        }
    }
}

void TTemplateList::AddFile(const QString& fileName) {
    items_.push_back({fileName, 0, 0, true});
}

void TTemplateList::AddDocumentPages(const QString& fileName, const TFaceInfo* filter) {
    TLabelData document(nullptr);
    document.LoadFromFile(fileName);
    std::vector<TTemplateInfo> found;
    for (int sheet = 0; sheet < document.GetSheetCount(); ++sheet) {
        document.SetCurrentSheetNo(sheet);
        const TPaperInfo* paper = document.GetPaperInfo();
        // Pages of a sheet designed as one share the first face's stream.
        const int faces =
            document.SeparatelyDesign ? paper->GetFaceCount() : std::min(paper->GetFaceCount(), 1);
        for (int face = 0; face < faces; ++face) {
            if (!document.HasLabelData(face))
                continue;
            if (PageMatchesFilter(filter, paper->GetFacePurpose(face), paper->GetFaceOuterRect(face)))
                found.push_back({fileName, sheet, face, false});
        }
    }
    if (found.empty() && (filter == nullptr || filter->FacePurpose == kAllPurposes)) {
        AddFile(fileName);
        return;
    }
    items_.insert(items_.end(), found.begin(), found.end());
}

void TTemplateGroup::Open(const QString& fileName) {
    fileName_ = fileName;
    ini_.reset();
    folder_.clear();
    const QString found = FindCatalogFile(fileName);
    if (found.isEmpty())
        return;
    QString error;
    ini_ = OpenCatalog(found, error);
    if (ini_ == nullptr)
        qWarning("template group %s not read: %s", qPrintable(found), qPrintable(error));
    folder_ = QFileInfo(found).path();
}

bool TTemplateGroup::GetFolder(int index, QString& folder) const {
    folder.clear();
    if (ini_ == nullptr)
        return false;
    const QStringList dirs = CommaItems(ini_->ReadString(section_, kDirKey));
    if (index < 0 || index >= dirs.size() || dirs[index].isEmpty())
        return false;
    TNoCasePathFinder finder;
    folder = IncludeBackslash(finder.Find(QDir::cleanPath(JoinPath(folder_, ToLocalPath(dirs[index])))));
    return true;
}

void TTemplateGroup::GetNames(QStringList& list) const {
    list.clear();
    if (ini_ != nullptr)
        list = CommaItems(ini_->ReadString(section_, kNameKey));
    if (list.size() == 1 && list[0].isEmpty())
        list.clear();
}

// ---- image IDs

QString FormatPaddedNumber(int n, int width) {
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

void TIDHolder::AddPair(const QString& key, const QString& id) {
    const int index = int(keys_.size());
    keys_.append(key);
    ids_.append(id);
    byKey_.insert(key, index);
    // The last holder of an ID names its file, as a search from the front would find last.
    byId_.insert(id, index);
}

bool TIDHolder::AddEntry(const QString& key, const QString& value) {
    if (key.compare(kShortStyleKey, Qt::CaseInsensitive) != 0) {
        if (GetCount() >= budget_)
            return false;
        if (!byKey_.contains(key.toUpper()))
            AddPair(key.toUpper(), value.toUpper());
        return true;
    }
    const QStringList items = CommaItems(value);
    if (items.size() != kShortStyleItems)
        return false;
    int numbers[5] = {};
    const int positions[5] = {1, 2, 3, 5, 6};
    for (int i = 0; i < 5; ++i) {
        if (!IniFile::ParseInteger(items[positions[i]], numbers[i]) || numbers[i] < 0)
            return false;
    }
    const int keyWidth = numbers[0], first = numbers[1], last = numbers[2], idWidth = numbers[3],
              firstId = numbers[4];
    const qint64 count = qint64(last) - first + 1;
    if (keyWidth > MaxWidth || idWidth > MaxWidth || count < 1 || count > budget_ - GetCount() ||
        qint64(firstId) + count - 1 > std::numeric_limits<int>::max())
        return false;
    // Only a literal "%s" is replaced: the format text comes from a file and is never handed to a
    // formatting routine.
    const QString placeholder = QStringLiteral("%S"); // "%s" once upper-cased
    const QString keyFormat = items[0].toUpper();
    const QString idFormat = items[4].toUpper();
    const qsizetype keyAt = keyFormat.indexOf(placeholder);
    const qsizetype idAt = idFormat.indexOf(placeholder);
    for (qint64 i = 0; i < count; ++i) {
        const QString n = FormatPaddedNumber(int(first + i), keyWidth);
        const QString m = FormatPaddedNumber(int(firstId + i), idWidth);
        QString k = keyFormat;
        QString id = idFormat;
        if (keyAt >= 0)
            k.replace(keyAt, 2, n);
        if (idAt >= 0)
            id.replace(idAt, 2, m);
        if (!k.isEmpty() && !byKey_.contains(k))
            AddPair(k, id);
    }
    return true;
}

QString TIDHolder::FindID(const QString& key) const {
    const auto it = byKey_.constFind(key);
    return it == byKey_.constEnd() ? QString() : ids_[*it];
}

QString TIDHolder::FindKey(const QString& id) const {
    const auto it = byId_.constFind(id);
    return it == byId_.constEnd() ? QString() : keys_[*it];
}

TImageIDList::TImageIDList(const QString& iniFileName) {
    ini_ = OpenCatalog(iniFileName, error_);
    if (ini_ == nullptr)
        return;
    sections_ = ini_->SectionNames();
}

const TIDHolder* TImageIDList::GetHolder(int index) {
    if (index < 0 || index >= GetCount())
        return nullptr;
    while (int(holders_.size()) <= index) {
        auto holder = std::make_unique<TIDHolder>(TIDHolder::MaxPairs - pairs_);
        for (const IniFile::Entry& e : ini_->Entries(sections_[int(holders_.size())]))
            holder->AddEntry(e.Key, e.Value);
        pairs_ += holder->GetCount();
        holders_.push_back(std::move(holder));
    }
    return holders_[size_t(index)].get();
}

bool TImageIDList::SectionHoldsFolder(int index, const QString& upperFolder) const {
    const QString section = UpperFolder(sections_[index]);
    if (section == QLatin1String("/"))
        return false;
    return upperFolder == section ||
           upperFolder.endsWith(section.startsWith(u'/') ? section : u'/' + section);
}

QString TImageIDList::GetFileID(const QString& fileName) {
    const QFileInfo info(fileName);
    const QString folder = IncludeBackslash(info.path()).toUpper();
    const QString key = info.completeBaseName().toUpper();
    std::optional<int> decider;
    for (int i = 0; i < GetCount(); ++i) {
        if (SectionHoldsFolder(i, folder))
            decider = i;
    }
    return decider ? GetHolder(*decider)->FindID(key) : QString();
}

QString TImageIDList::GetTemplateID(const TTemplateInfo& info) {
    const QFileInfo file(info.FileName);
    const QString folder = IncludeBackslash(file.path()).toUpper();
    const QString key = QStringLiteral("%1,%2,%3")
                            .arg(file.completeBaseName().toUpper())
                            .arg(info.SheetIndex)
                            .arg(info.FaceIndex);
    for (int i = 0; i < GetCount(); ++i) {
        if (SectionHoldsFolder(i, folder))
            return GetHolder(i)->FindID(key);
    }
    return QString();
}

QString TImageIDList::FindFileByID(const QString& id) {
    const QString upper = id.toUpper();
    QString found;
    for (int i = 0; i < GetCount(); ++i) {
        const QString key = GetHolder(i)->FindKey(upper);
        if (!key.isEmpty())
            found = JoinPath(ToLocalPath(sections_[i]), key);
    }
    return found;
}
