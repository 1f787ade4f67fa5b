#include "pageobjects/engine/UTransformer.h"

#include "pageobjects/engine/UStroke.h"
#include "platform/IntMath.h"

#include <cmath>
#include <numbers>

void TTransformer::TransformStroke(TStroke& stroke) {
    const int n = stroke.GetCount();
    for (int i = 0; i < n; ++i)
        TransformPoint(stroke.GetPoint(i));
}

void TRotator::SetAngle(int value) {
    angle_ = value;
    const long double a = (long double)value * std::numbers::pi_v<long double> / 180.0L;
    sin_ = std::sin(a);
    cos_ = std::cos(a);
}

void TRotator::TransformPoint(TPoint& p) {
    const long double dx = (long double)p.X - Center.X;
    const long double dy = (long double)p.Y - Center.Y;
    // Rounded before the centre is added back: halves then round the same way about every centre.
    p.X = RoundAwayClamped((long double)RoundAwayClamped(dx * cos_ - dy * sin_) + Center.X);
    p.Y = RoundAwayClamped((long double)RoundAwayClamped(dx * sin_ + dy * cos_) + Center.Y);
}

void TRotator::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TRotator*>(source)) {
        angle_ = other->angle_;
        sin_ = other->sin_;
        cos_ = other->cos_;
        Center = other->Center;
        return;
    }
    TTransformer::Assign(source);
}
