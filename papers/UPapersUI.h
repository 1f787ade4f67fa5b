#pragma once
// The display-ready model behind paper selection: one flat entry per paper of a database with
// the texts of its extra information and a genre, and the name lists the selection's filters
// show, in the database's own order.

#include "platform/StringList.h"

#include <QString>
#include <memory>
#include <vector>

class TPapers;

struct TPaperInfoUI {
    QString PaperName;
    QString Company;
    QString GroupName;
    QString Purpose;
    int GenreIndex = 0;
    // Position in the database.
    int PaperIndex = 0;
    // Not read-only: the user's own paper.
    bool User = false;
    QString PhotoSize;
    QString PaperMemo;
};

class TPapersUI {
public:
    enum TNameKind { nkCompany = 0, nkPurpose = 1, nkGroup = 2 };

    // The database is borrowed and must outlive the model.
    explicit TPapersUI(TPapers& papers);

    int GetCount() const { return int(items_.size()); }
    const TPaperInfoUI& GetItem(int index) const;

    void Fill();
    // Clears, fills again and reassigns genres.
    void Refresh();
    void SetGenreIndexes(int userGenre, int defaultGenre);
    // Genre names and group=genre pairs.
    void SetGenres(const TStringList& genres, const TStringList& groupGenres);
    void AssignGenres();
    void SetGenreOfPapers(const TStringList& paperNames, int genre);
    // The index of the group's genre, or the default genre.
    int GenreOfGroup(const QString& groupName) const;

    void GetNameList(TStringList& list, const QString& first, TNameKind kind, const QString& last) const;
    void GetCompanies(TStringList& list, const QString& first, const QString& last) const;
    void GetGroups(TStringList& list, const QString& first, const QString& last) const;
    void GetGroupsOfGenre(TStringList& list, const QString& first, int genre, const QString& last) const;
    void GetCompaniesOfGenre(TStringList& list, const QString& first, int genre, const QString& last) const;

    int DefaultGenre() const { return defaultGenre_; }
    int UserGenre() const { return userGenre_; }

private:
    void GetNamesOfGenre(TStringList& list, const QString& first, int genre, const QString& last,
                         TNameKind kind) const;

    std::vector<TPaperInfoUI> items_;
    int defaultGenre_ = -1;
    int userGenre_ = 2147483647;
    TPapers& papers_;
    TStringList genres_;
    TStringList groupGenres_;
};

// The not-set text for an empty name.
QString NotSetIfEmpty(const QString& text);
// A non-empty first goes on top (even when present); a non-empty last is moved to the end, or
// appended.
void PlaceFirstAndLast(TStringList& list, const QString& first, const QString& last);
// list rebuilt with order's names that it holds, in order's order, then its others as they were.
void OrderStringsBy(const TStringList& order, TStringList& list);
