#include "app/UPanelAngle.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

void TPanelAngle::SetEnabled(bool value) const {
    for (QWidget* control : {static_cast<QWidget*>(btnAngle00), static_cast<QWidget*>(btnAngle90),
                             static_cast<QWidget*>(btnAngle180), static_cast<QWidget*>(btnAngle270),
                             static_cast<QWidget*>(edAngle), static_cast<QWidget*>(udAngle)})
        control->setEnabled(value);
}

void TPanelAngle::Show(int angle) const {
    const QSignalBlocker upDown(udAngle);
    const QSignalBlocker edit(edAngle);
    udAngle->setValue(angle);
    edAngle->setText(QString::number(udAngle->value()));
}

void LinkEditUpDown(QLineEdit* edit, QSpinBox* upDown, int min, int max, std::function<void()> onValue) {
    QObject::connect(upDown, &QSpinBox::valueChanged, edit,
                     [edit](int value) { edit->setText(QString::number(value)); });
    QObject::connect(edit, &QLineEdit::textChanged, upDown, [edit, upDown, min, max, onValue] {
        bool ok = false;
        int value = edit->text().toInt(&ok);
        if (!ok)
            value = 0;
        if (value >= min && value <= max && value != upDown->value()) {
            const QSignalBlocker blocker(upDown);
            upDown->setValue(value);
        }
        if (value == upDown->value() && onValue)
            onValue();
    });
}

TPanelAngle MakePanelAngle(QWidget* parent, QGridLayout* grid, int row, int maxAngle,
                           std::function<void()> onAngle) {
    TPanelAngle angle;
    const std::pair<const char*, const char*> turns[] = {
        {"btnAngle00", "正立"}, {"btnAngle90", "右90"}, {"btnAngle180", "180"}, {"btnAngle270", "左90"}};
    QPushButton** buttons[] = {&angle.btnAngle00, &angle.btnAngle90, &angle.btnAngle180, &angle.btnAngle270};
    QSpinBox* upDown = angle.udAngle = new QSpinBox(parent);
    QLineEdit* edit = angle.edAngle = new QLineEdit(QStringLiteral("0"), parent);
    for (int tag = 0; tag < 4; ++tag) {
        auto* button = new QPushButton(QString::fromUtf8(turns[tag].second), parent);
        button->setObjectName(QLatin1String(turns[tag].first));
        button->setProperty("Tag", tag);
        grid->addWidget(button, row, tag);
        *buttons[tag] = button;
        QObject::connect(button, &QPushButton::clicked, upDown,
                         [upDown, tag] { upDown->setValue(tag * 90); });
    }
    edit->setObjectName(QStringLiteral("edAngle"));
    upDown->setObjectName(QStringLiteral("udAngle"));
    upDown->setRange(-maxAngle, maxAngle);
    upDown->setValue(0);
    grid->addWidget(edit, row + 1, 0, 1, 2);
    grid->addWidget(upDown, row + 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("度"), parent), row + 1, 3);
    LinkEditUpDown(edit, upDown, -maxAngle, maxAngle, std::move(onAngle));
    return angle;
}
