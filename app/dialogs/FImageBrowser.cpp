#include "app/dialogs/FImageBrowser.h"

#include "app/dialogs/UThumbGrid.h"
#include "imaging/UImagePack.h"

#include <QAction>
#include <QApplication>
#include <QCollator>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QStackedWidget>
#include <QUrl>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr TColor kPanelColor = 0xB4B4B4;
constexpr TColor kReportColor = clWhite;
const QMargins kThumbnailOffsets(8, 8, 1, 8);
const QMargins kReportOffsets(1, 1, 1, 1);
constexpr int kBytesPerKB = 1024;
constexpr int kIndexRole = Qt::UserRole + 1;

int CompareText(const QString& a, const QString& b) {
    // Case-insensitive by the locale's rules, as the file lists of the desktop sort.
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

template <typename T>
int CompareValue(const T& a, const T& b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}
} // namespace

QString ReportSizeText(qint64 bytes) {
    const qint64 kb = (std::max<qint64>(bytes, 0) + kBytesPerKB / 2) / kBytesPerKB;
    return QLocale(QLocale::Japanese, QLocale::Japan).toString(kb) + QStringLiteral("KB");
}

TfrmImageBrowser::TfrmImageBrowser(QWidget* parent) : QWidget(parent), backColor_(kPanelColor) {
    setObjectName(QStringLiteral("frmImageBrowser"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    shdwPanelBase = new QWidget(this);
    shdwPanelBase->setObjectName(QStringLiteral("shdwPanelBase"));
    shdwPanelBase->setAutoFillBackground(true);
    outer->addWidget(shdwPanelBase);
    auto* inner = new QVBoxLayout(shdwPanelBase);
    stack_ = new QStackedWidget(shdwPanelBase);
    inner->addWidget(stack_);

    grid_ = new TThumbGrid(stack_);
    grid_->setObjectName(QStringLiteral("ListView1"));
    grid_->setFrameShape(QFrame::NoFrame);
    stack_->addWidget(grid_);
    connect(grid_, &TThumbGrid::clicked, this, [this] { Click(); });
    connect(grid_, &TThumbGrid::doubleClicked, this, [this] { DblClick(); });
    // Files are dragged as files: onto a photo frame, or out of the window.
    grid_->DragData = [this]() -> QMimeData* {
        if (!OnGetFileName)
            return nullptr;
        QList<QUrl> urls;
        for (int position = 0; position < grid_->Count(); ++position) {
            QString name;
            if (grid_->IsSelected(position))
                OnGetFileName(grid_->ItemImageIndex(position), name);
            if (!name.isEmpty())
                urls.append(QUrl::fromLocalFile(name));
        }
        if (urls.isEmpty())
            return nullptr;
        auto* data = new QMimeData;
        data->setUrls(urls);
        return data;
    };

    report_ = new QTreeView(stack_);
    report_->setObjectName(QStringLiteral("ListView1Report"));
    report_->setFrameShape(QFrame::NoFrame);
    report_->setRootIsDecorated(false);
    report_->setUniformRowHeights(true);
    report_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    report_->setSelectionBehavior(QAbstractItemView::SelectRows);
    report_->setSelectionMode(QAbstractItemView::SingleSelection);
    model_ = new QStandardItemModel(0, rcCount, report_);
    model_->setHorizontalHeaderLabels({QStringLiteral("名前"), QStringLiteral("サイズ"),
                                       QStringLiteral("種類"), QStringLiteral("更新日時")});
    model_->horizontalHeaderItem(rcSize)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    report_->setModel(model_);
    report_->header()->setSectionsClickable(true);
    report_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(report_->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { ColumnClick(column); });
    connect(report_, &QTreeView::doubleClicked, this, [this] { DblClick(); });
    report_->viewport()->installEventFilter(this);
    report_->installEventFilter(this);
    stack_->addWidget(report_);

    ApplyPanelLook();
}

TfrmImageBrowser::~TfrmImageBrowser() = default;

void TfrmImageBrowser::SetImagePack(TImagePack* pack) {
    grid_->SetImagePack(pack);
}

TImagePack* TfrmImageBrowser::ImagePack() const {
    return grid_->ImagePack();
}

TCustomImagePack& TfrmImageBrowser::CellPack() {
    return grid_->CellPack();
}

TImageLoadThread* TfrmImageBrowser::Loader() const {
    return grid_->Loader();
}

void TfrmImageBrowser::SetLoaderWorkers(int count) {
    grid_->SetLoaderWorkers(count);
}

void TfrmImageBrowser::RefreshItems() {
    if (reportView_)
        FillFileReport(ImagePack() ? ImagePack()->GetCount() : 0);
    else
        grid_->RefreshItems();
}

void TfrmImageBrowser::SetItemCaptions(const QStringList& captions) {
    if (reportView_)
        FillFileReport(int(captions.size()));
    else
        grid_->SetItemCaptions(captions);
}

int TfrmImageBrowser::ThumbSize() const {
    return grid_->ThumbSize();
}

void TfrmImageBrowser::SetThumbSize(int size) {
    grid_->SetThumbSize(size);
}

void TfrmImageBrowser::SetReportView(bool value) {
    if (value == reportView_)
        return;
    grid_->ClearItems();
    rows_.clear();
    ShowReportRows();
    reportView_ = value;
    stack_->setCurrentWidget(reportView_ ? static_cast<QWidget*>(report_) : grid_);
    ApplyPanelLook();
}

void TfrmImageBrowser::ApplyPanelLook() {
    shdwPanelBase->layout()->setContentsMargins(reportView_ ? kReportOffsets : kThumbnailOffsets);
    SetBackColor(reportView_ ? kReportColor : kPanelColor);
}

void TfrmImageBrowser::SetBackColor(TColor color) {
    backColor_ = color;
    QPalette panel = shdwPanelBase->palette();
    panel.setColor(QPalette::Window, ToQColor(color));
    shdwPanelBase->setPalette(panel);
    grid_->SetBackColor(color);
    QPalette list = report_->palette();
    list.setColor(QPalette::Base, ToQColor(color));
    report_->setPalette(list);
}

TColor TfrmImageBrowser::ThumbBackColor() const {
    return grid_->ThumbBackColor();
}

void TfrmImageBrowser::SetThumbBackColor(TColor color) {
    grid_->SetThumbBackColor(color);
}

TColor TfrmImageBrowser::TransparentColor() const {
    return grid_->TransparentColor();
}

void TfrmImageBrowser::SetTransparentColor(TColor color) {
    grid_->SetTransparentColor(color);
}

// ---- Selection

int TfrmImageBrowser::ItemCount() const {
    return reportView_ ? int(rows_.size()) : grid_->Count();
}

int TfrmImageBrowser::ItemImageIndex(int position) const {
    if (!reportView_)
        return grid_->ItemImageIndex(position);
    return position >= 0 && position < int(rows_.size()) ? rows_[size_t(position)].index : -1;
}

int TfrmImageBrowser::SelectedIndex() const {
    if (!reportView_)
        return grid_->SelectedIndex();
    for (int row = 0; row < int(rows_.size()); ++row)
        if (IsSelected(row))
            return rows_[size_t(row)].index;
    return -1;
}

void TfrmImageBrowser::SelectIndex(int index) {
    if (!reportView_) {
        grid_->SelectIndex(index);
        return;
    }
    if (index < 0) {
        report_->clearSelection();
        return;
    }
    for (int row = 0; row < int(rows_.size()); ++row)
        if (rows_[size_t(row)].index == index) {
            const QModelIndex at = model_->index(row, 0);
            report_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect |
                                                               QItemSelectionModel::Rows);
            report_->scrollTo(at);
            return;
        }
}

void TfrmImageBrowser::SetMultiSelect(bool value) {
    grid_->SetMultiSelect(value);
    report_->setSelectionMode(value ? QAbstractItemView::ExtendedSelection
                                    : QAbstractItemView::SingleSelection);
}

void TfrmImageBrowser::SelectAll(bool value) {
    if (!reportView_) {
        grid_->SelectAll(value);
        return;
    }
    if (!value)
        report_->clearSelection();
    else if (report_->selectionMode() == QAbstractItemView::ExtendedSelection)
        report_->selectAll();
}

bool TfrmImageBrowser::IsSelected(int position) const {
    if (!reportView_)
        return grid_->IsSelected(position);
    return position >= 0 && position < model_->rowCount() &&
           report_->selectionModel()->isRowSelected(position);
}

int TfrmImageBrowser::SelectedCount() const {
    if (!reportView_)
        return grid_->SelectedCount();
    return int(report_->selectionModel()->selectedRows().size());
}

// ---- Report

void TfrmImageBrowser::FillFileReport(int count) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    rows_.clear();
    if (OnGetFileName) {
        TExFileInfo info;
        rows_.reserve(size_t(std::max(count, 0)));
        for (int i = 0; i < count; ++i) {
            QString fileName;
            OnGetFileName(i, fileName);
            rows_.push_back(MakeReportRow(i, fileName, info));
        }
        TExFileInfo::SetSmallImageList(report_);
    }
    sortColumn_ = -1;
    ColumnClick(rcName);
    QApplication::restoreOverrideCursor();
}

TfrmImageBrowser::TReportRow TfrmImageBrowser::MakeReportRow(int index, const QString& fileName,
                                                             TExFileInfo& info) const {
    TReportRow row;
    // A missing file keeps its index too, so a selection of it still names its own file.
    row.index = index;
    row.name = QFileInfo(fileName).fileName();
    const QFileInfo file(fileName);
    if (!file.exists())
        return row;
    row.found = true;
    row.folder = file.isDir();
    row.size = file.size();
    TExFileInfoRecord record;
    info.GetFileInfo(fileName, record);
    row.icon = record.icon;
    row.typeName = record.typeName;
    row.written = file.lastModified();
    return row;
}

void TfrmImageBrowser::ColumnClick(int column) {
    if (column < 0 || column >= rcCount)
        return;
    const bool ascending = column != sortColumn_;
    sortColumn_ = ascending ? column : -1;
    SortReport(column, ascending);
}

void TfrmImageBrowser::SortReport(int column, bool ascending) {
    std::vector<int> selected;
    for (int row = 0; row < int(rows_.size()); ++row)
        if (IsSelected(row))
            selected.push_back(rows_[size_t(row)].index);
    // Sizes and dates by value, not by their text ("1,024KB" after "999KB").
    auto compare = [column](const TReportRow& a, const TReportRow& b) {
        switch (column) {
        case rcSize:
            return CompareValue(a.found && !a.folder ? a.size : -1, b.found && !b.folder ? b.size : -1);
        case rcType:
            return CompareText(a.typeName, b.typeName);
        case rcDate:
            return CompareValue(a.written.isValid() ? a.written.toMSecsSinceEpoch() : INT64_MIN,
                                b.written.isValid() ? b.written.toMSecsSinceEpoch() : INT64_MIN);
        default:
            return CompareText(a.name, b.name);
        }
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const TReportRow& a, const TReportRow& b) {
        const int order = compare(a, b);
        return ascending ? order < 0 : order > 0;
    });
    ShowReportRows();
    report_->header()->setSortIndicatorShown(true);
    report_->header()->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    for (int row = 0; row < int(rows_.size()); ++row)
        if (std::find(selected.begin(), selected.end(), rows_[size_t(row)].index) != selected.end())
            report_->selectionModel()->select(model_->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TfrmImageBrowser::ShowReportRows() {
    model_->removeRows(0, model_->rowCount());
    model_->setRowCount(int(rows_.size()));
    const QLocale locale;
    for (int r = 0; r < int(rows_.size()); ++r) {
        const TReportRow& row = rows_[size_t(r)];
        auto* name = new QStandardItem(row.icon, row.name);
        name->setData(row.index, kIndexRole);
        model_->setItem(r, rcName, name);
        if (!row.found)
            continue;
        auto* size = new QStandardItem(row.folder ? QString() : ReportSizeText(row.size));
        size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        model_->setItem(r, rcSize, size);
        model_->setItem(r, rcType, new QStandardItem(row.typeName));
        if (row.written.isValid())
            model_->setItem(r, rcDate, new QStandardItem(locale.toString(row.written, QLocale::ShortFormat)));
    }
}

QString TfrmImageBrowser::ReportText(int position, int column) const {
    const QStandardItem* item = model_->item(position, column);
    return item ? item->text() : QString();
}

// ---- Events

void TfrmImageBrowser::Click() {
    if (ClickAction)
        ClickAction->trigger();
}

void TfrmImageBrowser::DblClick() {
    if (DblClickAction)
        DblClickAction->trigger();
}

void TfrmImageBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QWidget* list = reportView_ ? static_cast<QWidget*>(report_) : grid_;
    if (list->isVisible() && list->focusPolicy() != Qt::NoFocus)
        list->setFocus(Qt::ActiveWindowFocusReason);
}

bool TfrmImageBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == report_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        Click();
    } else if (watched == report_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && SelectedCount() > 0) {
            DblClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
