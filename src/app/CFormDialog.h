#pragma once
// The one dialog that renders any form template. It collects text, list rows
// and radio choices into the Form on OK; it never reads a number itself. A
// field the library refuses or advises on is marked, with the library's
// words as its tooltip: refusals once OK was pressed, advice while typing.
#include <QDialog>
#include <QPointer>
#include <vector>

#include "app/HelpWindow.h"

class QButtonGroup;
class QGridLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QGroupBox;
class QWidget;

namespace mirto {

class Form;
struct Control;

class CFormDialog : public QDialog {
  Q_OBJECT
 public:
  // The fields `fromData` hold figures worked out from data: shown read-only,
  // at full precision whatever their limit.
  CFormDialog(Form& form, QWidget* parent = nullptr, std::vector<std::size_t> fromData = {});

  // The widgets of control i (object names "control<i>" as well, for tests).
  QLineEdit* Edit(std::size_t i) const { return m_widgets[i].edit; }
  QListWidget* List(std::size_t i) const { return m_widgets[i].list; }
  QButtonGroup* Buttons(std::size_t i) const { return m_widgets[i].buttons; }
  QLabel* Label(std::size_t i) const { return m_widgets[i].label; }
  const Form& Shown() const { return m_form; }
  // How field i is marked: "refused", "advice" or empty (also the property "mark").
  QString Mark(std::size_t i) const;

 public slots:
  void accept() override;
  // The Help button and F1: the form's help topic, in a window beside it.
  void ShowHelp();

 public:
  HelpWindow* HelpShown() const { return m_help; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Widgets {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QListWidget* list = nullptr;
    QGroupBox* box = nullptr;
    QButtonGroup* buttons = nullptr;
  };

  void Build();
  void AddControl(std::size_t i, QGridLayout* layout);
  void AddText(std::size_t i, const Control& c, QGridLayout* layout);
  void AddList(std::size_t i, const Control& c, QGridLayout* layout);
  void AddRadio(std::size_t i, const Control& c, QGridLayout* layout);
  void OnChoice(std::size_t i, int button);
  // Enabled flags and radio choices as the Form holds them now.
  void Refresh();
  void CollectInto(Form& form) const;
  // Marks the text fields as the library judges what they hold now.
  void UpdateMarks();
  bool FromData(std::size_t i) const;

  Form& m_form;
  std::vector<Widgets> m_widgets;
  std::vector<std::size_t> m_fromData;
  bool m_triedOk = false;  // refusals are marked once OK was pressed
  QPointer<HelpWindow> m_help;
};

}  // namespace mirto
