#pragma once
// The maintenance window "Component Viewer": the live tree of the application's components and
// windows, and the published properties of the one selected. Reached from the special help menu.

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class QObject;
class TComponent;
class TPersistent;
class TStringList;

class TfrmComponentViewer : public QDialog {
    Q_OBJECT

public:
    explicit TfrmComponentViewer(QWidget* parent = nullptr);
    ~TfrmComponentViewer() override;

    QTreeWidget* TreeView1;
    QListWidget* ListBox1;
    QPlainTextEdit* Memo1;
    QLabel* lblPicture;
    QLabel* Image1;
    QPushButton* Button2;

    // Rebuilds the tree from the application.
    void Refresh();
    // What the detail area shows for the selected node: list lines, memo lines, or the picture's text.
    QStringList DetailLines() const;

private:
    // What a node stands for, found again from the root each time it is used: a node never holds
    // an object that may be gone.
    struct Target {
        QObject* object = nullptr;
        TPersistent* persistent = nullptr;
        TStringList* strings = nullptr;
    };
    using Resolver = std::function<Target()>;

    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& caption, Resolver resolve);
    void Expand(QTreeWidgetItem* item);
    void ShowSelected();
    Target Resolve(QTreeWidgetItem* item) const;

    std::vector<Resolver> resolvers_;
};
