#include "papers/UPapersUI.h"

#include "papers/UPapers.h"

#include <QSet>

namespace {

// A paper's record of one table: the table's own when it keeps one, else a copy.
class ExtraInfoReader {
public:
    ExtraInfoReader(TPapersV2& papers, const QString& table, const QString& paperName) {
        TExtraInfoBase* base = papers.FindExtraInfoBase(table);
        if (base != nullptr && !paperName.isEmpty())
            peeked_ = base->PeekInfo(paperName);
        if (peeked_ == nullptr)
            copy_ = papers.GetExtraInfo(table, paperName);
    }
    const TExtraPaperInfo* Get() const { return peeked_ != nullptr ? peeked_ : copy_.get(); }

private:
    const TExtraPaperInfo* peeked_ = nullptr;
    std::unique_ptr<TExtraPaperInfo> copy_;
};

} // namespace

QString NotSetIfEmpty(const QString& text) {
    return text.isEmpty() ? NotSetText() : text;
}

void PlaceFirstAndLast(TStringList& list, const QString& first, const QString& last) {
    if (!first.isEmpty())
        list.Insert(0, first);
    if (!last.isEmpty()) {
        const int at = list.IndexOf(last);
        if (at >= 0)
            list.Move(at, list.Count() - 1);
        else
            list.Add(last);
    }
}

void OrderStringsBy(const TStringList& order, TStringList& list) {
    TStringList rebuilt;
    QSet<QString> placed;
    for (int i = 0; i < order.Count(); ++i)
        if (!placed.contains(order[i]) && list.IndexOf(order[i]) >= 0) {
            rebuilt.Add(order[i]);
            placed.insert(order[i]);
        }
    for (int i = 0; i < list.Count(); ++i)
        if (!placed.contains(list[i]))
            rebuilt.Add(list[i]);
    list.Assign(rebuilt);
}

TPapersUI::TPapersUI(TPapers& papers) : papers_(papers) {
    Fill();
}

const TPaperInfoUI& TPapersUI::GetItem(int index) const {
    if (index < 0 || index >= GetCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return items_[size_t(index)];
}

void TPapersUI::Fill() {
    auto* v2 = dynamic_cast<TPapersV2*>(&papers_);
    items_.reserve(items_.size() + size_t(papers_.GetCount()));
    for (int i = 0; i < papers_.GetCount(); ++i) {
        // Outlines only: the list never waits on every paper's faces.
        const TPaperInfo* paper = &papers_.PeekPaper(i);
        TPaperInfoUI item;
        item.PaperName = paper->PaperName;
        item.GroupName = paper->GroupName;
        item.PaperIndex = i;
        item.User = !paper->ReadOnly;
        if (v2 != nullptr) {
            // Read in place where the table keeps the records: start-up waits on this loop.
            ExtraInfoReader extra(*v2, kExtraInfosTable, paper->PaperName);
            if (auto* info = dynamic_cast<const TExPaperInfo*>(extra.Get())) {
                item.Company = info->Company;
                item.Purpose = info->Purpose;
            }
            ExtraInfoReader album(*v2, kExtraAlbumInfoTable, paper->PaperName);
            if (auto* info = dynamic_cast<const TExAlbumInfo*>(album.Get())) {
                item.PhotoSize = info->PhotoSize;
                item.PaperMemo = info->PaperMemo;
            }
        }
        item.Company = NotSetIfEmpty(item.Company);
        item.Purpose = NotSetIfEmpty(item.Purpose);
        item.GenreIndex = item.User ? userGenre_ : defaultGenre_;
        items_.push_back(std::move(item));
    }
}

void TPapersUI::Refresh() {
    items_.clear();
    Fill();
    AssignGenres();
}

void TPapersUI::SetGenreIndexes(int userGenre, int defaultGenre) {
    userGenre_ = userGenre;
    defaultGenre_ = defaultGenre;
}

void TPapersUI::SetGenres(const TStringList& genres, const TStringList& groupGenres) {
    genres_.Assign(genres);
    groupGenres_.Assign(groupGenres);
    AssignGenres();
}

void TPapersUI::AssignGenres() {
    for (TPaperInfoUI& item : items_)
        item.GenreIndex = item.User ? userGenre_ : GenreOfGroup(item.GroupName);
}

void TPapersUI::SetGenreOfPapers(const TStringList& paperNames, int genre) {
    for (TPaperInfoUI& item : items_)
        if (paperNames.IndexOf(item.PaperName) >= 0)
            item.GenreIndex = genre;
}

int TPapersUI::GenreOfGroup(const QString& groupName) const {
    const QString genre = groupGenres_.Values(groupName);
    if (!genre.isEmpty()) {
        const int index = genres_.IndexOf(genre);
        if (index >= 0)
            return index;
    }
    return defaultGenre_;
}

void TPapersUI::GetNameList(TStringList& list, const QString& first, TNameKind kind,
                            const QString& last) const {
    list.Clear();
    if (auto* v2 = dynamic_cast<TPapersV2*>(&papers_)) {
        if (kind == nkCompany)
            list.Assign(v2->GetCompanyList());
        else if (kind == nkGroup)
            list.Assign(v2->GetGroupList());
    }
    // Names compare as the string list does, without regard to case.
    QSet<QString> present;
    for (int i = 0; i < list.Count(); ++i)
        present.insert(list[i].toCaseFolded());
    for (const TPaperInfoUI& item : items_) {
        const QString& name = kind == nkCompany   ? item.Company
                              : kind == nkPurpose ? item.Purpose
                                                  : item.GroupName;
        if (!present.contains(name.toCaseFolded())) {
            list.Add(name);
            present.insert(name.toCaseFolded());
        }
    }
    PlaceFirstAndLast(list, first, last);
}

void TPapersUI::GetCompanies(TStringList& list, const QString& first, const QString& last) const {
    GetNameList(list, first, nkCompany, last);
}

void TPapersUI::GetGroups(TStringList& list, const QString& first, const QString& last) const {
    GetNameList(list, first, nkGroup, last);
}

void TPapersUI::GetNamesOfGenre(TStringList& list, const QString& first, int genre, const QString& last,
                                TNameKind kind) const {
    list.Clear();
    QSet<QString> present;
    for (const TPaperInfoUI& item : items_) {
        if (item.GenreIndex != genre)
            continue;
        const QString& name = kind == nkCompany ? item.Company : item.GroupName;
        if (!present.contains(name)) {
            list.Add(name);
            present.insert(name);
        }
    }
    TStringList order;
    GetNameList(order, QString(), kind, QString());
    OrderStringsBy(order, list);
    PlaceFirstAndLast(list, first, last);
}

void TPapersUI::GetGroupsOfGenre(TStringList& list, const QString& first, int genre,
                                 const QString& last) const {
    GetNamesOfGenre(list, first, genre, last, nkGroup);
}

void TPapersUI::GetCompaniesOfGenre(TStringList& list, const QString& first, int genre,
                                    const QString& last) const {
    GetNamesOfGenre(list, first, genre, last, nkCompany);
}
