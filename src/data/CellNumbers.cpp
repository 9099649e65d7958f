#include "data/CellNumbers.h"

#include "data/DataFormats.h"

namespace mirto::data {

// Out of line, so that the quick reading stays small where it is inlined.
Value ReadCellSlowly(std::string_view text) { return ReadCell(text); }

Value Completed(const Value& value) { return value.unread ? ReadCellFast(value.text) : value; }

}  // namespace mirto::data
