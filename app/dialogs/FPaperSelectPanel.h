#pragma once
// Paper selection's working form: genres, maker and use filters, an optional name search, the list
// of papers, their details and a preview of the chosen paper's faces, its orientation and the side
// edited. The store's papers are never changed here: the orientation chosen is kept per paper name
// for the run and applied to the copy the document takes.

#include "platform/StringList.h"

#include <QGroupBox>
#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class TComponent;
class THistoryManager;
class TLabelData;
class TPaperInfo;
class TPaperSite;
class TPapersUI;
class TPapersV2;
class TframePaperSelectExFunc;
struct TPaperInfoUI;

// Latin letters of either width upper-cased, half-width to full-width, hiragana to katakana.
QString NormalizeSearchText(const QString& text);

// What the list shows: genre -1 and entry 0 (or an empty text) of maker and use mean any.
struct TPaperFilter {
    int Genre = -1;
    int MakerIndex = 0;
    QString Maker;
    int GroupIndex = 0;
    QString Group;
    // Normalised; empty lists every name. Found as a whole, or word by word in any order.
    QString SearchKey;
    // Key on even lines, the text to look for on the line after.
    const TStringList* Synonyms = nullptr;
};
bool MatchesFilter(const TPaperFilter& filter, const TPaperInfoUI& entry, const QString& normalizedName);

// A paper name of an older data version under its current name.
QString MapPaperName(const QString& name, const TStringList& v1ToV2, const TStringList& v2ToV3);

// Printer forms by exact size (0.1 mm), the user-defined size left out.
using TFormSizeTable = QHash<quint64, QString>;
TFormSizeTable MakeFormSizeTable();
// The form's name for an exact size, else "%sx%smm" in millimetres.
QString FormatPaperSize(const TFormSizeTable& forms, int width, int height);

// Ordinal comparison of the CP932 bytes: kana and first-level kanji in reading order.
int ComparePaperText(const QString& a, const QString& b);

class TframeSearchPaper : public QGroupBox {
    Q_OBJECT

public:
    explicit TframeSearchPaper(QWidget* parent = nullptr);
    ~TframeSearchPaper() override;

    QComboBox* cbSearch;
    QPushButton* btnSearch;
    THistoryManager* hmSearch;
    // Runs on "検索"; the text goes on the history right after, once the list is shown.
    std::function<void()> OnSearch;

    void Search();

private:
    void KeepInHistory(const QString& text);
    std::unique_ptr<TComponent> owner_;
};

class TfrmPaperSelectPanel : public QWidget {
    Q_OBJECT

public:
    static constexpr int kGenreRecent = 0;
    static constexpr int kGenreUser = 4;
    static constexpr int kGenreCount = 5;

    // papers is borrowed and outlives the panel.
    explicit TfrmPaperSelectPanel(TPapersV2& papers, QWidget* parent = nullptr);
    ~TfrmPaperSelectPanel() override;

    QListWidget* lbGenre;
    QComboBox* cbMaker;
    QComboBox* cbGroup;
    TframeSearchPaper* frameSearchPaper;
    QTreeWidget* lvPaper;
    QPlainTextEdit* memoInfo;
    QWidget* pnlPreview;
    TPaperSite* PaperSite;
    QLabel* lblNoPaper;
    QRadioButton* rbPortrait;
    QRadioButton* rbLandscape;
    QRadioButton* rbFront;
    QRadioButton* rbBoth;
    QRadioButton* rbBack;
    QPushButton* btnToEdit;
    QGroupBox* gbEditPaper;
    QPushButton* btnNewPaper;
    QPushButton* btnEditPaper;
    QPushButton* btnDeletePaper;
    // The maintenance functions of extended mode.
    TframePaperSelectExFunc* frameExFunc;
    QAction* actOK;
    QAction* actFix;
    QAction* actResetPapers;
    // Run when the user asks to go on.
    QAction* NextAction = nullptr;

    void SetDocument(TLabelData* document) { document_ = document; }
    void SelectPaper(const TPaperInfo* documentPaper);
    // The store's paper of the selected item; nullptr when none.
    TPaperInfo* GetSelectedPaper() const;
    // A copy of the selected paper as the document takes it (orientation applied); nullptr when none.
    std::unique_ptr<TPaperInfo> CopySelectedPaper() const;
    // 0 front only, 1 back only, 2 both sides.
    int GetFaceSide() const;
    bool Accepted() const { return accepted_; }
    bool DesignSeparately() const { return designSeparately_; }

    void RefreshGenre(bool fill);
    void FillPaperList();
    void ShowSelectedPaper();
    void UpdateButtons();
    void SortByColumn(int column);
    void DeleteSelectedPaper();
    // The paper wizard on the selected paper: a new paper starting as its copy, or the paper itself.
    // What the wizard made is stored and saved at once, then selected.
    void EditPaper(bool isNew);
    int SelectedGenre() const;
    // The orientation the user chose for a paper during this run (its own otherwise).
    static bool ChosenLandscape(const TPaperInfo& paper);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    // The store's global lists the panel reads (synonyms, genres, old names); a merge may change them.
    void LoadTables();
    void RebuildModel();
    // The selected paper's faces fitted into the preview, mirrored for the back side, its images on top.
    void ShowPreview();
    // Widens the name column into the list's spare room, as far as the longest name shown needs.
    void FitNameColumn();
    std::unique_ptr<TPaperInfo> FindStorePaper(const TPaperInfo& documentPaper) const;
    void RestoreFilters(const TPaperInfo& paper, bool clear);
    void SelectGenreQuietly(int genre);
    QTreeWidgetItem* FindItem(const QString& caption) const;
    // The current item when it is selected.
    QTreeWidgetItem* SelectedItem() const;
    void SelectItem(QTreeWidgetItem* item);
    void RunSearch();
    void Fix();
    TPaperFilter CurrentFilter() const;

    TPapersV2& papers_;
    // A merge into the store lists the new papers at once.
    std::shared_ptr<std::function<void()>> papersListener_;
    std::unique_ptr<TComponent> owner_;
    std::unique_ptr<TPapersUI> model_;
    std::vector<QString> normalizedNames_;
    TFormSizeTable forms_;
    TStringList synonyms_, genreInfo_, v1ToV2_, v2ToV3_, v2ToV3Group_;
    THistoryManager* hmUsedPaper_;
    TLabelData* document_ = nullptr;
    QString searchKey_;
    int lastSortColumn_ = -1;
    // The genre the filter lists were last refreshed for.
    int shownGenre_ = -2;
    // The item the details and preview show; the list's items are rebuilt only by a fill, which shows
    // again.
    QTreeWidgetItem* shownItem_ = nullptr;
    bool genreGuard_ = false;
    bool accepted_ = false;
    bool designSeparately_ = false;
    // The preview shows a copy, so the store's paper is never turned or mirrored.
    std::unique_ptr<TPaperInfo> previewPaper_;
};
