// The help around the forms: the conventions all forms share, how to read a
// report, the keys, the journal file, batch scripts and results files.
#include "framework/Catalogue.h"
#include "framework/Help.h"

namespace mirto {

const std::string_view kStandardDeviationHelp =
    "Which divisor a standard deviation must have depends on the form, as its formula uses it. Sample "
    "standard deviations and variances on the interval forms of simple random sampling (mean, ratio of "
    "two variables) and on the group forms of stratified, cluster and two-stage sampling have divisor n "
    "(n_i): Mirto divides by n − 1 itself, so that the result is the usual unbiased estimate. Residual "
    "standard deviations of the ratio and regression estimators are taken as entered (divisor n − 1 for "
    "the ratio, n − 2 for the regression line). Guessed population standard deviations have divisor N "
    "(N_i), except on the stratified sample-size and allocation forms, where the textbook S_i with "
    "divisor N_i − 1 belongs. The help of each form says which.";

namespace {

HelpEntry Entry(std::string_view term, std::string_view text) { return {std::string(term), "", std::string(text)}; }

HelpSection Conventions() {
  HelpSection s{"conventions",
                "Conventions of the forms",
                {"Each calculation asks its figures in small forms. **OK** (Enter) goes on; **Cancel** (Escape) "
                 "abandons the calculation and nothing is added to the journal. A value that a calculation refuses "
                 "(a negative number of groups, a probability of 0) shows \"Illegal entry\" and ends it the same "
                 "way; the form is not shown again.",
                 "Numbers are written with a decimal point (12.5), whatever the language of the desktop. A field "
                 "takes its text only when it is wholly a number: 12abc or 1,5 is refused at OK, and the field is "
                 "marked. An empty field reads as 0. A field that counts (groups, elements, a population or sample "
                 "size read as a whole number) takes digits only: 2e1 or 100.7 is refused there.",
                 "Nothing else is checked: a sample larger than the population, or a proportion above 1, is "
                 "computed as entered; the field is marked in yellow before OK, and its tip says what the report "
                 "will make of it.",
                 "Proportions are entered as fractions from 0 to 1, never as percentages.",
                 "The user guide, /usr/share/doc/mirto/guide.md (docs/guide.md in the sources), works an example of "
                 "every family from the forms to the report and sets out these conventions in full."}};
  s.entries = {
      Entry("Confidence levels",
            "The lists offer 99%, 95%, 90%, 80%, 60% and 50%, with the normal quantiles z = 2.576, 1.96, 1.645, "
            "1.282, 0.842 and 0.674. Nothing is selected when a form opens: Down or Home selects 99%, the arrow "
            "keys move, Space or Enter selects the level the keys moved to. Most forms refuse OK until a level is "
            "chosen; those of simple random sampling accept it and use the level chosen last."),
      Entry("Guesstimates",
            "A guesstimate is a guessed value of a population quantity (a standard deviation, a proportion, a "
            "mean, a correlation), taken from a pilot sample, an earlier survey or judgement. The theoretical "
            "standard deviations and the sample sizes and allocations are computed from guesstimates: they tell "
            "what a planned sample would achieve. Forms mark them with the word \"Guesstimate\" or with an "
            "asterisk (*)."),
      Entry("Standard deviations", kStandardDeviationHelp),
      Entry("Sample sizes and allocations",
            "Required sample sizes are printed rounded to the nearest whole number, not up, and are not bounded "
            "by N: round up for a plan. Allocations are printed as shares (fractions) of the sample."),
  };
  return s;
}

HelpSection Reports() {
  HelpSection s{
      "reports",
      "Reading a report",
      {"Every calculation appends one block to the journal. It starts with a line of nine asterisks, then names "
       "the calculation: \"Target:\", \"Method:\", \"Objective:\" and \"Estimator:\" (the prediction approach "
       "names its model instead). The figures entered follow, for per-group or per-element calculations in a "
       "table with a row per group or element, then the results.",
       "Estimates and standard deviations are printed with six decimals, counts (N, n, the number in a category, "
       "a required sample size) rounded to whole numbers, and the probability of a level with two decimals "
       "(\"Approx. 0.95 confidence interval ...\"). An interval is the estimate plus and minus z times its "
       "estimated standard deviation; \"Approx.\" because it rests on the normal approximation. Intervals are "
       "not cut at natural limits: a proportion interval may run below 0.",
       "\"Warning: Small sample or remainder.\" means that the sample, or the part of the population not "
       "sampled, holds 50 elements or fewer (50 groups or fewer in cluster and two-stage sampling; in "
       "stratified and two-stage sampling it is enough that one group's sample or remainder is that small): the "
       "normal approximation behind the interval is then doubtful.",
       "Mirto does not refuse figures that make no sense: a division by zero or the square root of a negative "
       "number prints as inf, -inf or nan, and the block is still added.",
       "To take the figures elsewhere: select text and copy it, use \"Copy block\" or \"Copy block as table\" "
       "(the inputs and results as name and value rows for a spreadsheet) in the journal's context menu, or "
       "File > Export > \"Results as CSV/JSON...\" (see [Batch scripts and results](#batch))."}};
  return s;
}

HelpSection Keys() {
  HelpSection s{"keys",
                "Keyboard and mouse",
                {"In the menus, Alt and the underlined letter open a menu or choose an item; the arrow keys "
                 "move, Enter chooses. The grey items (\"Method:\", \"Target:\", ...) are labels and take a step "
                 "of their own."}};
  s.entries = {
      Entry("Ctrl+N, Ctrl+O, Ctrl+S, Ctrl+P", "New journal, Open, Save, Print."),
      Entry("Ctrl+C, Ctrl+Ins", "Copy the selected text (enabled only while something is selected)."),
      Entry("Ctrl+A", "Select the whole journal."),
      Entry("Ctrl+F, F3, Shift+F3",
            "Find text in the journal (Edit > Find...), then the next or the previous place it stands; the search "
            "goes round the end, and every place in view is marked. Escape closes the find bar."),
      Entry("Shift with the arrow keys, Home, End, Page Up, Page Down",
            "Extend the selection from where you last clicked; Ctrl+Shift+Home and Ctrl+Shift+End to the "
            "start or end of the journal. Escape clears the selection."),
      Entry("Home, End, the arrow keys, Page Up, Page Down",
            "Scroll the journal: Home to its first line, End "
            "to its last."),
      Entry("Mouse",
            "Drag to select; double-click a word or number; triple-click a line; the right button "
            "opens the context menu with Copy, \"Copy block\", \"Copy block as table\" and Select All."),
      Entry("Enter, Escape, Tab", "In a form: OK, Cancel, the next field."),
      Entry("F1", "Help Topics (this help)."),
      Entry("Shift+F1", "Context help: click a menu item, a button or the journal to read what it does."),
  };
  return s;
}

HelpSection JournalFile() {
  return {"journal",
          "The journal file",
          {"File > Save writes the journal as plain text: one journal line per text line, each followed by a "
           "newline, with no header and no encoding mark, so that any editor or script can read it. A new journal "
           "holds two heading lines; every calculation appends its block, which starts with the line "
           "\"*********\". File > Open adds the lines of a file after those already shown; control characters at "
           "the end of a line are dropped. A save goes to a temporary file first and replaces the old file only "
           "once every line is written, so a failed save never destroys it.",
           "File > Export > \"Journal as PDF...\" writes the pages as printing lays them out, without the print "
           "dialog. Each printed page is headed by the journal's name and the date and ends with \"Page N of M\"; "
           "a report block that fits on a page is not split."}};
}

HelpSection BatchScripts() {
  HelpSection s{
      "batch",
      "Batch scripts and results",
      {"mirto --batch SCRIPT [--journal FILE] [-o OUT] [--results FILE] runs calculations without a window: the "
       "script chooses menu commands and answers their forms, and the journal is written to OUT (or to the "
       "standard output). It starts with a new journal, or with the lines of FILE. mirto --list-commands lists "
       "every command id with its menu path.",
       "One statement per line; blank lines and lines starting with # are ignored. Every form a command opens "
       "takes the next statement, ok or cancel. The values of ok fill the form's inputs in the order of the "
       "form, top to bottom, leaving out read-only and greyed fields: a text field takes the text as written, "
       "a list the text of an item (95%) or nothing, a group of buttons the text of a button (Total). Messages "
       "are written to the standard error as \"message: TEXT\". The exit status is 0 when the script ran to its "
       "end, 1 when a file could not be read or written, 2 for an error in the script (the message names the "
       "line and what the open form expects).",
       "--results FILE writes the inputs and results of every report as values: JSON Lines (an object per "
       "block with its command, inputs, results and warning) or, for a name ending in .csv, a long table with "
       "the columns block, command, name, index, value. Numbers are written at full precision. File > Export > "
       "\"Results as CSV/JSON...\" writes the same file from the desktop.",
       "File > Export > \"Session as batch script...\" writes every calculation made since Mirto started as "
       "such statements, each command with its menu path in a comment; run on the same starting journal, the "
       "script writes the same journal again."}};
  s.entries = {
      Entry("new", "A new journal (the two heading lines)."),
      Entry("open PATH", "Adds the lines of a journal file."),
      Entry("save PATH", "Saves the journal."),
      Entry("command ID, command PATH",
            "Chooses a menu command by its id or by its path below \"Random sampling\", segments joined by >: "
            "command Simple > Mean/total of variable > Interval estimates > Simple; command Prediction."),
      Entry("ok V1; V2; ...",
            "Fills the open form's inputs in order and presses OK; ok alone presses OK on the "
            "form as it opened."),
      Entry("cancel", "Presses Cancel."),
      Entry("extras on, extras off",
            "Switches the additional figures on or off for the reports that follow, as View > Additional figures "
            "does; they are off when a script starts."),
  };
  return s;
}

}  // namespace

std::vector<HelpSection> ConventionSections() { return {Conventions()}; }

std::vector<HelpSection> GuideSections() {
  std::vector<HelpSection> sections = {Reports()};
  if (const auto additional = CommandCatalogue().additionalHelp) sections.push_back(additional());
  sections.push_back(Keys());
  sections.push_back(JournalFile());
  sections.push_back(BatchScripts());
  sections.push_back(DataModeHelp());
  return sections;
}

}  // namespace mirto
