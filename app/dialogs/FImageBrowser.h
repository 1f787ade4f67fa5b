#pragma once
// The one thumbnail view of the system, embedded by every file and material browser: the images of a
// pack as a grid of captioned thumbnails (TThumbGrid, made in the background by the browser's own
// loader), or, for packs of files, as a report of name, size, type and date. It tells its host of
// clicks and double clicks (Enter too) only through the host's actions; hosts read the selection
// and map image indexes to their own data.

#include "platform/Color.h"

#include <QDateTime>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QAction;
class QStackedWidget;
class QStandardItemModel;
class QTreeView;
class TCustomImagePack;
class TImageLoadThread;
class TImagePack;
class TThumbGrid;

class TfrmImageBrowser : public QWidget {
    Q_OBJECT

public:
    // Report columns, in order.
    enum TReportColumn { rcName, rcSize, rcType, rcDate, rcCount };

    explicit TfrmImageBrowser(QWidget* parent = nullptr);
    // Stops the loader (its load in hand finishes first).
    ~TfrmImageBrowser() override;

    // The pack shown (not owned; it must outlive the browser or be unset first). Unsubscribes from
    // the previous pack.
    void SetImagePack(TImagePack* pack);
    TImagePack* ImagePack() const;
    // The cache of rendered thumbnails.
    TCustomImagePack& CellPack();
    TImageLoadThread* Loader() const;
    // Loader workers (one by default); more only for packs whose loading may run on several threads.
    void SetLoaderWorkers(int count);

    // Thumbnails: one item per image, captioned "No.1"...; report: one row per image's file.
    void RefreshItems();
    // Thumbnails: one item per caption; report: one row per caption's image's file.
    void SetItemCaptions(const QStringList& captions);
    int ThumbSize() const;
    void SetThumbSize(int size);
    bool ReportView() const { return reportView_; }
    // Empties the list; the host fills it again.
    void SetReportView(bool value);
    void SetBackColor(TColor color);
    TColor ThumbBackColor() const;
    void SetThumbBackColor(TColor color);
    TColor TransparentColor() const;
    void SetTransparentColor(TColor color);

    int SelectedIndex() const;
    void SelectIndex(int index);
    void SetMultiSelect(bool value);
    void SelectAll(bool value);
    // Selected state of the item at that list position (report: row).
    bool IsSelected(int position) const;
    int SelectedCount() const;
    // The image index of the item at that list position, -1 outside.
    int ItemImageIndex(int position) const;
    int ItemCount() const;

    // Report: sorts as a click on the column header does (ascending by a new column, descending by
    // the sort column, which is then forgotten).
    void ColumnClick(int column);
    int SortColumn() const { return sortColumn_; }
    // The report's text of a cell (by list position).
    QString ReportText(int position, int column) const;

    // Asked for the file of image index when the report is filled.
    std::function<void(int index, QString& fileName)> OnGetFileName;
    QAction* ClickAction = nullptr;
    QAction* DblClickAction = nullptr;

    TThumbGrid* Grid() const { return grid_; }
    QTreeView* Report() const { return report_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TReportRow {
        int index = -1;
        QString name;
        QString typeName;
        QIcon icon;
        bool found = false;
        bool folder = false;
        qint64 size = 0;
        QDateTime written;
    };

    void FillFileReport(int count);
    TReportRow MakeReportRow(int index, const QString& fileName, class TExFileInfo& info) const;
    void SortReport(int column, bool ascending);
    void ShowReportRows();
    void ApplyPanelLook();
    void Click();
    void DblClick();

    QWidget* shdwPanelBase = nullptr;
    QStackedWidget* stack_ = nullptr;
    TThumbGrid* grid_ = nullptr;
    QTreeView* report_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    std::vector<TReportRow> rows_;
    bool reportView_ = false;
    int sortColumn_ = -1;
    TColor backColor_;
};

// The report's size text: kilobytes rounded, with thousands separators ("1,024KB").
QString ReportSizeText(qint64 bytes);
