#pragma once
// The report block of an estimate and its result record: the data note, the
// four heading lines, the design, a row per domain (and category), and with
// additional figures on, their lines at the block's end.
#include <string>
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Record.h"
#include "survey/Design.h"
#include "survey/Estimate.h"

namespace mirto {
class CTervoDoc;
}  // namespace mirto

namespace mirto::survey {

// The command of the estimate blocks: "Data > Estimate", without a menu item.
extern const CommandTable kTable;
inline constexpr const CommandTable* kFamilyTables[] = {&kTable};
inline constexpr Family kFamily{"survey", kFamilyTables};

// The lines of the block after the separator; `extras` adds the additional figures.
std::vector<std::string> BlockLines(const Design& design, const Estimates& estimates, bool extras);
// The data note written just before the block.
std::vector<std::string> NoteLines(const Design& design, const Estimates& estimates);
Record ToRecord(const Design& design, const Estimates& estimates, bool extras);

// Appends the block (with the note before it) to the journal.
void WriteBlock(CTervoDoc& doc, const Design& design, const Estimates& estimates);

// The design as a statement writes it ("weight=pw strata=stype ...").
std::string DesignText(const Design& design);

}  // namespace mirto::survey
