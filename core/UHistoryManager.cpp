#include "core/UHistoryManager.h"

#include "core/UAppFrame.h"
#include "platform/Application.h"
#include "platform/Settings.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kItem = QStringLiteral("Item");

// Value names in list order: "Item<n>" by n (so Item10 follows Item9), anything else after them by name.
QStringList InListOrder(QStringList names) {
    static const QRegularExpression itemName(QStringLiteral("^Item(\\d{1,9})$"),
                                             QRegularExpression::CaseInsensitiveOption);
    auto key = [](const QString& name) {
        const QRegularExpressionMatch m = itemName.match(name);
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    };
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        const qint64 ka = key(a);
        const qint64 kb = key(b);
        if ((ka < 0) != (kb < 0))
            return ka >= 0;
        if (ka >= 0)
            return ka < kb;
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

QString Caption(const QString& entry, int index, bool accelerator) {
    // An "&" of the entry (a file named "A&B.qla") is text, not a mnemonic.
    QString caption = QString(entry).replace(QLatin1Char('&'), QLatin1String("&&"));
    if (!accelerator)
        return caption;
    QChar key;
    if (index < 10)
        key = QChar(u'0' + index);
    else if (index < 36)
        key = QChar(u'A' + (index - 10));
    else
        return caption;
    return QLatin1Char('&') + key + QLatin1Char(' ') + caption;
}

} // namespace

THistoryManager::THistoryManager(TComponent* owner) : TComponent(owner) {
    items_.OnChange = [this](TObject*) { Save(); };
}

THistoryManager::~THistoryManager() {
    items_.OnChange = nullptr;
    for (QPointer<QAction>& action : menuItems_)
        delete action.data();
}

void THistoryManager::DeclareProperties(TPropertyBuilder<THistoryManager>& p) {
    p.String("RegistryKey", &THistoryManager::RegistryKey, &THistoryManager::SetRegistryKey);
    p.Integer("Limit", &THistoryManager::Limit, &THistoryManager::SetLimit).Default(10);
    p.Boolean("UseAccelerator", &THistoryManager::UseAccelerator, &THistoryManager::SetUseAccelerator)
        .Default(false);
    p.String("ClearHistoryCaption", &THistoryManager::ClearHistoryCaption,
             &THistoryManager::ClearHistoryCaption);
}

void THistoryManager::SetRegistryKey(const QString& key) {
    if (key == registryKey_)
        return;
    registryKey_ = key;
    RebuildMenu();
}

void THistoryManager::SetLimit(int limit) {
    if (limit == limit_)
        return;
    limit_ = limit;
    RebuildMenu();
}

void THistoryManager::SetMenuItem(QAction* item) {
    if (item == menuItem_)
        return;
    menuItem_ = item;
    RebuildMenu();
}

void THistoryManager::SetUseAccelerator(bool value) {
    if (value == useAccelerator_)
        return;
    useAccelerator_ = value;
    RebuildMenu();
}

void THistoryManager::Loaded() {
    TComponent::Loaded();
    RebuildMenu();
}

void THistoryManager::KeyParts(QString& key, QString& subKey) {
    const QString expanded = ExpandMacros(registryKey_);
    const qsizetype slash = expanded.lastIndexOf(QLatin1Char('\\'));
    key = slash < 0 ? QString() : expanded.left(slash);
    subKey = expanded.mid(slash + 1);
    if (key.isEmpty() || subKey.isEmpty())
        throw EHistoryManager(QStringLiteral("History用のキーがセットされていません"));
}

void THistoryManager::Load() {
    QString key;
    QString subKey;
    KeyParts(key, subKey);
    const QString listKey = key + QLatin1Char('\\') + subKey;
    const QStringList names = InListOrder(SettingsStore::ValueNames(listKey));
    const qsizetype count = std::min<qsizetype>(names.size(), std::max(limit_, 0));
    TNotifyEvent save = std::move(items_.OnChange);
    items_.OnChange = nullptr;
    items_.Clear();
    for (qsizetype i = 0; i < count; ++i)
        items_.Add(SettingsStore::ReadString(listKey, names[i]));
    items_.OnChange = std::move(save);
}

void THistoryManager::Save() {
    QString key;
    QString subKey;
    KeyParts(key, subKey);
    const QString listKey = key + QLatin1Char('\\') + subKey;
    // One write of the settings file for the whole list.
    QStringList names;
    for (int i = 0; i < items_.Count(); ++i)
        names << kItem + QString::number(i);
    SettingsStore::ReplaceKey(listKey, names, items_.ToQStringList());
    RebuildMenu();
}

const TStringList& THistoryManager::GetItems() {
    Load();
    return items_;
}

void THistoryManager::Add(const QString& text) {
    Load();
    items_.BeginUpdate();
    const int old = items_.IndexOf(text);
    if (old >= 0)
        items_.Delete(old);
    items_.Insert(0, text);
    while (items_.Count() > std::max(limit_, 0))
        items_.Delete(items_.Count() - 1);
    items_.EndUpdate();
}

void THistoryManager::Remove(const QString& text) {
    Load();
    const int index = items_.IndexOf(text);
    if (index >= 0)
        items_.Delete(index);
}

void THistoryManager::Clear() {
    Load();
    items_.Clear();
}

QMenu* THistoryManager::AnchorMenu() const {
    if (menuItem_.isNull())
        return nullptr;
    for (QObject* object : menuItem_->associatedObjects()) {
        if (auto* menu = qobject_cast<QMenu*>(object))
            return menu;
    }
    return nullptr;
}

void THistoryManager::FreeMenuItems() {
    // A click on one of these items may be what rebuilds the menu, so they go once the click is over.
    for (QPointer<QAction>& action : menuItems_) {
        if (action.isNull())
            continue;
        for (QObject* object : action->associatedObjects()) {
            if (auto* widget = qobject_cast<QWidget*>(object))
                widget->removeAction(action);
        }
        action->deleteLater();
    }
    menuItems_.clear();
}

void THistoryManager::RebuildMenu() {
    // While the stored form is read the properties arrive one by one; Loaded builds the menu once.
    if (menuItem_.isNull() || IsLoading())
        return;
    FreeMenuItems();
    Load();
    menuItem_->setVisible(false);
    QMenu* menu = AnchorMenu();
    if (!menu || items_.Count() == 0)
        return;

    int position = static_cast<int>(menu->actions().indexOf(menuItem_.data())) + 1;
    auto insert = [&](QAction* action) {
        const QList<QAction*> actions = menu->actions();
        menu->insertAction(position < actions.size() ? actions[position] : nullptr, action);
        menuItems_.emplace_back(action);
        ++position;
    };
    auto separator = [&] {
        auto* action = new QAction;
        action->setSeparator(true);
        insert(action);
    };
    if (position > 1)
        separator();
    for (int i = 0; i < items_.Count(); ++i) {
        auto* action = new QAction(Caption(items_[i], i, useAccelerator_));
        action->setData(i);
        QObject::connect(action, &QAction::triggered, action,
                         [this, i] { TApplication::Guard(this, [this, i] { MenuClick(i); }); });
        insert(action);
    }
    if (!ClearHistoryCaption.isEmpty()) {
        separator();
        auto* action = new QAction(ClearHistoryCaption);
        QObject::connect(action, &QAction::triggered, action,
                         [this] { TApplication::Guard(this, [this] { Clear(); }); });
        insert(action);
    }
}

void THistoryManager::MenuClick(int index) {
    const TStringList& items = GetItems();
    // The list may have changed in another window since the menu was built.
    if (index < 0 || index >= items.Count())
        return;
    const QString text = items[index];
    Add(text);
    if (OnMenuClick)
        OnMenuClick(this, text);
}
