#pragma once
// The template catalogue: documents made through the label-data document for the covers and
// label purposes of the shipped papers, with Japanese captions in the IPA faces, shapes and the
// shipped illustrations (so it runs after them).

#include "tools/MakeContent/ContentOutput.h"

namespace Content {

std::vector<SheetCell> MakeTemplates(const Output& out, const QString& paperDatabase);

} // namespace Content
