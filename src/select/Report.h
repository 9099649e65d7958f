#pragma once
// The report block of a draw and its result record for `--results`.
#include "framework/Record.h"
#include "select/Draw.h"

namespace mirto {
class CTervoDoc;
struct Command;
}  // namespace mirto

namespace mirto::select {

// The block's command: "Sample selection" (not a menu command yet).
extern const Command kDrawCommand;

void Write(CTervoDoc& doc, const DrawResult& r);
Record ToRecord(const DrawResult& r);

// Appends the block of a completed draw, with its record.
void AppendDrawBlock(CTervoDoc& doc, const DrawResult& r);

}  // namespace mirto::select
