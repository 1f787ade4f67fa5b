#pragma once
// A most-recently-used list of texts (file names, folders, search terms) kept in the registry and shown
// as menu items right after an anchor item of a menu.

#include "platform/Component.h"
#include "platform/StringList.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

QUORLANE_EXCEPTION(EHistoryManager, Exception)

class THistoryManager : public TComponent {
    QUORLANE_CLASS(THistoryManager, TComponent)

public:
    using TOnMenuClick = std::function<void(TObject* sender, const QString& text)>;

    explicit THistoryManager(TComponent* owner);
    ~THistoryManager() override;
    static void DeclareProperties(TPropertyBuilder<THistoryManager>& p);

    // A macro text naming the registry key of the list ("$(OpenFileHistory)"): its folder part is the key
    // opened, its last element the sub-key holding the values Item0, Item1... newest first.
    const QString& RegistryKey() const { return registryKey_; }
    void SetRegistryKey(const QString& key);
    int Limit() const { return limit_; }
    void SetLimit(int limit);
    // The anchor: the history follows it in its menu and the anchor itself is hidden.
    QAction* MenuItem() const { return menuItem_; }
    void SetMenuItem(QAction* item);
    bool UseAccelerator() const { return useAccelerator_; }
    void SetUseAccelerator(bool value);
    // When not empty, a last item with this caption clears the history.
    QString ClearHistoryCaption;
    TOnMenuClick OnMenuClick;

    // The entries, newest first, read again from the registry.
    const TStringList& GetItems();
    // Puts text on top (an equal older entry goes), trims the list to Limit and saves it.
    void Add(const QString& text);
    void Remove(const QString& text);
    void Clear();

    void Loaded() override;

private:
    void KeyParts(QString& key, QString& subKey);
    void Load();
    void Save();
    void RebuildMenu();
    void MenuClick(int index);
    void FreeMenuItems();
    QMenu* AnchorMenu() const;

    QString registryKey_;
    int limit_ = 10;
    QPointer<QAction> menuItem_;
    bool useAccelerator_ = false;
    TStringList items_;
    std::vector<QPointer<QAction>> menuItems_;
};
