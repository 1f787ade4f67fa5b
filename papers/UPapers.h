#pragma once
// The paper database: every known paper in one compound file, worked on in a temporary copy
// that is written back only when something changed. TPapers holds the papers and their
// purposes; TPapersV2 adds the update record, the company and group lists, named global lists
// and the extension tables of extra paper information.
//
// An existing file is read in place until the first change; only then is the working copy made
// (start-up opens the database and rarely changes it).
//
// Opening reads each paper's own fields only (PeekPaper); its purposes and free faces are read
// when GetPaper first asks for it. A paper stream that cannot be read, or holds a paper whose
// sizes or face count only damage gives, is left out and kept in the file as it is; damage found
// only once a paper is read whole leaves it listed without faces. OpenWarning names them all.

#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "papers/UPurposeList.h"
#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/StringList.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TDocStorage;
class TRootStorage;
class TTemporaryStorage;

QUORLANE_EXCEPTION(EPaperDatabase, Exception)

// Names of the extension tables.
extern const QString kExtraInfosTable;
extern const QString kPaperImagesTable;
extern const QString kExtraAlbumInfoTable;

class TPaperUpdate : public TComponent {
    QUORLANE_CLASS(TPaperUpdate, TComponent)

public:
    using TComponent::TComponent;
    static void DeclareProperties(TPropertyBuilder<TPaperUpdate>& p);
    void Assign(const TPersistent* source) override;

    // The pattern number of the paper data.
    int PPRNo = 0;
    // When the last update was merged (days since 1899-12-30).
    double LastUpdate = 0;
};

class TPapers {
public:
    // Opens fileName (a new database when it does not exist). A read-only database is never
    // written back.
    TPapers(const QString& fileName, bool readOnly);
    // Reads sourceFile but writes back to saveFile: an installed database whose changes go to
    // the user's copy.
    TPapers(const QString& sourceFile, const QString& saveFile);
    // Writes a modified writable database back; a failure is swallowed here (call Save to hear
    // of it) and leaves the file as it was. Whoever changes the store saves it at once.
    virtual ~TPapers();
    TPapers(const TPapers&) = delete;
    TPapers& operator=(const TPapers&) = delete;

    int GetCount() const { return int(papers_.size()); }
    // Stays the database's. A paper is read in full when first asked for; one that proves damaged
    // then is named in RefusedPapers from then on and given with its name and sheet but no faces.
    TPaperInfo* GetPaper(int index) const;
    // The paper's own fields (name, group, sheet size, read-only flag, a grid paper's grid)
    // without its purposes and free faces, known since the store was opened: what lists need,
    // without reading thousands of papers whole. Stays the database's; valid until it changes.
    const TPaperInfo& PeekPaper(int index) const;
    // The stream the paper is stored in.
    QString GetStreamName(int index) const;
    virtual void Renumber(const TStringList& order);
    // Each paper's group once (compared without regard to case), in paper order.
    virtual void GetGroupNames(TStringList& strings) const;
    // The first paper of that exact name; -1 when none.
    virtual int IndexOf(const QString& paperName) const;
    virtual void Delete(int index);
    // Stores a copy of paper (replacing the one of its name).
    virtual void AddOrReplace(const TPaperInfo& paper);

    TPurposeList& PurposeList() const { return *purposeList_; }
    void SetPurposeList(const TPurposeList& list);

    const QString& FileName() const { return saveFile_; }
    bool ReadOnly() const { return readOnly_; }
    bool Modified() const;
    // Writes the working copy to the file and clears the modified state. Raises EPaperDatabase
    // for a read-only database or when writing fails; the file and the modified state are then
    // as they were, so a later save retries.
    void Save();

    // Papers left out when opening or found damaged since, one line each in Japanese: the paper by
    // its name where that can still be read, else by its place in the list ("3番目の用紙"), the
    // cause, and the stream and the reader's words as a detail.
    const QStringList& RefusedPapers() const { return refused_; }
    // One message naming everything left out or found wrong on opening; empty when nothing was.
    QString OpenWarning() const;
    // The same, one line a part, without the heading.
    QStringList UnreadParts() const;

    // The storage read from: the file itself until the first change, then the working copy.
    TRootStorage& Root() const { return *root_; }
    // The working copy, made now when it is not there yet; every change goes through it.
    TRootStorage& WritableRoot();

protected:
    // A scratch copy of other's store: its file copied into a working copy of its own, the papers
    // shared until one is replaced.
    explicit TPapers(const TPapers& other, int);
    // Exchanges the whole store with other (the merge's scratch copy).
    void SwapStore(TPapers& other);
    // A read-only store is never written back.
    void SetReadOnly(bool value) { readOnly_ = value; }
    // Save without the read-only check.
    void WriteFile();
    // AddOrReplace of a paper taken over rather than copied.
    void Store(std::unique_ptr<TPaperInfo> paper);
    void AddProblem(const QString& text) { problems_.append(text); }
    bool HasWorkingCopy() const { return working_ != nullptr; }
    // True when the paper proved damaged once read in full (GetPaper gives it without faces).
    bool IsDamaged(int index) const;
    // Storages a descendant holds open under the root: let go before the working copy replaces
    // the file, opened again on the copy after.
    virtual void DetachStorages() {}
    virtual void AttachStorages() {}

private:
    struct Entry {
        QString stream;
        // Shared with a merge's scratch copy until either replaces it. Until the paper is read
        // whole, its outline (the stream's top-level values, see PeekPaper).
        std::shared_ptr<TPaperInfo> paper;
        bool whole = true;
        bool damaged = false;
    };
    void Open(const QString& sourceFile);
    void ReadWhole(Entry& entry) const;
    void LoadPurposes();
    void LoadPapers();
    void SortEntries();
    void WritePurposeList();
    QStringList AllStreamNames() const;
    uint32_t NextStreamNumber() const;

    // First paper of each name, and the highest stream number: kept as papers come and go, so
    // that adding papers costs the same in a large store as in a small one. A stored paper's name
    // changes only through AddOrReplace.
    mutable QHash<QString, int> nameIndex_;
    mutable bool indexValid_ = false;
    mutable uint32_t highestNumber_ = 0;
    mutable bool highestValid_ = false;

    std::unique_ptr<TRootStorage> root_;
    // root_ itself once the working copy is made.
    TTemporaryStorage* working_ = nullptr;
    std::unique_ptr<TDocStorage> papersStorage_;
    // Papers are read whole on first use, so the list fills as they are asked for.
    mutable std::vector<Entry> papers_;
    std::unique_ptr<TPurposeList> purposeList_;
    // Streams left out when opening: kept in the file, and their numbers never reused.
    QStringList refusedStreams_;
    mutable QStringList refused_;
    QStringList problems_;
    bool readOnly_ = false;
    QString saveFile_;
};

class TPapersV2 : public TPapers {
public:
    TPapersV2(const QString& fileName, bool readOnly);
    TPapersV2(const QString& sourceFile, const QString& saveFile);
    ~TPapersV2() override;

    // The installed database is never written; changes go to the user's copy. The user's copy is
    // read when it is not older (by PPRNo) than the installed file. When the installed file is
    // newer, its papers are read and the user's own papers merged in (one named like a system paper
    // as "name$"), and the result saved as the user's copy at once. A user's copy that cannot be
    // read is set aside as "<name>.damaged" (never overwritten) and the installed papers used.
    // The three standard extension tables are registered. StartNotice tells what the user must hear.
    static std::unique_ptr<TPapersV2> OpenSystem(const QString& installedFile, const QString& userFile);
    // The PPRNo of a database file; -1 when it cannot be read.
    static int ReadPPRNo(const QString& fileName);

    void Delete(int index) override;

    // Merges source's papers and their extension records into this store: source's system papers
    // when isUpdate, its user papers when takeUserPapers. Everything of source is read first and
    // the merge made on a scratch copy that replaces this store only when all is in, so any
    // failure raises and changes nothing. An incoming system paper never replaces a user paper:
    // the user paper moves to its name with "$" appended (until free), its records with it; an
    // incoming user paper named like a system paper arrives that way itself. With isUpdate the
    // update record (source's PPRNo, now), the company and group lists and the global lists come
    // from source too. The store is left modified; the change listeners have run.
    using ProgressEvent = std::function<void(int index, int count)>;
    void MergeUpdate(TPapersV2& source, bool takeUserPapers, const ProgressEvent& onProgress, bool isUpdate);
    // Takes source's system papers as an update, and saves the result to the file before it
    // replaces this store (a failed save raises and changes nothing).
    void ApplyUpdate(TPapersV2& source, const ProgressEvent& onProgress);

    // Called when a merge has replaced the store's papers, before the old ones are freed (paper
    // pointers taken earlier of replaced papers then go). The store holds the listener only while
    // the caller does, so a window may outlive the store or the store the window.
    using ChangeListener = std::function<void()>;
    void AddChangeListener(const std::shared_ptr<ChangeListener>& listener);

    // What opening the system database has to tell the user (a damaged copy set aside, a merged
    // copy that could not be saved); empty when nothing.
    const QString& StartNotice() const { return startNotice_; }

    // Registers a table and attaches the storage of its name (created when missing); the
    // database owns it from then on.
    void AddExtraInfoBase(std::unique_ptr<TExtraInfoBase> base);
    TExtraInfoBase* FindExtraInfoBase(const QString& name) const;
    // A copy of the paper's info in that table; nullptr without name, table or info.
    std::unique_ptr<TExtraPaperInfo> GetExtraInfo(const QString& baseName, const QString& paperName) const;
    void PutExtraInfo(const QString& baseName, const TExtraPaperInfo& info);
    // Registers the three tables the application uses.
    void AddStandardExtraInfoBases();

    TPaperUpdate& GetUpdateInfo();
    void SetUpdateInfo(const TPaperUpdate& update);
    // Every change of either list rewrites its stream at once.
    TStringList& GetCompanyList();
    TStringList& GetGroupList();
    // Leaves strings alone when the list is not there.
    void LoadGlobalInfo(const QString& name, TStringList& strings);
    void SaveGlobalInfo(const QString& name, const TStringList& strings);

protected:
    void DetachStorages() override;
    void AttachStorages() override;

private:
    // The scratch copy a merge works on.
    TPapersV2(const TPapersV2& live, int);
    struct Incoming;
    void Merge(TPapersV2& source, bool takeUserPapers, const ProgressEvent& onProgress, bool isUpdate, bool save);
    void MergeInto(std::vector<Incoming>& incoming, TPapersV2& source, const ProgressEvent& onProgress,
                   bool isUpdate);
    void SwapStore(TPapersV2& other);
    // Moves a user paper and its records out of an incoming system paper's way.
    void MoveUserPaperAside(int index);
    QString FreeDollarName(QString name) const;

    struct Table {
        std::unique_ptr<TDocStorage> storage;
        std::unique_ptr<TExtraInfoBase> base;
    };
    void Opened();
    void LoadList(TStringList& list, const QString& name);
    void WriteList(const TStringList& list, const QString& name);

    std::vector<Table> tables_;
    std::unique_ptr<TPaperUpdate> update_;
    TStringList companies_;
    TStringList groups_;
    bool companiesLoaded_ = false;
    bool groupsLoaded_ = false;
    std::vector<std::weak_ptr<ChangeListener>> listeners_;
    QString startNotice_;
};

// Makes the paper, update and information classes known to the component reader.
void RegisterPaperDatabaseClasses();
