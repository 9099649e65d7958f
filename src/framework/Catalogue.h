#pragma once
// The command catalogue as the framework reads it. A family file ends with a
// CommandTable: the rows of the commands it implements (and, for the
// prediction approach, its routes). Each family has one Family descriptor (in
// its header) that lists its tables and its label items; src/catalogue/Catalogue.cpp,
// the one file that knows every family, lists the families. The registry
// (Registry.h) and the help work over it; neither includes a family header.
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "framework/Help.h"
#include "framework/Record.h"
#include "framework/Registry.h"

namespace mirto {

struct CommandTable {
  std::span<const Command> commands;
  std::span<const PredictionRoute> routes = {};
  // The prose of the forms these commands show, field by field.
  std::vector<FormHelp> (*help)() = nullptr;
};

struct Family {
  std::string_view name;  // its folder under src/
  std::span<const CommandTable* const> tables;
  std::span<const LabelItem> labels = {};
  // Its section of the help on forms, before its tables' entries; nullptr for
  // a family without forms (the script statements).
  FormHelpFamily (*help)() = nullptr;
};

// The lines that follow a block when View > "Additional figures" is on (the
// heading first; none for a block without them) and their figures by key.
struct FollowingLines {
  std::vector<std::string> lines;
  Record figures;
};

struct Catalogue {
  // In the order their commands first appear in the menu.
  std::span<const Family* const> families;
  // Items that head "Random sampling" itself ("Method:").
  std::span<const LabelItem> labels;
  // The additional figures of a block, from its command and record, and their help.
  FollowingLines (*additionalFigures)(const Command& command, const Record& record) = nullptr;
  HelpSection (*additionalHelp)() = nullptr;
};

// Defined by src/catalogue/Catalogue.cpp.
const Catalogue& CommandCatalogue();

}  // namespace mirto
