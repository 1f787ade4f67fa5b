#pragma once
// A label whose caption can be edited as lines. The lines are the caption itself, split at line
// feeds, so setting either (in any way) keeps both in step without a change loop.

#include <QLabel>
#include <QStringList>

class TLabelEx : public QLabel {
    Q_OBJECT

public:
    explicit TLabelEx(QWidget* parent = nullptr);

    QStringList Lines() const;
    void SetLines(const QStringList& lines);
};
