#pragma once
// Forms: an immutable description (FormTemplate), one showing of it (Form),
// and the host that shows forms and message boxes to a person (FormHost).
// Hosts: the desktop dialogs, the batch script host, the tests.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "framework/Codes.h"
#include "framework/Format.h"

namespace mirto {

enum class ControlKind : std::uint8_t {
  Static,  // fixed text
  Group,   // a framed group; holds the next `groupSize` controls
  Text,    // an edit field
  List,    // the six confidence levels
  Radio,   // a group of radio buttons; the label is the group's caption
};

// What, besides the template, decides whether a field disabled at first is enabled.
enum class EnableRule : std::uint8_t { Always, TwoStageMethod, ModelC };

// A bound of the domain of the formulas a number field feeds. A value outside
// it is still taken and computed with; the forms point it out before OK.
// The bound is `limit`, or the value of the field labelled `field` on the
// same form where one is named. `advice` says what the report makes of such
// a value, in a sentence without its full stop.
struct Bound {
  enum class Test : std::uint8_t { AtLeast, Above, AtMost, NotZero };
  Test test = Test::AtLeast;
  double limit = 0.0;
  std::string_view field;
  std::string_view advice;
  bool Holds(double value, double bound) const;
};

struct Control {
  ControlKind kind = ControlKind::Static;
  std::string_view label;
  int maxLength = 0;  // text fields; 0 means no limit
  bool digitsOnly = false;
  bool readOnly = false;
  NumberKind number = NumberKind::Real;  // text fields: how the routine reads the text
  bool limitWhileTyping = true;          // false: an over-long text is refused only at OK
  bool keepsStoredLevel = false;         // lists: no selection keeps the stored level
  EnableRule enable = EnableRule::Always;
  int column = 0;                              // 0 left, 1 right (layout)
  int groupSize = 0;                           // Group: how many following controls it frames
  std::vector<std::string_view> buttons = {};  // Radio
  int initialChoice = 0;                       // Radio: 1-based, 0 none
  std::vector<Bound> bounds = {};              // text fields: checked in order, the first broken one told
  std::string_view name = {};                  // a short name where the label does not name the field

  // Modifiers for building templates.
  Control Right() const;
  Control WithoutTypingLimit() const;
  Control EnabledBy(EnableRule rule) const;
  // Bounds of the formulas' domain (see Bound): value >= limit, > limit,
  // <= limit, != 0, and <= the value of the field labelled `field`.
  Control AtLeast(double limit, std::string_view advice) const;
  Control Above(double limit, std::string_view advice) const;
  Control AtMost(double limit, std::string_view advice) const;
  Control NotZero(std::string_view advice) const;
  Control AtMostField(std::string_view field, std::string_view advice) const;
  Control With(Bound bound) const;
  Control Named(std::string_view shortName) const;
  // The short name, or else the label: how tables outside the form name the field.
  std::string_view Key() const { return name.empty() ? label : name; }
};

// Control builders, in the words the templates use.
Control Static(std::string_view text);
Control Group(std::string_view caption, int controls);
Control Field(std::string_view label, int maxLength);       // a real, read with FormReader::Real
Control WholeField(std::string_view label, int maxLength);  // a whole number, read with FormReader::Integer
Control Digits(std::string_view label, int maxLength);      // a whole number that accepts only 0-9 while typing
Control RowNumber(std::string_view label, int maxLength);   // read-only group or element number
Control LevelList(std::string_view label);                  // confidence list; a selection is required
Control StoredLevelList(std::string_view label);            // confidence list; none keeps the stored pair
Control Radio(std::string_view caption, std::vector<std::string_view> buttons, int initialChoice = 0);

class Form;

// What an entry loop makes of one row: taken, refused ("Illegal entry", the
// command ends) or taken with "Illegal entry" shown. `control` is the field
// the verdict is about, `reason` says why in a few words.
enum class RowCheck : std::uint8_t { Accept, Refuse, Warn };
struct RowVerdict {
  RowCheck check = RowCheck::Accept;
  std::size_t control = 0;
  std::string_view reason;
};

struct FormTemplate {
  int id = 0;
  std::string_view title;
  std::vector<Control> controls;
  // Called after the person picks a radio button (control index), for forms whose
  // buttons act on one another.
  void (*onChoice)(Form& form, std::size_t control) = nullptr;
  // Entry-loop forms whose rows are checked: the verdict on one confirmed row,
  // from that row alone, so that a table of rows can be checked before any
  // row is fed to the loop. The loop itself decides by the same function.
  RowVerdict (*checkRow)(const Form& form) = nullptr;
};

// Something a form says about one of its fields: why OK is refused, or advice.
struct FieldNote {
  std::size_t control = 0;
  std::string text;
};

// The caller's context that enables fields disabled at first (none by default),
// and that a row check may need besides the row (the objective of the loop).
struct FormContext {
  Method method{};
  PredictionModel model{};
  Objective objective{};
};

class Form {
 public:
  explicit Form(const FormTemplate& tmpl, FormContext context = {});

  const FormTemplate& Template() const { return *m_template; }
  // What the form was opened for; a copy of the form keeps it.
  const FormContext& Context() const { return m_context; }
  const Control& ControlAt(std::size_t i) const { return m_template->controls[i]; }
  std::size_t size() const { return m_state.size(); }

  const std::string& Text(std::size_t i) const { return m_state[i].text; }
  void SetText(std::size_t i, std::string text) { m_state[i].text = std::move(text); }
  // List: selected index, -1 none. Radio: chosen button, 1-based, 0 none.
  int Selection(std::size_t i) const { return m_state[i].selection; }
  void SetSelection(std::size_t i, int selection) { m_state[i].selection = selection; }
  bool Enabled(std::size_t i) const { return m_state[i].enabled; }
  void SetEnabled(std::size_t i, bool enabled) { m_state[i].enabled = enabled; }
  bool ButtonEnabled(std::size_t i, int button) const;
  void SetButtonEnabled(std::size_t i, int button, bool enabled);

  // The person picks radio button `button` (1-based) of control `i`.
  void Choose(std::size_t i, int button);

  // Sets the `which`-th read-only field (the group or element number).
  void SetRowNumber(long long number, int which = 0);

  // The controls that take a value, in tab order: editable, enabled text
  // fields, lists and radio groups.
  std::vector<std::size_t> Inputs() const;
  void Inputs(std::vector<std::size_t>& inputs) const;  // into a vector the caller reuses
  // The message that refuses OK (over-long text, text that does not read as
  // the field's number, no confidence level), if any. TooLong is its words
  // for a text over `maxLength`.
  std::optional<std::string> RefusalOnOk() const;
  static std::string TooLong(int maxLength);
  // The same, with the field it is about; the fields in `skip` (filled from
  // data) are passed over.
  std::optional<FieldNote> Refusal(std::span<const std::size_t> skip = {}) const;
  // Why the text of field `i` does not read as its number ("In \"Sample size,
  // n:\", \"2e1\" is not a whole number."), if it does not; a disabled or
  // read-only field always reads.
  std::optional<std::string> Misread(std::size_t i) const;
  // The value field `i` reads as: 0 when empty, disabled or unreadable.
  double Number(std::size_t i) const;
  // Advice on values outside the formulas' domain (the fields' bounds), at
  // most one a field, in tab order: taken, but pointed out before OK.
  std::vector<FieldNote> Advice() const;

 private:
  struct State {
    std::string text;
    int selection = 0;
    bool enabled = true;
    std::uint32_t disabledButtons = 0;
  };
  const FormTemplate* m_template;
  FormContext m_context;
  std::vector<State> m_state;
};

// Whether the control takes a value: an editable text field, a list or a radio group.
bool TakesValue(const Control& c);
// The number of values a reader of the template takes: its editable text
// fields, lists and radio groups, disabled ones included.
std::size_t ReadableFields(const FormTemplate& tmpl);

// Why `text` does not read as a number of `kind`, in a sentence ("\"2e1\" is
// not a whole number."), if it does not (Format.h has the rule).
std::optional<std::string> NumberProblem(std::string_view text, NumberKind kind);

// Reads a confirmed form's values in tab order, skipping static texts, groups
// and read-only fields (a disabled field reads as its empty text). Reading
// past the last field, a field of another kind than asked, or a whole-number
// field as a real (or a real one as a whole number) means that a template and
// its reader disagree: an assertion in debug builds, and a value of 0 (no
// level, no choice) otherwise. Text that does not read (hosts refuse it
// before OK) reads as 0.
class FormReader {
 public:
  explicit FormReader(const Form& form) : m_form(form) {}
  double Real();
  int Integer();
  // Converts the list's row through the confidence table; returns false and
  // leaves both untouched when no level is selected.
  bool Level(double& probability, double& z);
  int Choice();  // radio: 1-based
  // Whether the field the next read takes is enabled on the form.
  bool NextEnabled() const;

 private:
  std::size_t Next(ControlKind kind);
  std::size_t Peek() const;
  const Form& m_form;
  std::size_t m_at = 0;
};

// An entry loop as its host learns of it before the first form: the form it
// shows once per row, the caller's context and the number of rows. A pair
// loop shows one form per pair i < j of `elements` elements, in the order
// (1,2), (1,3), ..., (N-1,N); `probabilities` (p[1..N], may be null) are the
// elements' own, which a matrix of pairs repeats on its diagonal.
struct EntryLoop {
  const FormTemplate* tmpl = nullptr;
  FormContext context{};
  long long count = 0;
  long long elements = 0;
  const double* probabilities = nullptr;
  bool Pairs() const { return elements > 0; }
};

class FormHost {
 public:
  virtual ~FormHost() = default;
  // Shows the form modally; true for OK, false for Cancel.
  virtual bool ShowForm(Form& form) = 0;
  // A message box with an OK button.
  virtual void Message(std::string_view text) = 0;
  // An entry loop is about to show its `count` forms, and has ended (all
  // shown, cancelled or refused). A host may answer the loop's forms from a
  // table or a file; the loop still sees one ShowForm per row.
  virtual void BeginEntryLoop(const EntryLoop& loop) { (void)loop; }
  virtual void EndEntryLoop() {}
  // The fields of the form shown last that the host filled from a data file
  // (none by default); a form whose every input they are took no typing.
  virtual std::vector<std::size_t> DataFields() const { return {}; }
  // A question answered Yes (true) or No; nothing where there is nobody to
  // ask (a script), and the caller then does the safe thing.
  virtual std::optional<bool> Ask(std::string_view question) {
    (void)question;
    return std::nullopt;
  }
  // Memory ran out in a command, whose block was taken back: by default the
  // message box "Memory allocation failure.".
  virtual void OutOfMemory();
};

// Tells the host of an entry loop for as long as it runs (loops of no rows
// are not told).
class EntryLoopScope {
 public:
  EntryLoopScope(FormHost& host, const EntryLoop& loop) : m_host(loop.count > 0 ? &host : nullptr) {
    if (m_host) m_host->BeginEntryLoop(loop);
  }
  ~EntryLoopScope() {
    if (m_host) m_host->EndEntryLoop();
  }
  EntryLoopScope(const EntryLoopScope&) = delete;
  EntryLoopScope& operator=(const EntryLoopScope&) = delete;

 private:
  FormHost* m_host;
};

// The number of pairs i < j of n elements, in 64 bits.
constexpr long long PairsOf(long long n) { return n > 1 ? n * (n - 1) / 2 : 0; }

// Confidence levels: the list items and what each row stands for.
struct ConfidenceLevel {
  std::string_view text;
  double probability;
  double z;
};
inline constexpr ConfidenceLevel kConfidenceTable[6] = {
    {"99%", 0.99, 2.576}, {"95%", 0.95, 1.96},  {"90%", 0.90, 1.645},
    {"80%", 0.80, 1.282}, {"60%", 0.60, 0.842}, {"50%", 0.50, 0.674},
};

inline constexpr std::string_view kIllegalEntry = "Illegal entry";
inline constexpr std::string_view kNotCoded = "Selection not coded.";
inline constexpr std::string_view kNoMemory = "Memory allocation failure.";
inline constexpr std::string_view kSelectLevel = "Select a confidence level.";

// Shows one form per row 1..count with its number set; `read(form, i)` takes a
// confirmed row and returns false to refuse it ("Illegal entry" is shown), or
// returns the message that refuses it (std::nullopt to take it). Cancel or a
// refused row ends the loop with false.
template <class ReadRow>
bool RunEntryLoop(FormHost& host, const FormTemplate& tmpl, FormContext context, long long count, ReadRow&& read) {
  EntryLoopScope scope(host, EntryLoop{.tmpl = &tmpl, .context = context, .count = count});
  for (long long i = 1; i <= count; ++i) {
    Form form(tmpl, context);
    form.SetRowNumber(i);
    if (!host.ShowForm(form)) return false;
    const auto verdict = read(static_cast<const Form&>(form), i);
    if constexpr (std::is_same_v<std::remove_const_t<decltype(verdict)>, bool>) {
      if (!verdict) {
        host.Message(kIllegalEntry);
        return false;
      }
    } else if (verdict) {
      host.Message(*verdict);
      return false;
    }
  }
  return true;
}

// Shows one form per pair (i, j), i < j, of `elements` elements, both numbers
// set, in the order (1,2), (1,3), ..., (N-1,N); `read(form, k, i, j)` takes
// the k-th pair (1-based). Cancel or a refusal end it as RunEntryLoop does.
template <class ReadPair>
bool RunPairLoop(FormHost& host, const FormTemplate& tmpl, FormContext context, long long elements,
                 const double* probabilities, ReadPair&& read) {
  EntryLoopScope scope(host, EntryLoop{.tmpl = &tmpl,
                                       .context = context,
                                       .count = PairsOf(elements),
                                       .elements = elements,
                                       .probabilities = probabilities});
  long long k = 0;
  for (long long i = 1; i < elements; ++i) {
    for (long long j = i + 1; j <= elements; ++j) {
      Form form(tmpl, context);
      form.SetRowNumber(i, 0);
      form.SetRowNumber(j, 1);
      if (!host.ShowForm(form)) return false;
      if (!read(static_cast<const Form&>(form), ++k, i, j)) {
        host.Message(kIllegalEntry);
        return false;
      }
    }
  }
  return true;
}

}  // namespace mirto
