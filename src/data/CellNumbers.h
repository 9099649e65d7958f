#pragma once
// A cell of a delimited data file as a value, as ReadCell reads it (the same
// value bit for bit, the same text refused), with plain decimals such as
// "-1234.5678" read without from_chars: digits that make an integer up to
// 2^53 and at most 22 decimals are an exact integer over an exact power of
// ten, whose quotient IEEE rounds as from_chars does. Anything else goes to
// ReadCell.
#include <string_view>

#include "data/DataFile.h"

namespace mirto::data {

Value ReadCellFast(std::string_view text);

}  // namespace mirto::data
