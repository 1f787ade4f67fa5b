#pragma once
// The file-open dialog as the body of a form the application designed: the dialog (Qt's own,
// non-native) is laid into the form, and each of its standard controls is moved onto the place of a
// place-holder control of the form, or hidden when its place holder is invisible. The folder choice
// window is built this way.

#include "platform/Object.h"

#include <QFileDialog>
#include <QPointer>
#include <array>
#include <vector>

class QDialog;

class TPlaceHolders {
public:
    enum TSlot {
        kLabelLocation = 2,
        kLabelName = 3,
        kLabelKind = 4,
        kButtonOK = 5,
        kButtonCancel = 6,
        kButtonHelp = 7,
        kComboLocation = 8,
        kComboKind = 9,
        kEditName = 10,
        kCheckReadOnly = 11,
        kListFile = 12,
        kToolBar = 14,
        kSlotCount = 15
    };

    QWidget* Slot(int slot) const;
    void SetSlot(int slot, QWidget* control);
    void Assign(const TPlaceHolders& source) { slots_ = source.slots_; }

private:
    std::array<QPointer<QWidget>, kSlotCount> slots_;
};

// The file dialog that asks its form before it accepts a file.
class TOpenDialogBody : public QFileDialog {
    Q_OBJECT

public:
    using QFileDialog::QFileDialog;
    std::function<bool()> BeforeAccept;

    void accept() override;
};

class TCustomOpenDialog : public QObject, public TObject {
    Q_OBJECT

public:
    // owner: the form the dialog becomes the body of.
    explicit TCustomOpenDialog(QDialog* owner);

    TPlaceHolders& PlaceHolders() { return placeHolders_; }
    void SetPlaceHolders(const TPlaceHolders& value) { placeHolders_.Assign(value); }
    TOpenDialogBody* Dialog() const { return dialog_; }
    // The dialog's controls standing for a slot (the tool bar is several buttons).
    std::vector<QWidget*> DialogControls(int slot) const;

    // Lays the dialog into the form and moves its controls onto the place holders; Execute does it
    // before running the form.
    void Prepare();
    // Runs the form modally; true when a file was accepted. The place holders hidden for the run are
    // visible again afterwards.
    bool Execute();
    QStringList SelectedFiles() const { return dialog_->selectedFiles(); }

    TNotifyEvent OnFileOK;
    TNotifyEvent OnFolderChange;
    TNotifyEvent OnInitDone;
    TNotifyEvent OnSelChange;
    TNotifyEvent OnTypeChange;

private:
    std::vector<QWidget*> FindDialogControls(int slot) const;
    bool FileOK();
    void RestorePlaceHolders();

    QPointer<QDialog> owner_;
    TOpenDialogBody* dialog_;
    TPlaceHolders placeHolders_;
    std::vector<QPointer<QWidget>> hidden_;
    std::array<std::vector<QPointer<QWidget>>, TPlaceHolders::kSlotCount> controls_;
};
