#pragma once
// Transformers map the points of a stroke one by one: the rotator turns them about a centre
// (rotated text, pictures and shapes); the Coons distortion of UCoonsDistortion bends them.

#include "platform/Component.h"
#include "platform/Rect.h"

class TStroke;

class TTransformer : public TPersistent {
    QUORLANE_CLASS(TTransformer, TPersistent)

public:
    TTransformer() = default;

    // Applies TransformPoint to every point in order; the point types stay.
    virtual void TransformStroke(TStroke& stroke);
    virtual void TransformPoint(TPoint& p) = 0;
};

class TRotator : public TTransformer {
    QUORLANE_CLASS(TRotator, TTransformer)

public:
    TRotator() = default;

    int Angle() const { return angle_; }
    // Whole degrees; with y growing downward a positive angle turns clockwise on screen.
    void SetAngle(int value);
    // The centre of rotation, in logical units.
    TPoint Center;

    // d = p - Center, turned, rounded half away from zero, moved back by Center.
    void TransformPoint(TPoint& p) override;

    void Assign(const TPersistent* source) override;

private:
    int angle_ = 0;
    long double sin_ = 0;
    long double cos_ = 1;
};
