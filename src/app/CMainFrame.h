#pragma once
// The main window: menu bar, toolbar, status bar and the journal view. It
// routes commands; files, printing, help and menus are built elsewhere.
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>

#include "app/ApproachMenu.h"
#include "app/DocumentFlow.h"
#include "app/ExportFlow.h"
#include "app/FrameActions.h"
#include "app/HelpWindow.h"
#include "app/JournalPrinter.h"
#include "app/SurveyFlow.h"

class QToolBar;

namespace mirto {

class AppSettings;
class ChartDock;
class FindBar;
class CTervoDoc;
class CTervoView;
class QtFormHost;
class RecentFileList;
class SessionRecorder;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  // Calculations run through `session`, which keeps them as a script.
  CMainFrame(CTervoDoc& doc, SessionRecorder& session, RecentFileList& recent, AppSettings& settings);
  ~CMainFrame() override;

  CTervoView* View() const { return m_widgets.view; }
  FindBar* Finder() const { return m_widgets.find; }
  ChartDock* Charts() const { return m_widgets.chart; }
  DocumentFlow& Files() { return m_files; }
  ExportFlow& Exports() { return m_exports; }
  JournalPrinter& Printing() { return m_printing; }
  const FrameActions& Actions() const { return m_actions; }
  QAction* Action(FrameCommand command) const { return m_actions[command]; }
  QMenu* ApproachMenuWidget() const { return m_approach.menu; }
  const QActionGroup* CalculationActions() const { return m_approach.commands; }
  QList<QAction*> RecentFileActions() const { return m_menus.recent; }
  HelpWindow* Help() const { return m_help; }
  // The host whose data mode the Data menu sets (none: the menu stays off).
  void SetFormHost(QtFormHost* host);
  QLabel* DataLabel() const { return m_widgets.data; }
  SurveyFlow& Survey() { return m_survey; }
  QLabel* DesignLabel() const { return m_widgets.design; }

  // The idle text of the status bar.
  static constexpr const char* kIdlePrompt = "For Help, Press F1";
  static constexpr const char* kHelpModePrompt = "Select an object on which to get Help";
  // Columns of report text the first window shows without scrolling, and its size for them.
  static constexpr int kReportColumns = 100;
  QSize FirstSize() const;

 public slots:
  void OnCalculation(QAction* action);
  // Runs command `id` as its menu item does, in data mode when it is on.
  void RunCalculation(int id);
  void ChooseData();
  void ClearData();
  // Data > "View data...": the data file in a grid of its own; the last one opened.
  void ViewData();
  QDialog* DataGrid() const { return m_grid; }
  // Data > "Survey design...", "Estimate...", "Calibrate...", "Draw sample...".
  void ChooseDesign();
  void ChooseEstimate();
  void ChooseCalibration();
  void ChooseDraw();
  // View > "Additional figures": switched in the document, kept in the session and the settings.
  void OnAdditionalFigures(bool on);
  void UpdateTitle();
  // The chart, when shown, of the block under the journal's cursor.
  void FollowCursor();
  // Edit > Undo and Redo, enabled while the document has a step to take back or put back.
  void UpdateUndo();
  void UpdateRecentFiles();
  void UpdateLockPanes();
  void ShowHelpTopics();
  void ShowAbout();
  void EnterContextHelp();
  // Makes the window active with the keyboard in the journal (or the modal
  // dialog still open, active).
  void TakeKeyboard();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void ConnectCommands();
  void ConnectJournalView();
  void UpdateDataMode();
  void UpdateDesign();
  QStringList SurveyVariables();

  CTervoDoc& m_doc;
  SessionRecorder& m_session;
  RecentFileList& m_recent;
  AppSettings& m_settings;
  DocumentFlow m_files;
  JournalPrinter m_printing;
  ExportFlow m_exports;
  SurveyFlow m_survey;
  FrameActions m_actions;
  ApproachMenu m_approach;
  struct {
    QMenu* file = nullptr;
    QAction* recentPlaceholder = nullptr;
    QList<QAction*> recent;
  } m_menus;
  struct {
    CTervoView* view = nullptr;
    FindBar* find = nullptr;
    ChartDock* chart = nullptr;
    QToolBar* toolBar = nullptr;
    std::array<QLabel*, 3> locks{};  // Caps Lock, Num Lock, Scroll Lock
    QLabel* data = nullptr;          // the data file while data mode is on
    QLabel* design = nullptr;        // the survey design while one is in effect
  } m_widgets;
  QPointer<HelpWindow> m_help;
  QPointer<QDialog> m_grid;
  QtFormHost* m_host = nullptr;
};

}  // namespace mirto
