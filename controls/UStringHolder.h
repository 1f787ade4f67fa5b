#pragma once
// A list of strings kept on a form (texts a window needs but does not show).

#include <QObject>
#include <QStringList>

class TStringHolder : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Text READ Text WRITE SetText)

public:
    explicit TStringHolder(QObject* parent = nullptr) : QObject(parent) {}

    QStringList Text() const { return text_; }
    void SetText(const QStringList& value) { text_ = value; }

private:
    QStringList text_;
};
