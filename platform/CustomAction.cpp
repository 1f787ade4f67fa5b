#include "platform/CustomAction.h"

#include "platform/Application.h"

#include <QApplication>
#include <QWidget>

TCustomAction::TCustomAction(TComponent* owner) : QAction(nullptr), TComponent(owner) {
    QObject::connect(this, &QAction::triggered, this,
                     [this] { TApplication::Guard(this, [this] { Execute(); }); });
}

TCustomAction::~TCustomAction() = default;

void TCustomAction::DeclareProperties(TPropertyBuilder<TCustomAction>& p) {
    p.String("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption);
    p.Boolean("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked).Default(false);
    p.Boolean("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled).Default(true);
    p.Integer("HelpContext", &TCustomAction::HelpContext, &TCustomAction::SetHelpContext).Default(0);
    p.String("Hint", &TCustomAction::Hint, &TCustomAction::SetHint);
    p.Integer("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex).Default(-1);
    p.String("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut);
    p.Boolean("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible).Default(true);
}

void TCustomAction::SetName(const QString& name) {
    TComponent::SetName(name);
    setObjectName(name);
}

void TCustomAction::SetChecked(bool value) {
    if (value)
        setCheckable(true);
    setChecked(value);
}

void TCustomAction::SetHint(const QString& value) {
    setStatusTip(value);
    setToolTip(value);
}

QObject* TCustomAction::FocusedTarget() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return QApplication::focusWidget();
}

bool TCustomAction::Update() {
    QObject* target = FocusedTarget();
    if (target == nullptr || !HandlesTarget(target))
        return false;
    UpdateTarget(target);
    return true;
}

bool TCustomAction::Execute() {
    QObject* target = FocusedTarget();
    if (target == nullptr || !HandlesTarget(target))
        return false;
    UpdateTarget(target);
    if (!isEnabled())
        return false;
    ExecuteTarget(target);
    return true;
}

bool TCustomAction::HandlesTarget(QObject*) {
    return false;
}
void TCustomAction::UpdateTarget(QObject*) {}
void TCustomAction::ExecuteTarget(QObject*) {}
