#include "app/CMainFrame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWhatsThis>
#include <cmath>

#include "app/AboutBox.h"
#include "app/AppSettings.h"
#include "app/CTervoView.h"
#include "app/CalibrateDialog.h"
#include "app/ChartDock.h"
#include "app/DataDialog.h"
#include "app/DataGrid.h"
#include "app/DrawDialog.h"
#include "app/EntryTableDialog.h"
#include "app/EstimateDialog.h"
#include "app/FindBar.h"
#include "app/HelpWindow.h"
#include "app/LockState.h"
#include "app/RecentFileList.h"
#include "app/SurveyDesignDialog.h"
#include "app/SurveyWidgets.h"
#include "app/WindowSize.h"
#include "batch/Session.h"
#include "journal/CTervoDoc.h"
#include "survey/Report.h"

// The icons live in this static library; a program linking it must register them.
static void InitResources() { Q_INIT_RESOURCE(mirto); }

namespace mirto {

CMainFrame::CMainFrame(CTervoDoc& doc, SessionRecorder& session, RecentFileList& recent, AppSettings& settings)
    : m_doc(doc),
      m_session(session),
      m_recent(recent),
      m_settings(settings),
      m_files(doc, session, recent, settings),
      m_printing(doc),
      m_exports(doc, session, m_printing),
      m_survey(doc, session),
      m_actions(this) {
  InitResources();
  setObjectName("MainFrame");
  setWindowTitle("Window Mirto");
  setWindowIcon(QIcon(":/icons/mirto.svg"));
  m_files.SetWindow(this);
  m_printing.SetWindow(this);
  m_exports.SetWindow(this);
  m_survey.SetWindow(this);

  m_widgets.view = new CTervoView(doc, this);
  m_widgets.view->setWhatsThis(
      "The journal: the report of every calculation, newest at the bottom. Save, print or start a new one from the "
      "File menu.");
  m_widgets.find = new FindBar(*m_widgets.view, this);
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(m_widgets.find);
  column->addWidget(m_widgets.view, 1);
  setCentralWidget(central);
  m_widgets.chart = new ChartDock(doc, this);
  addDockWidget(Qt::RightDockWidgetArea, m_widgets.chart);
  m_widgets.chart->hide();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  ConnectCommands();
  ConnectJournalView();

  m_doc.SetViewUpdate([this] {
    m_widgets.view->OnUpdate();
    FollowCursor();
  });
  m_doc.SetUndoChanged([this] { UpdateUndo(); });
  UpdateUndo();
  m_doc.SetModifiedChanged([this](bool modified) { setWindowModified(modified); });
  qApp->installEventFilter(this);
  if (!restoreGeometry(m_settings.LoadWindowGeometry())) ResizeWithinScreen(*this, FirstSize());
  m_widgets.view->setFocus();
}

CMainFrame::~CMainFrame() {
  m_doc.SetViewUpdate(nullptr);
  m_doc.SetModifiedChanged(nullptr);
  m_doc.SetUndoChanged(nullptr);
}

// Wide enough for a report line of kReportColumns characters beside the
// journal's margin and its scroll bar.
QSize CMainFrame::FirstSize() const {
  const CTervoView& view = *m_widgets.view;
  const int text = static_cast<int>(std::ceil(view.Advance() * (kReportColumns + 4)));
  const int chrome = style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * view.frameWidth() + 16;
  return {std::max(760, text + chrome), 560};
}

void CMainFrame::CreateMenus() {
  m_approach = BuildApproachMenu(this);
  menuBar()->addMenu(m_approach.menu);

  m_menus.file = menuBar()->addMenu("&File");
  using enum FrameCommand;
  for (FrameCommand c : {New, Open, Save, SaveAs}) m_menus.file->addAction(m_actions[c]);
  QMenu* exports = m_menus.file->addMenu("&Export");
  for (FrameCommand c : {ExportPdf, ExportResults, ExportSession}) exports->addAction(m_actions[c]);
  m_menus.file->addSeparator();
  for (FrameCommand c : {Print, PrintPreview, PrintSetup}) m_menus.file->addAction(m_actions[c]);
  m_menus.file->addSeparator();
  m_menus.recentPlaceholder = m_menus.file->addAction("Recent File");
  m_menus.recentPlaceholder->setEnabled(false);
  m_menus.file->addSeparator();
  m_menus.file->addAction(m_actions[Exit]);

  QMenu* edit = menuBar()->addMenu("&Edit");
  for (FrameCommand c : {Undo, Redo}) edit->addAction(m_actions[c]);
  edit->addSeparator();
  for (FrameCommand c : {Copy, SelectAll}) edit->addAction(m_actions[c]);
  edit->addSeparator();
  for (FrameCommand c : {Find, FindNext, FindPrevious}) edit->addAction(m_actions[c]);

  QMenu* view = menuBar()->addMenu("&View");
  for (FrameCommand c : {ToggleToolBar, ToggleStatusBar}) {
    m_actions[c]->setCheckable(true);
    m_actions[c]->setChecked(true);
    view->addAction(m_actions[c]);
  }
  m_actions[ToggleChart]->setCheckable(true);
  view->addAction(m_actions[ToggleChart]);
  view->addSeparator();
  m_actions[ToggleAdditionalFigures]->setCheckable(true);
  m_actions[ToggleAdditionalFigures]->setChecked(m_doc.AdditionalFigures());
  view->addAction(m_actions[ToggleAdditionalFigures]);
  AddOneFormPerRowAction(view);

  QMenu* dataMenu = menuBar()->addMenu("&Data");
  for (FrameCommand c : {FromData, ViewData, ClearData}) dataMenu->addAction(m_actions[c]);
  m_actions[FromData]->setEnabled(false);
  dataMenu->addSeparator();
  for (FrameCommand c : {SurveyDesign, Estimate, Calibrate}) dataMenu->addAction(m_actions[c]);
  dataMenu->addSeparator();
  dataMenu->addAction(m_actions[DrawSample]);

  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(m_actions[HelpTopics]);
  help->addSeparator();
  help->addAction(m_actions[About]);

  // Accelerators of commands that have no menu item.
  for (FrameCommand c : {Cut, Paste, NextPane, PreviousPane, ContextHelp}) addAction(m_actions[c]);
  UpdateRecentFiles();
}

void CMainFrame::CreateToolBar() {
  m_widgets.toolBar = addToolBar("Toolbar");
  m_widgets.toolBar->setObjectName("ToolBar");
  m_widgets.toolBar->setAllowedAreas(Qt::AllToolBarAreas);
  using enum FrameCommand;
  for (FrameCommand c : {New, Open, Save}) m_widgets.toolBar->addAction(m_actions[c]);
  m_widgets.toolBar->addSeparator();
  for (FrameCommand c : {Cut, Copy, Paste}) m_widgets.toolBar->addAction(m_actions[c]);
  m_widgets.toolBar->addSeparator();
  for (FrameCommand c : {Print, About, ContextHelp}) m_widgets.toolBar->addAction(m_actions[c]);
  m_widgets.toolBar->addSeparator();
  m_widgets.toolBar->addAction(m_actions[ToggleChart]);
  connect(m_widgets.toolBar, &QToolBar::visibilityChanged, m_actions[ToggleToolBar], &QAction::setChecked);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  m_widgets.data = new QLabel(bar);
  m_widgets.data->setObjectName("DataMode");
  m_widgets.data->setVisible(false);
  bar->addPermanentWidget(m_widgets.data);
  m_widgets.design = new QLabel(bar);
  m_widgets.design->setObjectName("SurveyDesign");
  m_widgets.design->setVisible(false);
  bar->addPermanentWidget(m_widgets.design);
  const char* names[] = {"CAP", "NUM", "SCRL"};
  for (std::size_t i = 0; i < m_widgets.locks.size(); ++i) {
    m_widgets.locks[i] = new QLabel(names[i], bar);
    m_widgets.locks[i]->setObjectName(QString("Lock%1").arg(names[i]));
    m_widgets.locks[i]->setAlignment(Qt::AlignCenter);
    m_widgets.locks[i]->setMinimumWidth(m_widgets.locks[i]->sizeHint().width() + 8);
    bar->addPermanentWidget(m_widgets.locks[i]);
  }
  connect(bar, &QStatusBar::messageChanged, this, [bar](const QString& message) {
    if (message.isEmpty()) bar->showMessage(kIdlePrompt);
  });
  bar->showMessage(kIdlePrompt);
  UpdateLockPanes();
}

void CMainFrame::ConnectCommands() {
  using enum FrameCommand;
  connect(m_approach.commands, &QActionGroup::triggered, this, &CMainFrame::OnCalculation);
  connect(m_actions[New], &QAction::triggered, &m_files, &DocumentFlow::FileNew);
  connect(m_actions[Open], &QAction::triggered, &m_files, &DocumentFlow::FileOpen);
  connect(m_actions[Save], &QAction::triggered, &m_files, &DocumentFlow::FileSave);
  connect(m_actions[SaveAs], &QAction::triggered, &m_files, &DocumentFlow::FileSaveAs);
  connect(m_actions[Print], &QAction::triggered, this, [this] { m_printing.Print(); });
  connect(m_actions[PrintPreview], &QAction::triggered, this, [this] { m_printing.PrintPreview(); });
  connect(m_actions[PrintSetup], &QAction::triggered, this, [this] { m_printing.PrintSetup(); });
  connect(m_actions[ExportPdf], &QAction::triggered, &m_exports, &ExportFlow::ExportPdf);
  connect(m_actions[ExportResults], &QAction::triggered, &m_exports, &ExportFlow::ExportResults);
  connect(m_actions[ExportSession], &QAction::triggered, &m_exports, &ExportFlow::ExportSession);
  connect(m_actions[Exit], &QAction::triggered, this, &QWidget::close);
  connect(m_actions[ToggleToolBar], &QAction::toggled, m_widgets.toolBar, &QWidget::setVisible);
  connect(m_actions[ToggleStatusBar], &QAction::toggled, statusBar(), &QWidget::setVisible);
  connect(m_actions[ToggleAdditionalFigures], &QAction::toggled, this, &CMainFrame::OnAdditionalFigures);
  connect(m_actions[HelpTopics], &QAction::triggered, this, &CMainFrame::ShowHelpTopics);
  connect(m_actions[About], &QAction::triggered, this, &CMainFrame::ShowAbout);
  connect(m_actions[ContextHelp], &QAction::triggered, this, &CMainFrame::EnterContextHelp);
  connect(m_actions[FromData], &QAction::triggered, this, &CMainFrame::ChooseData);
  connect(m_actions[ClearData], &QAction::triggered, this, &CMainFrame::ClearData);
  connect(m_actions[ViewData], &QAction::triggered, this, &CMainFrame::ViewData);
  connect(m_actions[SurveyDesign], &QAction::triggered, this, &CMainFrame::ChooseDesign);
  connect(m_actions[Estimate], &QAction::triggered, this, &CMainFrame::ChooseEstimate);
  connect(m_actions[Calibrate], &QAction::triggered, this, &CMainFrame::ChooseCalibration);
  connect(m_actions[DrawSample], &QAction::triggered, this, &CMainFrame::ChooseDraw);
  connect(&m_survey, &SurveyFlow::designChanged, this, &CMainFrame::UpdateDesign);
  // A script's `data` binds no role: its textbook data mode ends there, and so does this one.
  connect(&m_survey, &SurveyFlow::dataReplaced, this, [this] {
    if (m_host && m_host->DataOn()) m_host->ClearData();
    UpdateDataMode();
  });
  connect(&m_files, &DocumentFlow::documentChanged, this, &CMainFrame::UpdateTitle);
  connect(&m_files, &DocumentFlow::recentFilesChanged, this, &CMainFrame::UpdateRecentFiles);
}

// Copy takes the selection and is enabled only while there is one; the
// journal's context menu copies it, or the block under the pointer as text
// or, from its result record, as a table.
void CMainFrame::ConnectJournalView() {
  using enum FrameCommand;
  CTervoView* view = m_widgets.view;
  connect(m_actions[Undo], &QAction::triggered, this, [this] {
    if (m_session.Undo(m_doc)) m_survey.Undone();
  });
  connect(m_actions[Redo], &QAction::triggered, this, [this] {
    if (m_session.Redo(m_doc)) m_survey.Undone();
  });
  connect(m_actions[Copy], &QAction::triggered, view, &CTervoView::CopySelection);
  connect(m_actions[CopyBlock], &QAction::triggered, view, &CTervoView::CopyBlock);
  connect(m_actions[CopyBlockTable], &QAction::triggered, view, &CTervoView::CopyBlockTable);
  connect(m_actions[SelectAll], &QAction::triggered, view, &CTervoView::SelectAll);
  connect(m_actions[Find], &QAction::triggered, m_widgets.find, &FindBar::Open);
  connect(m_actions[FindNext], &QAction::triggered, m_widgets.find, &FindBar::FindNext);
  connect(m_actions[FindPrevious], &QAction::triggered, m_widgets.find, &FindBar::FindPrevious);
  connect(view, &CTervoView::selectionChanged, m_actions[Copy], &QAction::setEnabled);
  connect(view, &CTervoView::caretMoved, this, &CMainFrame::FollowCursor);
  connect(m_actions[ToggleChart], &QAction::toggled, this, [this](bool on) {
    m_widgets.chart->setVisible(on);
    FollowCursor();
  });
  connect(m_widgets.chart, &QDockWidget::visibilityChanged, m_actions[ToggleChart],
          [this](bool) { m_actions[FrameCommand::ToggleChart]->setChecked(!m_widgets.chart->isHidden()); });
  connect(view, &CTervoView::contextMenuOpening, this, [this, view](LineRange block) {
    m_actions[FrameCommand::CopyBlock]->setEnabled(!block.empty());
    m_actions[FrameCommand::CopyBlockTable]->setEnabled(view->ContextRecord() != nullptr);
  });
  connect(&m_files, &DocumentFlow::journalReplaced, view, &CTervoView::ClearSelection);
  auto* separator = new QAction(this);
  separator->setSeparator(true);
  view->SetContextActions(
      {m_actions[Copy], m_actions[CopyBlock], m_actions[CopyBlockTable], separator, m_actions[SelectAll]});
}

void CMainFrame::UpdateUndo() {
  m_actions[FrameCommand::Undo]->setEnabled(m_doc.CanUndo());
  m_actions[FrameCommand::Redo]->setEnabled(m_doc.CanRedo());
}

void CMainFrame::FollowCursor() {
  if (!m_widgets.chart->isHidden()) m_widgets.chart->ShowBlockAt(m_widgets.view->Selection().caret.line);
}

void CMainFrame::OnCalculation(QAction* action) { RunCalculation(action->data().toInt()); }

void CMainFrame::RunCalculation(int id) {
  if (m_host && !m_host->BeforeCommand(m_doc, id)) return;  // nothing appended
  m_session.RunCommand(m_doc, id);
  if (m_host) m_host->AfterCommand();
}

void CMainFrame::SetFormHost(QtFormHost* host) {
  m_host = host;
  UpdateDataMode();
}

void CMainFrame::ChooseData() {
  if (!m_host) return;
  DataDialog dialog(m_host->Choice(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  m_host->UseData(dialog.TakeSession(), dialog.Choice());
  m_session.UsedData(data::ScriptStatements(dialog.Choice()));
  m_survey.DataOpened(dialog.Choice().file);
  UpdateDataMode();
}

// A window of its own, so that the data stay in view while the work goes on.
void CMainFrame::ViewData() {
  if (!m_host || !m_host->DataOn()) return;
  auto* grid = new DataGridDialog(m_host->Choice(), this);
  grid->setAttribute(Qt::WA_DeleteOnClose);
  grid->show();
  m_grid = grid;
}

void CMainFrame::ClearData() {
  if (!m_host || !m_host->DataOn()) return;
  m_host->ClearData();
  m_session.ClearedData();
  UpdateDataMode();
}

void CMainFrame::UpdateDataMode() {
  const bool on = m_host && m_host->DataOn();
  m_actions[FrameCommand::FromData]->setEnabled(m_host != nullptr);
  m_actions[FrameCommand::ClearData]->setEnabled(on);
  m_actions[FrameCommand::ViewData]->setEnabled(on);
  m_widgets.data->setVisible(on);
  if (!on) return;
  const QString file = QFileInfo(QFile::decodeName(m_host->Choice().file.c_str())).fileName();
  m_widgets.data->setText("Data: " + file);
  m_widgets.data->setToolTip(QFile::decodeName(m_host->Choice().file.c_str()));
}

void CMainFrame::ChooseDesign() {
  QString file = QFile::decodeName(m_survey.DataFile().c_str());
  if (file.isEmpty() && m_host && m_host->DataOn()) file = QFile::decodeName(m_host->Choice().file.c_str());
  SurveyDesignDialog dialog(m_survey, file, this);
  dialog.exec();
}

QStringList CMainFrame::SurveyVariables() {
  QString problem;
  return VariableNames(m_survey.DataFile(), &problem);
}

void CMainFrame::ChooseEstimate() {
  if (!m_survey.InEffect()) return;
  EstimateDialog dialog(m_survey, SurveyVariables(), this);
  dialog.exec();
}

void CMainFrame::ChooseCalibration() {
  if (!m_survey.InEffect()) return;
  CalibrateDialog dialog(m_survey, SurveyVariables(), this);
  dialog.exec();
}

void CMainFrame::ChooseDraw() {
  DrawDialog dialog(m_survey, QFile::decodeName(m_survey.Frame().c_str()), this);
  dialog.exec();
}

void CMainFrame::UpdateDesign() {
  const survey::Design* design = m_survey.InEffect();
  m_actions[FrameCommand::Estimate]->setEnabled(design != nullptr);
  m_actions[FrameCommand::Calibrate]->setEnabled(design != nullptr);
  m_widgets.design->setVisible(design != nullptr);
  if (!design) return;
  const QString text = QString::fromStdString(survey::DesignText(*design));
  m_widgets.design->setText(QString("Design: %1%2").arg(text, m_survey.Calibrated() ? ", calibrated" : ""));
  m_widgets.design->setToolTip(QFile::decodeName(m_survey.DataFile().c_str()));
}

void CMainFrame::OnAdditionalFigures(bool on) {
  m_session.SwitchAdditionalFigures(m_doc, on);
  m_settings.SaveAdditionalFigures(on);
}

void CMainFrame::UpdateTitle() {
  setWindowTitle(QString("%1[*] - Mirto").arg(m_files.DocumentTitle()));
  setWindowModified(m_doc.IsModified());
}

void CMainFrame::UpdateRecentFiles() {
  qDeleteAll(m_menus.recent);
  m_menus.recent.clear();
  const QStringList& files = m_recent.Files();
  m_menus.recentPlaceholder->setVisible(files.isEmpty());
  for (int i = 0; i < files.size(); ++i) {
    const QString path = files[i];
    // The name keeps the menu narrow; "&" in it is text, not a mnemonic.
    QString name = QFileInfo(path).fileName();
    name.replace('&', "&&");
    auto* action = new QAction(QString("&%1 %2").arg(i + 1).arg(name), m_menus.file);
    action->setStatusTip(path);
    connect(action, &QAction::triggered, this, [this, path] { m_files.OpenFile(path, true); });
    m_menus.file->insertAction(m_menus.recentPlaceholder, action);
    m_menus.recent << action;
  }
}

void CMainFrame::UpdateLockPanes() {
  const LockState state = ReadLockState();
  const bool lit[] = {state.caps, state.num, state.scroll};
  for (std::size_t i = 0; i < m_widgets.locks.size(); ++i) {
    m_widgets.locks[i]->setEnabled(state.known && lit[i]);
    m_widgets.locks[i]->setToolTip(state.known ? QString() : "This display does not tell the state of the lock keys");
  }
}

void CMainFrame::ShowHelpTopics() {
  if (!m_help) m_help = new HelpWindow(this);
  m_help->show();
  m_help->raise();
  m_help->activateWindow();
}

void CMainFrame::ShowAbout() {
  AboutBox about(this);
  about.exec();
}

void CMainFrame::EnterContextHelp() {
  QWhatsThis::enterWhatsThisMode();
  statusBar()->showMessage(kHelpModePrompt);
}

void CMainFrame::TakeKeyboard() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal->activateWindow();  // a dialog under it
  if (!isVisible()) return;
  activateWindow();
  m_widgets.view->setFocus(Qt::ActiveWindowFocusReason);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_files.SaveModified()) {
    m_settings.SaveWindowGeometry(saveGeometry());
    event->accept();
  } else {
    event->ignore();
  }
}

bool CMainFrame::event(QEvent* event) {
  if (event->type() == QEvent::LeaveWhatsThisMode) statusBar()->showMessage(kIdlePrompt);
  return QMainWindow::event(event);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ApplicationActivate:
      // The server changes the lights after the key event has reached us.
      QTimer::singleShot(0, this, &CMainFrame::UpdateLockPanes);
      break;
    case QEvent::Show:
    case QEvent::Hide:
      // Without a window manager to pass it on, the keyboard goes to each
      // dialog as it opens and back to the journal when the last one closes.
      if (auto* dialog = qobject_cast<QDialog*>(watched); dialog && dialog->isModal()) {
        if (event->type() == QEvent::Show)
          dialog->activateWindow();
        else
          QTimer::singleShot(0, this, &CMainFrame::TakeKeyboard);  // or to the dialog below
      }
      break;
    default: break;
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace mirto
