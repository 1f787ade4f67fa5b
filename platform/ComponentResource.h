#pragma once
// A component under a resource name, as the class library writes it into a stream: its
// 16-bit resource header (the byte $FF, the type word 10, the name in upper case cut to 63
// characters and zero-terminated, the flags word $1030, the 32-bit length of what follows),
// then the component stream. The colour-spec history keys hash these bytes, so they are
// written exactly so.

#include <QString>
#include <memory>

class TStream;
class TComponent;

void WriteComponentRes(TStream& stream, const QString& resName, TComponent* instance);
// Skips the header (EReadError "Invalid stream format" when it is not one).
void ReadResHeader(TStream& stream);
// The stored component as a new instance of its registered class (no owner).
std::unique_ptr<TComponent> ReadComponentRes(TStream& stream);
// Reads into an existing instance.
void ReadComponentRes(TStream& stream, TComponent& instance);
