#pragma once
// The File, View and Help commands, the edit commands (Cut and Paste have
// no handler: lines are never edited, only whole calculations undone), the exports
// the Data menu and the pane keys: texts, accelerators, prompts and icons in one table.
#include <QAction>
#include <array>

namespace mirto {

enum class FrameCommand {
  New,
  Open,
  Save,
  SaveAs,
  Print,
  PrintPreview,
  PrintSetup,
  ExportPdf,
  ExportResults,
  ExportSession,
  Exit,
  Cut,
  Copy,
  Paste,
  Undo,
  Redo,
  CopyBlock,
  CopyBlockTable,
  SelectAll,
  Find,
  FindNext,
  FindPrevious,
  NextPane,
  PreviousPane,
  ToggleToolBar,
  ToggleStatusBar,
  ToggleAdditionalFigures,
  ToggleChart,
  HelpTopics,
  About,
  ContextHelp,
  FromData,
  ViewData,
  ClearData,
  SurveyDesign,
  Estimate,
  Calibrate,
  DrawSample,
  kCount
};

class FrameActions {
 public:
  explicit FrameActions(QObject* parent);
  QAction* operator[](FrameCommand command) const { return m_actions[static_cast<std::size_t>(command)]; }

 private:
  std::array<QAction*, static_cast<std::size_t>(FrameCommand::kCount)> m_actions{};
};

}  // namespace mirto
