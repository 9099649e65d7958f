#pragma once
// What a table column or a file header calls a field of an entry-loop form:
// the form's own label, and a short name (docs/batch.md lists them).
#include <cstddef>
#include <string>
#include <string_view>

#include "framework/Form.h"

namespace mirto::data {

// The short name of control `i` ("N_i", "p_i", "p_ij", the numbers "i" and "j").
std::string_view ShortName(const FormTemplate& tmpl, std::size_t i);
// The words a column is headed with: the label, or the text the form shows
// before an unlabelled field, or the short name.
std::string Heading(const FormTemplate& tmpl, std::size_t i);
// Whether a header field names control `i`: its short name as it is written,
// or its label with or without the closing colon, regardless of case and blanks.
bool Names(std::string_view field, const FormTemplate& tmpl, std::size_t i);

}  // namespace mirto::data
