#include "app/dialogs/FSheetPos.h"

#include "core/UAppUtil.h"
#include "papers/ULabelData.h"
#include "platform/StringList.h"

#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int kWidth = 300;
constexpr int kHeight = 260;
constexpr int kMargin = 12;
constexpr int kButtonWidth = 84;
constexpr int kButtonHeight = 28;
constexpr int kArrowSize = 32;
constexpr int kGuideHeight = 18;
// The sheet an entry stands for.
constexpr int kSheetRole = Qt::UserRole;

// Entries are their plain text at the item's top-left corner.
class TSheetEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(option.rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
    }
};

} // namespace

int MoveSheetEntry(std::vector<int>& entries, int selected, int step) {
    const int target = selected + step;
    const int count = int(entries.size());
    if (selected < kFirstInnerSheet || selected >= count || target < kFirstInnerSheet || target >= count)
        return selected;
    std::swap(entries[size_t(selected)], entries[size_t(target)]);
    return target;
}

void ApplySheetOrder(TLabelData& document, const std::vector<int>& entries) {
    const int n = document.GetSheetCount();
    if (int(entries.size()) != n)
        return;
    // places[s]: the position sheet s is to take.
    std::vector<int> places(size_t(n), -1);
    for (int p = 0; p < n; ++p) {
        const int sheet = entries[size_t(p)];
        if (sheet < 0 || sheet >= n || places[size_t(sheet)] >= 0)
            return;
        places[size_t(sheet)] = p;
    }
    for (int slot = 0; slot < std::min(n, kFirstInnerSheet); ++slot)
        if (places[size_t(slot)] != slot)
            return;
    const int current = places[size_t(document.CurrentSheetNo())];
    for (int i = 0; i < n; ++i) {
        const int j = int(std::find(places.begin(), places.end(), i) - places.begin());
        if (j >= n || j == i)
            continue;
        document.SetCurrentSheetNo(j);
        document.MoveSheet(i);
        const int moved = places[size_t(j)];
        places.erase(places.begin() + j);
        places.insert(places.begin() + i, moved);
    }
    document.SetCurrentSheetNo(current);
}

TfrmSheetPos::TfrmSheetPos(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSheetPos"));
    setFixedSize(kWidth, kHeight);
    const int buttonTop = kHeight - kMargin - kButtonHeight;
    const int guideTop = buttonTop - kMargin - kGuideHeight;
    const int listWidth = kWidth - 3 * kMargin - kArrowSize;
    lbSheet = new QListWidget(this);
    lbSheet->setObjectName(QStringLiteral("lbSheet"));
    lbSheet->setGeometry(kMargin, kMargin, listWidth, guideTop - 2 * kMargin);
    lbSheet->setItemDelegate(new TSheetEntryDelegate(lbSheet));
    lbSheet->installEventFilter(this);
    btnUP = new QPushButton(QStringLiteral("↑"), this);
    btnUP->setObjectName(QStringLiteral("btnUP"));
    btnUP->setToolTip(QStringLiteral("選択したシートの位置を上へ移動します"));
    btnUP->setGeometry(kWidth - kMargin - kArrowSize, kMargin, kArrowSize, kArrowSize);
    btnDown = new QPushButton(QStringLiteral("↓"), this);
    btnDown->setObjectName(QStringLiteral("btnDown"));
    btnDown->setToolTip(QStringLiteral("選択したシートの位置を下へ移動します"));
    btnDown->setGeometry(kWidth - kMargin - kArrowSize, kMargin + kArrowSize + kMargin, kArrowSize,
                         kArrowSize);
    lblGuide = new QLabel(QStringLiteral("矢印キーでシートの順序を変更できます"), this);
    lblGuide->setObjectName(QStringLiteral("lblGuide"));
    lblGuide->setGeometry(kMargin, guideTop, kWidth - 2 * kMargin, kGuideHeight);
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setGeometry(kWidth - 2 * (kButtonWidth + kMargin), buttonTop, kButtonWidth, kButtonHeight);
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(kWidth - kButtonWidth - kMargin, buttonTop, kButtonWidth, kButtonHeight);
    connect(lbSheet, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
    connect(btnUP, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(btnDown, &QPushButton::clicked, this, [this] { MoveSelected(+1); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    SetupForm(this);
    UpdateButtons();
}

void TfrmSheetPos::Setup(TLabelData& document, bool copyMode) {
    lbSheet->clear();
    TStringList names;
    document.GetSheetNames(names);
    for (int i = 0; i < names.Count(); ++i) {
        auto* item = new QListWidgetItem(names[i], lbSheet);
        item->setData(kSheetRole, i);
    }
    if (copyMode) {
        auto* item = new QListWidgetItem(QStringLiteral("複写したラベルシート"), lbSheet);
        item->setData(kSheetRole, document.GetSheetCount());
        lbSheet->setCurrentRow(lbSheet->count() - 1);
    } else {
        lbSheet->setCurrentRow(document.CurrentSheetNo());
    }
    UpdateButtons();
}

std::vector<int> TfrmSheetPos::Entries() const {
    std::vector<int> entries;
    for (int i = 0; i < lbSheet->count(); ++i)
        entries.push_back(lbSheet->item(i)->data(kSheetRole).toInt());
    return entries;
}

void TfrmSheetPos::Apply(TLabelData& document) const {
    ApplySheetOrder(document, Entries());
}

void TfrmSheetPos::MoveSelected(int step) {
    std::vector<int> entries = Entries();
    const int selected = lbSheet->currentRow();
    const int target = MoveSheetEntry(entries, selected, step);
    if (target != selected) {
        QListWidgetItem* item = lbSheet->takeItem(selected);
        lbSheet->insertItem(target, item);
        lbSheet->setCurrentRow(target);
    }
    UpdateButtons();
}

bool TfrmSheetPos::eventFilter(QObject* watched, QEvent* event) {
    // The guidance promises that the arrow keys reorder: Up and Down move the chosen sheet as the
    // arrow buttons do; where it cannot move that way they move the highlight as a list does.
    if (watched == lbSheet && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up && btnUP->isEnabled()) {
                MoveSelected(-1);
                return true;
            }
            if (key->key() == Qt::Key_Down && btnDown->isEnabled()) {
                MoveSelected(+1);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmSheetPos::UpdateButtons() {
    const int selected = lbSheet->currentRow();
    btnUP->setEnabled(selected > kFirstInnerSheet);
    btnDown->setEnabled(selected >= kFirstInnerSheet && selected < lbSheet->count() - 1);
}
