#pragma once
// The completed blocks of a journal as machine-readable results: JSON Lines
// (one object per block) or, for a file ending in ".csv", a long table with
// one row per figure. docs/results.md describes both and every key.
#include <string>
#include <vector>

#include "journal/CTervoDoc.h"
#include "journal/JournalFile.h"

namespace mirto {

// The shortest text that reads back to the same double; "inf", "-inf", "nan".
std::string NumberText(double value);

// One JSON object, without its newline; `number` counts blocks from 1.
std::string ResultJson(const CompletedBlock& block, std::size_t number);
// The header and the rows of the long table.
std::vector<std::string> ResultCsv(const std::vector<CompletedBlock>& blocks);

// The block that holds journal line `line` (its report, data note or
// additional figures), or nullptr (the heading, lines read from a file).
const CompletedBlock* FindBlock(const std::vector<CompletedBlock>& blocks, std::size_t line);

// The block's record with the names the data give its strata or groups as
// the first column, "name", of its per-group tables.
Record NamedRecord(const CompletedBlock& block);

// A record as rows to paste into a spreadsheet, inputs before results, each
// row ended by a newline: "key<TAB>value" for a figure; for a table a row
// "key<TAB>column<TAB>column..." and one row "number<TAB>value<TAB>value..."
// per entry, numbered from 1. Numbers as in the results files.
std::string ResultRows(const Record& record);

// Writes every block to `path`, replacing the file only when all was written.
FileResult WriteResults(const std::vector<CompletedBlock>& blocks, const std::string& path);

}  // namespace mirto
