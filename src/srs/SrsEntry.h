#pragma once
// The entry step of the ratio/regression and two-variable families: each form
// lists its figures in tab order, and each figure is tied to a field of the
// work record and to the calculator-state member it is copied from and stored
// back to. One table per family, so a form, its reading and its storing
// cannot drift apart.
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "framework/Form.h"
#include "journal/CTervoDoc.h"

namespace mirto::srs {

template <class Input>
struct Item {
  enum Kind : std::uint8_t { Real, Level, Choice };
  Kind kind = Real;
  double Input::*field = nullptr;       // Real only
  double CTervoDoc::*member = nullptr;  // Real only
};

// The confidence list (probability and z as a pair) and the special-target radio pair.
template <class Input>
inline constexpr Item<Input> kLevelItem{Item<Input>::Level};
template <class Input>
inline constexpr Item<Input> kChoiceItem{Item<Input>::Choice};

// A form and the figures it fills, in the form's tab order.
template <class Input>
struct EntryForm {
  FormTemplate tmpl;
  std::vector<Item<Input>> items;
};

// Copies the members behind `items` into the record.
template <class Input>
void Load(const CTervoDoc& d, Input& in, std::type_identity_t<std::span<const Item<Input>>> items) {
  for (const Item<Input>& item : items) {
    if (item.kind == Item<Input>::Real) in.*item.field = d.*item.member;
  }
  in.probability = d.m_dLevel;
  in.z = d.m_dZ;
  if constexpr (requires { in.specialTarget; }) in.specialTarget = d.m_nSpecialTarget;
}

// Shows the form; on OK reads every figure into the record. A level left
// unselected keeps the pair the record holds. False on Cancel.
template <class Input>
bool Enter(FormHost& host, Input& in, const EntryForm<Input>& entry) {
  Form form(entry.tmpl);
  if (!host.ShowForm(form)) return false;
  FormReader reader(form);
  for (const Item<Input>& item : entry.items) {
    switch (item.kind) {
      case Item<Input>::Real: in.*item.field = reader.Real(); break;
      case Item<Input>::Level: reader.Level(in.probability, in.z); break;
      case Item<Input>::Choice:
        if constexpr (requires { in.specialTarget; }) in.specialTarget = reader.Choice();
        break;
    }
  }
  return true;
}

// Stores back exactly the items the form dealt with.
template <class Input>
void Store(CTervoDoc& d, const Input& in, const EntryForm<Input>& entry) {
  for (const Item<Input>& item : entry.items) {
    switch (item.kind) {
      case Item<Input>::Real: d.*item.member = in.*item.field; break;
      case Item<Input>::Level:
        d.m_dLevel = in.probability;
        d.m_dZ = in.z;
        break;
      case Item<Input>::Choice:
        if constexpr (requires { in.specialTarget; }) d.m_nSpecialTarget = in.specialTarget;
        break;
    }
  }
}

// The entry step with its store: false on Cancel, with nothing stored.
template <class Input>
bool Collect(CTervoDoc& d, Input& in, const EntryForm<Input>& entry) {
  if (!Enter(d.Host(), in, entry)) return false;
  Store(d, in, entry);
  return true;
}

constexpr std::string_view kTitle = "Simple random sampling";
constexpr std::string_view kEnter = "Enter the following:";
constexpr std::string_view kEnterSelect = "Enter or select the following:";
constexpr std::string_view kGuessNote = "*Guesstimates";

// The two-variable family's templates, listed with the ratio/regression ones.
std::vector<const FormTemplate*> SrsMeansRatioFormTemplates();

}  // namespace mirto::srs
