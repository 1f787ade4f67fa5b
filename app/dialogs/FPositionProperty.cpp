#include "app/dialogs/FPositionProperty.h"

#include "controls/Exspined.h"
#include "core/UInterfaces.h"
#include "pageobjects/engine/UDrawObject.h"

#include <QGridLayout>
#include <QLabel>

namespace {

constexpr int kMostOffset = 10000;
constexpr int kLeastExtent = 20;
constexpr int kMostExtent = 10000;

TIntf<IDORectProps> RectProps(TDrawObject* object) {
    return object ? Supports<IDORectProps>(static_cast<TObject*>(object)) : TIntf<IDORectProps>();
}

} // namespace

TfrmPositionProperty::TfrmPositionProperty(QWidget* parent) : TToolWindow(parent) {
    setObjectName(QStringLiteral("frmPositionProperty"));
    setWindowTitle(QStringLiteral("位置･サイズの設定"));
    auto* content = new QGridLayout;
    esLeft = NewLengthEdit(this, "esLeft", -kMostOffset, kMostOffset);
    esLeft->setToolTip(QStringLiteral("ﾗﾍﾞﾙの左端からの位置を指定します"));
    esTop = NewLengthEdit(this, "esTop", -kMostOffset, kMostOffset);
    esTop->setToolTip(QStringLiteral("ﾗﾍﾞﾙの上端からの位置を指定します"));
    esWidth = NewLengthEdit(this, "esWidth", kLeastExtent, kMostExtent);
    esWidth->setToolTip(QStringLiteral("オブジェクトの幅を入力して下さい"));
    esHeight = NewLengthEdit(this, "esHeight", kLeastExtent, kMostExtent);
    esHeight->setToolTip(QStringLiteral("オブジェクトの高さを入力して下さい"));
    const std::pair<const char*, TExSpinEdit*> rows[] = {
        {"左(&L)", esLeft}, {"上(&T)", esTop}, {"幅(&W)", esWidth}, {"高さ(&H)", esHeight}};
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(edit);
        content->addWidget(label, row, 0);
        content->addWidget(edit, row, 1);
        content->addWidget(new QLabel(QStringLiteral("mm"), this), row, 2);
        ++row;
    }
    Finish(content);
}

void TfrmPositionProperty::LoadFrom(TDrawObject* object) {
    TIntf<IDORectProps> props = RectProps(object);
    if (!props)
        return;
    esLeft->SetValue(props->GetLeft());
    esTop->SetValue(props->GetTop());
    esWidth->SetValue(props->GetWidth());
    esHeight->SetValue(props->GetHeight());
}

void TfrmPositionProperty::StoreTo(TDrawObject* object) const {
    TIntf<IDORectProps> props = RectProps(object);
    if (!props)
        return;
    if (esLeft->IsValidText())
        props->SetLeft(esLeft->Value());
    if (esTop->IsValidText())
        props->SetTop(esTop->Value());
    if (esWidth->IsValidText())
        props->SetWidth(esWidth->Value());
    if (esHeight->IsValidText())
        props->SetHeight(esHeight->Value());
}
