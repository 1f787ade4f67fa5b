#include "platform/Graphic.h"

#include "platform/Exception.h"
#include "platform/Stream.h"

void TGraphic::Assign(const TGraphic& source) {
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2")
                            .arg(QString::fromLatin1(source.ClassName()), QString::fromLatin1(ClassName())));
}

void TGraphic::SetTransparent(bool value) {
    if (value != transparent_) {
        transparent_ = value;
        Changed();
    }
}

void TGraphic::LoadFromFile(const QString& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const QString& fileName) {
    TMemoryStream memory;
    SaveToStream(memory);
    memory.SaveToFile(fileName);
}

bool TGraphic::Equals(const TGraphic* graphic) {
    if (graphic == nullptr)
        return false;
    if (graphic == this)
        return true;
    if (qstrcmp(graphic->ClassName(), ClassName()) != 0 || Empty() != graphic->Empty())
        return false;
    if (Empty())
        return true;
    TMemoryStream mine;
    TMemoryStream theirs;
    WriteData(mine);
    const_cast<TGraphic*>(graphic)->WriteData(theirs);
    return mine.Data() == theirs.Data();
}

void TGraphic::SetModified(bool value) {
    if (value)
        Changed();
    else
        modified_ = false;
}

void TGraphic::Changed() {
    modified_ = true;
    if (OnChange)
        OnChange(this);
}
