#pragma once
// Further draw-site commands: print flags, text direction, rotation by a step, the turn of a
// photo in its frame, and delete commands that ask first.

#include "pageobjects/engine/UStandardDSA.h"

// Sets DontPrint of the label objects that are not yet so (TDSADoPrint clears it).
class TDSADontPrint : public TStandardDSA {
    QUORLANE_CLASS(TDSADontPrint, TStandardDSA)

public:
    explicit TDSADontPrint(TComponent* owner);
    void MakeList(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool value_ = true;
};

class TDSADoPrint : public TDSADontPrint {
    QUORLANE_CLASS(TDSADoPrint, TDSADontPrint)

public:
    explicit TDSADoPrint(TComponent* owner);
};

// Makes text vertical (TDSAHorzText: horizontal) on the targets that have a text direction.
class TDSAVertText : public TStandardDSA {
    QUORLANE_CLASS(TDSAVertText, TStandardDSA)

public:
    explicit TDSAVertText(TComponent* owner);
    void MakeList(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool value_ = true;
};

class TDSAHorzText : public TDSAVertText {
    QUORLANE_CLASS(TDSAHorzText, TDSAVertText)

public:
    explicit TDSAHorzText(TComponent* owner);
};

// Turns the rotatable targets by OffsetAngle degrees.
class TDSAOffsetAngle : public TStandardDSA {
    QUORLANE_CLASS(TDSAOffsetAngle, TStandardDSA)

public:
    explicit TDSAOffsetAngle(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TDSAOffsetAngle>& p);

    int OffsetAngle() const { return offsetAngle_; }
    void SetOffsetAngle(int value) { offsetAngle_ = value; }

    void MakeList(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

private:
    int offsetAngle_ = 0;
};

// Sets the photo turn of the targets to PhotoAngle; checked when the one target has it.
class TDSAPhotoRotate : public TStandardDSA {
    QUORLANE_CLASS(TDSAPhotoRotate, TStandardDSA)

public:
    explicit TDSAPhotoRotate(TComponent* owner);
    static void DeclareProperties(TPropertyBuilder<TDSAPhotoRotate>& p);

    int PhotoAngle() const { return photoAngle_; }
    void SetPhotoAngle(int value) { photoAngle_ = value; }

    void MakeList(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

private:
    int photoAngle_ = 0;
};

// Asked before deleting; only a True answer lets the command run.
using TQueryFunc = std::function<bool(TObject* target)>;

class TDSAQueryCut : public TDSACut {
    QUORLANE_CLASS(TDSAQueryCut, TDSACut)

public:
    explicit TDSAQueryCut(TComponent* owner);
    void ExecuteTarget(QObject* target) override;
    TQueryFunc OnQuery;
};

class TDSAQueryClear : public TDSAClear {
    QUORLANE_CLASS(TDSAQueryClear, TDSAClear)

public:
    explicit TDSAQueryClear(TComponent* owner);
    void ExecuteTarget(QObject* target) override;
    TQueryFunc OnQuery;
};
