#pragma once
// The set-up the fuzz targets that put objects on a label face share: an offscreen application to
// draw with, the classes a face's objects are read with, and a label document on a given paper.

#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/ULOCreator.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"

#include <QApplication>
#include <QByteArray>
#include <memory>

// The offscreen application of this process, named name; null when one runs already.
inline std::unique_ptr<QApplication> StartFuzzApplication(const char* name) {
    if (QApplication::instance() != nullptr)
        return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QByteArray storedName;
    storedName = name;
    static int argc = 1;
    static char* argv[] = {storedName.data(), nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

inline void RegisterLabelObjectClasses() {
    RegisterEngineClasses();
    RegisterLabelDataClasses();
    RegisterLayoutObjects();
    if (!IsClassRegistered(TLORect::StaticClass()))
        RegisterClass(TLORect::StaticClass());
}

// A label document on paper, its first sheet current.
inline std::unique_ptr<TLabelData> NewLabelDocument(const TMatrixPaperInfo& paper) {
    auto doc = std::make_unique<TLabelData>(nullptr);
    doc->SetCurrentSheetNo(0);
    doc->ChangePaperInfo(paper);
    return doc;
}
