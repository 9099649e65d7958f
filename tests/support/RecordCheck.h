#pragma once
// Checks a completed block against its result record: every figure the block
// prints must be among the record's values at the precision it is printed
// with. Generic over families: it reads the numbers of each report line.
#include <string>
#include <vector>

#include "journal/CTervoDoc.h"

namespace mirto::test {

// The numbers of a report line as printed ("12.500000", "-3", "nan"),
// leaving out digits that are part of a name (Y1, S^2_1, c_0).
std::vector<std::string> PrintedNumbers(std::string_view line);

// What of the block is missing from its record, one entry per figure ("" when
// all is there).
std::string MissingFigures(const CTervoDoc& doc, const CompletedBlock& block);

// Every key, table key and column name of a record.
std::vector<std::string> RecordKeys(const Record& record);

std::string TestSourceDir();

}  // namespace mirto::test
