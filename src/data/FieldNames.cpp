#include "data/FieldNames.h"

#include <cctype>

namespace mirto::data {
namespace {

struct Named {
  std::string_view label, name;
};

// Labels that do not end in ", name:".
constexpr Named kNames[] = {
    {"Y-value of element:", "Y_i"},
    {"Y'-value of element (1 if in category, 0 otherwise):", "Y'_i"},
    {"Selection probability:", "q_i"},
    {"Inclusion probability:", "p_i"},
    {"X-value:", "X_i"},
    {"Y-value:", "Y_i"},
    {"For explanatory variable", "j"},
};

// The row numbers before control i.
std::size_t NumbersBefore(const FormTemplate& tmpl, std::size_t i) {
  std::size_t count = 0;
  for (std::size_t k = 0; k < i; ++k) count += tmpl.controls[k].kind == ControlKind::Text && tmpl.controls[k].readOnly;
  return count;
}

// Lower case, blanks folded to one, no closing colon.
std::string Folded(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  while (!out.empty() && (out.back() == ' ' || out.back() == ':')) out.pop_back();
  return out;
}

}  // namespace

std::string_view ShortName(const FormTemplate& tmpl, std::size_t i) {
  const Control& c = tmpl.controls[i];
  for (const Named& n : kNames)
    if (n.label == c.label) return n.name;
  if (c.kind == ControlKind::Text && c.readOnly) return NumbersBefore(tmpl, i) == 0 ? "i" : "j";
  if (c.label.empty()) return NumbersBefore(tmpl, i) == 2 ? "p_ij" : "";
  const std::size_t comma = c.label.rfind(", ");
  if (comma == std::string_view::npos) return {};
  std::string_view name = c.label.substr(comma + 2);
  if (name.ends_with(':')) name.remove_suffix(1);
  return name;
}

std::string Heading(const FormTemplate& tmpl, std::size_t i) {
  const Control& c = tmpl.controls[i];
  if (!c.label.empty()) return std::string(c.label);
  if (i > 0 && tmpl.controls[i - 1].kind == ControlKind::Static) return std::string(tmpl.controls[i - 1].label);
  return std::string(ShortName(tmpl, i));
}

bool Names(std::string_view field, const FormTemplate& tmpl, std::size_t i) {
  const std::string folded = Folded(field);
  if (folded.empty()) return false;
  // Short names keep their case: N_i and n_i are two fields.
  std::string_view name = field;
  while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front()))) name.remove_prefix(1);
  while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.remove_suffix(1);
  return name == ShortName(tmpl, i) || folded == Folded(tmpl.controls[i].label) || folded == Folded(Heading(tmpl, i));
}

}  // namespace mirto::data
