#include "app/dialogs/UPaperEditing.h"

#include "controls/Exspined.h"

#include <QBoxLayout>
#include <QDialog>
#include <QPushButton>

namespace {

constexpr int kLengthRatio = 10;

bool& AdvancedSwitch() {
    static bool value = false;
    return value;
}

} // namespace

bool AdvancedPaperMode() {
    return AdvancedSwitch();
}

void SetAdvancedPaperMode(bool value) {
    AdvancedSwitch() = value;
}

TWizardButtons MakeWizardButtons(QDialog* page, QBoxLayout* layout, bool withResults) {
    TWizardButtons buttons{};
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    const auto make = [&](const char* name, const QString& caption, int result) {
        auto* button = new QPushButton(caption, page);
        button->setObjectName(QString::fromLatin1(name));
        button->setAutoDefault(false);
        row->addWidget(button);
        if (withResults)
            QObject::connect(button, &QPushButton::clicked, page, [page, result] { page->done(result); });
        return button;
    };
    buttons.Cancel = make("btnCancel", QStringLiteral("キャンセル"), kPageCancel);
    row->addSpacing(12);
    buttons.Back = make("btnBack", QStringLiteral("< 戻る(&B)"), kPageBack);
    buttons.Next = make("btnNext", QStringLiteral("次へ >"), kPageNext);
    buttons.Next->setDefault(true);
    row->addSpacing(12);
    buttons.Finish = make("btnFinish", QStringLiteral("完了(&F)"), kPageFinish);
    layout->addLayout(row);
    return buttons;
}

TExSpinEdit* MakeLengthEdit(QWidget* parent, const char* name, int minValue, int maxValue) {
    auto* edit = new TExSpinEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->SetValueRatio(kLengthRatio);
    edit->SetIncrement(kLengthRatio);
    edit->SetMinValue(minValue);
    edit->SetMaxValue(maxValue);
    edit->SetValue(minValue);
    return edit;
}
