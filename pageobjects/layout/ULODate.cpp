#include "pageobjects/layout/ULODate.h"

#include "platform/StringList.h"

void TLODate::DeclareProperties(TPropertyBuilder<TLODate>& p) {
    p.String("Format", &TLODate::Format, &TLODate::SetFormat);
    p.Float("Date", &TLODate::Date, &TLODate::SetDate, TFloatType::DateTime);
    p.Enumeration("UpdateFlag", &TLODate::UpdateFlag, &TLODate::SetUpdateFlag,
                  {QStringLiteral("dufNo"), QStringLiteral("dufOpen"), QStringLiteral("dufPrint"),
                   QStringLiteral("dufSave")},
                  QStringLiteral("TDateUpdateFlag"));
}

void TLODate::RebuildText() {
    QString text;
    try {
        text = FormatDateEx(format_, date_);
    } catch (const Exception&) {
        // A date beyond the calendar or a format naming an unknown macro (a damaged or newer
        // document) keeps the text shown so far rather than failing the page it is on.
        return;
    }
    Text()->SetText(text);
}

void TLODate::SetFormat(const QString& value) {
    if (value == format_)
        return;
    format_ = value;
    RebuildText();
    Changed();
    Invalidate();
}

void TLODate::SetDate(TDateTime value) {
    if (value == date_)
        return;
    date_ = value;
    RebuildText();
    Changed();
    Invalidate();
}

void TLODate::SetUpdateFlag(TDateUpdateFlag value) {
    if (value == updateFlag_)
        return;
    updateFlag_ = value;
    Changed();
}

void TLODate::AssignTo(TPersistent* dest) const {
    TLOText::AssignTo(dest);
    if (auto* target = dynamic_cast<TLODate*>(dest)) {
        // The format first, so the copied date is shown in it.
        target->SetFormat(format_);
        target->SetDate(date_);
        target->SetUpdateFlag(updateFlag_);
    }
}
