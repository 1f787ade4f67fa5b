#include "platform/Exception.h"

namespace {
QString DescribeResult(HRESULT code) {
    return QStringLiteral("OLE error %1")
        .arg(QString::number(static_cast<uint32_t>(code), 16).toUpper().rightJustified(8, QLatin1Char('0')));
}
} // namespace

EOleSysError::EOleSysError(HRESULT code) : Exception(DescribeResult(code)), code_(code) {}

