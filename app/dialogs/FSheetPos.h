#pragma once
// The window that puts a document's sheets in a new order and, in copy mode, places the copy of the
// current sheet that the caller appends.

#include <QDialog>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class TLabelData;

// entries[p] is the sheet shown at position p. Moves the entry at selected one place by step (-1 up,
// +1 down) and answers where the selection now is; a move off either end, of a cover slot's entry or
// into a cover slot changes nothing.
int MoveSheetEntry(std::vector<int>& entries, int selected, int step);

// Puts the document's sheets in the order entries shows and keeps the current sheet current. Entries
// that are not an order of all the document's sheets, or that take a cover slot's sheet out of its
// place, change nothing.
void ApplySheetOrder(TLabelData& document, const std::vector<int>& entries);

class TfrmSheetPos : public QDialog {
    Q_OBJECT

public:
    explicit TfrmSheetPos(QWidget* parent = nullptr);

    QListWidget* lbSheet;
    QPushButton* btnUP;
    QPushButton* btnDown;
    QLabel* lblGuide;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // Lists the sheets in order; copy mode adds the copy to come at the end, selected.
    void Setup(TLabelData& document, bool copyMode);
    // After OK (in copy mode once the copy was appended and made current).
    void Apply(TLabelData& document) const;
    // The sheet each entry stands for, in list order.
    std::vector<int> Entries() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void MoveSelected(int step);
    void UpdateButtons();
};
