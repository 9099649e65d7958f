#pragma once
// Form -> work record -> calculator state, the one way every family reads a
// confirmed form. A form's values, in tab order, are Items; each names where
// its value goes in the record W. A work record that copies calculator state
// (the simple-random-sampling inputs) names, for each item kept between
// commands, the members of the calculator state it is loaded from and stored
// back to; the preliminary steps read straight into the calculator state (W
// is CalculatorState); an entry loop reads each row into a row record.
#include <cassert>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "framework/Codes.h"
#include "framework/Form.h"
#include "journal/CTervoDoc.h"

namespace mirto {

// Where a value is kept between commands: a member of the calculator state.
template <class T>
using Kept = T CalculatorState::*;

template <class W>
struct Item {
  enum class Kind : std::uint8_t { Real, Whole, Level, Choice };
  Kind kind = Kind::Real;
  double W::*real = nullptr;           // Real; Whole: the value as a double too; Level: the probability
  int W::*whole = nullptr;             // Whole
  double W::*z = nullptr;              // Level: the normal quantile
  SpecialTarget W::*choice = nullptr;  // Choice
  // The calculator state behind the field, if it is kept: Real and Choice
  // in `kept`/`keptChoice`, a level's probability and quantile in `kept` and `keptZ`.
  Kept<double> kept = nullptr;
  Kept<double> keptZ = nullptr;
  Kept<SpecialTarget> keptChoice = nullptr;
};

// A field read with real reading.
template <class W>
constexpr Item<W> RealItem(double W::*field, Kept<double> kept = nullptr) {
  return {.kind = Item<W>::Kind::Real, .real = field, .kept = kept};
}
// A field read with integer reading, kept as an integer and, where `asReal`
// is given, as a double as well.
template <class W>
constexpr Item<W> WholeItem(int W::*field, double W::*asReal = nullptr) {
  return {.kind = Item<W>::Kind::Whole, .real = asReal, .whole = field};
}
// A field read with integer reading and kept as a double only.
template <class W>
constexpr Item<W> WholeAsRealItem(double W::*field) {
  return {.kind = Item<W>::Kind::Whole, .real = field};
}
template <class W>
constexpr Item<W> LevelItem(double W::*probability, double W::*z, Kept<double> keptProbability = nullptr,
                            Kept<double> keptZ = nullptr) {
  return {.kind = Item<W>::Kind::Level, .real = probability, .z = z, .kept = keptProbability, .keptZ = keptZ};
}
template <class W>
constexpr Item<W> ChoiceItem(SpecialTarget W::*choice, Kept<SpecialTarget> kept = nullptr) {
  return {.kind = Item<W>::Kind::Choice, .choice = choice, .keptChoice = kept};
}

// Reads a confirmed form into `w`, item by item in tab order. A field that is
// disabled on the form stores nothing; a level left unselected keeps the pair
// the record holds. The items must cover the form's fields exactly.
template <class W>
void ReadItems(const Form& form, W& w, std::type_identity_t<std::span<const Item<W>>> items) {
  assert(items.size() == ReadableFields(form.Template()) && "a form and its items disagree on the fields");
  FormReader reader(form);
  for (const Item<W>& item : items) {
    const bool enabled = reader.NextEnabled();
    switch (item.kind) {
      case Item<W>::Kind::Real: {
        const double value = reader.Real();
        if (enabled) w.*item.real = value;
        break;
      }
      case Item<W>::Kind::Whole: {
        const int value = reader.Integer();
        if (!enabled) break;
        if (item.whole) w.*item.whole = value;
        if (item.real) w.*item.real = value;
        break;
      }
      case Item<W>::Kind::Level: {
        double probability = w.*item.real, z = w.*item.z;
        if (reader.Level(probability, z) && enabled) {
          w.*item.real = probability;
          w.*item.z = z;
        }
        break;
      }
      case Item<W>::Kind::Choice: {
        const int choice = reader.Choice();
        if (enabled) w.*item.choice = static_cast<SpecialTarget>(choice);
        break;
      }
    }
  }
}

// One row of an entry loop, read into a row record of its own.
template <class Row>
Row ReadRow(const Form& form, std::type_identity_t<std::span<const Item<Row>>> items) {
  Row row{};
  ReadItems<Row>(form, row, items);
  return row;
}

// A work record's copy of the calculator state behind `items`.
template <class W>
void LoadState(const CalculatorState& state, W& w, std::type_identity_t<std::span<const Item<W>>> items) {
  for (const Item<W>& item : items) {
    if (item.kept) w.*item.real = state.*item.kept;
    if (item.keptZ) w.*item.z = state.*item.keptZ;
    if (item.keptChoice) w.*item.choice = state.*item.keptChoice;
  }
}

// Stores back into the calculator state what the record holds for `items`.
template <class W>
void StoreState(CalculatorState& state, const W& w, std::type_identity_t<std::span<const Item<W>>> items) {
  for (const Item<W>& item : items) {
    if (item.kept) state.*item.kept = w.*item.real;
    if (item.keptZ) state.*item.keptZ = w.*item.z;
    if (item.keptChoice) state.*item.keptChoice = w.*item.choice;
  }
}

// A form of a work record and the items it fills, in its tab order.
template <class W>
struct EntryForm {
  FormTemplate tmpl;
  std::vector<Item<W>> items;
};

// The entry step of a work record: shows the form and, on OK, reads it into
// the record and stores the same items back. False on Cancel, nothing stored.
template <class W>
bool Collect(CTervoDoc& d, W& w, const EntryForm<W>& entry) {
  Form form(entry.tmpl);
  if (!d.Host().ShowForm(form)) return false;
  ReadItems<W>(form, w, entry.items);
  StoreState<W>(d, w, entry.items);
  return true;
}

}  // namespace mirto
