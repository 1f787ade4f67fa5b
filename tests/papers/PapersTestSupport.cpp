#include "tests/papers/PapersTestSupport.h"

#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"

std::unique_ptr<TMatrixPaperInfo> MakeGridPaper(const QString& name, int cols, int rows, int w, int h,
                                                int left, int top) {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->PaperName = name;
    paper->GroupName = QStringLiteral("A4");
    paper->SetWidth(2100);
    paper->SetHeight(2970);
    paper->FaceCountX = cols;
    paper->FaceCountY = rows;
    paper->FaceWidth = w;
    paper->FaceHeight = h;
    paper->LeftOffset = left;
    paper->TopOffset = top;
    return paper;
}

QByteArray StreamBytes(TComponent* c) {
    TMemoryStream stream;
    TWriter(stream).WriteRootComponent(c);
    return stream.Data();
}

std::unique_ptr<TComponent> ReadBack(const QByteArray& bytes) {
    TMemoryStream stream(bytes);
    return ReadComponent(stream);
}
