#pragma once
// A small grid paper for the tests and fuzz targets of the paper database: A4 with two faces.

#include "papers/UPaperInfo.h"

#include <QString>
#include <memory>

inline std::unique_ptr<TMatrixPaperInfo> SmallPaper(const QString& name, bool system,
                                                    const QString& group = {}) {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->PaperName = name;
    paper->ReadOnly = system;
    paper->GroupName = group;
    paper->SetWidth(2100);
    paper->SetHeight(2970);
    paper->FaceCountX = 1;
    paper->FaceCountY = 2;
    paper->FaceWidth = 900;
    paper->FaceHeight = 500;
    return paper;
}
