#include "app/FrameActions.h"

#include <QIcon>
#include <QKeySequence>

namespace mirto {
namespace {

struct ActionSpec {
  FrameCommand command;
  const char* text;
  const char* keys;  // accelerators, separated by '|'
  const char* tip;   // status-bar text, then the short tool tip after '\n'
  const char* icon;  // resource path or nullptr
  bool enabled;
};

const ActionSpec kSpecs[] = {
    {FrameCommand::New, "&New", "Ctrl+N", "Create a new journal\nNew", ":/icons/new.svg", true},
    {FrameCommand::Open, "&Open...", "Ctrl+O", "Open a saved journal\nOpen", ":/icons/open.svg", true},
    {FrameCommand::Save, "&Save", "Ctrl+S", "Save the journal\nSave", ":/icons/save.svg", true},
    {FrameCommand::SaveAs, "Save &As...", "", "Save the journal under a new name\nSave As", nullptr, true},
    {FrameCommand::Print, "&Print...", "Ctrl+P", "Print the journal\nPrint", ":/icons/print.svg", true},
    {FrameCommand::PrintPreview, "Print Pre&view", "", "Show the printed pages\nPrint Preview", nullptr, true},
    {FrameCommand::PrintSetup, "P&rint Setup...", "", "Choose the paper and page options\nPrint Setup", nullptr, true},
    {FrameCommand::ExportPdf, "Journal as &PDF...", "",
     "Write the journal to a PDF file, in pages as printed\nExport PDF", nullptr, true},
    {FrameCommand::ExportResults, "&Results as CSV/JSON...", "",
     "Write the inputs and results of every report as values, as mirto --batch --results does\nExport Results", nullptr,
     true},
    {FrameCommand::ExportSession, "&Session as batch script...", "",
     "Write the calculations of this session as a script that mirto --batch repeats\nExport Session", nullptr, true},
    {FrameCommand::Exit, "E&xit", "", "Quit Mirto; asks to save a changed journal\nExit", nullptr, true},
    {FrameCommand::Cut, "Cu&t", "Ctrl+X|Shift+Del", "Cut the selection\nCut", ":/icons/cut.svg", false},
    {FrameCommand::Copy, "&Copy", "Ctrl+C|Ctrl+Ins", "Copy the selection\nCopy", ":/icons/copy.svg", false},
    {FrameCommand::Paste, "&Paste", "Ctrl+V|Shift+Ins", "Insert the clipboard\nPaste", ":/icons/paste.svg", false},
    {FrameCommand::Undo, "&Undo", "Ctrl+Z|Alt+Backspace",
     "Take back the last calculation: its report, its data note and its additional figures\nUndo", nullptr, false},
    {FrameCommand::Redo, "&Redo", "Ctrl+Y|Ctrl+Shift+Z", "Put back the calculation last taken back\nRedo", nullptr,
     false},
    {FrameCommand::CopyBlock, "Copy block", "", "Copy the report block under the pointer\nCopy Block", nullptr, false},
    {FrameCommand::CopyBlockTable, "Copy block as table", "",
     "Copy the inputs and results of the report under the pointer as name and value rows for a spreadsheet\nCopy "
     "Block as Table",
     nullptr, false},
    {FrameCommand::SelectAll, "Select &All", "Ctrl+A", "Select the whole journal\nSelect All", nullptr, true},
    {FrameCommand::Find, "&Find...", "Ctrl+F", "Find text in the journal\nFind", nullptr, true},
    {FrameCommand::FindNext, "Find &Next", "F3", "Go to the next place the text to find stands\nFind Next", nullptr,
     true},
    {FrameCommand::FindPrevious, "Find Pre&vious", "Shift+F3",
     "Go to the previous place the text to find stands\nFind Previous", nullptr, true},
    {FrameCommand::NextPane, "Next Pane", "F6", "Go to the next pane\nNext Pane", nullptr, true},
    {FrameCommand::PreviousPane, "Previous Pane", "Shift+F6", "Go back to the previous pane\nPrevious Pane", nullptr,
     true},
    {FrameCommand::ToggleToolBar, "&Toolbar", "", "Show or hide the toolbar\nToggle Toolbar", nullptr, true},
    {FrameCommand::ToggleStatusBar, "&Status Bar", "", "Show or hide the status bar\nToggle Status Bar", nullptr, true},
    {FrameCommand::ToggleAdditionalFigures, "&Additional figures", "",
     "Follow each report with additional figures: coefficient of variation, t-based and proportion intervals, "
     "design effect\nAdditional Figures",
     nullptr, true},
    {FrameCommand::ToggleChart, "&Chart", "",
     "Show or hide the chart of the report under the cursor: intervals by group, or the sample size by margin\nChart",
     ":/icons/chart.svg", true},
    {FrameCommand::HelpTopics, "&Help Topics", "F1", "List the help topics\nHelp Topics", nullptr, true},
    {FrameCommand::About, "&About Mirto...", "", "Show the program's version\nAbout", ":/icons/about.svg", true},
    {FrameCommand::ContextHelp, "What's &This?", "Shift+F1",
     "Show help for the next button, menu item or window you click\nHelp", ":/icons/context-help.svg", true},
    {FrameCommand::FromData, "&From data...", "",
     "Work out the figures of the estimates that follow from a data file's variables\nFrom Data", nullptr, true},
    {FrameCommand::ViewData, "&View data...", "",
     "Show the data file's rows in a grid: missing cells marked, each variable's type and role\nView Data", nullptr,
     false},
    {FrameCommand::ClearData, "&Clear data", "", "End data mode: the forms ask every figure again\nClear Data", nullptr,
     false},
    {FrameCommand::SurveyDesign, "Survey &design...", "",
     "Weights, strata, PSUs or replicate weights of a survey file, for the estimates that follow\nSurvey Design",
     nullptr, true},
    {FrameCommand::Estimate, "&Estimate...", "",
     "A mean, total, proportions or a ratio from the survey design in effect, by domain\nEstimate", nullptr, false},
    {FrameCommand::Calibrate, "Ca&librate...", "",
     "Calibrate the design's weights to population totals: post-strata, raking or linear\nCalibrate", nullptr, false},
    {FrameCommand::DrawSample, "Draw &sample...", "",
     "Draw a sample from a frame file with a seed, and write the sample and its probabilities\nDraw Sample", nullptr,
     true},
};

}  // namespace

FrameActions::FrameActions(QObject* parent) {
  for (const ActionSpec& spec : kSpecs) {
    auto* action = new QAction(QString::fromUtf8(spec.text), parent);
    QList<QKeySequence> keys;
    for (const QString& key : QString::fromUtf8(spec.keys).split('|', Qt::SkipEmptyParts)) keys << QKeySequence(key);
    action->setShortcuts(keys);
    const QStringList tip = QString::fromUtf8(spec.tip).split('\n');
    action->setStatusTip(tip.value(0));
    action->setToolTip(tip.value(1));
    action->setWhatsThis(tip.value(0));
    if (spec.icon) action->setIcon(QIcon(QString::fromUtf8(spec.icon)));
    action->setEnabled(spec.enabled);
    m_actions[static_cast<std::size_t>(spec.command)] = action;
  }
}

}  // namespace mirto
