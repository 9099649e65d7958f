#pragma once
// A report block completed since the journal was new: its lines, the command
// that wrote it and its result record.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "framework/Record.h"

namespace mirto {

struct Command;

struct CompletedBlock {
  std::size_t firstLine;   // the separator's index in the Journal
  std::size_t lines;       // from the separator to the data note
  const Command* command;  // nullptr for a routine run outside any command
  bool warning;            // the block holds the small-sample warning
  Record record;
  // With additional figures on: the lines of their block right after this
  // one (0: none) and the figures by key.
  std::size_t extraLines = 0;
  std::optional<Record> extras = std::nullopt;
  // The data note, when its figures came from data: after the block's own
  // lines and before its additional figures.
  std::vector<std::string> note = {};
  // The names the data give its strata or groups, in the order of its rows.
  std::vector<std::string> names = {};
  // Lines the block wrote itself after its note: additional figures of its own.
  std::size_t ownExtraLines = 0;
  // The line after the note, where the additional figures start.
  std::size_t NoteEnd() const { return firstLine + lines + note.size(); }
  // The line after everything the block wrote.
  std::size_t End() const { return NoteEnd() + ownExtraLines + extraLines; }
};

}  // namespace mirto
