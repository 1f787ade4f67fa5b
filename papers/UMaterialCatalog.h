#pragma once
// The catalogues of the material browsers: small ini files (read by IniFile) naming standard photo
// sizes, shade and frame materials, backgrounds, template groups and the image IDs of the content.
// A catalogue that cannot be read is empty and says why in ErrorText(); bad lines are skipped, so one
// broken entry never hides the rest. Folders named in catalogues are texts of the system ("\"
// separated, relative to the content folders) and are found through the application frame.

#include "papers/faces/UFaceInfo.h"
#include "platform/IniFile.h"
#include "platform/Rect.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

// ---- finding content

// A catalogue file (ToLocalPath, then the application frame's content search; an absolute path is taken
// as it is when it exists); empty when not found or without a frame. The user is never asked for the disc.
QString FindCatalogFile(const QString& name);
// The folder of a catalogue text (with a trailing "/"), found by searching for folder + "\*.*";
// empty when it holds no file anywhere.
QString FindCatalogFolder(const QString& folder);

// ---- photo sizes

struct TPhotoSize {
    QString Name;
    int Width = 0;
    int Height = 0;
};

class TPhotoSizeInfo {
public:
    explicit TPhotoSizeInfo(const QString& iniFileName);

    // True when at least one size was read.
    bool Loaded() const { return !sizes_.empty(); }
    int GetCount() const { return int(sizes_.size()); }
    // False for an index outside 0..GetCount() - 1.
    bool GetItem(int index, TPhotoSize& size) const;
    // The size names in file order.
    QStringList GetNames() const;
    const QString& ErrorText() const { return error_; }

private:
    std::vector<TPhotoSize> sizes_;
    QString error_;
};

// ---- shades, figures and frames

struct TShadeItem {
    QString Thumbnail;
    QString Picture;
    // The blurred-edge picture of figures, the shadow (or the alpha frame itself) of frames.
    QString Shade;
};

class TShadeInfo {
public:
    QString Folder;
    bool AlphaFrame = false;

    int GetCount() const { return int(items_.size()); }
    // False for an index outside 0..GetCount() - 1.
    bool GetItem(int index, TShadeItem& item) const;
    void Add(const TShadeItem& item) { items_.push_back(item); }

private:
    std::vector<TShadeItem> items_;
};

class TShadeList {
public:
    explicit TShadeList(const QString& iniFileName);

    int GetCount() const { return int(genres_.size()); }
    // nullptr for an index outside the genres.
    const TShadeInfo* GetInfo(int index) const;
    // The section names, one per genre.
    const QStringList& GenreNames() const { return names_; }
    // True when the file lies in a genre's folder: genreIndex >= 0 checks that genre only, -1 searches
    // all genres in order and sets it.
    bool FindGenre(const QString& fileName, int& genreIndex) const;
    const QString& ErrorText() const { return error_; }

private:
    std::vector<TShadeInfo> genres_;
    QStringList names_;
    QString error_;
};

// ---- backgrounds

struct TBackGroundSubGenre {
    QString Caption;
    QString Folder;
    bool Tile = false;
    bool TileShift = false;
};

class TBackGroundInfo {
public:
    QString Caption;
    QString Genre; // the genre's folder

    int GetSubGenreCount() const { return int(subGenres_.size()); }
    bool GetSubGenre(int index, TBackGroundSubGenre& item) const;
    void AddSubGenre(const TBackGroundSubGenre& item) { subGenres_.push_back(item); }
    // True when the file lies in a sub-genre's folder (index set) or, for a genre without
    // sub-genres, in the genre folder (-1).
    bool FindFile(const QString& fileName, int& subGenreIndex) const;

private:
    std::vector<TBackGroundSubGenre> subGenres_;
};

class TBackGroundList {
public:
    explicit TBackGroundList(const QString& iniFileName);

    int GetCount() const { return int(genres_.size()); }
    const TBackGroundInfo* GetInfo(int index) const;
    // Each section name split at ",".
    const QStringList& SectionParts(int index) const;
    // FindFile over the genres; genreIndex -1 searches all and sets it.
    bool FindFile(const QString& fileName, int& genreIndex, int& subGenreIndex) const;
    const QString& ErrorText() const { return error_; }

private:
    std::vector<TBackGroundInfo> genres_;
    std::vector<QStringList> sectionParts_;
    QString error_;
};

// ---- templates

struct TTemplateInfo {
    QString FileName;
    int SheetIndex = 0;
    int FaceIndex = 0;
    // The entry stands for the whole document, not one page.
    bool WholeFile = false;
};

// True for the document extensions (".qld", ".qlt"), compared without regard to case.
bool IsDocumentFileName(const QString& fileName);
// 0 (square) when width/height lies strictly between 0.9 and 1.1; else 1 when wider than high, 2
// otherwise.
int GetRectOrientation(const TRect& r);
// True without a filter; else when the filter's purpose is "*" or the face's, and the filter's rect
// is empty or has the orientation of the face's outer rect.
bool PageMatchesFilter(const TFaceInfo* filter, const QString& facePurpose, const TRect& faceOuterRect);

class TTemplateList {
public:
    // Lists whole documents instead of their pages.
    bool FilesOnly = false;

    int GetCount() const { return int(items_.size()); }
    const TTemplateInfo& GetItem(int index) const { return items_[size_t(index)]; }
    void Clear() { items_.clear(); }

    // Clears the list, then lists the documents of a folder (or of a file mask): their pages that fit
    // filter, or whole files with FilesOnly. Documents that cannot be opened are skipped (logged).
    void Scan(const QString& path, const TFaceInfo* filter);
    void AddFile(const QString& fileName);
    // Adds the document's non-empty pages that fit filter; when none fits and there is no filter or its
    // purpose is "*", one whole-file entry. Raises when the document cannot be opened.
    void AddDocumentPages(const QString& fileName, const TFaceInfo* filter);

private:
    std::vector<TTemplateInfo> items_;
};

class TTemplateGroup {
public:
    // Keeps the name, finds the file through the content search and reads it; NotFound() when it is
    // nowhere or cannot be read.
    void Open(const QString& fileName);
    const QString& FileName() const { return fileName_; }
    bool NotFound() const { return ini_ == nullptr; }
    const QString& Section() const { return section_; }
    void SetSection(const QString& section) { section_ = section; }
    // The index-th folder of "Dir" in the current section, joined to the group file's folder, as a
    // folder path with a trailing "/"; false when there is none.
    bool GetFolder(int index, QString& folder) const;
    // The "Name" list of the current section.
    void GetNames(QStringList& list) const;

private:
    QString fileName_;
    QString folder_;
    std::unique_ptr<IniFile> ini_;
    QString section_;
};

// ---- image IDs

// Writes n in decimal, left-padded with "0" to width.
QString FormatPaddedNumber(int n, int width);

class TIDHolder {
public:
    // Bounds of the pairs (shared by all sections of a list) and of the widths of "ShortStyleDefine":
    // a hostile line must not ask for millions of pairs.
    static constexpr int MaxPairs = 100000;
    static constexpr int MaxWidth = 16;

    // budget: how many pairs this holder may take.
    explicit TIDHolder(int budget = MaxPairs) : budget_(budget) {}

    // Adds the pairs of one catalogue line: "ShortStyleDefine" expands to a numbered run, any other
    // key gives one pair. False (nothing added) for a bad line.
    bool AddEntry(const QString& key, const QString& value);

    int GetCount() const { return int(keys_.size()); }
    const QStringList& Keys() const { return keys_; }
    const QStringList& IDs() const { return ids_; }
    // The ID of an upper-case key; empty when unknown.
    QString FindID(const QString& key) const;
    // The key of an upper-case ID; empty when unknown.
    QString FindKey(const QString& id) const;

private:
    void AddPair(const QString& key, const QString& id);

    QStringList keys_;
    QStringList ids_;
    QHash<QString, int> byKey_;
    QHash<QString, int> byId_;
    int budget_;
};

class TImageIDList {
public:
    explicit TImageIDList(const QString& iniFileName);

    int GetCount() const { return int(sections_.size()); }
    const QStringList& SectionNames() const { return sections_; }
    // The section's holder; holders are loaded in section order up to index on first use, so the
    // shared bound of pairs always falls on the same sections. nullptr outside the sections.
    const TIDHolder* GetHolder(int index);
    // The ID of a content file: the last section whose folder ends the file's folder decides.
    QString GetFileID(const QString& fileName);
    // The ID of a template page: the first section whose folder ends the document's folder, key
    // "<base name>,<sheet>,<face>".
    QString GetTemplateID(const TTemplateInfo& info);
    // The content file (section folder joined with the key, no extension) of an ID; empty when unknown.
    QString FindFileByID(const QString& id);
    const QString& ErrorText() const { return error_; }

private:
    // True when the file's folder is the section's folder or ends with it.
    bool SectionHoldsFolder(int index, const QString& upperFolder) const;

    std::unique_ptr<IniFile> ini_;
    QStringList sections_;
    std::vector<std::unique_ptr<TIDHolder>> holders_;
    int pairs_ = 0;
    QString error_;
};
