#include "app/dialogs/FComponentViewer.h"

#include "app/UAppHost.h"
#include "app/USharedData.h"
#include "core/UAppUtil.h"
#include "platform/Bitmap.h"
#include "platform/Component.h"
#include "platform/Graphic.h"
#include "platform/Picture.h"
#include "platform/PropertyRegistry.h"
#include "platform/StringList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMetaProperty>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kResolverRole = Qt::UserRole + 1;
constexpr int kExpandedRole = Qt::UserRole + 2;
constexpr int kPictureMax = 240;

QString Caption(const QString& name, const QString& className) {
    return QStringLiteral("%1 : %2").arg(name, className);
}

QString ObjectClassName(const QObject* object) {
    return QString::fromLatin1(object->metaObject()->className());
}

// The persistent side of a window or control that is also one of our objects.
TPersistent* AsPersistent(QObject* object) {
    return dynamic_cast<TPersistent*>(object);
}

} // namespace

TfrmComponentViewer::TfrmComponentViewer(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmComponentViewer"));
    setWindowTitle(QStringLiteral("Component Viewer"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(this);
    TreeView1 = new QTreeWidget(splitter);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    auto* detail = new QWidget(splitter);
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    ListBox1 = new QListWidget(detail);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    Memo1 = new QPlainTextEdit(detail);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    lblPicture = new QLabel(detail);
    lblPicture->setObjectName(QStringLiteral("lblPicture"));
    Image1 = new QLabel(detail);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    for (QWidget* part : {static_cast<QWidget*>(ListBox1), static_cast<QWidget*>(Memo1),
                          static_cast<QWidget*>(lblPicture), static_cast<QWidget*>(Image1)}) {
        detailLayout->addWidget(part);
        part->hide();
    }
    detailLayout->addStretch();
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    layout->addWidget(splitter, 1);
    auto* buttons = new QHBoxLayout;
    Button2 = new QPushButton(QStringLiteral("更新(&R)"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    buttons->addStretch();
    buttons->addWidget(Button2);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(Button2, &QPushButton::clicked, this, &TfrmComponentViewer::Refresh);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(TreeView1, &QTreeWidget::itemExpanded, this, &TfrmComponentViewer::Expand);
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this] { ShowSelected(); });
    SetupForm(this);
    Refresh();
}

TfrmComponentViewer::~TfrmComponentViewer() = default;

QTreeWidgetItem* TfrmComponentViewer::AddNode(QTreeWidgetItem* parent, const QString& caption, Resolver resolve) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView1);
    item->setText(0, caption);
    item->setData(0, kResolverRole, qulonglong(resolvers_.size()));
    resolvers_.push_back(std::move(resolve));
    // Children are made when the node opens.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

TfrmComponentViewer::Target TfrmComponentViewer::Resolve(QTreeWidgetItem* item) const {
    if (!item)
        return {};
    const qulonglong index = item->data(0, kResolverRole).toULongLong();
    return index < resolvers_.size() ? resolvers_[index]() : Target{};
}

void TfrmComponentViewer::Refresh() {
    TreeView1->clear();
    resolvers_.clear();
    QTreeWidgetItem* root = AddNode(nullptr, Caption(QStringLiteral("Application"), QStringLiteral("TApplication")),
                                    [] { return Target{qApp, nullptr, nullptr}; });
    TreeView1->setCurrentItem(root);
    root->setExpanded(true);
}

void TfrmComponentViewer::Expand(QTreeWidgetItem* item) {
    if (item->data(0, kExpandedRole).toBool())
        return;
    item->setData(0, kExpandedRole, true);
    const Target target = Resolve(item);
    // The objects already on the path: none is shown again below itself.
    std::vector<const void*> path;
    for (QTreeWidgetItem* at = item; at; at = at->parent()) {
        const Target above = Resolve(at);
        path.push_back(above.persistent ? static_cast<const void*>(above.persistent) : above.object);
    }
    const auto onPath = [&](const void* object) { return std::find(path.begin(), path.end(), object) != path.end(); };
    const Resolver parentResolve = resolvers_[item->data(0, kResolverRole).toULongLong()];

    if (target.object == qApp) {
        if (auto* data = dynamic_cast<TComponent*>(sharedData()))
            AddNode(item, Caption(data->Name(), data->ClassName()), [] {
                return Target{nullptr, dynamic_cast<TComponent*>(sharedData()), nullptr};
            });
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window == this || window->parentWidget())
                continue;
            QPointer<QWidget> weak(window);
            AddNode(item, Caption(window->objectName(), ObjectClassName(window)),
                    [weak] { return Target{weak.data(), weak ? AsPersistent(weak.data()) : nullptr, nullptr}; });
        }
    } else if (target.object) {
        // A window's own components (the main window's), beside its widgets.
        if (auto* holder = dynamic_cast<IComponentHolder*>(target.object)) {
            TComponent* owner = holder->OwnedComponents();
            for (int i = 0; i < owner->ComponentCount(); ++i) {
                TComponent* owned = owner->Components(i);
                const QString name = owned->Name();
                QPointer<QObject> weak(target.object);
                AddNode(item, Caption(name, owned->ClassName()), [weak, i, name]() -> Target {
                    auto* holder = dynamic_cast<IComponentHolder*>(weak.data());
                    TComponent* components = holder ? holder->OwnedComponents() : nullptr;
                    if (!components || i >= components->ComponentCount() || components->Components(i)->Name() != name)
                        return {};
                    return Target{nullptr, components->Components(i), nullptr};
                });
            }
        }
        for (QObject* child : target.object->children()) {
            if (onPath(child) || (!child->isWidgetType() && child->objectName().isEmpty()))
                continue;
            QPointer<QObject> weak(child);
            AddNode(item, Caption(child->objectName(), ObjectClassName(child)),
                    [weak] { return Target{weak.data(), weak ? AsPersistent(weak.data()) : nullptr, nullptr}; });
        }
    }
    if (target.persistent) {
        // Owned components by name and place, found again from the parent each time.
        if (auto* component = dynamic_cast<TComponent*>(target.persistent)) {
            for (int i = 0; i < component->ComponentCount(); ++i) {
                TComponent* owned = component->Components(i);
                if (onPath(owned))
                    continue;
                const QString name = owned->Name();
                AddNode(item, Caption(name, owned->ClassName()), [parentResolve, i, name]() -> Target {
                    auto* owner = dynamic_cast<TComponent*>(parentResolve().persistent);
                    if (!owner || i >= owner->ComponentCount() || owner->Components(i)->Name() != name)
                        return {};
                    return Target{nullptr, owner->Components(i), nullptr};
                });
            }
        }
        for (const TPropInfo* info : GetPropList(target.persistent)) {
            const QString name = info->Name();
            if (info->Kind() == TPropKind::Strings) {
                AddNode(item, Caption(name, QStringLiteral("TStringList")), [parentResolve, name]() -> Target {
                    TPersistent* owner = parentResolve().persistent;
                    return owner ? Target{nullptr, nullptr, GetPropInfo(owner, name)->GetStrings(owner)} : Target{};
                });
            } else if (info->Kind() == TPropKind::Object) {
                TPersistent* value = info->GetObject(target.persistent);
                if (!value || dynamic_cast<TComponent*>(value) || onPath(value))
                    continue;
                AddNode(item, Caption(name, value->ClassName()), [parentResolve, name]() -> Target {
                    TPersistent* owner = parentResolve().persistent;
                    return owner ? Target{nullptr, GetObjectProp(owner, name), nullptr} : Target{};
                });
            }
        }
    }
    if (item->childCount() == 0)
        item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void TfrmComponentViewer::ShowSelected() {
    ListBox1->clear();
    Memo1->clear();
    ListBox1->hide();
    Memo1->hide();
    lblPicture->hide();
    Image1->hide();
    const Target target = Resolve(TreeView1->currentItem());
    if (target.strings) {
        QStringList lines;
        for (int i = 0; i < target.strings->Count(); ++i)
            lines << target.strings->Strings(i);
        Memo1->setPlainText(lines.join(QLatin1Char('\n')));
        Memo1->show();
        return;
    }
    if (auto* picture = dynamic_cast<TPicture*>(target.persistent)) {
        TGraphic* graphic = picture->Graphic();
        lblPicture->setText(graphic ? QStringLiteral("%1 : %2x%3")
                                          .arg(QString::fromLatin1(graphic->ClassName()))
                                          .arg(graphic->Width())
                                          .arg(graphic->Height())
                                    : QStringLiteral("None"));
        lblPicture->show();
        if (graphic && !graphic->Empty() && graphic->Width() > 0 && graphic->Height() > 0) {
            // Drawn at most kPictureMax wide or high, keeping its proportions.
            const double scale = std::min(1.0, double(kPictureMax) / std::max(graphic->Width(), graphic->Height()));
            const int width = std::max(1, int(graphic->Width() * scale));
            const int height = std::max(1, int(graphic->Height() * scale));
            TBitmap shown;
            shown.SetWidth(width);
            shown.SetHeight(height);
            try {
                graphic->Draw(shown.Canvas(), TRect(0, 0, width, height));
                Image1->setPixmap(QPixmap::fromImage(shown.ImageForPainting().copy()));
                Image1->show();
            } catch (const Exception&) {
                // A picture that cannot be drawn is told by its text alone.
            }
        }
        return;
    }
    if (target.persistent) {
        for (const TPropInfo* info : GetPropList(target.persistent)) {
            QString value;
            try {
                switch (info->Kind()) {
                case TPropKind::Integer:
                case TPropKind::Int64:
                case TPropKind::Color:
                case TPropKind::Charset: {
                    const int64_t ordinal = info->GetOrdinal(target.persistent);
                    value = QStringLiteral("%1($%2)").arg(ordinal).arg(quint64(ordinal) & 0xFFFFFFFFu, 0, 16);
                    break;
                }
                case TPropKind::Boolean:
                case TPropKind::Enumeration:
                case TPropKind::Set:
                    value = info->GetIdent(target.persistent);
                    break;
                case TPropKind::String:
                case TPropKind::WideString:
                case TPropKind::Event:
                    value = info->GetString(target.persistent);
                    break;
                case TPropKind::Float:
                    value = QString::number(info->GetFloat(target.persistent));
                    break;
                case TPropKind::Component: {
                    TComponent* component = info->GetComponent(target.persistent);
                    value = component ? component->Name() : QStringLiteral("nil");
                    break;
                }
                default:
                    // Objects, lists and collections are nodes of the tree.
                    continue;
                }
            } catch (const Exception&) {
                value = QStringLiteral("?");
            }
            ListBox1->addItem(QStringLiteral("%1 = %2").arg(info->Name(), value));
        }
        ListBox1->show();
        return;
    }
    if (target.object) {
        const QMetaObject* meta = target.object->metaObject();
        for (int i = 0; i < meta->propertyCount(); ++i) {
            const QMetaProperty property = meta->property(i);
            ListBox1->addItem(QStringLiteral("%1 = %2")
                                  .arg(QString::fromLatin1(property.name()),
                                       property.read(target.object).toString()));
        }
        ListBox1->show();
    }
}

QStringList TfrmComponentViewer::DetailLines() const {
    QStringList lines;
    if (ListBox1->isVisibleTo(this))
        for (int i = 0; i < ListBox1->count(); ++i)
            lines << ListBox1->item(i)->text();
    if (Memo1->isVisibleTo(this))
        lines << Memo1->toPlainText().split(QLatin1Char('\n'));
    if (lblPicture->isVisibleTo(this))
        lines << lblPicture->text();
    return lines;
}
