#include "controls/ULabelEx.h"

TLabelEx::TLabelEx(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
}

QStringList TLabelEx::Lines() const {
    if (text().isEmpty())
        return {};
    QStringList lines = text().split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

void TLabelEx::SetLines(const QStringList& lines) {
    setText(lines.join(QLatin1Char('\n')));
}
