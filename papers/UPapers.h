#pragma once
// The paper database: every known paper in one compound file, worked on in a temporary copy
// that is written back only when something changed. TPapers holds the papers and their
// purposes; TPapersV2 adds the update record, the company and group lists, named global lists
// and the extension tables of extra paper information.
//
// An existing file is read in place until the first change; only then is the working copy made
// (start-up opens the database and rarely changes it).
//
// A paper stream that cannot be read, or holds a paper whose sizes or face count only damage
// gives, is left out and kept in the file as it is; OpenWarning names all of them at once.

#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "papers/UPurposeList.h"
#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/StringList.h"

#include <QString>
#include <QStringList>
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
    // of it) and leaves the file as it was.
    virtual ~TPapers();
    TPapers(const TPapers&) = delete;
    TPapers& operator=(const TPapers&) = delete;

    int GetCount() const { return int(papers_.size()); }
    // Stays the database's.
    TPaperInfo* GetPaper(int index) const;
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
    // for a read-only database or when writing fails; the file is then as it was.
    void Save();

    // Papers left out when opening (stream and, where readable, paper name with the reason).
    const QStringList& RefusedPapers() const { return refused_; }
    // One message naming everything left out or found wrong on opening; empty when nothing was.
    QString OpenWarning() const;

    // The storage read from: the file itself until the first change, then the working copy.
    TRootStorage& Root() const { return *root_; }
    // The working copy, made now when it is not there yet; every change goes through it.
    TRootStorage& WritableRoot();

protected:
    void AddProblem(const QString& text) { problems_.append(text); }
    bool HasWorkingCopy() const { return working_ != nullptr; }
    // Storages a descendant holds open under the root: let go before the working copy replaces
    // the file, opened again on the copy after.
    virtual void DetachStorages() {}
    virtual void AttachStorages() {}

private:
    struct Entry {
        QString stream;
        std::unique_ptr<TPaperInfo> paper;
    };
    void Open(const QString& sourceFile);
    void LoadPurposes();
    void LoadPapers();
    void SortEntries();
    void WritePurposeList();
    QStringList AllStreamNames() const;

    std::unique_ptr<TRootStorage> root_;
    // root_ itself once the working copy is made.
    TTemporaryStorage* working_ = nullptr;
    std::unique_ptr<TDocStorage> papersStorage_;
    std::vector<Entry> papers_;
    std::unique_ptr<TPurposeList> purposeList_;
    // Streams left out when opening: kept in the file, and their numbers never reused.
    QStringList refusedStreams_;
    QStringList refused_;
    QStringList problems_;
    bool readOnly_ = false;
    QString saveFile_;
};

class TPapersV2 : public TPapers {
public:
    TPapersV2(const QString& fileName, bool readOnly);
    TPapersV2(const QString& sourceFile, const QString& saveFile);
    ~TPapersV2() override;

    // The installed database is never written: the user's copy is read when it exists and is
    // not older (by PPRNo), else the installed file; either way changes go to the user's copy.
    static std::unique_ptr<TPapersV2> OpenSystem(const QString& installedFile, const QString& userFile);
    // The PPRNo of a database file; -1 when it cannot be read.
    static int ReadPPRNo(const QString& fileName);

    void Delete(int index) override;

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
};

// Makes the paper, update and information classes known to the component reader.
void RegisterPaperDatabaseClasses();
