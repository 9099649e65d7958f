#pragma once
// The report block of a draw and its result record for `--results`.
#include "framework/Catalogue.h"
#include "framework/Record.h"
#include "select/Draw.h"

namespace mirto {
class CTervoDoc;
}  // namespace mirto

namespace mirto::select {

// The command of the draw blocks: "Sample selection", without a menu item.
extern const CommandTable kTable;
inline constexpr const CommandTable* kFamilyTables[] = {&kTable};
inline constexpr Family kFamily{"select", kFamilyTables};

void Write(CTervoDoc& doc, const DrawResult& r);
Record ToRecord(const DrawResult& r);

// Appends the block of a completed draw, with its record.
void AppendDrawBlock(CTervoDoc& doc, const DrawResult& r);

}  // namespace mirto::select
