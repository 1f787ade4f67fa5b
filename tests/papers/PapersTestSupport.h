#pragma once
// Papers and temporary folders shared by the paper tests.

#include "papers/UPaperInfo.h"

#include <QByteArray>
#include <memory>

class TComponent;

// A matrix paper of cols x rows faces of w x h from (left, top), no gaps.
std::unique_ptr<TMatrixPaperInfo> MakeGridPaper(const QString& name, int cols, int rows, int w = 500,
                                                int h = 300, int left = 100, int top = 100);
// The component stream of c.
QByteArray StreamBytes(TComponent* c);
// A component read back from bytes.
std::unique_ptr<TComponent> ReadBack(const QByteArray& bytes);
