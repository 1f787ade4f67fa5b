#pragma once
// A text object that shows a date through a format; the document refreshes the date when a page is
// loaded, as the update flag says (the moment the document was read, its last print or last save).

#include "core/UAppUtil.h"
#include "pageobjects/layout/ULOText.h"

enum TDateUpdateFlag : uint8_t { dufNo, dufOpen, dufPrint, dufSave };

// What a date made by the date tool shows: without a format a date would show nothing at all.
inline constexpr const char16_t* kDefaultDateFormat = u"yyyy年m月d日";

class TLODate : public TLOText {
    QUORLANE_CLASS(TLODate, TLOText)

public:
    explicit TLODate(TComponent* owner) : TLOText(owner) {}

    static void DeclareProperties(TPropertyBuilder<TLODate>& p);

    const QString& Format() const { return format_; }
    void SetFormat(const QString& value);
    TDateTime Date() const { return date_; }
    void SetDate(TDateTime value);
    TDateUpdateFlag UpdateFlag() const { return updateFlag_; }
    // Only signals the change: the shown text stays until the date is set.
    void SetUpdateFlag(TDateUpdateFlag value);

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void RebuildText();

    QString format_;
    TDateTime date_ = 0;
    TDateUpdateFlag updateFlag_ = dufNo;
};
