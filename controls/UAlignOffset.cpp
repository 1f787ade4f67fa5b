#include "controls/UAlignOffset.h"

void TAlignOffset::DeclareProperties(TPropertyBuilder<TAlignOffset>& p) {
    p.Integer("Left", &TAlignOffset::Left, &TAlignOffset::SetLeft).Default(0);
    p.Integer("Top", &TAlignOffset::Top, &TAlignOffset::SetTop).Default(0);
    p.Integer("Right", &TAlignOffset::Right, &TAlignOffset::SetRight).Default(0);
    p.Integer("Bottom", &TAlignOffset::Bottom, &TAlignOffset::SetBottom).Default(0);
}

TRect TAlignOffset::Apply(const TRect& r) const {
    return TRect(r.Left + Left(), r.Top + Top(), r.Right - Right(), r.Bottom - Bottom());
}
