#include "platform/Guid.h"

#include "platform/Exception.h"

#include <QUuid>

QString TGUID::ToString() const {
    QString s = QStringLiteral("{%1-%2-%3-%4%5-")
                    .arg(D1, 8, 16, QLatin1Char('0'))
                    .arg(D2, 4, 16, QLatin1Char('0'))
                    .arg(D3, 4, 16, QLatin1Char('0'))
                    .arg(D4[0], 2, 16, QLatin1Char('0'))
                    .arg(D4[1], 2, 16, QLatin1Char('0'));
    for (int i = 2; i < 8; ++i)
        s += QStringLiteral("%1").arg(D4[i], 2, 16, QLatin1Char('0'));
    s += QLatin1Char('}');
    return s.toUpper();
}

bool TGUID::TryParse(const QString& text, TGUID& out) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('{')) != t.endsWith(QLatin1Char('}')))
        return false;
    if (t.startsWith(QLatin1Char('{')))
        t = t.mid(1, t.size() - 2);
    if (t.size() != 36 || t[8] != QLatin1Char('-') || t[13] != QLatin1Char('-') ||
        t[18] != QLatin1Char('-') || t[23] != QLatin1Char('-'))
        return false;
    const QString hex = QString(t).remove(QLatin1Char('-'));
    if (hex.size() != 32)
        return false;
    uint8_t bytes[16];
    for (int i = 0; i < 16; ++i) {
        bool ok = false;
        const uint v = hex.mid(i * 2, 2).toUInt(&ok, 16);
        if (!ok || hex[i * 2] == QLatin1Char('+') || hex[i * 2] == QLatin1Char('-'))
            return false;
        bytes[i] = static_cast<uint8_t>(v);
    }
    TGUID g;
    g.D1 = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
    g.D2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    g.D3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    for (int i = 0; i < 8; ++i)
        g.D4[static_cast<size_t>(i)] = bytes[8 + i];
    out = g;
    return true;
}

TGUID TGUID::FromString(const QString& text) {
    TGUID g;
    if (!TryParse(text, g))
        throw EConvertError(QStringLiteral("'%1' is not a valid GUID value").arg(text));
    return g;
}

TGUID TGUID::Create() {
    const QUuid u = QUuid::createUuid();
    TGUID g;
    g.D1 = u.data1;
    g.D2 = u.data2;
    g.D3 = u.data3;
    for (int i = 0; i < 8; ++i)
        g.D4[static_cast<size_t>(i)] = u.data4[i];
    return g;
}

TGUID StringToGUID(const char* text) {
    return TGUID::FromString(QString::fromLatin1(text));
}
