#include "framework/Form.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <limits>

#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto {

Control Control::Right() const {
  Control c = *this;
  c.column = 1;
  return c;
}

Control Control::Named(std::string_view shortName) const {
  Control c = *this;
  c.name = shortName;
  return c;
}

Control Control::WithoutTypingLimit() const {
  Control c = *this;
  c.limitWhileTyping = false;
  return c;
}

Control Control::EnabledBy(EnableRule rule) const {
  Control c = *this;
  c.enable = rule;
  return c;
}

Control Control::With(Bound bound) const {
  Control c = *this;
  c.bounds.push_back(bound);
  return c;
}

Control Control::AtLeast(double limit, std::string_view advice) const {
  return With({.test = Bound::Test::AtLeast, .limit = limit, .field = {}, .advice = advice});
}
Control Control::Above(double limit, std::string_view advice) const {
  return With({.test = Bound::Test::Above, .limit = limit, .field = {}, .advice = advice});
}
Control Control::AtMost(double limit, std::string_view advice) const {
  return With({.test = Bound::Test::AtMost, .limit = limit, .field = {}, .advice = advice});
}
Control Control::NotZero(std::string_view advice) const {
  return With({.test = Bound::Test::NotZero, .limit = 0.0, .field = {}, .advice = advice});
}
Control Control::AtMostField(std::string_view field, std::string_view advice) const {
  return With({.test = Bound::Test::AtMost, .limit = 0.0, .field = field, .advice = advice});
}

bool Bound::Holds(double value, double bound) const {
  switch (test) {
    case Test::AtLeast: return value >= bound;
    case Test::Above: return value > bound;
    case Test::AtMost: return value <= bound;
    case Test::NotZero: return value != 0.0;
  }
  return true;
}

Control Static(std::string_view text) { return Control{.kind = ControlKind::Static, .label = text}; }

Control Group(std::string_view caption, int controls) {
  return Control{.kind = ControlKind::Group, .label = caption, .groupSize = controls};
}

Control Field(std::string_view label, int maxLength) {
  return Control{.kind = ControlKind::Text, .label = label, .maxLength = maxLength};
}

Control WholeField(std::string_view label, int maxLength) {
  return Control{.kind = ControlKind::Text, .label = label, .maxLength = maxLength, .number = NumberKind::Whole};
}

Control Digits(std::string_view label, int maxLength) {
  return Control{.kind = ControlKind::Text,
                 .label = label,
                 .maxLength = maxLength,
                 .digitsOnly = true,
                 .number = NumberKind::Whole};
}

Control RowNumber(std::string_view label, int maxLength) {
  return Control{.kind = ControlKind::Text, .label = label, .maxLength = maxLength, .readOnly = true};
}

Control LevelList(std::string_view label) { return Control{.kind = ControlKind::List, .label = label}; }

Control StoredLevelList(std::string_view label) {
  return Control{.kind = ControlKind::List, .label = label, .keepsStoredLevel = true};
}

Control Radio(std::string_view caption, std::vector<std::string_view> buttons, int initialChoice) {
  return Control{
      .kind = ControlKind::Radio, .label = caption, .buttons = std::move(buttons), .initialChoice = initialChoice};
}

bool TakesValue(const Control& c) {
  return (c.kind == ControlKind::Text && !c.readOnly) || c.kind == ControlKind::List || c.kind == ControlKind::Radio;
}

namespace {

bool RuleHolds(EnableRule rule, FormContext context) {
  switch (rule) {
    case EnableRule::Always: return true;
    case EnableRule::TwoStageMethod: return context.method == Method::TwoStage;
    case EnableRule::ModelC: return context.model == PredictionModel::C;
  }
  return true;
}

}  // namespace

Form::Form(const FormTemplate& tmpl, FormContext context)
    : m_template(&tmpl), m_context(context), m_state(tmpl.controls.size()) {
  for (std::size_t i = 0; i < m_state.size(); ++i) {
    const Control& c = tmpl.controls[i];
    m_state[i].selection = c.kind == ControlKind::List ? -1 : c.initialChoice;
    m_state[i].enabled = RuleHolds(c.enable, context);
  }
}

bool Form::ButtonEnabled(std::size_t i, int button) const {
  return button >= 1 && button <= 32 && !(m_state[i].disabledButtons & (1u << (button - 1)));
}

void Form::SetButtonEnabled(std::size_t i, int button, bool enabled) {
  if (button < 1 || button > 32) return;
  const std::uint32_t bit = 1u << (button - 1);
  m_state[i].disabledButtons = enabled ? m_state[i].disabledButtons & ~bit : m_state[i].disabledButtons | bit;
}

void Form::Choose(std::size_t i, int button) {
  m_state[i].selection = button;
  if (m_template->onChoice) m_template->onChoice(*this, i);
}

void Form::SetRowNumber(long long number, int which) {
  char text[24];
  const std::size_t length = static_cast<std::size_t>(std::to_chars(text, text + sizeof text, number).ptr - text);
  for (std::size_t i = 0; i < m_state.size(); ++i) {
    if (ControlAt(i).kind == ControlKind::Text && ControlAt(i).readOnly && which-- == 0) {
      m_state[i].text.assign(text, length);
      return;
    }
  }
}

std::vector<std::size_t> Form::Inputs() const {
  std::vector<std::size_t> inputs;
  Inputs(inputs);
  return inputs;
}

void Form::Inputs(std::vector<std::size_t>& inputs) const {
  inputs.clear();
  for (std::size_t i = 0; i < m_state.size(); ++i) {
    const Control& c = ControlAt(i);
    if (TakesValue(c) && m_state[i].enabled) inputs.push_back(i);
  }
}

std::optional<std::string> Form::RefusalOnOk() const {
  std::optional<FieldNote> refusal = Refusal();
  if (!refusal) return std::nullopt;
  return std::move(refusal->text);
}

std::optional<FieldNote> Form::Refusal(std::span<const std::size_t> skip) const {
  for (std::size_t i = 0; i < m_state.size(); ++i) {
    const Control& c = ControlAt(i);
    if (!m_state[i].enabled || std::find(skip.begin(), skip.end(), i) != skip.end()) continue;
    if (c.kind == ControlKind::Text && c.maxLength > 0 &&
        m_state[i].text.size() > static_cast<std::size_t>(c.maxLength))
      return FieldNote{i, TooLong(c.maxLength)};
    if (std::optional<std::string> misread = Misread(i)) return FieldNote{i, std::move(*misread)};
    if (c.kind == ControlKind::List && !c.keepsStoredLevel && m_state[i].selection < 0)
      return FieldNote{i, std::string(kSelectLevel)};
  }
  return std::nullopt;
}

std::optional<std::string> NumberProblem(std::string_view text, NumberKind kind) {
  const NumberReading reading = ReadNumber(text, kind);
  if (reading.Read()) return std::nullopt;
  std::string_view shown = text;
  while (!shown.empty() && (shown.front() == ' ' || (shown.front() >= '\t' && shown.front() <= '\r')))
    shown.remove_prefix(1);
  while (!shown.empty() && (shown.back() == ' ' || (shown.back() >= '\t' && shown.back() <= '\r')))
    shown.remove_suffix(1);
  const std::string quoted = "\"" + Excerpt(shown, 24, 8) + "\"";
  if (kind == NumberKind::Whole) {
    if (reading.fault == NumberFault::OutOfRange)
      return quoted + Format(" is beyond the whole numbers a field takes (%d to %d).", std::numeric_limits<int>::min(),
                             std::numeric_limits<int>::max());
    return quoted + " is not a whole number.";
  }
  if (reading.fault == NumberFault::OutOfRange) return quoted + " is too large a number.";
  if (shown.find(',') != std::string_view::npos) return quoted + " is not a number: the decimal mark is a point.";
  return quoted + " is not a number.";
}

std::optional<std::string> Form::Misread(std::size_t i) const {
  const Control& c = ControlAt(i);
  if (c.kind != ControlKind::Text || c.readOnly || !m_state[i].enabled) return std::nullopt;
  std::optional<std::string> problem = NumberProblem(m_state[i].text, c.number);
  if (!problem) return std::nullopt;
  const std::string field = c.label.empty() ? std::string("this form's field") : "\"" + std::string(c.label) + "\"";
  return "In " + field + ", " + *problem;
}

double Form::Number(std::size_t i) const {
  const Control& c = ControlAt(i);
  if (c.kind != ControlKind::Text || !m_state[i].enabled) return 0.0;
  const NumberReading reading = ReadNumber(m_state[i].text, c.number);
  return reading.Read() ? reading.value : 0.0;
}

std::vector<FieldNote> Form::Advice() const {
  std::vector<FieldNote> advice;
  for (std::size_t i = 0; i < m_state.size(); ++i) {
    const Control& c = ControlAt(i);
    if (c.bounds.empty() || c.kind != ControlKind::Text || c.readOnly || !m_state[i].enabled || Misread(i)) continue;
    const double value = Number(i);
    for (const Bound& b : c.bounds) {
      double limit = b.limit;
      if (!b.field.empty()) {
        std::size_t other = 0;
        while (other < size() && ControlAt(other).label != b.field) ++other;
        assert(other < size() && "a bound names a field the form does not have");
        if (other >= size() || !m_state[other].enabled || Misread(other)) continue;
        limit = Number(other);
      }
      if (b.Holds(value, limit)) continue;
      advice.push_back({i, std::string(b.advice) + "."});
      break;
    }
  }
  return advice;
}

std::string Form::TooLong(int maxLength) { return Format("Please enter no more than %d characters.", maxLength); }

std::size_t ReadableFields(const FormTemplate& tmpl) {
  std::size_t count = 0;
  for (const Control& c : tmpl.controls) count += TakesValue(c);
  return count;
}

std::size_t FormReader::Peek() const {
  std::size_t at = m_at;
  while (at < m_form.size() && !TakesValue(m_form.ControlAt(at))) ++at;
  return at;
}

bool FormReader::NextEnabled() const {
  const std::size_t i = Peek();
  return i < m_form.size() && m_form.Enabled(i);
}

std::size_t FormReader::Next(ControlKind kind) {
  const std::size_t i = Peek();
  assert(i < m_form.size() && "read past the last field of the form");
  if (i >= m_form.size()) return m_at = m_form.size();
  m_at = i + 1;
  assert(m_form.ControlAt(i).kind == kind && "the form has another kind of field here");
  return m_form.ControlAt(i).kind == kind ? i : m_form.size();
}

double FormReader::Real() {
  const std::size_t i = Next(ControlKind::Text);
  if (i >= m_form.size()) return 0.0;
  assert(m_form.ControlAt(i).number == NumberKind::Real && "a whole-number field read as a real");
  if (m_form.ControlAt(i).number != NumberKind::Real) return 0.0;
  const NumberReading reading = ReadNumber(m_form.Text(i), NumberKind::Real);
  return reading.Read() ? reading.value : 0.0;
}

int FormReader::Integer() {
  const std::size_t i = Next(ControlKind::Text);
  if (i >= m_form.size()) return 0;
  assert(m_form.ControlAt(i).number == NumberKind::Whole && "a real field read as a whole number");
  if (m_form.ControlAt(i).number != NumberKind::Whole) return 0;
  const NumberReading reading = ReadNumber(m_form.Text(i), NumberKind::Whole);
  return reading.Read() ? static_cast<int>(reading.value) : 0;
}

bool FormReader::Level(double& probability, double& z) {
  std::size_t i = Next(ControlKind::List);
  if (i >= m_form.size()) return false;
  int row = m_form.Selection(i);
  if (row < 0 || row > 5) return false;
  probability = kConfidenceTable[row].probability;
  z = kConfidenceTable[row].z;
  return true;
}

int FormReader::Choice() {
  std::size_t i = Next(ControlKind::Radio);
  return i < m_form.size() ? m_form.Selection(i) : 0;
}

void FormHost::OutOfMemory() { Message(kNoMemory); }

}  // namespace mirto
