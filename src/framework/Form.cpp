#include "framework/Form.h"

#include <cassert>
#include <charconv>

#include "framework/Format.h"

namespace mirto {

Control Control::Right() const {
  Control c = *this;
  c.column = 1;
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

Control Static(std::string_view text) { return Control{.kind = ControlKind::Static, .label = text}; }

Control Group(std::string_view caption, int controls) {
  return Control{.kind = ControlKind::Group, .label = caption, .groupSize = controls};
}

Control Field(std::string_view label, int maxLength) {
  return Control{.kind = ControlKind::Text, .label = label, .maxLength = maxLength};
}

Control Digits(std::string_view label, int maxLength) {
  return Control{.kind = ControlKind::Text, .label = label, .maxLength = maxLength, .digitsOnly = true};
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
  for (std::size_t i = 0; i < m_state.size(); ++i) {
    const Control& c = ControlAt(i);
    if (!m_state[i].enabled) continue;
    if (c.kind == ControlKind::Text && c.maxLength > 0 &&
        m_state[i].text.size() > static_cast<std::size_t>(c.maxLength))
      return TooLong(c.maxLength);
    if (c.kind == ControlKind::List && !c.keepsStoredLevel && m_state[i].selection < 0)
      return std::string(kSelectLevel);
  }
  return std::nullopt;
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
  std::size_t i = Next(ControlKind::Text);
  return i < m_form.size() ? ReadReal(m_form.Text(i)) : 0.0;
}

int FormReader::Integer() {
  std::size_t i = Next(ControlKind::Text);
  return i < m_form.size() ? ReadInt(m_form.Text(i)) : 0;
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
